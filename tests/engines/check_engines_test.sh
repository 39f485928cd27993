#!/usr/bin/env bash
# The five-engine check against PDFs whose answer is known: pango-view's
# PDFs of the samples pass; the same text with its words split, with
# characters lost, or in a file MuPDF has to repair fails; an image page
# passes against its own pixels and fails against a pixel changed.
# Usage: check_engines_test.sh WORK_DIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
work="$1"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
check() { timeout 600 /usr/bin/python3 "$here/check_engines.py" "$@"; }
pango() { timeout 60 pango-view --no-display --font="DejaVu Sans 10" --output="$2" "$1" 2>/dev/null || fail "pango-view: $1"; }

rm -rf "$work" && mkdir -p "$work" || exit 1
for sample in cyrillic japanese; do
    pango "$here/samples/$sample.txt" "$work/$sample.pdf"
done
check text "$here/samples/cyrillic.txt" "$work/cyrillic.pdf" "$here/samples/japanese.txt" "$work/japanese.pdf" ||
    fail "pango-view's PDFs do not pass"

# EXPECTED EXIT|SOURCE|HOW ITS PDF IS MADE FROM THE SOURCE
while IFS='|' read -r expected sample edit; do
    sed "$edit" "$here/samples/$sample.txt" >"$work/edited.txt"
    pango "$work/edited.txt" "$work/edited.pdf"
    check text "$here/samples/$sample.txt" "$work/edited.pdf" >/dev/null 2>&1
    code=$?
    [ "$code" -eq "$expected" ] || fail "$sample with \"$edit\": exit $code, expected $expected"
done <<'CASES'
1|japanese|s/\(.\)/\1 /g
1|japanese|s/を//
1|cyrillic|s/ы/ь/
1|cyrillic|s/^Дети играли/Детииграли/
CASES

# A file whose cross-reference offset is wrong: every engine still reads it,
# MuPDF only after warning that it repairs it.
sed 's/^startxref$/startxref\n1/' "$work/cyrillic.pdf" | sed '/^startxref$/{n;n;d}' >"$work/repaired.pdf"
check text "$here/samples/cyrillic.txt" "$work/repaired.pdf" >/dev/null 2>&1
[ $? -eq 1 ] || fail "MuPDF's warnings about a broken file do not fail the check"

/usr/bin/python3 - "$work" <<'PYTHON' || fail "no image samples"
import sys
from PIL import Image
work = sys.argv[1]
image = Image.new("P", (37, 23))
image.putpalette([0, 0, 0, 255, 0, 0, 0, 160, 0, 30, 60, 250, 255, 255, 255] + [0] * 753)
image.putdata([(x * 7 + y * 3) % 5 for y in range(23) for x in range(37)])
image.save(f"{work}/image.png")
image.save(f"{work}/image.pdf", resolution=36)
image.putpixel((20, 11), (image.getpixel((20, 11)) + 1) % 5)
image.save(f"{work}/changed.png")
PYTHON
check images "$work/image.pdf" "$work/image.png" || fail "an image page does not match its own pixels"
check images "$work/image.pdf" "$work/changed.png" >/dev/null 2>&1
[ $? -eq 1 ] || fail "an image page matches an image with one pixel changed"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "the check passes good PDFs and fails the broken ones"
