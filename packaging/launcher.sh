# Sourced by the launchers in the PATH (not run): the user's data folder.
# shellcheck shell=sh

# XDG_DATA_HOME counts only as an absolute path, as the XDG rules say.
eiyou_data_folder() {
  case ${XDG_DATA_HOME:-} in
    /*) printf '%s/eiyou\n' "$XDG_DATA_HOME" ;;
    *)
      if [ -z "${HOME:-}" ]; then
        echo "eiyou: HOME is not set; cannot find the data folder" >&2
        return 1
      fi
      printf '%s/.local/share/eiyou\n' "$HOME"
      ;;
  esac
}

# Makes the data folder $1 from the bundled data $2 unless it exists. The copy
# is made beside it and renamed, so an interrupted copy is never taken for the
# folder; an existing folder is never written to.
eiyou_prepare_data_folder() {
  [ -d "$1" ] && return 0
  if [ -e "$1" ] || [ -L "$1" ]; then
    echo "eiyou: $1 is not a folder" >&2
    return 1
  fi
  mkdir -p -- "${1%/*}" || return 1
  eiyou_partial=$(mktemp -d -- "$1.partial.XXXXXX") || return 1
  trap 'rm -rf -- "$eiyou_partial"' EXIT
  trap 'rm -rf -- "$eiyou_partial"; exit 130' HUP INT TERM
  if ! cp -R -- "$2/." "$eiyou_partial/"; then
    echo "eiyou: could not copy $2 to $eiyou_partial" >&2
    return 1
  fi
  # -T: when another start made the folder meanwhile, fail instead of moving
  # the copy into it, and use that folder.
  mv -T -- "$eiyou_partial" "$1" 2>/dev/null || [ -d "$1" ] || return 1
  rm -rf -- "$eiyou_partial"
  trap - EXIT HUP INT TERM
  echo "eiyou: sample data copied to $1" >&2
}
