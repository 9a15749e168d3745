#!/bin/sh
# Runs the file-writing commands of tarnview-cli over the fixture module and checks what lands on
# disk: the exact bytes of the string-table script, the headers of the bitmap, icon and cursor
# files, and that a failed save leaves an existing file alone.
set -eu
cli=$1
module=$2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
magic() { od -An -tx1 -N"$2" "$1" | tr -d ' \n'; }

"$cli" export-strings "$module" "$out/s.rc"
printf 'STRINGTABLE DISCARDABLE\r\nBEGIN\r\n\t0\t"Erste Zeile"\r\n\t2\t"Tab\\there"\r\nEND\r\n\r\n' >"$out/expected.rc"
cmp "$out/s.rc" "$out/expected.rc" || fail "string table script differs"

"$cli" save "$module" 2 1 "$out/b.bmp"
[ "$(magic "$out/b.bmp" 2)" = 424d ] || fail "bitmap file does not start with BM"
# 14 + 40 + 16 x 4 bytes of colour table + 2 rows of 4 bytes
[ "$(wc -c <"$out/b.bmp")" -eq 126 ] || fail "bitmap file size"

"$cli" save "$module" 14 100 "$out/g.ico"
[ "$(magic "$out/g.ico" 6)" = 000001000200 ] || fail "icon file header"
"$cli" save "$module" 12 200 "$out/c.cur"
[ "$(magic "$out/c.cur" 6)" = 000002000100 ] || fail "cursor file header"
if command -v icotool >/dev/null 2>&1; then
    icotool -l "$out/g.ico" | grep -q -- '--width=32 --height=32 --bit-depth=8' || fail "icotool on .ico"
    icotool -l "$out/c.cur" | grep -q -- '--hotspot-x=3 --hotspot-y=5' || fail "icotool on .cur"
fi

"$cli" save "$module" DATA BLOB "$out/blob.bin"
[ "$(magic "$out/blob.bin" 6)" = 616263000102 ] || fail "raw save"

echo keep >"$out/keep.bmp"
if "$cli" save "$module" 2 999 "$out/keep.bmp" 2>/dev/null; then fail "missing bitmap saved"; fi
[ "$(cat "$out/keep.bmp")" = keep ] || fail "failed save touched the existing file"
echo ok
