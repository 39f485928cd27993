#!/usr/bin/env bash
# The Wine session that scripts/convert keeps between calls
# (scripts/wine-session --keep): the first call starts it, the next joins the
# same display, and once no call has used it for the idle time its display
# and its reaper are gone. It runs in a folder of its own that shares the
# build tree's prefix, so a session kept in the build tree is not touched.
# Usage: check_session.sh SOURCE_DIR BUILD_DIR WORK_DIR
set -uo pipefail
source_dir="$1" build="$2" work="$3"
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

rm -rf "$work" && mkdir -p "$work" || exit 1
ln -s "$(cd "$build" && pwd)/wineprefix" "$work/wineprefix"
export ARDENFOLD_SESSION_IDLE=2
unset DISPLAY

# One call: joins (or starts) the session, runs a Wine program, leaves; it
# prints the display it used.
call() {
    timeout 120 bash -c '. "$1/scripts/wine-session" --keep "$2" >/dev/null &&
        timeout 60 wine cmd /c exit </dev/null >/dev/null 2>&1; echo "$DISPLAY"' call "$source_dir" "$work"
}

first="$(call)"
read -r display xvfb <"$work/wine-session/session" || fail "the first call wrote no session file"
[ -n "$first" ] && [ "$first" = "${display:-}" ] ||
    fail "the first call used display '$first', the session file names '${display:-}'"
kill -0 "${xvfb:-0}" 2>/dev/null || fail "the session's Xvfb (${xvfb:-none}) is not running after the first call"
second="$(call)"
[ "$second" = "$first" ] || fail "the second call used display '$second', not the kept '$first'"
[ -z "$(ls -A "$work/wine-session/users")" ] || fail "a call that ended is still marked as under way"

# Idle: the reaper looks every 10 s.
for _ in $(seq 1 60); do
    kill -0 "${xvfb:-0}" 2>/dev/null || break
    sleep 1
done
if kill -0 "${xvfb:-0}" 2>/dev/null; then
    fail "the session's Xvfb still runs 60 s after its last use (idle time 2 s)"
    kill "$xvfb"
fi
[ ! -e "$work/wine-session/session" ] || fail "the session file is left after the session was stopped"
sleep 1
if pgrep -f "wine-session-reaper $work/wine-session " >/dev/null; then
    fail "the reaper outlived its session"
fi
exit $((failures > 0))
