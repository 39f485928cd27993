#!/usr/bin/env bash
# Converts each sample document under Wine and checks the PDF with
# independent tools: qpdf for the structure, pdfinfo for the page count,
# pdftotext for the text.
# Usage: check_pdf.sh WINE_RUN BIN_DIR SAMPLES_DIR WORK_DIR direct|commandline
#   direct: PDFCreator.exe's three runs, as CommandLine.exe drives them
#   commandline: CommandLine.exe {"PDFCreator.exe" /PrintFile "sample"} {output}
set -uo pipefail
wine_run="$1" bin="$2" samples="$3" work="$4" mode="$5"
converter="$bin/PDFCreator.exe"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
win() { winepath -w "$1" 2>/dev/null; }
run_converter() { timeout 120 "$wine_run" "$converter" "$@" 2>&1; }
# One of Wine's folders (TEMP, LOCALAPPDATA) as a Linux path.
wine_folder() {
    local folder
    folder=$(timeout 120 "$wine_run" cmd /c echo "%$1%" 2>/dev/null | tr -d '\r') && [ -n "$folder" ] &&
        winepath -u "$folder" 2>/dev/null
}

rm -rf "$work" && mkdir -p "$work" || exit 1
temp=$(wine_folder TEMP) && local_data=$(wine_folder LOCALAPPDATA) ||
    { echo "cannot ask Wine for its temporary and application-data folders" >&2; exit 1; }
signal_file="$temp/PDFCreator/CommandLine.txt"
spool="$local_data/Marrowgate/Ardenfold/Spool"

convert_direct() { # SAMPLE OUTPUT
    run_converter /ClearCache /NoStart && run_converter /PrintFile "$(win "$samples/$1")" ||
        { fail "$1: taking the job"; return 1; }
    mkdir -p "$(dirname "$signal_file")" && printf '%s\r\n' "$(win "$2")" >"$signal_file"
    run_converter
    local code=$?
    rm -f "$signal_file"
    [ "$code" -eq 0 ] || { fail "$1: conversion ended with $code"; return 1; }
}

# Wine would quote and escape each argument it is given; cmd passes a batch
# file's line on unchanged.
convert_commandline() { # SAMPLE OUTPUT
    printf '@echo off\r\n"%s" {"%s" /PrintFile "%s"} {%s}\r\nexit /b %%ERRORLEVEL%%\r\n' \
        "$(win "$bin/CommandLine.exe")" "$(win "$converter")" "$(win "$samples/$1")" "$(win "$2")" >"$work/convert.bat"
    timeout 300 "$wine_run" cmd /c "$(win "$work/convert.bat")"
    local code=$?
    [ "$code" -eq 0 ] || { fail "$1: CommandLine.exe ended with $code"; return 1; }
    [ ! -e "$signal_file" ] || fail "$1: the signal file is left behind"
}

for entry in several-pages:3 tabs:1 long-lines:1 form-feeds:3 non-ascii-utf8:1 non-ascii-utf8-bom:1 \
    non-ascii-ansi:1 empty:1; do
    sample="${entry%:*}" pages="${entry#*:}" output="$work/$sample.pdf"
    "convert_$mode" "$sample.txt" "$output" || continue
    [ -s "$output" ] || { fail "$sample: no PDF"; continue; }
    check=$(timeout 60 qpdf --check "$output" 2>&1) && grep -q "No syntax or stream encoding errors" <<<"$check" ||
        fail "$sample: qpdf --check: $check"
    found=$(timeout 60 pdfinfo "$output" 2>/dev/null | awk '/^Pages:/ {print $2}')
    [ "$found" = "$pages" ] || fail "$sample: $found pages, expected $pages"
done

# SAMPLE|PAGE|TEXT: the text comes back with its layout, on that page (empty: anywhere).
while IFS='|' read -r sample page text; do
    [ -s "$work/$sample.pdf" ] || continue # its conversion has failed already
    timeout 60 pdftotext -layout -enc UTF-8 ${page:+-f "$page" -l "$page"} "$work/$sample.pdf" - 2>/dev/null |
        grep -F -- "$text" >/dev/null || fail "$sample: \"$text\" not on page ${page:-any}"
done <<'EXPECTED'
several-pages|1|Line 001 of the several-pages sample
several-pages|1|Line 060 of the several-pages sample
several-pages|2|Line 061 of the several-pages sample
several-pages|3|Line 150 of the several-pages sample
tabs||Name    Value   Note
tabs||alpha   1       first
tabs||a-much-longer-name      22
tabs||second
tabs||        indented by one tab
long-lines||word01 word02 word03 word04 word05 word06 word07 word08 word09 word10 word11 wor
long-lines||d12 word13
long-lines||word30
long-lines||short line after the long one
form-feeds|1|page one text
form-feeds|2|page two text
form-feeds|3|page three text
non-ascii-utf8||Grüße aus Köln, café crème, 5 € — “quoted”
non-ascii-utf8||Outside the font: ????? ?? end
non-ascii-utf8-bom||Smørrebrød på Nørrebro
non-ascii-ansi||Français: déjà vu, naïve, Œuvre
EXPECTED

if [ "$mode" = commandline ] && [ -n "$(ls -A "$spool" 2>/dev/null)" ]; then
    fail "jobs are left in the spool: $(ls "$spool")"
fi
[ "$failures" -eq 0 ] || { echo "$failures check(s) failed" >&2; exit 1; }
echo "all samples converted and checked"
