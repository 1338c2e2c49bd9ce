#!/usr/bin/env bash
# Installs the build into a temporary directory (DESTDIR, prefix /usr), checks
# that every file is where a desktop expects it, that the installed program
# carries no script player, and that it starts in Korean with the texts built
# into it.
#   install_test.sh CMAKE BUILD_DIR SCRIPTED_TEST_COPY
set -euo pipefail
cmake=$1 build=$2 scripted=$3
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
check -f share/man/man1/kestovctl.1.gz
check -f share/man/man1/kestov-sim.1.gz
check -f share/bash-completion/completions/kestovctl
check -f share/man/man1/kestov-lv200-manager.1.gz
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

# No test code in the installed program: neither the script player nor its
# option. The test copy has both, so the search would find them.
program="$root/bin/kestov-lv200-manager"
for marker in --script ScriptDriver accept-port-dialog; do
  grep -aqF -- "$marker" "$scripted" || { echo "the search cannot see $marker"; exit 1; }
  if grep -aqF -- "$marker" "$program"; then echo "installed program holds $marker"; exit 1; fi
done
echo "ok   no script player in the installed program"
if [ -e "$root/bin/kestov-lv200-manager-scripted" ]; then echo "the test copy was installed"; exit 1; fi

# The installed program in Korean on a virtual X server: its port dialog's
# caption comes from the translations built into it.
if ! command -v xvfb-run >/dev/null 2>&1 || ! command -v xwininfo >/dev/null 2>&1; then
  echo "SKIPPED: xvfb-run or xwininfo missing"; exit 0
fi
mkdir -p "$dest/config" "$dest/home" "$dest/runtime"
chmod 700 "$dest/runtime"
env -u LC_ALL -u LC_MESSAGES LANGUAGE=ko LANG=ko_KR.UTF-8 QT_QPA_PLATFORM=xcb \
    XDG_CONFIG_HOME="$dest/config" HOME="$dest/home" XDG_RUNTIME_DIR="$dest/runtime" \
    DBUS_SESSION_BUS_ADDRESS= \
    xvfb-run -a sh -c '
  "$1" --demo LV200 >"$2" 2>&1 & pid=$!
  i=0
  while [ $i -lt 300 ]; do
    if LC_ALL=C.UTF-8 xwininfo -root -tree 2>/dev/null | grep -qF "KESTOV-LV200과의 통신 설정"; then
      kill $pid; wait $pid 2>/dev/null; exit 0
    fi
    kill -0 $pid 2>/dev/null || { echo "the program ended"; cat "$2"; exit 1; }
    sleep 0.1; i=$((i + 1))
  done
  kill $pid; echo "no Korean port dialog"; cat "$2"; exit 1
' sh "$program" "$dest/run.log"
echo "ok   installed program starts in Korean"
