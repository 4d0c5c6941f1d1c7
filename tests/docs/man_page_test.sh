#!/usr/bin/env bash
# A built manual page renders without a single groff warning, through man as
# well, and mentions every one of the given phrases.
#   man_page_test.sh PAGE PHRASE...
set -euo pipefail
page=$1
shift
[ -s "$page" ] || { echo "FAIL: no manual page at $page" >&2; exit 1; }

warnings=$(MANWIDTH=80 groff -ww -man -Tutf8 "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
    echo "FAIL: groff -ww warns:" >&2
    echo "$warnings" >&2
    exit 1
fi

err_file=$(mktemp)
trap 'rm -f "$err_file"' EXIT
MANWIDTH=80 MANPAGER=cat PAGER=cat man -l "$page" >/dev/null 2>"$err_file" || { cat "$err_file" >&2; exit 1; }
[ ! -s "$err_file" ] || { echo "FAIL: man -l says: $(cat "$err_file")" >&2; exit 1; }

# Wide lines, joined with single spaces, so that no phrase is broken or hyphenated.
text=$(MANWIDTH=2000 MANPAGER=cat PAGER=cat man -l "$page" 2>/dev/null | col -b | tr -s ' \n' '  ')
for words in "$@"; do
    grep -qF -- "$words" <<<"$text" || { echo "FAIL: the page does not mention \"$words\"" >&2; exit 1; }
done
echo "1 passed, 0 failed"
