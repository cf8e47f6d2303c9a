# shellcheck shell=bash
# Shared by run.sh and test.sh (sourced, not run): package installation on Debian.

# Packages needed to build and run the program.
# shellcheck disable=SC2034  # used by the scripts that source this file
EIYOU_BUILD_PACKAGES=(build-essential cmake qt6-base-dev libgl-dev fonts-ipafont-gothic
  # Qt's own dialogs (files, printing) in Japanese
  qt6-translations-l10n
  # the food composition importer: zip archives and XML of workbooks
  libzip-dev libxml2-dev
  # telling bundled data files from edited ones: SHA-256
  nettle-dev
  # reports: workbooks
  libxlsxwriter-dev
  # the day plans: SQLite, and a PostgreSQL server's client library
  libsqlite3-dev libpq-dev)

# Packages that scripts/test_package.sh needs beside the build packages: the
# package checkers (file for CPack's dependency list, man-db for the man pages)
# and a virtual X server with the tools to find and photograph the window.
# shellcheck disable=SC2034
EIYOU_PACKAGE_TEST_PACKAGES=(file man-db lintian appstream desktop-file-utils
  xvfb xauth x11-utils imagemagick)

eiyou_say() { printf 'eiyou: %s\n' "$*" >&2; }

eiyou_missing_packages() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' \
      || printf '%s\n' "$p"
  done
}

# Installs those of the given Debian packages that are not installed yet, as root
# directly or through sudo. Does nothing (not even apt-get update) when all are there.
eiyou_install_packages() {
  if ! command -v dpkg-query >/dev/null 2>&1; then
    eiyou_say "not a Debian system: make sure these are installed: $*"
    return 0
  fi
  local missing
  mapfile -t missing < <(eiyou_missing_packages "$@")
  ((${#missing[@]} == 0)) && return 0

  local as_root=()
  if ((EUID != 0)); then
    if ! command -v sudo >/dev/null 2>&1; then
      eiyou_say "missing packages: ${missing[*]}"
      eiyou_say "run this script as root, or install sudo, or install them yourself."
      return 1
    fi
    as_root=(sudo)
  fi
  eiyou_say "installing: ${missing[*]}"
  local apt=(env DEBIAN_FRONTEND=noninteractive apt-get -q -y -o DPkg::Lock::Timeout=600)
  "${as_root[@]}" "${apt[@]}" update
  "${as_root[@]}" "${apt[@]}" install --no-install-recommends "${missing[@]}"
}

# Debian's hardening flags of kind $1 (CXXFLAGS, CPPFLAGS, LDFLAGS), as a
# Debian package build gives them, but without debug information: the package
# strips it, and it makes every compilation slower.
eiyou_hardening_flags() {
  DEB_BUILD_MAINT_OPTIONS=hardening=+all DEB_CXXFLAGS_MAINT_STRIP=-g dpkg-buildflags --get "$1"
}

# Number of parallel build jobs.
eiyou_jobs() { nproc 2>/dev/null || echo 2; }
