#!/usr/bin/env bash
# scripts/convert as a user runs it, against the built programs: paths that
# the code page cannot carry (Greek, Cyrillic, a brace) are staged under plain
# names and converted; legacy text is read in the code page that
# ARDENFOLD_CODEPAGE picks, and the log names it; a batch with a clash of
# names and a refused document; a box is shown on the terminal and answered;
# an output that is the document itself is refused, by the script before it
# runs and by the converter when CommandLine.exe is called directly; an
# empty document is refused; an output not named .pdf is warned about;
# --help is answered on standard output; an output folder that does not
# exist is refused, in both forms.
# Usage: check_convert.sh SOURCE_DIR BUILD_DIR WORK_DIR
set -uo pipefail
source_dir="$1" build="$2" work="$3"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
export ARDENFOLD_PREBUILT="$build" LC_ALL=C.UTF-8
convert="$source_dir/scripts/convert"
. "$source_dir/scripts/wine-paths"
win() { windows_path "$1"; }
# The last line scripts/convert prints for a single document names
# CommandLine.exe's exit code in the words of the header that defines it.
said_code() { # CODE OUTPUT
    local meaning
    meaning="$(grep -E "= $1, *//" "$source_dir/src/driver/CommandLineExitCodes.h" | sed 's|.*// *||')"
    [ -n "$meaning" ] && grep -qxF "CommandLine.exe exit code $1: $meaning" <<<"$2" ||
        fail "exit code $1 is not explained as the header does: $(tail -n 1 <<<"$2")"
}

rm -rf "$work" && mkdir -p "$work/docs" "$work/converter" || exit 1
# The converter's spool and log of this check alone, on Wine's Z: drive.
export ARDENFOLD_CONVERTER_FOLDER="Z:${work//\//\\}\\converter"
log="$work/converter/Converter.log"
printf 'first document\r\n' >"$work/docs/a.txt"
printf 'second document\r\n' >"$work/docs/b{2}.txt"
printf 'third document\r\n' >"$work/docs/Ωmega.txt"
# "Привет" in code page 1251.
printf '\xcf\xf0\xe8\xe2\xe5\xf2\r\n' >"$work/cyrillic.txt"

# --help and -h answer with the usage on standard output and 0; a wrong
# command line gets it on standard error and 64.
for option in --help -h; do
    output="$(timeout 30 "$convert" "$option" 2>"$work/stderr")"
    code=$?
    [ "$code" -eq 0 ] && grep -q '^usage: scripts/convert \[--standard STANDARD\] DOCUMENT OUTPUT.pdf' <<<"$output" && [ ! -s "$work/stderr" ] ||
        fail "$option ended with $code, usage on stdout: \"$output\", stderr: $(cat "$work/stderr")"
done
output="$(timeout 30 "$convert" "$work/docs/a.txt" 2>"$work/stderr")"
code=$?
[ "$code" -eq 64 ] && [ -z "$output" ] && grep -q '^usage: ' "$work/stderr" ||
    fail "one argument ended with $code, stdout \"$output\", stderr: $(cat "$work/stderr")"

# An output folder that does not exist is refused by both forms (73), and
# neither makes it.
for output in "$work/missing/a.pdf" "$work/missing/"; do
    message="$(timeout 30 "$convert" "$work/docs/a.txt" "$output" 2>&1)"
    code=$?
    [ "$code" -eq 73 ] && grep -q 'does not exist (make it first: mkdir -p' <<<"$message" ||
        fail "an output in a missing folder ($output) ended with $code: $message"
    [ ! -e "$work/missing" ] || fail "the missing folder was made for $output"
done

output="$(timeout 120 "$convert" "$work/docs/a.txt" "$work/Ωμέγα.pdf" 2>&1)"
code=$?
echo "$output"
[ "$code" -eq 0 ] && pdftotext "$work/Ωμέγα.pdf" - 2>/dev/null | grep -q 'first document' ||
    fail "an output name outside the code page ended with $code and no PDF of the document"
[ -z "$(ls /tmp | grep '^ardenfold-convert\.')" ] || fail "a staging folder was left behind"
said_code 0 "$output"

# The standard: PDF/A-2u unasked, no claim with "PDF", a name no converter
# knows refused before anything runs.
grep -aq 'pdfaid:part="2"' "$work/Ωμέγα.pdf" || fail "an unasked conversion claims no PDF/A-2"
output="$(timeout 120 "$convert" --standard PDF "$work/docs/a.txt" "$work/plain.pdf" 2>&1)"
code=$?
[ "$code" -eq 0 ] && [ -s "$work/plain.pdf" ] && ! grep -aq 'pdfaid' "$work/plain.pdf" ||
    fail "--standard PDF ended with $code, or its PDF claims a standard: $output"
message="$(timeout 30 "$convert" --standard PDF/A-9 "$work/docs/a.txt" "$work/nine.pdf" 2>&1)"
code=$?
[ "$code" -eq 64 ] && grep -q 'PDF/A-1b, PDF/A-2b, PDF/A-2u, PDF' <<<"$message" && [ ! -e "$work/nine.pdf" ] ||
    fail "--standard PDF/A-9 ended with $code: $message"

# Legacy text: the code page asked for, else Wine's 1252 under the C locale; the log names it.
for case in "1251 Привет" " Ïðèâåò"; do
    codepage="${case%% *}" words="${case#* }"
    rm -f "$work/cyrillic.pdf"
    output="$(ARDENFOLD_CODEPAGE="$codepage" timeout 120 "$convert" "$work/cyrillic.txt" "$work/cyrillic.pdf" 2>&1)"
    grep -qF "convert: cyrillic.txt was read as ANSI code page ${codepage:-1252}" <<<"$output" ||
        fail "the terminal does not name code page ${codepage:-1252}" 
    pdftotext "$work/cyrillic.pdf" - 2>/dev/null | grep -qF "$words" || fail "code page '${codepage:-default}' did not read $words"
    tail -n 1 "$log" | grep -qF "text in ANSI code page ${codepage:-1252}," || fail "the log does not name code page ${codepage:-1252}"
done

# A real Russian text (grep's messages as Debian translates them) in code
# page 1251 with no code page set: found in its bytes, read as written, and
# the terminal says so.
msgunfmt /usr/share/locale/ru/LC_MESSAGES/grep.mo 2>/dev/null | sed -n 's/^msgstr "\(..*\)"$/\1/p' |
    iconv -f UTF-8 -t CP1251 >"$work/russian.txt"
output="$(timeout 120 "$convert" "$work/russian.txt" "$work/russian.pdf" 2>&1)"
echo "$output"
pdftotext "$work/russian.pdf" - 2>/dev/null | grep -F "Домашняя страница" >/dev/null || fail "the Cyrillic text was not read in code page 1251"
grep -qF "convert: russian.txt was read as Windows-1251 (code page 1251), found in its bytes" <<<"$output" ||
    fail "the terminal does not say that the text was read in code page 1251"

# A folder of such names converts whole, each PDF under its document's name.
mkdir -p "$work/out" || exit 1
output="$(timeout 180 "$convert" "$work/docs" "$work/out/" 2>&1)"
code=$?
echo "$output"
[ "$code" -eq 0 ] || fail "the batch ended with $code, expected 0"
for name in a 'b{2}' Ωmega; do
    [ -s "$work/out/$name.pdf" ] || fail "$name.txt was not converted"
done
timeout 300 /usr/bin/python3 "$source_dir/tests/engines/check_engines.py" text "$work/docs/a.txt" "$work/out/a.pdf" \
    "$work/docs/Ωmega.txt" "$work/out/Ωmega.pdf" || fail "the engines do not read the converted documents' words"
grep -q '^\[3/3\] Ωmega.txt' <<<"$output" || fail "no plain progress lines"
grep -q '^Converted 3 of 3 document(s)' <<<"$output" || fail "the summary does not report three documents"
[[ "$output" != *$'\r'* ]] || fail "progress is rewritten in place although the output is no terminal"

# Two documents whose names differ only in their extension: both are
# converted, each under its name with the extension; a refused one's reason
# is in the summary, and only the converter's lines of this run are shown
# (the single run before wrote one about the same document).
mkdir -p "$work/pair" || exit 1
printf 'a text\r\n' >"$work/pair/c.txt"
printf 'RIFF\044\0\0\0WEBPVP8 \0\0\0\0' >"$work/pair/c.webp"
output="$(timeout 120 "$convert" "$work/pair/c.webp" "$work/c.pdf" 2>&1)"
code=$?
echo "$output"
[ "$code" -eq 6 ] || fail "the WebP ended with $code, expected 6"
said_code 6 "$output"
mkdir -p "$work/pair-out" || exit 1
output="$(timeout 180 "$convert" "$work/pair" "$work/pair-out/" 2>&1)"
code=$?
echo "$output"
[ "$code" -eq 6 ] || fail "the batch of a pair ended with $code, expected 6"
[ -s "$work/pair-out/c.txt.pdf" ] || fail "c.txt was not converted to c.txt.pdf beside c.webp"
grep -q '^  c\.webp: code 6: .*WebP image' <<<"$output" || fail "the summary does not give the WebP's reason"
[ "$(grep -c 'converter log: .*c\.webp' <<<"$output")" -eq 1 ] || fail "converter log lines of other runs are shown"

# A box is shown (title and text) and answered: a path CommandLine.exe's code page cannot carry.
output="$(timeout 60 "$build/wine-run" "$build/bin/RunCommandLine.exe" --timeout 60 "$(win "$build/bin/CommandLine.exe")" \
    "{cmd /c exit} {$(win "$work/Ωμέγα.pdf")}" </dev/null 2>&1)"
code=$?
echo "$output"
[ "$code" -eq 2 ] || fail "a path outside the code page ended with $code, expected 2"
grep -q '^Message box "CommandLine":$' <<<"$output" && grep -q '^    .*code page' <<<"$output" ||
    fail "the box's title and text are not shown"

# The output is the document itself, by its name or a hard link: refused
# before anything runs, the document kept. A batch into the documents' own
# folder leaves out a PDF whose PDF would be itself.
ln -f "$work/docs/a.txt" "$work/link.txt" || exit 1
for case in "$work/docs/a.txt" "$work/docs/../docs/a.txt" "$work/link.txt"; do
    output="$(timeout 60 "$convert" "$work/docs/a.txt" "$case" 2>&1)"
    code=$?
    [ "$code" -eq 73 ] || fail "an output that is the document ($case) ended with $code, expected 73"
    grep -q 'is the document .* itself' <<<"$output" || fail "no reason for refusing $case: $output"
done
[ "$(cat "$work/docs/a.txt")" = $'first document\r' ] || fail "the document was changed"
mkdir -p "$work/self" && printf 'not a PDF yet\r\n' >"$work/self/d.pdf" || exit 1
output="$(timeout 60 "$convert" "$work/self" "$work/self/" 2>&1)"
code=$?
[ "$code" -eq 64 ] && grep -q 'd.pdf: not converted: its PDF would replace the document itself' <<<"$output" ||
    fail "a batch whose PDF would be its document ended with $code: $output"
[ "$(cat "$work/self/d.pdf")" = $'not a PDF yet\r' ] || fail "the batch changed its document"
# The converter's own refusal when CommandLine.exe is given the document as
# its output: exit 6, the document as it was.
timeout 120 "$build/wine-run" "$build/bin/RunCommandLine.exe" --timeout 100 "$(win "$build/bin/CommandLine.exe")" \
    "{\"$(win "$build/bin/PDFCreator.exe")\" /PrintFile \"$(win "$work/docs/a.txt")\"} {$(win "$work/link.txt")}" \
    </dev/null >/dev/null 2>&1
code=$?
[ "$code" -eq 6 ] || fail "CommandLine.exe with the document as its output ended with $code, expected 6"
[ "$(cat "$work/docs/a.txt")" = $'first document\r' ] || fail "the converter changed the document"
tail -n 3 "$log" | grep -qF 'is the document being converted' || fail "the converter's log does not say why"

# An empty document is refused with its reason; an output not named .pdf is
# warned about and written.
: >"$work/empty.pdf"
output="$(timeout 120 "$convert" "$work/empty.pdf" "$work/empty-out.pdf" 2>&1)"
code=$?
[ "$code" -eq 6 ] && grep -q 'The document is empty' <<<"$output" || fail "an empty document ended with $code: $output"
output="$(timeout 120 "$convert" "$work/docs/a.txt" "$work/a-out.TXT" 2>&1 >/dev/null)"
code=$?
[ "$code" -eq 0 ] && grep -q 'warning: the output .* does not end in .pdf' <<<"$output" &&
    head -c 5 "$work/a-out.TXT" | grep -q '%PDF-' || fail "an output named .TXT ended with $code: $output"
output="$(timeout 120 "$convert" "$work/docs/a.txt" "$work/a-out.PDF" 2>&1 >/dev/null)"
[[ "$output" != *warning* ]] || fail "an output named .PDF was warned about: $output"

# A run that never ends (its print job never reaches the converter, and
# CommandLine.exe waits minutes for it) is killed at RunCommandLine's bound.
started=$SECONDS
timeout 60 "$build/wine-run" "$build/bin/RunCommandLine.exe" --timeout 3 "$(win "$build/bin/CommandLine.exe")" \
    "{cmd /c exit} {$(win "$work/never.pdf")}" </dev/null
code=$?
[ "$code" -eq 124 ] && [ $((SECONDS - started)) -lt 30 ] ||
    fail "a hung run ended with $code after $((SECONDS - started)) s, expected 124 after about 3 s"
# The killed run could not take its marker away: it must not stand for a
# run of the tests that follow in this prefix.
timeout 60 "$build/wine-run" "$build/bin/SignalExchangeTool.exe" remove

exit $((failures > 0))
