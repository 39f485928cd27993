#!/usr/bin/env bash
# The gs.exe the build places beside PDFCreator.exe (bin/Ghostscript), run
# under Wine as the converter runs it, on a PostScript file of two pages that
# Debian's enscript makes from a known text: it must end with 0 within its
# time, from a folder that holds no other file of it, and write a PDF in
# which pdftotext finds every word of the text on as many pages as the
# PostScript has, and which qpdf --check finds clean.
# Usage: check_ghostscript.sh GS_EXE BUILD_DIR WORK_DIR
set -uo pipefail
gs="$1" build="$2" work="$3"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
[ -f "$gs" ] || { echo "no $gs: the build did not place Ghostscript" >&2; exit 1; }

rm -rf "$work" && mkdir -p "$work/run" || exit 1
# Words of several lengths, numbers and punctuation, over two pages.
for line in $(seq 1 90); do
    echo "Line $line: printed jobs become searchable documents, page $(( (line - 1) / 60 + 1 )) (check $((line * 7919)))."
done >"$work/text.txt"
timeout 60 enscript --quiet --no-header --lines-per-page=60 -o "$work/job.ps" "$work/text.txt" || { echo "enscript failed" >&2; exit 1; }
pages="$(grep -c '^%%Page:' "$work/job.ps")"

windows() { echo "Z:${1//\//\\}"; }
# The program is copied alone into an empty folder, so that it can only
# use what is compiled into it.
cp "$gs" "$work/run/gs.exe" || exit 1
start=$SECONDS
(cd "$work/run" && timeout -k 10 120 "$build/wine-run" gs.exe -q -dBATCH -dNOPAUSE -dSAFER -sDEVICE=pdfwrite \
    "-sOutputFile=$(windows "$work/job.pdf")" "$(windows "$work/job.ps")") >"$work/gs.log" 2>&1
code=$?
echo "gs.exe ended with $code after $((SECONDS - start)) s"
[ "$code" -eq 0 ] || { cat "$work/gs.log" >&2; fail "gs.exe ended with $code"; }

if [ -f "$work/job.pdf" ]; then
    qpdf --check "$work/job.pdf" >"$work/qpdf.log" 2>&1 || { cat "$work/qpdf.log" >&2; fail "qpdf --check finds faults"; }
    grep -q '^No syntax or stream encoding errors found' "$work/qpdf.log" || fail "qpdf --check does not call the PDF clean"
    found="$(pdfinfo "$work/job.pdf" 2>/dev/null | sed -n 's/^Pages: *//p')"
    [ "$found" = "$pages" ] || fail "the PDF has ${found:-no} pages, the PostScript $pages"
    pdftotext -layout "$work/job.pdf" "$work/job.txt" || fail "pdftotext cannot read the PDF"
    missing=0
    for word in $(tr -s ' ' '\n' <"$work/text.txt" | sort -u); do
        grep -qF -- "$word" "$work/job.txt" || { missing=$((missing + 1)); echo "missing: $word" >&2; }
    done
    [ "$missing" -eq 0 ] || fail "$missing words of the text are not in the PDF"
else
    fail "gs.exe wrote no PDF"
fi
[ "$failures" -eq 0 ] && echo "gs.exe made a clean, searchable PDF of $pages pages"
exit "$((failures > 0))"
