#!/bin/sh
# Runs a test program in the locale that LC_ALL names (set by the test's
# ENVIRONMENT). Where that locale is not installed the program would quietly
# run in "C" and prove nothing: the run is skipped (exit 77) and says why.
if [ -n "$(locale 2>&1 >/dev/null)" ]; then
  echo "skipped: the locale $LC_ALL is not installed (as root: localedef -i ${LC_ALL%%.*} -f UTF-8 $LC_ALL)"
  exit 77
fi
exec "$@"
