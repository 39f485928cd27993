#!/usr/bin/env bash
# Converts each sample document under Wine and checks the PDF with
# independent tools: qpdf for the structure, pdfinfo for the page count,
# pdftotext for the text and its layout, and the five engines of the viewers
# people use for every word of the text and every pixel of an image.
# Usage: check_pdf.sh WINE_RUN BIN_DIR SAMPLES_DIR WORK_DIR direct|commandline
#   direct: PDFCreator.exe's three runs, as CommandLine.exe drives them
#   commandline: CommandLine.exe {"PDFCreator.exe" /PrintFile "sample"} {output}
set -uo pipefail
wine_run="$1" bin="$2" samples="$3" work="$4" mode="$5"
converter="$bin/PDFCreator.exe"
engines="$(cd "$(dirname "$0")/../engines" && pwd)"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
. "$(dirname "$0")/../../scripts/wine-paths"
win() { windows_path "$1"; }
run_converter() { timeout 120 "$wine_run" "$converter" "$@" 2>&1; }
# CommandLine.exe's steps with the signal file, taken by its own code.
exchange() { timeout 120 "$wine_run" "$bin/SignalExchangeTool.exe" "$@"; }

rm -rf "$work" && mkdir -p "$work" || exit 1
signal_file=$(exchange_path "$wine_run" "$bin" signal) && spool=$(exchange_path "$wine_run" "$bin" spool) ||
    { echo "cannot ask SignalExchangeTool.exe where the signal file lies" >&2; exit 1; }
# The converter's log, of this run alone (Wine hands the variable on).
mkdir -p "$work/converter" && export ARDENFOLD_CONVERTER_FOLDER="$(win "$work/converter")"

# Ends with the conversion run's exit code, or 99 when the job was not taken.
run_direct() { # SAMPLE OUTPUT
    # The print run's job is for the run whose empty marker is there.
    exchange marker && run_converter /ClearCache /NoStart && run_converter /PrintFile "$(win "$work/$1")" ||
        { exchange remove; return 99; }
    exchange hand-over "$(win "$2")" || { exchange remove; return 99; }
    run_converter
    local code=$?
    exchange remove
    return "$code"
}
convert_direct() { # SAMPLE OUTPUT
    run_direct "$1" "$2"
    local code=$?
    [ "$code" -ne 99 ] || { fail "$1: taking the job"; return 1; }
    [ "$code" -eq 0 ] || { fail "$1: conversion ended with $code"; return 1; }
}

# Wine would quote and escape each argument it is given; cmd passes a batch
# file's line on unchanged.
convert_commandline() { # SAMPLE OUTPUT
    printf '@echo off\r\n"%s" {"%s" /PrintFile "%s"} {%s}\r\nexit /b %%ERRORLEVEL%%\r\n' \
        "$(win "$bin/CommandLine.exe")" "$(win "$converter")" "$(win "$work/$1")" "$(win "$2")" >"$work/convert.bat"
    timeout 300 "$wine_run" cmd /c "$(win "$work/convert.bat")"
    local code=$?
    [ "$code" -eq 0 ] || { fail "$1: CommandLine.exe ended with $code"; return 1; }
    [ ! -e "$signal_file" ] || fail "$1: the signal file is left behind"
}

# Real documents this project did not write, copied in at run time: a
# licence, a changelog, and the editor tutor in Greek, Russian, Czech and
# Japanese (drawn with the installed CJK font), the Russian one also as
# UTF-16 in both byte orders (what Notepad saves as "Unicode"). Their text
# must come back whole.
tutor=/usr/share/vim/vim90/tutor
real_documents=(gpl-3:/usr/share/common-licenses/GPL-3 greek:$tutor/tutor.el.utf-8 russian:$tutor/tutor.ru.utf-8
    czech:$tutor/tutor.cs.utf-8 japanese:$tutor/tutor.ja.utf-8)
for entry in "${real_documents[@]}"; do
    cp "${entry#*:}" "$work/${entry%%:*}.txt" || fail "${entry#*:} is missing: run scripts/setup"
done
zcat /usr/share/doc/zlib1g/changelog.Debian.gz >"$work/changelog.txt" || fail "no changelog to convert"
{ printf '\xFF\xFE'; iconv -f UTF-8 -t UTF-16LE "$work/russian.txt"; } >"$work/russian-utf16le.txt"
{ printf '\xFE\xFF'; iconv -f UTF-8 -t UTF-16BE "$work/russian.txt"; } >"$work/russian-utf16be.txt"
cp "$samples"/*.txt "$work/"
# Short texts in the scripts people write in, one a script.
for text in "$engines"/samples/*.txt; do cp "$text" "$work/sample-$(basename "$text")"; done

# The document's characters, and the PDF's as pdftotext gives them back
# (with -layout, which neither joins hyphenated lines nor reorders blocks),
# without the white space that layout adds or takes (wrapping, tabs, line ends).
characters() { iconv -f "${2:-UTF-8}" -t UTF-8 "$1" | sed '1s/^\xEF\xBB\xBF//' | tr -d ' \t\r\n\f'; }
extracted() { timeout 60 pdftotext -layout -enc UTF-8 "$1" - 2>/dev/null | tr -d ' \t\r\n\f'; }

# SAMPLE:PAGES[:ENCODING to compare the whole text in]
for entry in several-pages:3 tabs:1 long-lines:1 form-feeds:3 non-ascii-utf8:1 non-ascii-utf8-bom:1 \
    non-ascii-ansi:1 other-scripts:1 gpl-3:11:UTF-8 changelog::UTF-8 greek::UTF-8 russian::UTF-8 czech::UTF-8 \
    japanese::UTF-8 \
    russian-utf16le::UTF-16 russian-utf16be::UTF-16 $(cd "$work" && ls sample-*.txt | sed 's/\.txt$//'); do
    IFS=: read -r sample pages encoding <<<"$entry"
    output="$work/$sample.pdf"
    "convert_$mode" "$sample.txt" "$output" || continue
    [ -s "$output" ] || { fail "$sample: no PDF"; continue; }
    check=$(timeout 60 qpdf --check "$output" 2>&1) && grep -q "No syntax or stream encoding errors" <<<"$check" &&
        ! grep -qi "warning" <<<"$check" || fail "$sample: qpdf --check: $check"
    fonts=$(timeout 60 pdffonts "$output" 2>&1 | tail -n +3)
    if [ -n "$fonts" ] && awk '$(NF-4) != "yes" { bad = 1 } END { exit !bad }' <<<"$fonts"; then
        fail "$sample: a font is not embedded: $fonts"
    fi
    found=$(timeout 60 pdfinfo "$output" 2>/dev/null | awk '/^Pages:/ {print $2}')
    [ -z "$pages" ] || [ "$found" = "$pages" ] || fail "$sample: $found pages, expected $pages"
    title=$(timeout 60 pdfinfo "$output" 2>/dev/null | sed -n 's/^Title: *//p')
    [ "$title" = "$sample.txt" ] || fail "$sample: title \"$title\""
    if [ -n "$encoding" ] && [ "$(characters "$work/$sample.txt" "$encoding")" != "$(extracted "$output")" ]; then
        fail "$sample: the text that comes back differs from the document's"
        cmp <(characters "$work/$sample.txt" "$encoding") <(extracted "$output") >&2
    fi
done

# An empty document is refused (the converter's 17, CommandLine.exe's 6),
# never made one blank page.
rm -f "$work/empty.pdf"
if [ "$mode" = direct ]; then
    # The print run refuses it and releases the marker.
    exchange marker && run_converter /ClearCache /NoStart
    run_converter /PrintFile "$(win "$work/empty.txt")"
    code=$? expected=17
    [ ! -e "$signal_file" ] || fail "empty: the marker was not released"
    exchange remove
else
    printf '@echo off\r\n"%s" {"%s" /PrintFile "%s"} {%s}\r\nexit /b %%ERRORLEVEL%%\r\n' \
        "$(win "$bin/CommandLine.exe")" "$(win "$converter")" "$(win "$work/empty.txt")" "$(win "$work/empty.pdf")" \
        >"$work/convert.bat"
    timeout 300 "$wine_run" cmd /c "$(win "$work/convert.bat")"
    code=$? expected=6
fi
[ "$code" -eq "$expected" ] && [ ! -e "$work/empty.pdf" ] ||
    fail "empty: ended with $code, expected $expected and no PDF"

# Every word of these documents, read by all five engines.
read_whole=()
for sample in several-pages tabs long-lines form-feeds non-ascii-utf8 non-ascii-utf8-bom non-ascii-ansi other-scripts \
    gpl-3 changelog greek russian czech japanese russian-utf16le russian-utf16be $(cd "$work" && ls sample-*.txt | sed 's/\.txt$//'); do
    [ -s "$work/$sample.pdf" ] && read_whole+=("$work/$sample.txt" "$work/$sample.pdf")
done
timeout 600 /usr/bin/python3 "$engines/check_engines.py" text "${read_whole[@]}" || fail "the engines do not read every word"

# A script the embedded font lacks is drawn with an installed font (Wine
# offers the host's DejaVu Sans), embedded beside it.
if [ -s "$work/other-scripts.pdf" ] &&
    [ "$(timeout 60 pdffonts "$work/other-scripts.pdf" 2>/dev/null | tail -n +3 | wc -l)" != 2 ]; then
    fail "other-scripts: not drawn with a second, installed font"
fi

# Images and PDFs: a JPEG that poppler renders from the licence's PDF, which
# must be embedded byte for byte; Debian's logo, a PNG with transparency,
# which must keep it as a soft mask; a PDF, which is passed on unchanged.
timeout 60 pdftoppm -jpeg -r 100 -f 1 -l 1 -singlefile "$work/gpl-3.pdf" "$work/photo" ||
    fail "pdftoppm could not render a JPEG"
cp /usr/share/pixmaps/debian-logo.png "$work/logo.png" || fail "no Debian logo to convert"
cp "$work/gpl-3.pdf" "$work/document.pdf"
# TIFF, GIF and BMP: a two-page Group 4 fax in strips of 16 rows (tiffcp's
# way), which must give a page per image, its data CCITT; a GIF with a
# transparent background, kept as a soft mask; a BMP. The pixels that poppler
# extracts must be the file's.
timeout 60 convert -size 300x200 xc:white -fill black -draw "circle 150,100 150,20" -alpha off -type bilevel -depth 1 "$work/page1.tif" &&
    timeout 60 convert -size 300x200 xc:white -fill black -draw "rectangle 30,30 200,150" -alpha off -type bilevel -depth 1 "$work/page2.tif" &&
    timeout 60 tiffcp -c g4 -r 16 "$work/page1.tif" "$work/page2.tif" "$work/fax.tif" &&
    timeout 60 convert -size 64x48 xc:none -fill red -draw "circle 32,24 32,4" "$work/image.gif" &&
    timeout 60 convert -size 64x48 gradient:yellow-navy BMP3:"$work/image.bmp" || fail "could not make TIFF, GIF and BMP samples"
image_pages=()
for sample in photo.jpg logo.png document.pdf fax.tif image.gif image.bmp; do
    output="$work/$sample.pdf"
    "convert_$mode" "$sample" "$output" || continue
    check=$(timeout 60 qpdf --check "$output" 2>&1) && grep -q "No syntax or stream encoding errors" <<<"$check" &&
        ! grep -qi "warning" <<<"$check" || fail "$sample: qpdf --check: $check"
    case "$sample" in
    *.jpg)
        rm -f "$work"/extracted-*
        timeout 60 pdfimages -all "$output" "$work/extracted" && cmp -s "$work/extracted-000.jpg" "$work/$sample" ||
            fail "$sample: the embedded JPEG is not the file's bytes"
        ;;
    *.png | *.gif)
        timeout 60 pdfimages -list "$output" 2>/dev/null | grep -q " smask " || fail "$sample: no soft mask"
        ;;
    *.tif)
        [ "$(timeout 60 pdfimages -list "$output" 2>/dev/null | grep -c " ccitt ")" = 2 ] || fail "$sample: not two CCITT images"
        rm -f "$work"/extracted-*
        timeout 60 pdfimages -png "$output" "$work/extracted" || fail "$sample: pdfimages failed"
        for page in 1 2; do
            [ "$(compare -metric AE "$work/extracted-00$((page - 1)).png" "$work/page$page.tif" null: 2>&1)" = 0 ] ||
                fail "$sample: page $page's pixels differ from the file's"
        done
        [ "$(timeout 60 pdfinfo "$output" 2>/dev/null | awk '/^Pages:/ {print $2}')" = 2 ] || fail "$sample: not two pages"
        continue
        ;;
    *.bmp)
        rm -f "$work"/extracted-*
        timeout 60 pdfimages -png "$output" "$work/extracted" &&
            [ "$(compare -metric AE "$work/extracted-000.png" "$work/$sample" null: 2>&1)" = 0 ] ||
            fail "$sample: the pixels differ from the file's"
        ;;
    *.pdf)
        cmp -s "$output" "$work/$sample" || fail "$sample: the PDF is not passed on unchanged"
        continue
        ;;
    esac
    [ "$(timeout 60 pdfinfo "$output" 2>/dev/null | awk '/^Pages:/ {print $2}')" = 1 ] || fail "$sample: not one page"
    image_pages+=("$output" "$work/$sample")
done
timeout 600 /usr/bin/python3 "$engines/check_engines.py" images "${image_pages[@]}" ||
    fail "the engines do not render the images' pixels"

# Every PDF the converter writes itself is archival (text in every script,
# and every kind of image), as the independent validator finds it: the
# samples above, and JPEGs with and without a profile, PNGs of a palette and
# of 16 bits, an LZW TIFF. A CMYK JPEG without a profile has colours the
# sRGB output intent does not describe: it must claim no conformance.
# SAMPLE|CLAIM: part-2 (Preflight, with what only the first part forbids set
# aside) or none (no identification in the metadata)
if [ "$mode" = direct ]; then
    profiles=/usr/share/color/icc/ghostscript
    timeout 60 convert -size 64x48 gradient:red-blue -colorspace CMYK "$work/cmyk.jpg" &&
        timeout 60 convert -size 64x48 gradient:red-blue -colorspace CMYK -profile "$profiles/default_cmyk.icc" "$work/cmyk-icc.jpg" &&
        timeout 60 convert -size 64x48 gradient:red-blue -profile "$profiles/default_rgb.icc" "$work/rgb-icc.jpg" &&
        timeout 60 convert -size 64x48 gradient:yellow-navy -colors 16 PNG8:"$work/palette.png" &&
        timeout 60 convert -size 64x48 gradient:yellow-navy -depth 16 PNG48:"$work/deep.png" &&
        timeout 60 convert -size 64x48 gradient:yellow-navy -compress LZW "$work/lzw.tif" ||
        fail "could not make the archival samples"
    archival=()
    while IFS='|' read -r sample claim; do
        output="$work/${sample%.txt}.pdf" # a text's PDF is named without .txt above, an image's with its extension
        [ -s "$output" ] || "convert_$mode" "$sample" "$output" || continue
        case "$claim" in
        part-2) archival+=("$output") ;;
        none) ! grep -aq pdfaid "$output" || fail "$sample: claims a conformance it lacks" ;;
        esac
    done < <(cd "$work" && ls sample-*.txt | sed 's/$/|part-2/'; cat <<'ARCHIVAL'
gpl-3.txt|part-2
japanese.txt|part-2
other-scripts.txt|part-2
non-ascii-utf8.txt|part-2
photo.jpg|part-2
rgb-icc.jpg|part-2
cmyk-icc.jpg|part-2
cmyk.jpg|none
logo.png|part-2
palette.png|part-2
deep.png|part-2
fax.tif|part-2
lzw.tif|part-2
image.gif|part-2
image.bmp|part-2
ARCHIVAL
)
    timeout 600 "$(dirname "$0")/../../scripts/pdfa-check" --archive-part-2 "${archival[@]}" >&2 ||
        fail "the validator finds errors in the archival PDFs"
fi

# A PDF is passed on only once its trailer, cross-reference and pages have
# been read: unchanged when intact, repaired (and said so in the log) when
# viewers can be given a sound file, refused when no page can be read. The
# cases are made at run time from a real PDF with a classic cross-reference
# table (22 pages): cut at half (its trailer and page tree are lost); cut
# before its startxref; its startxref 100 bytes off; an incremental update;
# encrypted without and with a user password; written again with object and
# cross-reference streams; and a PDF of no page.
real_pdf=/usr/share/doc/libimage-exiftool-perl/html/MIE1.1-20070121.pdf
make_pdf_cases() {
    local size
    size=$(stat -c %s "$real_pdf") && cp "$real_pdf" "$work/real.pdf" &&
        head -c $((size / 2)) "$real_pdf" >"$work/cut-half.pdf" &&
        qpdf --encrypt "" owner 256 -- "$real_pdf" "$work/encrypted.pdf" &&
        qpdf --encrypt user owner 256 -- "$real_pdf" "$work/locked.pdf" &&
        qpdf --object-streams=generate "$real_pdf" "$work/xref-stream.pdf" &&
        qpdf --empty "$work/no-page.pdf" &&
        python3 - "$real_pdf" "$work" <<'PYTHON'
import re, sys
real, work = sys.argv[1], sys.argv[2]
data = open(real, "rb").read()
tail = data.rindex(b"startxref")
start = int(re.match(rb"startxref\s+(\d+)", data[tail:]).group(1))
open(work + "/cut-startxref.pdf", "wb").write(data[:tail])
open(work + "/wrong-startxref.pdf", "wb").write(data[:tail] + b"startxref\n%d\n%%%%EOF\n" % (start - 100))
# The update gives the document a new information dictionary.
trailer = data[data.rindex(b"trailer"):]
size = int(re.search(rb"/Size (\d+)", trailer).group(1))
root = re.search(rb"/Root (\d+ \d+ R)", trailer).group(1)
body = data if data.endswith(b"\n") else data + b"\n"
update = b"%d 0 obj\n<< /Title (Updated) >>\nendobj\n" % size
xref = len(body) + len(update)
update += b"xref\n%d 1\n%010d 00000 n \ntrailer\n<< /Size %d /Root %s /Info %d 0 R /Prev %d >>\nstartxref\n%d\n%%%%EOF\n" % (
    size, len(body), size + 1, root, size, start, xref)
open(work + "/updated.pdf", "wb").write(body + update)
PYTHON
}
log="$work/converter/Converter.log"
real_pages=$(timeout 60 pdfinfo "$real_pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')
make_pdf_cases || fail "could not make the PDF cases from $real_pdf"
# What poppler and MuPDF read from a PDF, to compare a repaired one with the intact one.
engine_text() { timeout 60 pdftotext -enc UTF-8 "$1" - 2>/dev/null; timeout 60 mutool draw -q -F txt -o - "$1" 2>/dev/null; }
# SAMPLE|OUTCOME: unchanged, repaired or refused (with the reason in the log)
while IFS='|' read -r sample outcome reason; do
    [ "$mode" = direct ] && [ -s "$work/$sample.pdf" ] || break
    output="$work/checked-$sample.pdf"
    run_direct "$sample.pdf" "$output"
    code=$?
    [ "$code" -ne 99 ] || { fail "$sample.pdf: taking the job"; continue; }
    line=$(grep -F "document=\"$(win "$work/$sample.pdf")\"" "$log" 2>/dev/null | tail -1)
    case "$outcome" in
    unchanged)
        [ "$code" -eq 0 ] && cmp -s "$output" "$work/$sample.pdf" ||
            fail "$sample.pdf: not passed on unchanged (exit $code): $line"
        ;;
    repaired)
        [ "$code" -eq 0 ] && [ -s "$output" ] || { fail "$sample.pdf: ended with $code: $line"; continue; }
        grep -q "damaged and repaired" <<<"$line" || fail "$sample.pdf: the log does not say it was repaired: $line"
        check=$(timeout 60 qpdf --check "$output" 2>&1) && ! grep -qi "warning" <<<"$check" ||
            fail "$sample.pdf: the repaired PDF is not sound: $check"
        [ "$(timeout 60 pdfinfo "$output" 2>&1 | awk '/^Pages:/ {print $2}')" = "$real_pages" ] &&
            [ "$(timeout 60 mutool info "$output" 2>&1 | awk '/^Pages:/ {print $2}')" = "$real_pages" ] ||
            fail "$sample.pdf: poppler or MuPDF does not find the $real_pages pages"
        [ "$(engine_text "$output")" = "$(engine_text "$real_pdf")" ] ||
            fail "$sample.pdf: poppler or MuPDF reads another text than the intact PDF's"
        ;;
    refused)
        [ "$code" -eq 17 ] && [ ! -e "$output" ] || fail "$sample.pdf: ended with $code, expected 17 and no PDF"
        grep -q " refused .*$reason" <<<"$line" || fail "$sample.pdf: no refusal \"$reason\" in the log: $line"
        ;;
    esac
done <<'PDFS'
real|unchanged
cut-half|refused|trailer
cut-startxref|repaired
wrong-startxref|repaired
updated|unchanged
encrypted|unchanged
locked|unchanged
xref-stream|unchanged
no-page|refused|no page
PDFS

# The paper follows the user's locale: Letter where it prints on Letter (1),
# A4 elsewhere (9: A4; 8: A3). The user's setting is put back afterwards.
if [ "$mode" = direct ]; then
    international='HKCU\Control Panel\International'
    saved=$(timeout 60 "$wine_run" reg query "$international" /v iPaperSize 2>/dev/null | tr -d '\r' |
        awk '$1 == "iPaperSize" {print $3}')
    for entry in '1|612 x 792' '9|595.28 x 841.89' '8|595.28 x 841.89'; do
        IFS='|' read -r paper size <<<"$entry"
        timeout 60 "$wine_run" reg add "$international" /v iPaperSize /t REG_SZ /d "$paper" /f >/dev/null 2>&1
        convert_direct tabs.txt "$work/paper-$paper.pdf" &&
            timeout 60 pdfinfo "$work/paper-$paper.pdf" | grep -q "^Page size: *$size pts" ||
            fail "paper size $paper: not $size"
    done
    timeout 60 "$wine_run" reg add "$international" /v iPaperSize /t REG_SZ /d "${saved:-1}" /f >/dev/null 2>&1
fi

# SAMPLE|PAGE|TEXT: the text comes back with its layout, on that page (empty: anywhere).
while IFS='|' read -r sample page text; do
    [ -s "$work/$sample.pdf" ] || continue # its conversion has failed already
    timeout 60 pdftotext -layout -enc UTF-8 ${page:+-f "$page" -l "$page"} "$work/$sample.pdf" - 2>/dev/null |
        grep -F -- "$text" >/dev/null || fail "$sample: \"$text\" not on page ${page:-any}"
done <<'EXPECTED'
several-pages|1|Line 001 of the several-pages sample
several-pages|1|Line 066 of the several-pages sample
several-pages|2|Line 067 of the several-pages sample
several-pages|3|Line 150 of the several-pages sample
tabs||Name    Value   Note
tabs||alpha   1       first
tabs||a-much-longer-name      22
tabs||second
tabs||        indented by one tab
long-lines||word01 word02 word03 word04 word05 word06 word07 word08 word09 word10 word11
long-lines||word12 word13
long-lines||word30
long-lines||short line after the long one
form-feeds|1|page one text
form-feeds|2|page two text
form-feeds|3|page three text
non-ascii-utf8||Grüße aus Köln, café crème, 5 € — “quoted”
non-ascii-utf8||Outside the font: Ωμέγα 中文 end
japanese||Vim は、このチュートリアルで説明するには多すぎる程のコマンドを備えた非常
non-ascii-utf8-bom||Smørrebrød på Nørrebro
non-ascii-ansi||Français: déjà vu, naïve, Œuvre
EXPECTED

# DOCUMENT|REASON[|STANDARD]: documents that are not converted (with
# ARDENFOLD_PDF_STANDARD set to STANDARD: an unknown value, or one that
# cannot be met, as by a PDF, which is passed on as it comes). CommandLine.exe must end with 6 within seconds (not after
# its five-minute wait for the job), with no PDF, and the converter's log
# must say why.
cp /bin/ls "$work/program.exe"
while IFS='|' read -r document outcome standard; do
    [ "$mode" = commandline ] || break
    output="$work/refused-$document.pdf"
    start=$SECONDS
    printf '@echo off\r\n"%s" {"%s" /PrintFile "%s"} {%s}\r\nexit /b %%ERRORLEVEL%%\r\n' \
        "$(win "$bin/CommandLine.exe")" "$(win "$converter")" "$(win "$work")\\$document" "$(win "$output")" \
        >"$work/convert.bat"
    if [ -n "$standard" ]; then
        ARDENFOLD_PDF_STANDARD="$standard" timeout 300 "$wine_run" cmd /c "$(win "$work/convert.bat")"
    else
        timeout 300 "$wine_run" cmd /c "$(win "$work/convert.bat")"
    fi
    code=$?
    [ "$code" -eq 6 ] || fail "$document: CommandLine.exe ended with $code, expected 6"
    [ $((SECONDS - start)) -lt 60 ] || fail "$document: took $((SECONDS - start)) s"
    [ ! -e "$output" ] || fail "$document: a PDF was written"
    grep -F "document=\"$(win "$work")\\$document\"" "$log" 2>/dev/null | tail -1 | grep -q " $outcome " ||
        fail "$document: no \"$outcome\" line in the log $log"
done <<'REFUSED'
does-not-exist.txt|unreadable
program.exe|refused
cut-half.pdf|refused
tabs.txt|failed|PDF/A-3x
tabs.txt|failed|PDF/A-1b
real.pdf|refused|PDF/A-2u
REFUSED

if [ "$mode" = commandline ] && [ -n "$(ls -A "$spool" 2>/dev/null)" ]; then
    fail "jobs are left in the spool: $(ls "$spool")"
fi
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all samples converted and checked"
