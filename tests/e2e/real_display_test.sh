#!/usr/bin/env bash
# The program on a real X display (Xvfb), driven by keys and clicks as a user drives it.
#   real_display_test.sh VEL7M VEL7M_DISC XWD_REGION OUTPUT_DIR
# First with no window manager: keys typed while the window does not hold the input focus
# search what the field shows; a second copy brings back the first one's hidden window.
# Then under openbox: a search with the focus; paging to the end and back with Enter keeps
# the focus on the arrows; a click in the list leaves typed letters in the surname field; a
# second copy restores the minimised window and its open details; the state list drops to
# its 250 pixels; Help opens beside the window and Escape closes it; the right button in the
# surname field opens its menu, where Soundex is chosen by its letter, and Clear goes back to
# the exact spelling; Quit ends the program.
# Window dumps of each state are left in OUTPUT_DIR (xwd format).
set -euo pipefail
vel7m=$1 disc=$2 region=$3 out=$4
title="Vavaze Devedire Rizuz"

if [[ -z ${VEL7M_INSIDE_X:-} ]]; then
    work=$(mktemp -d)
    trap 'rm -rf "$work"' EXIT
    "$disc" demo --out "$work/set" --records 60000 --quiet >/dev/null
    cp "$(dirname "$0")/../../res/vel7m.hlp" "$work/set/program/"
    mkdir -m 700 "$work/run" "$work/home"
    mkdir -p "$out"
    # Its own settings, lock, home and display: nothing of the user's is touched.
    HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache" \
        WINDIR="$work/set" XDG_RUNTIME_DIR="$work/run" VEL7M_INSIDE_X=1 WORK="$work" \
        xvfb-run -a -s "-screen 0 1024x768x24" "$0" "$@"
    exit $?
fi

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Runs the command (quietly) until it succeeds, for at most five seconds.
eventually() {
    for _ in $(seq 1 50); do
        "$@" >/dev/null 2>&1 && return 0
        sleep 0.1
    done
    return 1
}

dump() { xwd -silent -id "$window" -out "$WORK/$1.xwd"; }
keep() { cp "$WORK/$1.xwd" "$out/real-display-$1.xwd"; }
# Another window (a dialog, a list, a box), once it has been painted. Not through the root
# window: pop-ups may have a visual of their own, which a dump of the root leaves black.
window_dump() {
    sleep 0.5
    xwd -silent -id "$2" -out "$out/real-display-$1.xwd"
}
# Whether a rectangle of the view (client pixels) differs between two dumps.
differs() { "$region" "$WORK/$1.xwd" "$WORK/$2.xwd" "$3" "$4" "$5" "$6" >/dev/null; }
# Dumps the window as NAME until the rectangle differs from dump BEFORE.
changes_from() {
    local before=$1 name=$2
    shift 2
    for _ in $(seq 1 50); do
        dump "$name"
        differs "$before" "$name" "$@" && return 0
        sleep 0.1
    done
    return 1
}
same() { ! differs "$@"; }
count_line=(267 181 450 210)
list_area=(20 249 602 413)
next_arrow=(582 179 601 202)
prev_arrow=(541 179 560 202)
visible() { xdotool search --onlyvisible --name "$1"; }
alive() { kill -0 "$first" 2>/dev/null; }
click() { xdotool mousemove --sync --window "$window" "$1" "$2" click 1; }

"$vel7m" &
first=$!
wm=""
trap 'kill "$first" 2>/dev/null || true; [[ -z $wm ]] || kill "$wm" 2>/dev/null || true' EXIT
window=$(timeout 30 xdotool search --sync --name "^$title\$" | head -n 1) || fail "no window appeared"
sleep 1
dump start

# --- No window manager. X hands the keys to the window under the pointer, while Qt counts
# none of ours active: Enter must search what the surname field shows.
xdotool mousemove --sync --window "$window" 300 300
xdotool type --delay 40 smith
xdotool key Return
changes_from start by-enter "${count_line[@]}" || fail "Enter without the input focus did not search"
keep by-enter
differs start by-enter "${list_area[@]}" || fail "no rows appeared in the list"
click 248 145 # Search
sleep 0.5
dump by-button
same by-enter by-button "${count_line[@]}" ||
    fail "Enter found another count than the Search button: it searched something else"

# Hide the window; a second copy must end with status 0 and show it again.
xdotool windowunmap --sync "$window"
[[ -z $(visible "^$title\$" || true) ]] || fail "the window stayed visible"
status=0
timeout 20 "$vel7m" || status=$?
[[ $status -eq 0 ]] || fail "the second copy ended with status $status"
eventually visible "^$title\$" || fail "the first copy's window was not brought back"
alive || fail "the first copy ended"

# --- Under a window manager.
openbox --sm-disable >/dev/null 2>&1 &
wm=$!
eventually sh -c "xprop -root _NET_SUPPORTING_WM_CHECK | grep -q 'window id'" ||
    fail "openbox did not start"
sleep 1
xdotool windowactivate --sync "$window"

# A search with the input focus, through the surname field.
click 300 85
xdotool key ctrl+a
xdotool type --delay 40 hart
xdotool key Return
changes_from by-button hart "${count_line[@]}" || fail "Enter with the input focus did not search"
keep hart

# Tab to Next and page to the end with Enter. At the last page the focus goes to Back, so
# Enter pages back (not into the help); at the first page it goes to Next again.
xdotool key Tab Tab Tab Tab Tab Tab Tab # first name, years, state, Search, Clear, Next
previous=hart
for page in $(seq 1 10); do
    xdotool key Return
    changes_from "$previous" "page$page" "${list_area[@]}" || fail "Enter on Next did not page"
    previous="page$page"
    same start "$previous" "${next_arrow[@]}" && break
done
same start "$previous" "${next_arrow[@]}" || fail "Next never went dim"
keep "$previous"
last=$previous
xdotool key Return
changes_from "$last" back "${list_area[@]}" || fail "Enter at the last page did not page back"
[[ -z $(visible " Help - " || true) ]] || fail "Enter at the last page opened the help"
differs start back "${next_arrow[@]}" || fail "Next stayed dim after Back"
previous=back
for page in $(seq 1 10); do
    same start "$previous" "${prev_arrow[@]}" && break
    xdotool key Return
    changes_from "$previous" "back$page" "${list_area[@]}" || fail "Enter on Back did not page"
    previous="back$page"
done
same hart "$previous" "${list_area[@]}" || fail "paging back did not end at the first page"
xdotool key Return
changes_from "$previous" forward "${list_area[@]}" ||
    fail "Enter at the first page did not page forward: the focus left the arrows"

# A click in the list leaves the focus in the surname field: letters are text there, never
# Quit, Clear, Search or More Info.
click 300 85 # the surname field
xdotool key End
click 60 265 # a row
sleep 0.3
dump row
xdotool type --delay 40 qcsm
sleep 1
alive || fail "typing after a click in the list ended the program"
[[ -z $(visible "^HART," || true) ]] || fail "typing after a click in the list opened the details"
dump typed
keep typed
same row typed "${count_line[@]}" || fail "typing after a click in the list cleared or searched"
differs row typed 236 71 397 100 || fail "the letters did not land in the surname field"
xdotool key Return
changes_from typed typed-search "${count_line[@]}" || fail "Enter did not search"
same start typed-search "${count_line[@]}" ||
    fail "the surname did not end in the letters typed (\"HARTQCSM\" finds nobody)"

# The details open, the window is minimised (the window manager takes the dialog with it),
# a second copy starts: both come back, and once the dialog is closed the window answers.
xdotool key ctrl+a
xdotool type --delay 40 hart
xdotool key Return
changes_from typed-search hart-again "${count_line[@]}" || fail "the search did not run"
click 60 265
xdotool key alt+m
eventually visible "^HART," || fail "Alt+M did not open the details"
dialog=$(visible "^HART," | head -n 1)
xdotool windowminimize --sync "$window"
eventually sh -c "! xdotool search --onlyvisible --name '^HART,'" ||
    fail "the window manager did not minimise the details with the window"
status=0
timeout 20 "$vel7m" || status=$?
[[ $status -eq 0 ]] || fail "the second copy ended with status $status"
eventually visible "^$title\$" || fail "the second copy did not restore the window"
eventually visible "^HART," || fail "the second copy left the details minimised"
eventually sh -c "[ \"\$(xdotool getactivewindow 2>/dev/null)\" = '$dialog' ]" ||
    fail "the restored details are not the active window"
window_dump details-restored "$dialog"
xdotool key Escape
eventually sh -c "! xdotool search --onlyvisible --name '^HART,'" ||
    fail "Escape did not close the restored details"
dump restored
xdotool key ctrl+a
xdotool type --delay 40 smith
xdotool key Return
changes_from restored answers "${count_line[@]}" ||
    fail "the restored window does not answer keys"

# The state list drops to 250 pixels from the top of its box (236, 101 in the view).
read -r cx cy < <(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$4}
    /Absolute upper-left Y/ {y=$4} END {print x, y}')
click 320 112
popup=""
for _ in $(seq 1 50); do
    popup=$(xdotool search --onlyvisible --pid "$first" 2>/dev/null | grep -vx "$window" | head -n 1 || true)
    [[ -n $popup ]] && break
    sleep 0.1
done
[[ -n $popup ]] || fail "the state list did not drop"
read -r py ph < <(xwininfo -id "$popup" | awk '/Absolute upper-left Y/ {y=$4}
    /Height/ {h=$2} END {print y, h}')
window_dump state-list "$popup"
box_top=$((cy + 101))
dropped=$((py + ph - box_top))
echo "state list: box at y=$box_top, list $py..$((py + ph)), dropped height $dropped"
[[ $py -gt $box_top && $dropped -eq 250 ]] || fail "the state list dropped to $dropped pixels, not 250"
xdotool key Escape

# Help opens beside the window, inside the screen, and Escape closes it. Against the left edge
# the window leaves room for the help on its right.
xdotool windowmove --sync "$window" 0 0
sleep 0.5
read -r cx cw < <(xwininfo -id "$window" | awk '/Absolute upper-left X/ {x=$4}
    /Width/ {w=$2} END {print x, w}')
click 267 436 # Help
eventually visible " Help - " || fail "Help did not open the help window"
help=$(visible " Help - " | head -n 1)
read -r hx hy hw hh < <(xwininfo -id "$help" | awk '/Absolute upper-left X/ {x=$4}
    /Absolute upper-left Y/ {y=$4} /Width/ {w=$2} /Height/ {h=$2} END {print x, y, w, h}')
window_dump help "$help"
echo "help: ${hw}x$hh at $hx,$hy; window $cx..$((cx + cw))"
[[ $hx -ge $((cx + cw)) ]] || fail "the help window covers the main window"
[[ $((hx + hw)) -le 1024 && $((hy + hh)) -le 768 && $hy -ge 0 ]] ||
    fail "the help window leaves the screen"
xdotool windowactivate --sync "$help"
xdotool key Escape
eventually sh -c "! xdotool search --onlyvisible --name ' Help - '" ||
    fail "Escape did not close the help window"

# The surname field's menu: the right button opens the field's edit menu with the three ways
# of matching a surname. Soundex, chosen by its letter, makes SMITH find every surname that
# sounds like it, which the count line tells; Clear goes back to the exact spelling.
xdotool windowactivate --sync "$window"
click 300 85
xdotool key ctrl+a
xdotool type --delay 40 smith
xdotool key Return
sleep 0.5
dump exact
xdotool mousemove --sync --window "$window" 300 85 click 3
menu=""
for _ in $(seq 1 50); do
    menu=$(xdotool search --onlyvisible --pid "$first" 2>/dev/null | grep -vx "$window" | head -n 1 || true)
    [[ -n $menu ]] && break
    sleep 0.1
done
[[ -n $menu ]] || fail "the right button opened no menu in the surname field"
window_dump surname-menu "$menu"
xdotool key s
eventually sh -c "! xdotool search --onlyvisible --pid $first | grep -vx '$window'" ||
    fail "choosing Soundex did not close the menu"
xdotool key Return
changes_from exact sounds-like "${count_line[@]}" ||
    fail "the Soundex search counted as the exact one: the choice did not take"
keep sounds-like
xdotool key alt+c
xdotool type --delay 40 smith
xdotool key Return
changes_from sounds-like exact-again "${count_line[@]}" || fail "the search after Clear did not run"
same exact exact-again "${count_line[@]}" || fail "Clear did not go back to the exact spelling"

# The empty surname's box; its caption must not be cut short (see the dump).
xdotool windowactivate --sync "$window"
click 300 85
xdotool key ctrl+a BackSpace Return
eventually sh -c "xdotool search --onlyvisible --name '^$title\$' | grep -vx '$window'" ||
    fail "an empty surname gave no message"
box=$(visible "^$title\$" | grep -vx "$window" | head -n 1)
window_dump message "$box"
xdotool key Return
sleep 0.5

# A click on Quit ends it.
click 368 436
status=0
timeout 20 tail --pid="$first" -f /dev/null || fail "Quit did not end the program"
wait "$first" || status=$?
[[ $status -eq 0 ]] || fail "the program ended with status $status"
echo "real display: keys with and without the focus, paging, list clicks, second copies," \
    "the state list, help, the surname menu and Quit all behaved"
