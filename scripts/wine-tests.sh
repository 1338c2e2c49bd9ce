#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: the unit tests of build-win
# (ctest, through the cross-compiling emulator), kestovctl.exe end to end
# against simulated modules that run natively on pseudo-terminals, and the
# program of the zip. Needs both builds (the native one for the simulator).
#   scripts/wine-tests.sh [WINDOWS_BUILD_DIR [NATIVE_BUILD_DIR]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win_build=$(cd "${1:-$root/build-win}" && pwd)
native_build=$(cd "${2:-$root/build}" && pwd)
# shellcheck source=wine-prefix.sh
. "$root/scripts/wine-prefix.sh"

echo "-- unit tests under Wine"
ctest --test-dir "$win_build" --no-tests=error --output-on-failure -j "$(nproc)" --timeout 300

echo "-- kestovctl.exe end to end"
KESTOV_WINE="$wine" KESTOV_WIN_KESTOVCTL="$win_build/tools/kestovctl/kestovctl.exe" \
  "$native_build/tests/windows/wine_kestovctl_test" </dev/null

echo "-- the zip's program"
cmake --build "$win_build" --target windows_zip >/dev/null
zip=$(ls "$win_build"/kestovctl-*-windows-x64.zip)
unpacked="$wine_prefix_parent/zip"
cmake -E make_directory "$unpacked"
(cd "$unpacked" && cmake -E tar xf "$zip")
version=$("$wine" "$unpacked"/kestovctl-*/kestovctl.exe --version </dev/null | tr -d '\r')
echo "$version"
case "$version" in
  *"$(basename "$zip" -windows-x64.zip | sed 's/^kestovctl-//')"*) ;;
  *) echo "the zip's kestovctl.exe does not give its version" >&2; exit 1 ;;
esac
