#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the full build
# (offscreen Qt), the Windows build of the device core and kestovctl under
# Wine, the threaded core again under ThreadSanitizer, every test again under
# AddressSanitizer and UndefinedBehaviorSanitizer, and a short run of each
# fuzz target.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup.sh"

export QT_QPA_PLATFORM=offscreen
jobs=$(nproc)
fuzz_seconds=${KESTOV_FUZZ_SECONDS:-30}

echo "== build"
BUILD_DIR="$root/build" "$root/scripts/build.sh" -DKESTOV_BUILD_UI=ON -DKESTOV_BUILD_TESTS=ON -DKESTOV_BUILD_BENCH=ON
echo "== tests"
ctest --test-dir "$root/build" --no-tests=error --output-on-failure -j "$jobs" --timeout 300

echo "== Windows build (mingw-w64) of the link, the device operations and kestovctl, tested under Wine"
windows_start=$(date +%s)
# Release: what the zip ships, and no debug information to write for every object.
BUILD_DIR="$root/build-win" "$root/scripts/build.sh" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DKESTOV_BUILD_UI=OFF -DKESTOV_BUILD_TESTS=ON -DKESTOV_BUILD_BENCH=OFF
"$root/scripts/wine-tests.sh" "$root/build-win" "$root/build"
echo "== Windows stage took $(( $(date +%s) - windows_start )) s"

echo "== ThreadSanitizer build of the link, the simulator and the device operations"
BUILD_DIR="$root/build-tsan" "$root/scripts/build.sh" -DKESTOV_BUILD_UI=OFF -DKESTOV_BUILD_TESTS=ON -DKESTOV_BUILD_BENCH=OFF \
  -DKESTOV_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug
echo "== tests under ThreadSanitizer"
TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" \
  ctest --test-dir "$root/build-tsan" --no-tests=error --output-on-failure -j "$jobs" --timeout 600

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build of every test, the window's included"
BUILD_DIR="$root/build-asan" "$root/scripts/build.sh" -DKESTOV_BUILD_UI=ON -DKESTOV_BUILD_TESTS=ON -DKESTOV_BUILD_BENCH=OFF \
  -DKESTOV_SANITIZE=address,undefined -DCMAKE_BUILD_TYPE=Debug
echo "== tests under AddressSanitizer and UndefinedBehaviorSanitizer"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$root/tests/asan-leaks.supp:print_suppressions=0"
asan="detect_stack_use_after_return=1:strict_init_order=1"
# The end-to-end runs check that the program starts no process; the leak
# checker's own helper process would be one, so they run without it.
ASAN_OPTIONS="$asan:detect_leaks=1" \
  ctest --test-dir "$root/build-asan" --no-tests=error --output-on-failure -j "$jobs" --timeout 600 -E '^(e2e|install)\.'
ASAN_OPTIONS="$asan:detect_leaks=0" \
  ctest --test-dir "$root/build-asan" --no-tests=error --output-on-failure -j "$jobs" --timeout 600 -R '^(e2e|install)\.'

echo "== fuzzing the reply parsers and the receive side (${fuzz_seconds} s each)"
cmake -S "$root" -B "$root/build-fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTOV_BUILD_UI=OFF -DKESTOV_BUILD_TESTS=ON -DKESTOV_BUILD_BENCH=OFF -DKESTOV_BUILD_FUZZ=ON >/dev/null
cmake --build "$root/build-fuzz" -j "$jobs" --target fuzz_link_parsers fuzz_link_receive
fuzz_dir="$root/build-fuzz/tests/link/fuzz"
for target in parsers:reply_lines receive:receive; do
  name=${target%%:*}
  dict=${target##*:}
  corpus="$root/build-fuzz/corpus-$name"
  mkdir -p "$corpus"
  (cd "$root/build-fuzz" && "$fuzz_dir/fuzz_link_$name" -dict="$root/tests/link/fuzz/$dict.dict" \
    -max_total_time="$fuzz_seconds" -print_final_stats=1 "$corpus" 2>&1 | tail -n 3)
done
echo "== all tests passed"
