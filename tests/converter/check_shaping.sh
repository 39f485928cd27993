#!/usr/bin/env bash
# The scripts that are shaped or written right to left, converted by
# scripts/convert under Wine: real translated text (gdk-pixbuf's messages in
# Arabic, Persian, Hebrew, Hindi, Bengali, Tamil, Thai and Khmer), a page
# of lines that each need one thing done right (drawing.txt) and words with
# the Thai and Lao AM (am-thai.txt, am-lao.txt). Checked:
#   - every shaped run has the glyphs hb-shape gives for its characters in
#     its font, each where hb-shape places it (Arabic joining forms, a
#     Devanagari conjunct and the short i before its consonant, Thai marks
#     over their letters, brackets mirrored in a right-to-left run);
#   - poppler, which honours /ActualText, reads the left-to-right shaped lines
#     in the order they are written;
#   - the glyphs of a Thai or Lao AM read as the AM, not as its two parts;
#   - a right-to-left paragraph ends at the right edge of the text;
#   - no line runs past the text's right edge, shaped runs included;
#   - each of the five engines finds at least as many words in our PDF as in
#     pango-view's of the same text, or the floor floors.txt sets where ours
#     is known to fall short.
# Usage: check_shaping.sh SOURCE_DIR BUILD_DIR WORK_DIR
set -uo pipefail
source_dir="$1" build="$2" work="$3"
here="$source_dir/tests/converter"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
export ARDENFOLD_PREBUILT="$build" LC_ALL=C.UTF-8

rm -rf "$work" && mkdir -p "$work/texts" "$work/ours" "$work/converter" "$work/pango" || exit 1
export ARDENFOLD_CONVERTER_FOLDER="Z:${work//\//\\}\\converter"
timeout 60 /usr/bin/python3 "$here/script_samples.py" "$work/texts" ||
    { echo "no translated texts: run scripts/setup (libgdk-pixbuf2.0-common)" >&2; exit 1; }
cp "$here/shaping/drawing.txt" "$here/shaping/am-thai.txt" "$here/shaping/am-lao.txt" "$work/texts/"

timeout 600 "$source_dir/scripts/convert" "$work/texts" "$work/ours/" >"$work/convert.log" 2>&1 ||
    { cat "$work/convert.log" >&2; fail "scripts/convert did not convert every text"; }
for text in "$work"/texts/*.txt; do
    name="$(basename "$text" .txt)"
    timeout 60 pango-view --no-display --font="DejaVu Sans 10" --output="$work/pango/$name.pdf" "$text" 2>/dev/null ||
        fail "pango-view: $name"
done

timeout 600 /usr/bin/python3 "$here/check_shaping.py" glyphs --font "$source_dir/third_party/dejavu/DejaVuSansMono.ttf" \
    "$work"/ours/*.pdf | tee "$work/glyphs.txt" || fail "shaped runs differ from hb-shape's"
# The drawing page's shaped runs: the Hebrew phrase, the Arabic paragraph,
# the Devanagari line and the Thai line's two, parted by a slash the Thai
# font lacks (the last three found by their /ActualText).
grep -qF "| drawing.pdf | 5 / 5 |" "$work/glyphs.txt" || fail "drawing: not five shaped runs"

# The drawing page: the Devanagari and Thai lines come back as written from
# their /ActualText (the short i is drawn before its consonant; the Thai
# words on either side of the slash follow it without a gap); the Arabic
# paragraph (line 2) ends at the right margin.
while IFS= read -r line; do
    timeout 60 pdftotext -layout -enc UTF-8 "$work/ours/drawing.pdf" - 2>/dev/null | grep -qF -- "$line" ||
        fail "drawing: \"$line\" does not come back"
done <<'LINES'
क्षमा कि ज्ञान
ที่นี่ น้ำ และ/หรือ
LINES
timeout 60 /usr/bin/python3 "$here/check_shaping.py" right-aligned "$work/ours/drawing.pdf" 2 ||
    fail "the right-to-left paragraph does not end at the right margin"

# Thai and Lao AM, shaped as two glyphs and drawn as one, read as the AM
# from the glyphs, every glyph's text counted: in the texts made to hold
# many (am-thai, am-lao), the drawing page's Thai line and the Thai messages.
timeout 600 /usr/bin/python3 "$here/check_shaping.py" am "$work"/ours/{am-thai,am-lao,drawing,th}.pdf ||
    fail "an AM's glyphs read as its two parts or with a character between them"

# Wrapped lines are no wider as drawn than the text frame, though a shaped
# run's glyphs take more room than its characters' cells (Tamil).
timeout 600 /usr/bin/python3 "$here/check_shaping.py" inside "$work"/ours/*.pdf ||
    fail "a line runs past the text's right edge"

triples=()
for text in "$work"/texts/*.txt; do
    name="$(basename "$text" .txt)"
    triples+=("$text" "$work/ours/$name.pdf" "$work/pango/$name.pdf")
done
timeout 900 /usr/bin/python3 "$source_dir/tests/engines/check_engines.py" against "$here/shaping/floors.txt" \
    "${triples[@]}" || fail "an engine finds fewer words in ours than in pango-view's PDF"

[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "shaped runs as hb-shape's, lines as written, words as found in pango-view's PDFs or above their floors"
