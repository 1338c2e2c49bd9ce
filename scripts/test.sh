#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the full build
# (offscreen Qt), then the threaded core again under ThreadSanitizer.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)

echo "== build"
BUILD_DIR="$root/build" "$root/scripts/build.sh" -DKESTOV_BUILD_UI=ON -DKESTOV_BUILD_TESTS=ON -DKESTOV_BUILD_BENCH=ON
echo "== tests"
ctest --test-dir "$root/build" --no-tests=error --output-on-failure -j "$jobs" --timeout 300

echo "== ThreadSanitizer build of the link, the simulator and the device operations"
BUILD_DIR="$root/build-tsan" "$root/scripts/build.sh" -DKESTOV_BUILD_UI=OFF -DKESTOV_BUILD_TESTS=ON -DKESTOV_BUILD_BENCH=OFF \
  -DKESTOV_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug
echo "== tests under ThreadSanitizer"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir "$root/build-tsan" --no-tests=error --output-on-failure -j "$jobs" --timeout 600
echo "== all tests passed"
