#!/usr/bin/env bash
# The printer end to end under Wine, as a user of the zip sets it up:
# PDFCreator.exe /AddPrinter, then CommandLine.exe with the print command of
# a program that prints through GDI (PrintText.exe). The job reaches the
# run that waits for it and becomes a PDF whose every word the five engines
# find; a job printed while no run waits is dropped, and the next run gets
# its own document only; notepad /p, with our printer as the default, gives
# its text; /RemovePrinter takes the printer and its port away.
# Usage: check_printer.sh SOURCE_DIR BUILD_DIR WORK_DIR
set -uo pipefail
source_dir="$1" build="$2" work="$3"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
. "$source_dir/scripts/wine-paths"

# Run inside the suite's Wine session (scripts/wine-session), whose prefix it uses.
[ -n "${WINEPREFIX:-}" ] && [ -n "${DISPLAY:-}" ] || { echo "no Wine session: run under scripts/wine-session" >&2; exit 2; }
rm -rf "$work" && mkdir -p "$work/converter" || exit 1
export ARDENFOLD_CONVERTER_FOLDER="$(windows_path "$work/converter")"
log="$work/converter/Converter.log"
bin="$build/bin"
printText="$(windows_path "$build/tests/printer/PrintText.exe")"
runCommandLine="$build/tools/RunCommandLine.exe"
jobs="$(exchange_path wine "$bin" printed)" || { echo "SignalExchangeTool.exe gave no printed jobs folder" >&2; exit 1; }
printers='HKLM\System\CurrentControlSet\Control\Print\Printers'
# A watcher started by this check ends by itself 30 s after its last job.
trap 'timeout 60 wine "$bin/PDFCreator.exe" /RemovePrinter >/dev/null 2>&1' EXIT

# The words PrintText.exe prints: "w<page>x<n>".
words() { for ((p = 1; p <= $2; p++)); do for ((n = 1; n <= $1; n++)); do printf 'w%dx%d ' "$p" "$n"; done; echo; done; }

timeout 60 wine "$bin/PDFCreator.exe" /AddPrinter || fail "/AddPrinter ended with $?"
timeout 30 wine reg query "$printers\\Ardenfold PDF" >/dev/null 2>&1 || fail "no printer \"Ardenfold PDF\" after /AddPrinter"
default="$(timeout 30 wine reg query 'HKCU\Software\Microsoft\Windows NT\CurrentVersion\Windows' /v Device 2>/dev/null | tr -d '\r')"
[[ "$default" != *"Ardenfold PDF"* ]] || fail "/AddPrinter made the printer the default unasked"

# A job printed while no run waits stays in its owner's printed jobs folder
# (no watcher outlives its run) until the next run's watcher, which drops
# it and says so before it takes its own job.
# A marker a killed run left in this prefix would stand for a waiting run.
rm -f "$(exchange_path wine "$bin" signal)"
timeout 60 wine "$bin/PDFCreator.exe" /ClearCache /NoStart
timeout 60 wine "$printText" "Ardenfold PDF" 5 1 Orphan || fail "PrintText.exe could not print to the printer"

# A run whose print command prints through GDI, for a caller that reads its
# output through a pipe to the end (as scripts, PowerShell and Python do):
# the pipe ends when the run does, since nothing the run started outlives
# it by more than a moment.
pages=3 perPage=24
words "$perPage" "$pages" >"$work/expected.txt"
rm -f "$work/out.pdf"
started=$(date +%s.%N)
timeout 200 wine "$runCommandLine" --timeout 180 "$(windows_path "$bin/CommandLine.exe")" \
    "{$printText \"Ardenfold PDF\" $perPage $pages Known} {$(windows_path "$work/out.pdf")}" 2>&1 | cat
code=${PIPESTATUS[0]}
elapsed=$(echo "$(date +%s.%N) - $started" | bc)
echo "CommandLine.exe with a printed job, read through a pipe to its end: exit $code in $elapsed s"
(( $(echo "$elapsed < 15" | bc) )) || fail "the caller's pipe was held $elapsed s: something the run started outlived it"
grep 'document="Known"' "$log"
grep -q 'taken job=.* document="Known"' "$log" || fail "the printed job was not taken for its run"
[ "$code" -eq 0 ] || fail "CommandLine.exe ended with $code, expected 0"
timeout 300 /usr/bin/python3 "$source_dir/tests/engines/check_engines.py" text "$work/expected.txt" "$work/out.pdf" ||
    fail "the engines do not find every printed word"
! pdftotext "$work/out.pdf" - 2>/dev/null | grep -q Orphan || fail "the orphan job reached a run's output"
if ! grep -q 'document="Orphan".*No conversion waits for a print job' "$log" 2>/dev/null; then
    fail "the log does not say that the orphan job was dropped"
    echo "the converter's log:" >&2; tail -n 20 "$log" >&2 2>/dev/null
fi
[ -z "$(ls "$jobs" 2>/dev/null | grep '\.job')" ] || fail "the job printed while no run waits is still in $jobs"

# Two sessions, each with a temporary folder of its own, print at nearly the
# same time: A's program prints 3 s after its run began, B's at once, 1 s
# after A began. Each run gets its own document, round after round.
session() { # name words delay
    mkdir -p "$WINEPREFIX/drive_c/t$1"
    printf '@set TMP=C:\\t%s\r\n@set TEMP=C:\\t%s\r\n@"%s" --timeout 120 "%s" "{%s \\"Ardenfold PDF\\" %s 1 Session%s %s} {%s}"\r\n' \
        "$1" "$1" "$(windows_path "$runCommandLine")" "$(windows_path "$bin/CommandLine.exe")" "$printText" "$2" "$1" "$3" \
        "$(windows_path "$work/$1.pdf")" >"$work/$1.cmd"
    rm -f "$work/$1.pdf"
    timeout 150 wine cmd /c "$(windows_path "$work/$1.cmd")" >"$work/$1.out" 2>&1
}
for round in 1 2 3; do
    session A 11 3000 &
    a=$!
    sleep 1
    session B 17 0 &
    b=$!
    wait "$a"; codeA=$?
    wait "$b"; codeB=$?
    [ "$codeA" -eq 0 ] && [ "$codeB" -eq 0 ] || fail "round $round: sessions ended with $codeA and $codeB, expected 0 and 0"
    titleA="$(pdfinfo "$work/A.pdf" 2>/dev/null | sed -n 's/^Title: *//p')"
    titleB="$(pdfinfo "$work/B.pdf" 2>/dev/null | sed -n 's/^Title: *//p')"
    [ "$titleA" = SessionA ] && [ "$titleB" = SessionB ] ||
        fail "round $round: session A holds \"$titleA\", session B \"$titleB\""
    pdftotext "$work/A.pdf" - 2>/dev/null | grep -q 'w1x11' && ! pdftotext "$work/A.pdf" - 2>/dev/null | grep -q 'w1x12' ||
        fail "round $round: session A's PDF does not hold its own words alone"
    pdftotext "$work/B.pdf" - 2>/dev/null | grep -q 'w1x17' || fail "round $round: session B's PDF lacks its words"
done

# notepad /p prints to the default printer: the user asks for ours to be it.
# Wine's notepad shows its Print dialog and stays open, which
# AnswerPrintDialog.exe answers and closes (Windows' notepad does neither).
timeout 60 wine "$bin/PDFCreator.exe" /AddPrinter /Default || fail "/AddPrinter /Default ended with $?"
printf 'Notepad printed these words\r\nand a second line of them\r\n' >"$work/notepad.txt"
rm -f "$work/notepad.pdf"
timeout 100 wine "$build/tests/printer/AnswerPrintDialog.exe" 80 &
helper=$!
timeout 100 wine "$runCommandLine" --timeout 90 "$(windows_path "$bin/CommandLine.exe")" \
    "{notepad /p $(windows_path "$work/notepad.txt")} {$(windows_path "$work/notepad.pdf")}"
code=$?
wait "$helper" || fail "no Print dialog of notepad was answered"
[ "$code" -eq 0 ] || fail "CommandLine.exe with notepad /p ended with $code, expected 0"
timeout 300 /usr/bin/python3 "$source_dir/tests/engines/check_engines.py" text "$work/notepad.txt" "$work/notepad.pdf" ||
    fail "the engines do not find every word notepad printed"

# An earlier version's port folder, which any user could replace by a link
# (here a symbolic link, which Wine shows as a reparse point by its name),
# leads the elevated /RemovePrinter of an upgrade to delete nothing beyond it.
old="$WINEPREFIX/drive_c/ProgramData/Marrowgate/Ardenfold Converter/Printer"
rm -rf "$old" && mkdir -p "$work/elsewhere" && echo keep >"$work/elsewhere/Ardenfold.ps" && ln -s "$work/elsewhere" "$old"
timeout 60 wine "$bin/PDFCreator.exe" /RemovePrinter || fail "/RemovePrinter ended with $?"
[ -f "$work/elsewhere/Ardenfold.ps" ] || fail "/RemovePrinter deleted a file through a link in the old port folder's place"
rm -f "$old"
! timeout 30 wine reg query "$printers\\Ardenfold PDF" >/dev/null 2>&1 || fail "the printer is still there after /RemovePrinter"
trap - EXIT
[ "$failures" -eq 0 ] && echo "printer check passed"
exit $((failures > 0))
