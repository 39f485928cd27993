#!/usr/bin/env bash
# Converts each sample document under Wine and checks the PDF with
# independent tools: qpdf for the structure, pdfinfo for the page count,
# pdftotext for the text.
# Usage: check_pdf.sh WINE_RUN BIN_DIR SAMPLES_DIR WORK_DIR [direct|commandline]
#   direct:      runs PDFCreator.exe's three steps itself (print job,
#                hand-over file, conversion), as CommandLine.exe drives them
#   commandline: the whole road, CommandLine.exe {"PDFCreator.exe" /PrintFile
#                "sample"} {output}, with both programs in BIN_DIR
set -uo pipefail

wine_run="$1"
bin="$2"
samples="$3"
work="$4"
mode="${5:-direct}"
converter="$bin/PDFCreator.exe"

failures=0
fail() {
    echo "FAIL: $*" >&2
    failures=$((failures + 1))
}

run_converter() {
    timeout 120 "$wine_run" "$converter" "$@" 2>&1
}

rm -rf "$work"
mkdir -p "$work"

temp_windows=$(timeout 120 "$wine_run" cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')
signal_file="$(winepath -u "$temp_windows" 2>/dev/null)/PDFCreator/CommandLine.txt"
local_windows=$(timeout 120 "$wine_run" cmd /c echo %LOCALAPPDATA% 2>/dev/null | tr -d '\r')
spool="$(winepath -u "$local_windows" 2>/dev/null)/Marrowgate/Ardenfold/Spool"
if [ -z "$temp_windows" ] || [ -z "$local_windows" ]; then
    echo "cannot ask Wine for its temporary and application-data folders" >&2
    exit 1
fi

# The direct road: the converter's three runs, and the hand-over file between.
convert_direct() {
    local sample="$1" output="$2"
    run_converter /ClearCache /NoStart || { fail "$sample: /ClearCache"; return 1; }
    run_converter /PrintFile "$(winepath -w "$samples/$sample")" || { fail "$sample: /PrintFile"; return 1; }
    mkdir -p "$(dirname "$signal_file")"
    printf '%s\r\n' "$(winepath -w "$output")" >"$signal_file"
    run_converter
    local code=$?
    rm -f "$signal_file"
    [ "$code" -eq 0 ] || { fail "$sample: conversion ended with $code"; return 1; }
}

# The whole road through CommandLine.exe. Wine would quote and escape each
# argument it is given; cmd passes a batch file's line on unchanged.
convert_commandline() {
    local sample="$1" output="$2" batch="$work/convert.bat"
    printf '@echo off\r\n"%s" {"%s" /PrintFile "%s"} {%s}\r\nexit /b %%ERRORLEVEL%%\r\n' \
        "$(winepath -w "$bin/CommandLine.exe")" "$(winepath -w "$converter")" \
        "$(winepath -w "$samples/$sample")" "$(winepath -w "$output")" >"$batch"
    timeout 300 "$wine_run" cmd /c "$(winepath -w "$batch")"
    local code=$?
    [ "$code" -eq 0 ] || { fail "$sample: CommandLine.exe ended with $code"; return 1; }
    [ ! -e "$signal_file" ] || fail "$sample: the signal file is left behind"
}

# convert SAMPLE: leaves $work/SAMPLE.pdf, or fails the sample.
convert() {
    local sample="$1" output="$work/${1%.txt}.pdf"
    "convert_$mode" "$sample" "$output" || return 1
    [ -s "$output" ] || { fail "$sample: no PDF"; return 1; }
    timeout 60 qpdf --check "$output" >"$work/qpdf.log" 2>&1 || { fail "$sample: qpdf --check"; cat "$work/qpdf.log" >&2; }
    grep -q "No syntax or stream encoding errors" "$work/qpdf.log" || fail "$sample: qpdf found errors"
}

# expect_pages SAMPLE COUNT
expect_pages() {
    local pages
    pages=$(timeout 60 pdfinfo "$work/${1%.txt}.pdf" 2>/dev/null | awk '/^Pages:/ {print $2}')
    [ "$pages" = "$2" ] || fail "$1: $pages pages, expected $2"
}

# expect_text SAMPLE TEXT [pdftotext options]: the text comes back, layout kept.
expect_text() {
    local sample="$1" text="$2"
    shift 2
    timeout 60 pdftotext -layout -enc UTF-8 "$@" "$work/${sample%.txt}.pdf" - 2>/dev/null | grep -qF -- "$text" ||
        fail "$sample: \"$text\" not in the extracted text"
}

for sample in several-pages.txt tabs.txt long-lines.txt form-feeds.txt non-ascii-utf8.txt \
    non-ascii-utf8-bom.txt non-ascii-ansi.txt empty.txt; do
    convert "$sample" || continue
    case "$sample" in
    several-pages.txt)
        expect_pages "$sample" 3
        expect_text "$sample" "Line 001 of the several-pages sample" -f 1 -l 1
        expect_text "$sample" "Line 060 of the several-pages sample" -f 1 -l 1
        expect_text "$sample" "Line 061 of the several-pages sample" -f 2 -l 2
        expect_text "$sample" "Line 150 of the several-pages sample" -f 3 -l 3
        ;;
    tabs.txt)
        expect_pages "$sample" 1
        expect_text "$sample" "Name    Value   Note"
        expect_text "$sample" "alpha   1       first"
        expect_text "$sample" "a-much-longer-name      22"
        expect_text "$sample" "second"
        expect_text "$sample" "        indented by one tab"
        ;;
    long-lines.txt)
        expect_pages "$sample" 1
        # 80 columns: the first line breaks inside word12.
        expect_text "$sample" "word01 word02 word03 word04 word05 word06 word07 word08 word09 word10 word11 wor"
        expect_text "$sample" "d12 word13"
        expect_text "$sample" "word30"
        expect_text "$sample" "short line after the long one"
        ;;
    form-feeds.txt)
        expect_pages "$sample" 3
        expect_text "$sample" "page one text" -f 1 -l 1
        expect_text "$sample" "page two text" -f 2 -l 2
        expect_text "$sample" "page three text" -f 3 -l 3
        ;;
    non-ascii-utf8.txt)
        expect_pages "$sample" 1
        expect_text "$sample" "Grüße aus Köln, café crème, 5 € — “quoted”"
        expect_text "$sample" "Outside the font: ????? ?? end"
        ;;
    non-ascii-utf8-bom.txt)
        expect_pages "$sample" 1
        expect_text "$sample" "Smørrebrød på Nørrebro"
        ;;
    non-ascii-ansi.txt)
        expect_pages "$sample" 1
        expect_text "$sample" "Français: déjà vu, naïve, Œuvre"
        ;;
    empty.txt)
        expect_pages "$sample" 1
        ;;
    esac
done

if [ "$mode" = commandline ]; then
    [ -z "$(ls -A "$spool" 2>/dev/null)" ] || fail "jobs are left in the spool: $(ls "$spool")"
fi

# A missing document is refused and takes no job: the conversion after it
# finds nothing to do and writes nothing.
run_converter /ClearCache /NoStart >/dev/null
run_converter /PrintFile "$(winepath -w "$samples/absent.txt")" >/dev/null
[ $? -eq 11 ] || fail "missing document: exit code is not 11"
printf '%s\r\n' "$(winepath -w "$work/absent.pdf")" >"$signal_file"
run_converter >/dev/null
[ $? -eq 12 ] || fail "no job: exit code is not 12"
rm -f "$signal_file"
[ ! -e "$work/absent.pdf" ] || fail "no job: a PDF was written"

if [ "$failures" -ne 0 ]; then
    echo "$failures check(s) failed" >&2
    exit 1
fi
echo "all samples converted and checked"
