#!/usr/bin/env bash
# Installs the build into a temporary directory (DESTDIR, prefix /usr), checks
# that every file is where a desktop expects it, and runs the Korean demo
# session of the end-to-end checks with the installed program.
#   install_test.sh CMAKE BUILD_DIR E2E_TEST_PROGRAM
set -euo pipefail
cmake=$1 build=$2 e2e=$3
dest=$(mktemp -d /tmp/kestov-install-XXXXXX)
trap 'rm -rf "$dest"' EXIT

DESTDIR="$dest" "$cmake" --install "$build" --prefix /usr >/dev/null
root="$dest/usr"

fail=0
check() {  # check TEST PATH
  if [ "$1" "$root/$2" ]; then echo "ok   $2"; else echo "MISSING $2"; fail=1; fi
}
check -x bin/kestov-lv200-manager
check -x bin/kestov-sim
check -x bin/kestovctl
check -f share/man/man1/kestovctl.1
check -f share/man/man1/kestov-lv200-manager.1
check -f share/applications/kestov-lv200-manager.desktop
check -f share/icons/hicolor/256x256/apps/kestov-lv200-manager.png
check -f share/icons/hicolor/scalable/apps/kestov-lv200-manager.svg
[ "$fail" -eq 0 ] || exit 1

# The entry starts the installed program by name and uses the installed icon.
entry="$root/share/applications/kestov-lv200-manager.desktop"
grep -qx 'Exec=kestov-lv200-manager' "$entry" || { echo "Exec line wrong"; exit 1; }
grep -qx 'Icon=kestov-lv200-manager' "$entry" || { echo "Icon line wrong"; exit 1; }
if command -v desktop-file-validate >/dev/null 2>&1; then
  out=$(desktop-file-validate "$entry" 2>&1) || { echo "$out"; exit 1; }
  [ -z "$out" ] || { echo "$out"; exit 1; }
  echo "ok   desktop entry valid"
fi
if command -v file >/dev/null 2>&1; then
  file "$root/share/icons/hicolor/256x256/apps/kestov-lv200-manager.png" | grep -q '256 x 256' ||
    { echo "icon is not 256 x 256"; exit 1; }
fi

# The installed simulator answers for itself.
"$root/bin/kestov-sim" --help | grep -q 'Usage: kestov-sim' || { echo "kestov-sim --help failed"; exit 1; }

# The installed command-line tool answers for itself.
"$root/bin/kestovctl" --help | grep -q 'provision' || { echo "kestovctl --help failed"; exit 1; }

# The installed program: Korean captions come from the translations inside it.
KESTOV_MANAGER="$root/bin/kestov-lv200-manager" "$e2e" --gtest_filter=DemoRun.KoreanSessionShowsKoreanCaptions
