#!/usr/bin/env bash
# The program on a real X display (Xvfb): type a query, press Enter, see the count line change;
# a second copy must end at once and bring the first one's window back; Quit ends it.
#   real_display_test.sh VEL7M VEL7M_DISC XWD_REGION OUTPUT_DIR
set -euo pipefail
vel7m=$1 disc=$2 region=$3 out=$4
title="Vavaze Devedire Rizuz"

if [[ -z ${VEL7M_INSIDE_X:-} ]]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    "$disc" demo --out "$work/set" --records 60000 --quiet >/dev/null
    mkdir -m 700 "$work/run"
    mkdir -p "$out"
    # Its own settings, lock and display: nothing of the user's is touched.
    WINDIR="$work/set" XDG_RUNTIME_DIR="$work/run" VEL7M_INSIDE_X=1 WORK="$work" \
        xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
    exit $?
fi

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

"$vel7m" &
first=$!
trap 'kill "$first" 2>/dev/null || true' EXIT
window=$(timeout 30 xdotool search --sync --name "^$title\$" | head -n 1) || fail "no window appeared"
sleep 1
xwd -silent -id "$window" -out "$WORK/before.xwd"

# The surname field has the focus from the start; no window manager runs, so focus by hand.
xdotool windowfocus --sync "$window" || true
xdotool type --delay 40 smith
xdotool key Return
changed=1
for _ in $(seq 1 50); do
    sleep 0.2
    xwd -silent -id "$window" -out "$WORK/after.xwd"
    if "$region" "$WORK/before.xwd" "$WORK/after.xwd" 267 181 450 210 >/dev/null; then
        changed=0
        break
    fi
done
cp "$WORK/after.xwd" "$out/real-display-after-search.xwd"
[[ $changed -eq 0 ]] || fail "the count line did not change after the search"
"$region" "$WORK/before.xwd" "$WORK/after.xwd" 20 249 602 413 >/dev/null ||
    fail "no rows appeared in the list"
kill -0 "$first" || fail "the program ended after the search"

# Hide the window; a second copy must end with status 0 and show it again.
xdotool windowunmap --sync "$window"
[[ -z $(xdotool search --onlyvisible --name "^$title\$" || true) ]] || fail "the window stayed visible"
status=0
timeout 20 "$vel7m" || status=$?
[[ $status -eq 0 ]] || fail "the second copy ended with status $status"
shown=""
for _ in $(seq 1 50); do
    shown=$(xdotool search --onlyvisible --name "^$title\$" || true)
    [[ -n $shown ]] && break
    sleep 0.2
done
[[ $shown == *"$window"* ]] || fail "the first copy's window was not brought back"
kill -0 "$first" || fail "the first copy ended"

# A click on Quit ends it.
xdotool mousemove --sync --window "$window" 368 436 click 1
status=0
timeout 20 tail --pid="$first" -f /dev/null || fail "Quit did not end the program"
wait "$first" || status=$?
trap - EXIT
[[ $status -eq 0 ]] || fail "the program ended with status $status"
echo "real display: search, second copy and quit all behaved"
