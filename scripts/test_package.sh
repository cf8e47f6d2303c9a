#!/usr/bin/env bash
# Builds the Debian package into build-package/, installs it with apt, checks it
# with lintian, appstreamcli and desktop-file-validate, starts the installed
# program as a new user on a virtual X server until its main window shows, tries
# the launchers' data folder rules, and removes the package again (also when a
# check fails). Needs root or sudo; the program itself runs as "nobody" when
# this runs as root, so that the files it is given must really be the user's.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/setup_common.sh
source "$repo/scripts/setup_common.sh"

eiyou_install_packages "${EIYOU_BUILD_PACKAGES[@]}" "${EIYOU_PACKAGE_TEST_PACKAGES[@]}"

build="$repo/build-package"
as_root=()
((EUID == 0)) || as_root=(sudo)
apt=(env DEBIAN_FRONTEND=noninteractive apt-get -q -y -o DPkg::Lock::Timeout=600)
fail() { eiyou_say "package: FAILED: $*"; exit 1; }

eiyou_say "package: building (build-package/)"
# Debian's hardening flags and -O2, as a Debian build would give them; passed on
# every configure, since the environment counts only on the first.
flags() { eiyou_hardening_flags "$1"; }
cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
  -DEIYOU_BUILD_TESTS=OFF -DEIYOU_BUILD_BENCH=OFF \
  -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
  -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" -DCMAKE_MODULE_LINKER_FLAGS="$(flags LDFLAGS)" >/dev/null
rm -f "$build"/eiyou_*.deb
cmake --build "$build" --target package -j "$(eiyou_jobs)"
debs=("$build"/eiyou_*.deb)
if ((${#debs[@]} != 1)) || [[ ! -f ${debs[0]} ]]; then fail "expected one eiyou_*.deb in $build"; fi
deb=${debs[0]}

eiyou_say "package: lintian"
lintian --fail-on error --display-info "$deb" || fail "lintian reports errors"

scratch=$(mktemp -d)
installed=0
cleanup() {
  if ((installed)); then
    eiyou_say "package: removing"
    "${as_root[@]}" "${apt[@]}" remove eiyou >/dev/null
    installed=0
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

eiyou_say "package: installing $(basename "$deb")"
installed=1
(cd "$repo" && "${as_root[@]}" "${apt[@]}" install "./build-package/$(basename "$deb")")

eiyou_say "package: appstreamcli, desktop-file-validate, versions"
appstreamcli validate --no-net /usr/share/metainfo/io.github.eiyou.metainfo.xml
desktop-file-validate /usr/share/applications/eiyou.desktop || fail "desktop entry"
version=$(dpkg-query -W -f='${Version}' eiyou)
[[ $(zcat /usr/share/doc/eiyou/changelog.gz | sed -n '1s/^eiyou (\([^)]*\)).*/\1/p') == "$version" ]] \
  || fail "packaging/changelog does not start with version $version"
grep -q "<release version=\"$version\"" /usr/share/metainfo/io.github.eiyou.metainfo.xml \
  || fail "packaging/io.github.eiyou.metainfo.xml has no release $version"
for page in eiyou eiyou-import eiyou-data; do
  [[ -z $(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "/usr/share/man/man1/$page.1.gz" 2>&1 >/dev/null) ]] \
    || fail "man page $page.1 has groff warnings"
done

eiyou_say "package: the program's module"
# The program opens its module from its own folder on first use; it must be
# there with every library it needs, and the program itself must need none of
# those (they are what it leaves out of its start).
module=/usr/lib/eiyou/eiyou-extras.so
[[ -f $module ]] || fail "$module is not installed beside the program"
if ldd "$module" | grep "not found"; then fail "$module needs a library the package does not bring"; fi
if readelf -d /usr/lib/eiyou/eiyou | grep -E "NEEDED.*(libzip|libxml2|libxlsxwriter|libsqlite3|PrintSupport)"; then
  fail "the program needs at its start a library of its module"
fi

# The user: "nobody" with a home of its own in the scratch folder when we are
# root, else ourselves. Nothing of the caller's environment goes along.
as_user=()
if ((EUID == 0)); then
  as_user=(setpriv --reuid=nobody --regid=nogroup --clear-groups)
  chown nobody:nogroup "$scratch"
  # Made by root, as X clients and servers expect it.
  [[ -d /tmp/.X11-unix ]] || mkdir -m 1777 /tmp/.X11-unix
fi
user() { # HOME [VAR=VALUE...] COMMAND...
  local home=$1; shift
  "${as_user[@]}" env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
    XDG_RUNTIME_DIR="$scratch/runtime" "$@"
}
user "$scratch" mkdir -m 700 "$scratch/runtime" "$scratch/first" "$scratch/second" "$scratch/work"
data="$scratch/first/.local/share/eiyou"

eiyou_say "package: first start as a new user, under Xvfb"
# Waits for the main window to be mapped, takes a screenshot and ends the
# program; fails when the program ends first, no window shows in 60 s, or the
# process is not the installed program running in the data folder.
# shellcheck disable=SC2016  # expanded by the inner shell
user "$scratch/first" SHOT="$scratch/first/screenshot.png" xvfb-run -a -s '-screen 0 1024x768x24' sh -c '
  eiyou >"$HOME/eiyou.log" 2>&1 &
  pid=$!
  i=0
  while [ $i -lt 300 ]; do
    kill -0 $pid 2>/dev/null || { echo "eiyou ended before its main window showed" >&2; exit 1; }
    id=$(xwininfo -root -tree | grep "栄養分析メイン" | awk "{print \$1}" | head -n 1)
    if [ -n "$id" ] && xwininfo -id "$id" | grep -q "Map State: IsViewable"; then
      sleep 1
      import -window root "$SHOT"
      kill -0 $pid 2>/dev/null || { echo "eiyou ended after showing its window" >&2; exit 1; }
      status=0
      [ "$(readlink /proc/$pid/exe)" = /usr/lib/eiyou/eiyou ] || { echo "not /usr/lib/eiyou/eiyou" >&2; status=1; }
      [ "$(readlink /proc/$pid/cwd)" = "$HOME/.local/share/eiyou" ] || { echo "not run in the data folder" >&2; status=1; }
      kill $pid
      exit $status
    fi
    sleep 0.2
    i=$((i + 1))
  done
  echo "no main window 栄養分析メイン after 60 s" >&2
  kill $pid
  exit 1' || { cat "$scratch/first/eiyou.log" >&2 || true; fail "the first start of the installed program"; }
cp "$scratch/first/screenshot.png" "$build/screenshot.png"
eiyou_say "package: main window shown; screenshot in build-package/screenshot.png"

for f in 食品成分表５訂.CSV 食品成分表５訂.MARKS 食品成分表５訂.COMPONENTS 食品成分表５訂.EDITION STD.CSV KONDATE/献立.TXT; do
  [[ -f $data/$f ]] || fail "the data folder $data has no $f"
done
diff -r /usr/share/eiyou/data "$data" >/dev/null || fail "the data folder differs from the bundled data"
user "$scratch/first" test -w "$data/KONDATE/献立.TXT" || fail "the user cannot write the dish file"
ls -d "$data".partial.* 2>/dev/null && fail "a partial copy was left beside the data folder"

# A later start must use the folder as it is and never fill it again.
rm "$data/README.md"
status=0
user "$scratch/first" QT_QPA_PLATFORM=offscreen timeout 10 eiyou >/dev/null 2>&1 || status=$?
((status == 124)) || fail "the second start ended by itself (status $status)"
[[ ! -e $data/README.md ]] || fail "a later start wrote into the existing data folder"

eiyou_say "package: eiyou-data and eiyou-import on the data folder"
user "$scratch/first" eiyou-data check || fail "eiyou-data check on the data folder"
if user "$scratch/second" eiyou-data check 2>/dev/null; then
  fail "eiyou-data check passed without a data folder"
fi
[[ ! -e $scratch/second/.local ]] || fail "eiyou-data made a data folder"

# eiyou-import writes into the data folder ($XDG_DATA_HOME/eiyou here), made
# first from the bundled data, and names its input from the current folder.
cp "$repo/tests/import/data/foods.tsv" "$scratch/work/"
chmod a+r "$scratch/work/foods.tsv"
# shellcheck disable=SC2016  # expanded by the inner shell
user "$scratch/second" XDG_DATA_HOME="$scratch/second/xdg" \
  sh -c 'cd "$1" && eiyou-import foods.tsv' sh "$scratch/work" >/dev/null 2>&1 \
  || fail "eiyou-import into the data folder"
imported="$scratch/second/xdg/eiyou"
[[ $(wc -l <"$imported/食品成分表５訂.CSV") -eq 41 ]] || fail "eiyou-import did not write the data folder's table"
compgen -G "$imported/食品成分表５訂.CSV.*.bak" >/dev/null || fail "eiyou-import kept no backup of the bundled table"
[[ -f $imported/STD.CSV ]] || fail "eiyou-import did not fill the new data folder first"
[[ $(ls "$scratch/work") == foods.tsv ]] || fail "eiyou-import wrote into the current folder"
user "$scratch/second" mkdir "$scratch/second/out"
user "$scratch/second" eiyou-import --output "$scratch/second/out" "$scratch/work/foods.tsv" >/dev/null 2>&1 \
  || fail "eiyou-import --output"
[[ -f $scratch/second/out/食品成分表５訂.CSV && ! -e $scratch/second/.local ]] \
  || fail "eiyou-import --output wrote elsewhere than the folder given"

cleanup
trap - EXIT
[[ ! -e /usr/bin/eiyou ]] || fail "the package left /usr/bin/eiyou behind"
eiyou_say "package: all checks passed"
