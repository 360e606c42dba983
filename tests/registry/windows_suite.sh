#!/bin/sh
# Runs the registry tests built for Windows (tests/registry/CMakeLists.txt) under Wine, so
# that the Windows back end meets Wine's advapi32, in a prefix kept in the build folder.
# Exits 77 (skipped) when the program could not be built or Wine is missing, except under CI
# (CI=true), where scripts/setup installs every tool and a missing one fails the test.
#   windows_suite.sh <program> <prefix>
set -eu
program=$1
missing() {
  echo "$1"
  if [ "${CI:-}" = true ]; then exit 1; fi
  exit 77
}
[ -f "$program" ] || missing "$program was not built: mingw-w64 or GoogleTest's sources are missing"
for tool in wine wineserver; do
  command -v "$tool" >/dev/null 2>&1 || missing "$tool is not installed"
done

export WINEPREFIX="$2" WINEDEBUG=-all WINEDLLOVERRIDES='mscoree=;mshtml='
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  if [ -n "${DISPLAY:-}" ]; then wineboot -i; else xvfb-run -a wineboot -i; fi >/dev/null 2>&1
  wineserver -w
fi
status=0
wine "$program" || status=$?
wineserver -w
exit $status
