#!/usr/bin/env bash
# The gs.exe the build places beside PDFCreator.exe (bin/Ghostscript), run
# under Wine as the converter runs it, on a PostScript file of two pages that
# Debian's enscript makes from a known text: it must end with 0 within its
# time, from a folder that holds no other file of it, and write a PDF in
# which pdftotext finds every word of the text on as many pages as the
# PostScript has, and which qpdf --check finds clean. Then a job that tries
# to read a secret file by every road (see below) must read none, and jobs
# that found faults of Ghostscript's must find none (see below).
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
# A job that tries to read a secret file by every road Windows and Wine
# offer, run as the converter runs Ghostscript: from a folder of the job's
# own, with none of Ghostscript's variables set. -dSAFER lets it read its
# TEMP folder (Wine's here; the converter gives it a folder of the job's
# own), so the roads include that folder's parents. Each probe prints
# "READ <line>" or "denied <path>" and shows it on the page; the secret may
# appear in neither. The same job without -dSAFER must read the secret by
# every probe, which shows that each names a real road to it.
prefix="${ARDENFOLD_WINEPREFIX:-$build/wineprefix}"
secret="ARDENFOLD-SECRET-$$-$RANDOM"
mkdir -p "$work/secret" "$work/probe" "$prefix/drive_c/ardenfold-gs-probe" || exit 1
echo "$secret" >"$work/secret/acc-secret.txt"
echo "$secret" >"$prefix/drive_c/ardenfold-gs-probe/acc-secret.txt"
trap 'rm -rf "$prefix/drive_c/ardenfold-gs-probe"' EXIT
wintemp="$(timeout 60 "$build/wine-run" cmd /c echo %TEMP% | tr -d '\r')"
case "$wintemp" in [A-Za-z]:\\*) ;; *) fail "Wine's TEMP is \"$wintemp\", not a folder" ;; esac
# "/.." for each folder of the TEMP folder's path.
up="$(printf '%s' "${wintemp#?:}" | tr -cd '\\' | sed 's|\\|/..|g')"
file="$work/secret/acc-secret.txt"  # /abs/olute
bs() { printf '%s' "${1//\//\\}"; }  # slashes as backslashes
lib='/usr/local/share/ghostscript/10.00.0/lib'  # the search path of a Unix build
probes=(
    "$lib/$(bs '../../../../../..')$(bs "$file")"
    "$lib/../../../../../..$file"
    "Z:$(bs "$file")"
    "Z:$file"
    "$file"
    "$(bs "$file")"
    "Z:$(bs "$work/probe")\\..\\secret\\acc-secret.txt"
    "Z:$work/probe/../secret/acc-secret.txt"
    "Z:$(bs "$work/probe")\\job.ps\\..\\..\\secret\\acc-secret.txt"
    "\\\\?\\Z:$(bs "$file")"
    "\\\\.\\Z:$(bs "$file")"
    "//?/Z:$file"
    "C:\\ardenfold-gs-probe\\acc-secret.txt"
    "\\\\?\\C:\\ardenfold-gs-probe\\acc-secret.txt"
    "..\\secret\\acc-secret.txt"
    "../secret/acc-secret.txt"
    "%os%Z:$(bs "$file")"
    # C:\ from the TEMP folder.
    "$wintemp$(bs "$up")\\ardenfold-gs-probe\\acc-secret.txt"
    "$wintemp$up/ardenfold-gs-probe/acc-secret.txt"
)
ps_string() { local s=${1//\\/\\\\}; s=${s//(/\\(}; printf '(%s)' "${s//)/\\)}"; }
{
    printf '%%!PS-Adobe-3.0\n%%%%Pages: 1\n%%%%EndComments\n%%%%Page: 1 1\n'
    printf '/Helvetica findfont 8 scalefont setfont /y 760 def\n'
    printf '/probe { /p exch def mark { p (r) file 200 string readline pop (READ ) exch concatstrings } stopped\n'
    printf '  { cleartomark (denied ) p concatstrings } { exch pop } ifelse\n'
    printf '  dup = flush 36 y moveto show /y y 12 sub def } def\n'
    for path in "${probes[@]}"; do printf '%s probe\n' "$(ps_string "$path")"; done
    printf 'showpage\n%%%%EOF\n'
} >"$work/probe/job.ps"
probe_run() { # SAFER-SWITCH OUTPUT-NAME
    (cd "$work/probe" && env -u GS_LIB -u GS_OPTIONS -u GS_FONTPATH -u GS_DEVICE -u CIDFSUBSTPATH -u TMPDIR \
        timeout -k 10 120 "$build/wine-run" "$work/run/gs.exe" -q -P- -dBATCH -dNOPAUSE "$1" -sDEVICE=pdfwrite \
        "-sOutputFile=$(windows "$work/probe/$2.pdf")" "$(windows "$work/probe/job.ps")") >"$work/probe/$2.log" 2>&1
}
probe_run -dSAFER safer
code=$?
[ "$code" -eq 0 ] || { cat "$work/probe/safer.log" >&2; fail "gs.exe ended with $code on the probing job"; }
pdftotext "$work/probe/safer.pdf" "$work/probe/safer.txt" 2>/dev/null || fail "pdftotext cannot read the probing job's PDF"
if grep -qF "$secret" "$work/probe/safer.log" "$work/probe/safer.txt" "$work/probe/safer.pdf"; then
    grep '^READ' "$work/probe/safer.log" >&2
    fail "the job read the secret file under -dSAFER: $(grep -c '^READ' "$work/probe/safer.log") probe(s)"
fi
denied=$(grep -c '^denied ' "$work/probe/safer.log")
[ "$denied" -eq "${#probes[@]}" ] || fail "$denied of ${#probes[@]} probes were denied"
probe_run -dNOSAFER unsafe
i=0
for path in "${probes[@]}"; do
    i=$((i + 1))
    sed -n "${i}p" "$work/probe/unsafe.log" | grep -qF "READ $secret" ||
        fail "without -dSAFER the probe $path does not reach the secret: $(sed -n "${i}p" "$work/probe/unsafe.log")"
done

# Jobs that once found a fault of Ghostscript 10.0.0, each fixed by a patch
# of the recipe (third_party/ghostscript/CVE-*.patch), run as the converter
# runs it: each must end with 0, not crash, and print the line of its row.
faults="$work/faults"
mkdir -p "$faults" || exit 1
# .putgstringcopy forces a value into a dictionary past its access rights:
# given a read-only array instead, it must refuse rather than write into it.
# Its name is reachable only while -dDELAYBIND keeps it defined.
cat >"$faults/putgstringcopy.ps" <<'PS'
/a [ (a) (b) ] readonly def
{ a 0 (x) .putgstringcopy } stopped
{ (putgstringcopy: ) print $error /errorname get =only ( in ) print $error /command get = }
{ (putgstringcopy: wrote ) print a 0 get = } ifelse
PS
# A Type 1 font whose Subr 0 calls itself without end ("0 callsubr"): the
# conversion to Type 2 that pdfwrite makes of the font must stop at the end
# of its control stack rather than write past it.
cat >"$faults/callsubr.ps" <<'PS'
/RecursiveSubrs 12 dict begin
  /FontType 1 def /FontName /RecursiveSubrs def /PaintType 0 def
  /FontMatrix [0.001 0 0 0.001 0 0] readonly def /FontBBox [0 0 500 700] readonly def
  /Encoding StandardEncoding def
  /Private 8 dict begin
    /lenIV -1 def /password 5839 def /MinFeature {16 16} def /BlueValues [] def
    /Subrs [ <8b0a> ] def
  currentdict end def
  /CharStrings 2 dict begin
    /.notdef <8bf8880d0e> def
    /A <8bf8880d8b0a0e> def
  currentdict end def
currentdict end
/RecursiveSubrs exch definefont 24 scalefont setfont
72 720 moveto (A) show showpage
(callsubr: shown) =
PS
# A shading's array of functions whose last member gives three outputs where
# one is due: it would write past the colour it is evaluated into.
cat >"$faults/shading.ps" <<'PS'
/one << /FunctionType 2 /Domain [0 1] /C0 [0] /C1 [1] /N 1 >> def
/three << /FunctionType 2 /Domain [0 1] /C0 [0 0 0] /C1 [1 1 1] /N 1 >> def
{ << /ShadingType 2 /ColorSpace /DeviceRGB /Coords [0 0 100 0] /Function [one one three] >> shfill } stopped
{ (shading: ) print $error /errorname get = } { (shading: drawn) = } ifelse
PS
# A filter in global VM that reads from a procedure, which gives it a string
# in local VM; a restore frees that string while the filter has read only
# the start of it, and new strings take its place. The filter must read on
# the string it was given.
cat >"$faults/procedure.ps" <<'PS'
/ls null def
true setglobal /f { ls } 0 () /SubFileDecode filter def false setglobal
save
/ls 30000 string def 0 1 29999 { ls exch 65 put } for
f read pop pop
restore
30000 string 0 1 29999 { 1 index exch 66 put } for pop
f 20000 string readstring pop
(procedure: ) print
true exch { 65 ne { pop false } if } forall { (kept) } { (lost) } ifelse =
PS
# JOB SWITCH LINE
while read -r job switch line; do
    (cd "$faults" && timeout -k 10 120 "$build/wine-run" "$work/run/gs.exe" -q -dBATCH -dNOPAUSE -dSAFER "$switch" \
        -sDEVICE=pdfwrite "-sOutputFile=$(windows "$faults/$job.pdf")" "$(windows "$faults/$job.ps")") 2>&1 |
        tr -d '\r' >"$faults/$job.log"
    code=${PIPESTATUS[0]}
    [ "$code" -eq 0 ] || fail "gs.exe ended with $code on the job $job.ps"
    grep -qxF "$line" "$faults/$job.log" || { cat "$faults/$job.log" >&2; fail "the job $job.ps did not print \"$line\""; }
done <<'ROWS'
putgstringcopy -dDELAYBIND putgstringcopy: typecheck in .putgstringcopy
callsubr -dSAFER callsubr: shown
shading -dSAFER shading: rangecheck
procedure -dSAFER procedure: kept
ROWS

[ "$failures" -eq 0 ] && echo "gs.exe made a clean, searchable PDF of $pages pages, a job read no file but its own, and the jobs that found faults found none"
exit "$((failures > 0))"
