#!/usr/bin/env bash
# Installs what is missing, builds eiyou (Release, in build/) and starts it in the
# user's data folder. The folder is a copy of data/, made on first use only and kept
# afterwards, so that saved dishes survive; the repository itself is never written to
# outside build/.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
# shellcheck source=scripts/setup_common.sh
source "$repo/scripts/setup_common.sh"

data_dir="${XDG_DATA_HOME:-$HOME/.local/share}/eiyou"

eiyou_install_packages "${EIYOU_BUILD_PACKAGES[@]}"

cmake -S "$repo" -B "$repo/build" -DCMAKE_BUILD_TYPE=Release \
  -DEIYOU_BUILD_TESTS=OFF -DEIYOU_BUILD_BENCH=OFF >/dev/null
cmake --build "$repo/build" --target eiyou -j "$(eiyou_jobs)"

if [[ ! -e "$data_dir" ]]; then
  # Copy beside the final place and rename, so an interrupted copy is never taken
  # for the user's folder on the next start.
  mkdir -p "$(dirname "$data_dir")"
  partial=$(mktemp -d "$data_dir.partial.XXXXXX")
  trap 'rm -rf "$partial"' EXIT
  cp -R "$repo/data/." "$partial/"
  mv -T "$partial" "$data_dir"
  trap - EXIT
  eiyou_say "data copied to $data_dir"
else
  eiyou_say "using the data in $data_dir"
fi

if [[ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}${QT_QPA_PLATFORM:-}" ]]; then
  eiyou_say "warning: no DISPLAY or WAYLAND_DISPLAY set; the window may not open."
fi

cd "$data_dir"
# The data it ships: a folder copied from an older release is offered the newer one.
export EIYOU_SHIPPED_DATA="$repo/data"
exec "$repo/build/src/eiyou"
