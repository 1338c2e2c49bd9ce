#!/usr/bin/env bash
# Runs the Windows build's tests under Wine: the unit tests of build-win
# (ctest, through the cross-compiling emulator) and kestovctl.exe end to end
# against simulated modules that run natively on pseudo-terminals.
#   scripts/wine-tests.sh [WINDOWS_BUILD_DIR [NATIVE_BUILD_DIR]]
# The Wine prefix is made for the run, in a temporary folder, and removed
# afterwards; one Wine server serves the whole run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
win_build=${1:-$root/build-win}
native_build=${2:-$root/build}

wine=$(command -v wine64 || true)
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
wineserver=$(command -v wineserver || true)
[ -n "$wineserver" ] || wineserver=/usr/lib/wine/wineserver
if [ ! -x "$wine" ] || [ ! -x "$wineserver" ]; then
  echo "Wine is missing: run scripts/setup.sh" >&2
  exit 2
fi

prefix_parent=$(mktemp -d "${TMPDIR:-/tmp}/kestov-wine.XXXXXX")
export WINEPREFIX="$prefix_parent/prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w >/dev/null 2>&1 || true
  rm -rf "$prefix_parent"
}
trap cleanup EXIT

echo "-- making the Wine prefix"
start=$(date +%s)
# A persistent server, and the prefix's own services started here, so that
# no test's output pipe is inherited by a service that outlives the test.
"$wineserver" -p >/dev/null 2>&1
"$wine" wineboot -i </dev/null >/dev/null 2>&1
echo "-- prefix ready in $(( $(date +%s) - start )) s"

echo "-- unit tests under Wine"
ctest --test-dir "$win_build" --no-tests=error --output-on-failure -j "$(nproc)" --timeout 300

echo "-- kestovctl.exe end to end"
KESTOV_WINE="$wine" KESTOV_WIN_KESTOVCTL="$win_build/tools/kestovctl/kestovctl.exe" \
  "$native_build/tests/windows/wine_kestovctl_test" </dev/null
