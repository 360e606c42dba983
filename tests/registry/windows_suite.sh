#!/bin/sh
# Builds the registry tests for Windows with mingw-w64 and runs them under Wine, so that the
# Windows back end meets Wine's advapi32. Exits 77 (skipped) when a tool is missing, except under
# CI (CI=true), where scripts/setup installs them all and a missing one fails the test.
#   windows_suite.sh <source dir> <work dir>
set -eu
src=$1
work=$2
cxx=x86_64-w64-mingw32-g++-posix
gtest=/usr/src/googletest
missing() {
  echo "$1"
  if [ "${CI:-}" = true ]; then exit 1; fi
  exit 77
}
for tool in "$cxx" wine wineserver; do
  command -v "$tool" >/dev/null 2>&1 || missing "$tool is not installed"
done
[ -d "$gtest/googletest/src" ] || missing "no GoogleTest sources in $gtest"
mkdir -p "$work"
if command -v ccache >/dev/null 2>&1; then cxx="ccache $cxx"; fi

includes="-I$gtest/googletest/include -I$gtest/googlemock/include"
if [ ! -f "$work/gtest.a" ]; then
  for unit in googletest/src/gtest-all googlemock/src/gmock-all googletest/src/gtest_main; do
    $cxx -std=c++20 -O1 $includes -I$gtest/googletest -I$gtest/googlemock -c "$gtest/$unit.cc" \
      -o "$work/$(basename $unit).o"
  done
  x86_64-w64-mingw32-ar rcs "$work/gtest.a" "$work/gtest-all.o" "$work/gmock-all.o" "$work/gtest_main.o"
fi

objects=""
for unit in platform/EnvironmentText platform/RegistryApi platform/RegistryMemory platform/RegistryNameOrder \
            platform/RegistryTree platform/RegistryTreeApi platform/RegistryUnicode platform/RegistryWindows \
            registry/DynamicValue registry/cRegistry registry/cRegistryAssociations registry/cRegistryKeys \
            tests/registry/cRegistryTest tests/registry/cRegistryKeysTest tests/registry/AssociationTest; do
  object="$work/$(echo $unit | tr / _).o"
  $cxx -std=c++20 -O0 -Wall -Wextra -Wpedantic -Wshadow -Werror -I"$src" $includes -c "$src/$unit.cpp" -o "$object"
  objects="$objects $object"
done
$cxx -static -o "$work/registry_tests.exe" $objects "$work/gtest.a" -ladvapi32

export WINEPREFIX="$work/prefix" WINEDEBUG=-all
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  if [ -n "${DISPLAY:-}" ]; then wineboot -i; else xvfb-run -a wineboot -i; fi >/dev/null 2>&1
  wineserver -w
fi
status=0
wine "$work/registry_tests.exe" || status=$?
wineserver -w
exit $status
