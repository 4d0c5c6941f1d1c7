#!/usr/bin/env bash
# The built ozv(1) page renders without a single groff warning, through man
# as well, and documents every command.
#   man_page_test.sh PAGE
set -euo pipefail
page=$1
[ -s "$page" ] || { echo "FAIL: no manual page at $page" >&2; exit 1; }

warnings=$(MANWIDTH=80 groff -ww -man -Tutf8 "$page" 2>&1 >/dev/null)
if [ -n "$warnings" ]; then
    echo "FAIL: groff -ww warns:" >&2
    echo "$warnings" >&2
    exit 1
fi

text=$(MANWIDTH=80 MANPAGER=cat PAGER=cat man -l "$page" 2>/tmp/ozv-man-err.$$) || { cat /tmp/ozv-man-err.$$ >&2; rm -f /tmp/ozv-man-err.$$; exit 1; }
err=$(cat /tmp/ozv-man-err.$$); rm -f /tmp/ozv-man-err.$$
[ -z "$err" ] || { echo "FAIL: man -l says: $err" >&2; exit 1; }

# Wide lines, joined with single spaces, so that no phrase is broken or hyphenated.
text=$(MANWIDTH=2000 MANPAGER=cat PAGER=cat man -l "$page" 2>/dev/null | col -b | tr -s ' \n' '  ')
for words in "ozv info" "ozv list" "ozv extract" "ozv test" "ozv create" "ozv algorithms" "ozv hash" \
             "EXIT STATUS" "OZV_PASSWORD" "--codepage" "--to-stdout" "--overwrite" "--json" \
             "no integrity check" "Unix permissions" "2639f4cb" "published Tiger" "Snefru"; do
    grep -qF -- "$words" <<<"$text" || { echo "FAIL: the page does not mention \"$words\"" >&2; exit 1; }
done
echo "1 passed, 0 failed"
