#!/usr/bin/env bash
# scripts/convert as a user runs it, against the built programs: a path that
# the code page cannot represent ends at once with exit 2 and the box's text
# on the terminal; a batch with one such document converts the others and
# reports that one; a batch with a clash of names and a refused document.
# Usage: check_convert.sh SOURCE_DIR BUILD_DIR WORK_DIR
set -uo pipefail
source_dir="$1" build="$2" work="$3"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
export ARDENFOLD_PREBUILT="$build" LC_ALL=C.UTF-8
convert="$source_dir/scripts/convert"

rm -rf "$work" && mkdir -p "$work/docs" "$work/converter" || exit 1
# The converter's spool and log of this check alone, on Wine's Z: drive.
export ARDENFOLD_CONVERTER_FOLDER="Z:${work//\//\\}\\converter"
printf 'first document\r\n' >"$work/docs/a.txt"
printf 'second document\r\n' >"$work/docs/b.txt"
printf 'third document\r\n' >"$work/docs/Ωmega.txt"

# No box waits for a user nobody sees: it is shown here and answered.
started=$SECONDS
output="$(timeout 60 "$convert" "$work/docs/a.txt" "$work/Ωμέγα.pdf" 2>&1)"
code=$?
echo "$output"
[ "$code" -eq 2 ] || fail "a path outside the code page ended with $code after $((SECONDS - started)) s, expected 2"
grep -q '^Message box "CommandLine":$' <<<"$output" && grep -q '^    .*code page' <<<"$output" ||
    fail "the box's title and text are not shown"
grep -q '^CommandLine.exe exit code 2: invalid command line' <<<"$output" || fail "the exit code is not explained"

# A folder, one document of which cannot be named to CommandLine.exe.
output="$(timeout 180 "$convert" "$work/docs" "$work/out/" 2>&1)"
code=$?
echo "$output"
[ "$code" -eq 2 ] || fail "the batch ended with $code, expected the failed document's 2"
for name in a b; do
    [ -s "$work/out/$name.pdf" ] || fail "$name.txt was not converted"
done
timeout 300 /usr/bin/python3 "$source_dir/tests/engines/check_engines.py" text "$work/docs/a.txt" "$work/out/a.pdf" \
    "$work/docs/b.txt" "$work/out/b.pdf" || fail "the engines do not read the converted documents' words"
[ ! -e "$work/out/Ωmega.pdf" ] || fail "a PDF of the failed document exists"
grep -q '^\[3/3\] Ωmega.txt' <<<"$output" || fail "no plain progress lines"
grep -q '^Converted 2 of 3 document(s)' <<<"$output" && grep -q '^  Ωmega.txt: code 2: ' <<<"$output" ||
    fail "the summary does not report the failed document"
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
output="$(timeout 180 "$convert" "$work/pair" "$work/pair-out/" 2>&1)"
code=$?
echo "$output"
[ "$code" -eq 6 ] || fail "the batch of a pair ended with $code, expected 6"
[ -s "$work/pair-out/c.txt.pdf" ] || fail "c.txt was not converted to c.txt.pdf beside c.webp"
grep -q '^  c\.webp: code 6: .*WebP image' <<<"$output" || fail "the summary does not give the WebP's reason"
[ "$(grep -c 'converter log: .*c\.webp' <<<"$output")" -eq 1 ] || fail "converter log lines of other runs are shown"

# A run that never ends (its print job never reaches the converter, and
# CommandLine.exe waits minutes for it) is killed at RunCommandLine's bound.
win() { printf 'Z:%s' "${1//\//\\}"; }
started=$SECONDS
timeout 60 "$build/wine-run" "$build/bin/RunCommandLine.exe" --timeout 3 "$(win "$build/bin/CommandLine.exe")" \
    "{cmd /c exit} {$(win "$work/never.pdf")}" </dev/null
code=$?
[ "$code" -eq 124 ] && [ $((SECONDS - started)) -lt 30 ] ||
    fail "a hung run ended with $code after $((SECONDS - started)) s, expected 124 after about 3 s"

exit $((failures > 0))
