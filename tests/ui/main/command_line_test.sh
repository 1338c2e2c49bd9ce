#!/usr/bin/env bash
# The installed program's command line: help, version and errors need no
# display, and without a display it says so instead of aborting.
#   command_line_test.sh PROGRAM VERSION
set -uo pipefail
program=$1 version=$2
fail=0
out=$(mktemp) err=$(mktemp)
trap 'rm -f "$out" "$err"' EXIT

# check NAME STATUS STDOUT-PATTERN STDERR-PATTERN -- ENV... -- ARGS...
check() {
    local name=$1 want=$2 outPattern=$3 errPattern=$4; shift 4
    env "$@" >"$out" 2>"$err" </dev/null
    local status=$?
    if [ "$status" -ne "$want" ]; then
        echo "WRONG $name: status $status, not $want; stderr: $(head -c 300 "$err")"; fail=1; return
    fi
    if [ -n "$outPattern" ] && ! grep -Eq -- "$outPattern" "$out"; then
        echo "WRONG $name: stdout lacks /$outPattern/: $(head -c 300 "$out")"; fail=1; return
    fi
    if [ -n "$errPattern" ] && ! grep -Eq -- "$errPattern" "$err"; then
        echo "WRONG $name: stderr lacks /$errPattern/: $(head -c 300 "$err")"; fail=1; return
    fi
    echo "ok   $name"
}
nodisplay=(-u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM LANG=C.UTF-8 LC_ALL=C.UTF-8 LANGUAGE=)
check "version" 0 "^kestov-lv200-manager $version\$" "" "${nodisplay[@]}" "$program" --version
check "help" 0 "--traffic-log FILE" "" "${nodisplay[@]}" "$program" --help
check "help names the program, not its path" 0 "^Usage: kestov-lv200-manager " "" "${nodisplay[@]}" "$program" -h
check "help in Korean" 0 "사용법: kestov-lv200-manager" "" -u DISPLAY -u WAYLAND_DISPLAY -u LC_ALL LANG=ko_KR.UTF-8 LANGUAGE=ko "$program" --help
check "unknown option" 2 "" "bogus" "${nodisplay[@]}" "$program" --bogus
check "stray argument" 2 "" "Unexpected argument: stray" "${nodisplay[@]}" "$program" stray
check "traffic log without a file" 2 "" "traffic-log" "${nodisplay[@]}" "$program" --traffic-log
# No core dump: an ordinary exit status with the reason.
check "no display" 1 "" "No display to show the window on" "${nodisplay[@]}" "$program"
check "no display, demo" 1 "" "No display" "${nodisplay[@]}" "$program" --demo LV230
# A display that is named but does not answer: the reason, not the toolkit's abort.
deaddisplay=(-u WAYLAND_DISPLAY -u QT_QPA_PLATFORM DISPLAY=:9876 LANG=C.UTF-8 LC_ALL=C.UTF-8 LANGUAGE=)
check "display that does not answer" 1 "" 'display ":9876" could not be used' "${deaddisplay[@]}" "$program"
if grep -q "$(dirname "$program")" "$out" 2>/dev/null; then echo "WRONG: the build path shows"; fail=1; fi
exit "$fail"
