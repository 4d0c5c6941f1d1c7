#!/usr/bin/env bash
# Installs a build tree into a staging directory, as a package build does, and
# checks what lands there: the programs, the icon at every theme size, the
# desktop entry, MIME type, metainfo, man pages and completion, all below the
# prefix, and no MIME cache (dpkg's trigger builds the real one).
#   install_test.sh BUILD_DIR
set -euo pipefail
build=$1
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
DESTDIR=$stage cmake --install "$build" --prefix /usr >"$stage.log" 2>&1 || { cat "$stage.log" >&2; rm -f "$stage.log"; exit 1; }
rm -f "$stage.log"

failures=0
expect() {  # expect PATH: a non-empty file below the staging directory
    [ -s "$stage/$1" ] || { echo "FAIL: $1 is not installed" >&2; failures=$((failures + 1)); }
}
expect usr/bin/quellmark
expect usr/bin/ozv
for size in 16 24 32 48 64 128 256; do
    png=usr/share/icons/hicolor/${size}x${size}/apps/quellmark.png
    expect "$png"
    if [ -s "$stage/$png" ]; then
        # The PNG header's width and height, big-endian at bytes 16 and 20.
        read -r width height < <(od -An -tu1 -j16 -N8 "$stage/$png" |
            awk '{ print $1*16777216 + $2*65536 + $3*256 + $4, $5*16777216 + $6*65536 + $7*256 + $8 }')
        [ "$width $height" = "$size $size" ] || { echo "FAIL: $png is ${width}x$height" >&2; failures=$((failures + 1)); }
    fi
done
expect usr/share/icons/hicolor/scalable/apps/quellmark.svg
expect usr/share/applications/quellmark.desktop
expect usr/share/mime/packages/quellmark-ozv.xml
expect usr/share/metainfo/org.example.quellmark.Quellmark.metainfo.xml
expect usr/share/bash-completion/completions/ozv
if command -v scdoc >/dev/null; then
    for page in ozv quellmark; do
        expect "usr/share/man/man1/$page.1.gz"
        gzip -t "$stage/usr/share/man/man1/$page.1.gz" 2>/dev/null || { echo "FAIL: $page.1.gz is not gzip" >&2; failures=$((failures + 1)); }
    done
fi

stray=$(cd "$stage" && find . -type f ! -path './usr/*' | sort)
[ -z "$stray" ] || { echo "FAIL: installed outside the prefix:" >&2; echo "$stray" >&2; failures=$((failures + 1)); }
cache=$(cd "$stage" && find ./usr/share/mime -type f ! -path './usr/share/mime/packages/*' | sort)
[ -z "$cache" ] || { echo "FAIL: a MIME cache in the staging directory:" >&2; echo "$cache" >&2; failures=$((failures + 1)); }

# Quellmark offers itself for messages and winmail.dat files, but the user's
# own choice of program for them must stay: nothing may set a default.
defaults=$(cd "$stage" && find . -name 'mimeapps.list' -o -name '*-mimeapps.list' | sort)
[ -z "$defaults" ] || { echo "FAIL: a list of default applications is installed:" >&2; echo "$defaults" >&2; failures=$((failures + 1)); }
desktop=$stage/usr/share/applications/quellmark.desktop
for type in application/x-ozv-container message/rfc822 application/ms-tnef; do
    grep -q "^MimeType=.*$type;" "$desktop" || { echo "FAIL: the desktop entry does not open $type" >&2; failures=$((failures + 1)); }
done
grep -q '^Exec=quellmark --send %F$' "$desktop" || { echo "FAIL: the desktop entry has no send action" >&2; failures=$((failures + 1)); }

[ $failures -eq 0 ] || exit 1
echo "1 passed, 0 failed"
