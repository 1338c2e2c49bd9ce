#!/usr/bin/env bash
# A source file that is missing must stop the configure, not quietly drop the
# library and the program that need it. Copies the tree without FILE and
# configures it.
#   missing_source_test.sh CMAKE SOURCE_DIR FILE...
set -euo pipefail
cmake=$1 src=$2
shift 2
work=$(mktemp -d /tmp/kestov-missing-XXXXXX)
trap 'rm -rf "$work"' EXIT

for file in "$@"; do
  rm -rf "$work/tree" "$work/build"
  mkdir -p "$work/tree"
  (cd "$src" && tar --exclude=./build --exclude='./build-*' --exclude=./.git -cf - .) | (cd "$work/tree" && tar -xf -)
  rm "$work/tree/$file"
  if "$cmake" -S "$work/tree" -B "$work/build" -DKESTOV_BUILD_BENCH=OFF >"$work/log" 2>&1; then
    echo "configure succeeded without $file"; cat "$work/log"; exit 1
  fi
  grep -q "Cannot find source file" "$work/log" || { echo "configure failed for another reason"; cat "$work/log"; exit 1; }
  echo "ok   configure stops without $file"
done
