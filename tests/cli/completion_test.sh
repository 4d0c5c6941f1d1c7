#!/usr/bin/env bash
# The bash completion for ozv loads in a plain interactive bash and completes
# commands, options, hash and cipher names, .ozv containers and saved mail.
#   completion_test.sh COMPLETION_SCRIPT OZV
set -euo pipefail
script=$(realpath "$1")
ozv_dir=$(dirname "$(realpath "$2")")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/tree/folder"
touch "$work/tree/mail.ozv" "$work/tree/notes.txt" "$work/tree/saved.EML"

# Each check: the words of the command line (the last one being completed)
# and the expected COMPREPLY, space-separated and sorted.
cat >"$work/checks.sh" <<'CHECKS'
failures=0
expect() {
    local want=$1; shift
    COMP_WORDS=("$@"); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); COMPREPLY=()
    _ozv
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' ')
    got=${got% }
    if [ "$got" != "$want" ]; then
        echo "FAIL: ${*} completes to \"$got\", not \"$want\"" >&2
        failures=$((failures + 1))
    fi
}
[ "$(complete -p ozv)" = "complete -o filenames -F _ozv ozv" ] || { echo "FAIL: ozv has no completion" >&2; failures=1; }
expect "extract" ozv ex
expect "hash" ozv -p secret ha
expect "--to-stdout" ozv extract c.ozv --to
expect "--json" ozv info --j
expect "cbc cbcmac" ozv encrypt -m cb
expect "rmd128 rmd160 rmd256 rmd320" ozv hash -a rmd
expect "Blowfish" ozv encrypt -c Blow
expect "folder mail.ozv saved.EML" ozv list ""
expect "folder mail.ozv" ozv create ""
expect "folder mail.ozv notes.txt saved.EML" ozv create new.ozv -c Blowfish ""
expect "attachments" ozv att
expect "folder saved.EML" ozv attachments ""
expect "--save" ozv attachments saved.EML --sa
expect "folder" ozv attachments saved.EML --save ""
expect "--mail --mail=" ozv create new.ozv notes.txt --ma
expect "--subject" ozv create new.ozv notes.txt --mail --su
exit $failures
CHECKS
cd "$work/tree"
PATH="$ozv_dir:$PATH" bash --norc -i -c "source '$script' && source '$work/checks.sh'" 2>"$work/err" || {
    grep -v 'job control\|terminal process group' "$work/err" >&2 || true
    exit 1
}
echo "1 passed, 0 failed"
