#!/bin/sh
# Runs a test program under Wine in the prefix given, making the prefix first when it is
# missing (under a lock, so that tests run side by side make it once). A Windows program
# (.exe) runs through wine; any other program is one of this system that starts Windows
# programs itself, and finds the prefix in WINEPREFIX.
# Exits 77 (skipped) when the program was not built or Wine is missing, except under CI
# (CI=true), where scripts/setup installs every tool and a missing one fails the test.
#   wine_run.sh <prefix> <program> [arguments...]
set -eu
prefix=$1
program=$2
shift 2
missing() {
  echo "$1"
  if [ "${CI:-}" = true ]; then exit 1; fi
  exit 77
}
[ -f "$program" ] || missing "$program was not built: mingw-w64 or GoogleTest's sources are missing"
for tool in wine wineserver wineboot; do
  command -v "$tool" >/dev/null 2>&1 || missing "$tool is not installed"
done

mkdir -p "$(dirname "$prefix")"
prefix="$(cd "$(dirname "$prefix")" && pwd)/$(basename "$prefix")"  # Wine takes no relative one
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree=;mshtml='
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    if [ -n "${DISPLAY:-}" ]; then wineboot -i; else xvfb-run -a wineboot -i; fi >/dev/null 2>&1
    wineserver -w
  fi
) 9>"$prefix.lock"
case "$program" in
  *.exe) exec wine "$program" "$@" ;;
  *) exec "$program" "$@" ;;
esac
