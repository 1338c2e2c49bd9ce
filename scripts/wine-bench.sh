#!/usr/bin/env bash
# kestovctl.exe under Wine against the native kestovctl on the same paced
# simulator (info and apply of a full profile), in a prefix made for the run.
#   scripts/wine-bench.sh [RUNS [WINDOWS_BUILD_DIR [NATIVE_BUILD_DIR]]]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
runs=${1:-5}
win_build=$(cd "${2:-$root/build-win}" && pwd)
native_build=$(cd "${3:-$root/build}" && pwd)
# shellcheck source=wine-prefix.sh
. "$root/scripts/wine-prefix.sh"
KESTOV_WINE="$wine" KESTOV_WIN_KESTOVCTL="$win_build/tools/kestovctl/kestovctl.exe" \
  "$native_build/bench/windows/wine_bench" "$runs" </dev/null
