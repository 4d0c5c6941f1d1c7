#!/usr/bin/env bash
# Runs one validator of the desktop's metadata; a validator that is not
# installed skips the test (status 77) instead of passing it.
#   validate.sh TOOL ARGUMENT...
set -uo pipefail
tool=$1
command -v "$tool" >/dev/null || { echo "SKIP: $tool is not installed (scripts/bootstrap installs it)"; exit 77; }
output=$("$@" 2>&1)
status=$?
echo "$output"
# desktop-file-validate answers 0 for the errors it calls "fatal in the future".
if [ $status -ne 0 ] || grep -q 'error:' <<<"$output"; then
    echo "FAIL: $* found errors" >&2
    exit 1
fi
echo "1 passed, 0 failed"
