#!/usr/bin/env bash
# scripts/convert's first call says what it does: each stage as it starts,
# the build's percentage, and a line at least every few seconds through a
# long, silent stage. The stages are stand-ins (set-up, CMake, the Wine
# session and Wine itself are scripts here), each silent for longer than the
# interval, so that no real build is needed; the interval is shortened to
# 2 s (ARDENFOLD_PROGRESS_EVERY) and no gap in the output may pass 3.5 s.
# Usage: check_first_call.sh SOURCE_DIR WORK_DIR
set -uo pipefail
source_dir="$1" work="$2"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
quiet=5

rm -rf "$work" && mkdir -p "$work/tree/scripts" "$work/path" || exit 1
cp "$source_dir/scripts/convert" "$source_dir/scripts/progress" "$source_dir/scripts/wine-paths" "$work/tree/scripts/" || exit 1
tree="$(cd "$work/tree" && pwd)"
printf 'a document\r\n' >"$work/a.txt"

stub() { # NAME BODY: an executable script
    printf '#!/usr/bin/env bash\n%s\n' "$2" >"$1" && chmod +x "$1"
}
stub "$tree/scripts/setup" "sleep $quiet"
# Wine running RunCommandLine.exe: the output is the last brace group.
stub "$work/wine-run" 'output="${!#}"; output="${output##*\{Z:}"; output="${output%\}}"
printf "%%PDF-1.4\n" >"${output//\\//}"'
# Configuring: a library built, then silence; the tree is then configured.
stub "$work/path/cmake" "
if [ \"\$1\" = --preset ]; then
    build=\"\$4\"
    echo 'deps: building lib (1 of 1)'
    sleep $quiet
    mkdir -p \"\$build\" && : >\"\$build/Makefile\"
    echo \"CMAKE_HOME_DIRECTORY:INTERNAL=$tree\" >\"\$build/CMakeCache.txt\"
    cp \"$work/wine-run\" \"\$build/wine-run\"
else
    build=\"\$2\"
    for p in 3 9 25 50 76; do echo \"[ \${p}%] Building\"; sleep 0.3; done
    sleep $quiet
    echo '[100%] Built'
    mkdir -p \"\$build/bin\" && touch \"\$build/bin/\"{CommandLine,PDFCreator,RunCommandLine}.exe
fi"
# The Wine session: making the prefix takes a while, silently.
stub "$tree/scripts/wine-session" "
if [ ! -f \"\$2/wineprefix/system.reg\" ]; then sleep $quiet; mkdir -p \"\$2/wineprefix\"; : >\"\$2/wineprefix/system.reg\"; fi"
stub "$work/path/winepath" 'echo /tmp'

# Each line with the time it came, in tenths of a second, after the start's.
printf '%s start\n' "$(date +%s%1N)" >"$work/output"
ARDENFOLD_PROGRESS_EVERY=2 ARDENFOLD_CONVERTER_FOLDER='Z:\tmp' PATH="$work/path:$PATH" \
    timeout 120 "$tree/scripts/convert" "$work/a.txt" "$work/a.pdf" 2>&1 |
    while IFS= read -r line; do
        printf '%s %s\n' "$(date +%s%1N)" "$line"
    done >>"$work/output"
code=${PIPESTATUS[0]}
cat "$work/output"
[ "$code" -eq 0 ] || fail "the first call ended with $code"
[ -s "$work/a.pdf" ] || fail "the first call wrote no PDF"
for stage in '\[1/4\] Debian packages' '\[2/4\] configuring' '\[3/4\] building' '\[4/4\] making Wine' \
    '^deps: building lib \(1 of 1\)' 'convert: building: [0-9]+%, elapsed' 'convert: configuring: elapsed' \
    "convert: making Wine's prefix: elapsed" '^PDF written to'; do
    cut -d' ' -f2- "$work/output" | grep -Eq "$stage" || fail "no line matching \"$stage\""
done
# No silence longer than the interval and a little, from the start on.
gap="$(awk 'NR > 1 && $1 - last > max { max = $1 - last } { last = $1 } END { print max + 0 }' "$work/output")"
[ "$gap" -le 35 ] || fail "the output was silent for $gap tenths of a second, more than 3.5 s"
rm -rf "$work"
[ "$failures" -eq 0 ] && echo "the first call named its stages and was never silent for more than 3.5 s"
[ "$failures" -eq 0 ]
