#!/usr/bin/env bash
# The bash completion, loaded as bash-completion loads it: subcommands,
# a subcommand's options, and ports by path.
#   completion_test.sh COMPLETION_FILE
set -euo pipefail
file=$1
main=/usr/share/bash-completion/bash_completion
[ -r "$main" ] || { echo "bash-completion is not installed"; exit 77; }
dir=$(mktemp -d /tmp/kestovctl-completion-XXXXXX)
trap 'rm -rf "$dir"' EXIT
touch "$dir/ttyFAKE0" "$dir/profile.json"

# complete LINE... : prints the candidates for the last word of the line.
complete_line() {
    bash --norc --noprofile -c '
        source "$1" && source "$2" || exit 1
        shift 2
        COMP_WORDS=("$@"); COMP_CWORD=$(($# - 1))
        COMP_LINE="$*"; COMP_POINT=${#COMP_LINE}
        _kestovctl kestovctl "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD-1]}"
        printf "%s\n" "${COMPREPLY[@]}"' _ "$main" "$file" "$@"
}

fail=0
expect() {  # expect WORD LINE...
    local want=$1; shift
    # Whole output first: grep -q leaving early would end the writer with
    # SIGPIPE, which pipefail reports as a failure.
    local got
    got=$(complete_line "$@")
    if grep -qxF -- "$want" <<<"$got"; then echo "ok   '$*' -> $want"
    else echo "MISSING '$*' -> $want (got: $(tr '\n' ' ' <<<"$got"))"; fail=1; fi
}
expect provision kestovctl ""
expect provision kestovctl --json pro
expect factory-reset kestovctl fac
expect --until-interrupted kestovctl scan /dev/ttyUSB0 --unt
expect --dry-run kestovctl apply --
expect "$dir/ttyFAKE0" kestovctl info "$dir/tty"
expect "$dir/profile.json" kestovctl provision "$dir/pro"
expect interval= kestovctl set "$dir/ttyFAKE0" inter
# The loader finds it under the command's name.
bash --norc --noprofile -c 'source "$1"; complete -p kestovctl' _ "$file" >/dev/null || { echo "not registered"; fail=1; }
exit "$fail"
