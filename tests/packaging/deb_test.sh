#!/usr/bin/env bash
# Builds the Debian package and checks what dpkg-deb shows: the control
# fields, dependencies computed from the shared libraries, the files a desktop
# expects, and every file the project installs; then Debian's default
# hardening in every program, and what lintian says.
#   deb_test.sh CMAKE BUILD_DIR
set -euo pipefail
cmake=$1 build=$2
# "unfortified" for builds without _FORTIFY_SOURCE (Debug, sanitizers).
fortify=${3:-fortified}
for tool in dpkg-deb dpkg-shlibdeps readelf lintian; do
  command -v "$tool" >/dev/null 2>&1 || { echo "$tool is missing (dpkg-dev, binutils, lintian)"; exit 77; }
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
has bin/kestovctl
has share/bash-completion/completions/kestovctl
has share/doc/kestov-lv200-manager/copyright
has share/doc/kestov-lv200-manager/changelog.gz
for page in kestov-lv200-manager kestovctl kestov-sim; do
  has "share/man/man1/$page.1.gz"
done
if grep -q 'kestovctl' <<<"$info"; then echo "ok   the description names kestovctl"
else echo "WRONG: the description does not name kestovctl"; fail=1; fi
if printf '%s\n' "$contents" | grep -q '\.1$'; then echo "WRONG: a manual page is not compressed"; fail=1; fi

# Whatever the project installs (other tools, man pages) is in the package.
stage=$(mktemp -d /tmp/kestov-stage-XXXXXX)
trap 'rm -rf "$stage"' EXIT
DESTDIR="$stage" "$cmake" --install "$build" --prefix /usr >/dev/null
while IFS= read -r f; do
  has "${f#./usr/}"
done < <(cd "$stage" && find . \( -type f -o -type l \) | sort)

# Hardening as dpkg-buildflags gives it, read from the packaged programs.
unpacked=$(mktemp -d /tmp/kestov-deb-XXXXXX)
trap 'rm -rf "$stage" "$unpacked"' EXIT
dpkg-deb -x "$deb" "$unpacked"
for program in "$unpacked"/usr/bin/*; do
  name=$(basename "$program")
  header=$(readelf -hW "$program") segments=$(readelf -lW "$program")
  dynamic=$(readelf -dW "$program") symbols=$(readelf -W --dyn-syms "$program")
  check() {  # check WHAT TEXT PATTERN
    # A here-string: grep -q leaves early, which would break a pipe under pipefail.
    if grep -Eq "$3" <<<"$2"; then echo "ok   $name: $1"
    else echo "WRONG $name: no $1"; fail=1; fi
  }
  check "PIE" "$header" 'Type: +DYN'
  check "relro" "$segments" 'GNU_RELRO'
  check "immediate binding (now)" "$dynamic" '\(BIND_NOW\)|\(FLAGS_1\).*NOW'
  check "stack protector" "$symbols" '__stack_chk_fail'
  if [ "$fortify" = fortified ]; then
    check "fortified calls" "$symbols" '__[a-z0-9_]+_chk(@|$| )'
  fi
done

# lintian: clean but for the overrides shipped with the package (each says why).
if lintian_out=$(lintian --fail-on error,warning "$deb" 2>&1); then
  echo "ok   lintian${lintian_out:+: $lintian_out}"
else
  echo "WRONG lintian:"; printf '%s\n' "$lintian_out"; fail=1
fi

exit "$fail"
