#!/usr/bin/env bash
# Formats the project's own C++ sources with clang-format and .clang-format.
#   scripts/format.sh          rewrites the files that differ
#   scripts/format.sh --check  lists them and exits 1 when there are any
set -euo pipefail
cd "$(dirname "$0")/.."

check=0
case "${1:-}" in
  "") ;;
  --check) check=1 ;;
  *) echo "usage: $0 [--check]" >&2; exit 2 ;;
esac

if ! command -v clang-format >/dev/null; then
  echo "clang-format is missing: run scripts/setup.sh" >&2
  exit 2
fi

mapfile -d '' files < <(find src tools tests bench -type f \( -name '*.cpp' -o -name '*.h' \) -print0 | sort -z)

differ=0
for f in "${files[@]}"; do
  if ! clang-format --dry-run --Werror "$f" >/dev/null 2>&1; then
    if [ "$check" -eq 1 ]; then
      echo "$f"
      differ=1
    else
      clang-format -i "$f"
    fi
  fi
done
exit "$differ"
