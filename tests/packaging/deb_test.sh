#!/usr/bin/env bash
# Builds the Debian package and checks what dpkg-deb shows: the control
# fields, dependencies computed from the shared libraries, the files a desktop
# expects, and every file the project installs.
#   deb_test.sh CMAKE BUILD_DIR
set -euo pipefail
cmake=$1 build=$2
for tool in dpkg-deb dpkg-shlibdeps; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$tool is missing (dpkg-dev)"; exit 77; }
done

"$cmake" --build "$build" --target package >/dev/null
deb=$(ls -t "$build"/kestov-lv200-manager_*.deb | head -n 1)
echo "package: $deb"

fail=0
info=$(dpkg-deb --info "$deb")
field() { printf '%s\n' "$info" | sed -n "s/^ $1: //p"; }
expect_field() {  # expect_field NAME PATTERN
  if field "$1" | grep -Eq "$2"; then echo "ok   $1: $(field "$1" | head -c 100)"
  else echo "WRONG $1: $(field "$1")"; fail=1; fi
}
expect_field Package '^kestov-lv200-manager$'
expect_field Version '^[0-9]+\.[0-9]+\.[0-9]+'
expect_field Architecture "^$(dpkg --print-architecture)$"
expect_field Depends 'libqt6widgets6'
expect_field Depends 'libc6'

contents=$(dpkg-deb --contents "$deb" | awk '{print $6}')
has() {
  if printf '%s\n' "$contents" | grep -qxF "./usr/$1"; then echo "ok   $1"
  else echo "MISSING $1"; fail=1; fi
}
has bin/kestov-lv200-manager
has bin/kestov-sim
has share/applications/kestov-lv200-manager.desktop
has share/icons/hicolor/256x256/apps/kestov-lv200-manager.png
has share/icons/hicolor/scalable/apps/kestov-lv200-manager.svg
has share/metainfo/com.talvern.kestov_lv200_manager.metainfo.xml

# Whatever the project installs (other tools, man pages) is in the package.
stage=$(mktemp -d /tmp/kestov-stage-XXXXXX)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" "$cmake" --install "$build" --prefix /usr >/dev/null
while IFS= read -r f; do
  has "${f#./usr/}"
done < <(cd "$stage" && find . \( -type f -o -type l \) | sort)

exit "$fail"
