#!/bin/sh
# Validates a desktop entry; hints count as failures too. Exit 77 (skipped)
# when the validator (desktop-file-utils) is not installed.
command -v desktop-file-validate >/dev/null 2>&1 || { echo "desktop-file-validate is missing"; exit 77; }
out=$(desktop-file-validate "$1" 2>&1) || { echo "$out"; exit 1; }
[ -z "$out" ] || { echo "$out"; exit 1; }
echo "valid: $1"
