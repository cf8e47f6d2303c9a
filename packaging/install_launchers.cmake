# Install-time part of packaging/CMakeLists.txt: writes the launchers into
# PREFIX/bin with the paths they start the programs from. EIYOU_LAUNCHER_SOURCES
# is set by the install rule before this one.
set(EIYOU_LIBDIR "${CMAKE_INSTALL_PREFIX}/lib/eiyou")
set(EIYOU_DATADIR "${CMAKE_INSTALL_PREFIX}/share/eiyou/data")
foreach(name eiyou eiyou-import eiyou-data)
  set(target "$ENV{DESTDIR}${CMAKE_INSTALL_PREFIX}/bin/${name}")
  message(STATUS "Installing: ${target}")
  configure_file("${EIYOU_LAUNCHER_SOURCES}/bin/${name}.in" "${target}" @ONLY
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
                     WORLD_READ WORLD_EXECUTE)
  list(APPEND CMAKE_INSTALL_MANIFEST_FILES "${target}")
endforeach()
