#!/usr/bin/env bash
# Checks the Debian package the way CI does: lintian (no errors), the desktop entry and the
# AppStream metadata validated, every version the same, and the programs run from the
# package's files unpacked into a temporary folder: vel7m-disc makes a demo set,
# vel7m-search searches it, vel7m pictures itself offscreen, and, on a virtual X display,
# a start from the menu entry's Exec line with an empty home goes through the first start
# to a search.
#
# Usage: tools/check-package.sh [DEB]     the package (default: the one `make package` made)
#        tools/check-package.sh --installed
#                                         the same runs with the programs installed on this
#                                         machine (after `apt install ./vel7m_*.deb`)
set -euo pipefail
cd "$(dirname "$0")/.."
title="Vavaze Devedire Rizuz"

fail() {
    echo "check-package: FAIL: $*" >&2
    exit 1
}
step() { echo "check-package: $*"; }

# ---- Inside the virtual display: the first start, driven as a user would -----------------
if [[ -n ${CHECK_PACKAGE_INSIDE_X:-} ]]; then
    root=$CHECK_PACKAGE_ROOT work=$CHECK_PACKAGE_WORK
    desktop="$root/usr/share/applications/vel7m.desktop"
    exec_line=$(sed -n 's/^Exec=//p' "$desktop")
    wm_class=$(sed -n 's/^StartupWMClass=//p' "$desktop")
    home="$work/home"
    mkdir -p "$home" "$work/run"
    chmod 700 "$work/run"
    # A fresh user: an empty home, nothing of the caller's settings.
    env -i DISPLAY="$DISPLAY" XAUTHORITY="${XAUTHORITY:-}" PATH="$root/usr/bin:/usr/bin:/bin" HOME="$home" \
        XDG_RUNTIME_DIR="$work/run" LANG=C.UTF-8 $exec_line >"$work/vel7m.log" 2>&1 &
    pid=$!
    trap 'kill "$pid" 2>/dev/null || true' EXIT

    class_of() { xprop -id "$1" WM_CLASS | sed -n 's/.*= "\([^"]*\)", "\([^"]*\)"/\2/p'; }
    dialog=$(timeout 30 xdotool search --sync --name "^$title\$" | head -n 1) ||
        fail "no first-start dialog appeared: $(cat "$work/vel7m.log")"
    [[ $(class_of "$dialog") == "$wm_class" ]] ||
        fail "window class '$(class_of "$dialog")' is not StartupWMClass '$wm_class'"
    [[ ! -e $home/.config/brisel.ini ]] || fail "settings written before any choice"
    sleep 1
    # No window manager runs: focus by hand. Enter is the default choice, the demo set.
    xdotool windowfocus --sync "$dialog" || true
    xdotool key Return
    for _ in $(seq 1 900); do
        [[ -f $home/.config/brisel.ini ]] && break
        kill -0 "$pid" 2>/dev/null || fail "the program ended: $(cat "$work/vel7m.log")"
        sleep 0.2
    done
    [[ -f $home/.config/brisel.ini ]] || fail "no settings file after the demo set"
    grep -q "^CDPath=$home/.local/share/vel7m/disc1/\$" "$home/.config/brisel.ini" ||
        fail "the settings do not name the demo set: $(cat "$home/.config/brisel.ini")"
    step "first start: demo set written, settings saved"

    main=""
    for _ in $(seq 1 100); do
        main=$(xdotool search --onlyvisible --name "^$title\$" 2>/dev/null | grep -vx "$dialog" |
            head -n 1 || true)
        [[ -n $main ]] && break
        sleep 0.2
    done
    [[ -n $main ]] || fail "the window did not come up after the first start"
    [[ $(class_of "$main") == "$wm_class" ]] || fail "the window's class is not '$wm_class'"
    sleep 1
    # Surname, then the given name (Tab), then Enter: a filtered search writes its hits.
    xdotool windowfocus --sync "$main" || true
    xdotool type --delay 40 smith
    xdotool key Tab
    xdotool type --delay 40 mary
    xdotool key Return
    hits="$home/.local/share/vel7m/program/test.bin"
    for _ in $(seq 1 100); do
        [[ -s $hits ]] && break
        sleep 0.2
    done
    [[ -s $hits ]] || fail "the search found nothing (no hits in $hits)"
    kill -0 "$pid" || fail "the program ended after the search"
    step "first start: a search after it found $(($(stat -c %s "$hits") / 16)) records"

    # Help: the program folder (the demo set's) has no help file; the installed one is shown.
    xdotool mousemove --sync --window "$main" 267 436 click 1
    help=$(timeout 20 xdotool search --sync --name "^$title Help - " | head -n 1) ||
        fail "no help window (the installed help file was not found)"
    step "help: the installed help file is shown ($(xdotool getwindowname "$help"))"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    trap - EXIT
    exit 0
fi

# ---- The package and its files ------------------------------------------------------------
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if [[ ${1:-} == --installed ]]; then
    root=""
    command -v vel7m >/dev/null || fail "vel7m is not installed"
    version=$(dpkg-query -W -f='${Version}' vel7m)
    step "checking the installed package vel7m $version"
else
    deb=${1:-$(ls -t build/package/vel7m_*.deb 2>/dev/null | head -n 1)}
    [[ -f $deb ]] || fail "no package; run make package first"
    version=$(dpkg-deb -f "$deb" Version)
    step "checking $deb"
    # Errors fail; warnings are listed.
    lintian --fail-on error "$deb" || fail "lintian found errors"
    step "lintian: no errors"
    root="$work/root"
    dpkg-deb -x "$deb" "$root"
fi

desktop-file-validate "$root/usr/share/applications/vel7m.desktop" || fail "desktop entry"
metainfo="$root/usr/share/metainfo/io.github.vel7m.vel7m.metainfo.xml"
appstreamcli validate --no-net "$metainfo" || fail "metainfo"
step "desktop entry and AppStream metadata are valid"

# One version everywhere: the package's upstream part, each program's --version, each manual
# page, the metadata's latest release and the changelog.
upstream=${version%-*}
for program in vel7m vel7m-search vel7m-disc; do
    shown=$("$root/usr/bin/$program" --version)
    [[ $shown == "$program $upstream" ]] || fail "$program --version says '$shown', not $upstream"
    zcat "$root/usr/share/man/man1/$program.1.gz" | head -n 1 | grep -q "\"vel7m $upstream\"" ||
        fail "the manual page of $program is not of version $upstream"
done
grep -q "<release version=\"$upstream\"" "$metainfo" ||
    fail "the metadata's latest release is not $upstream"
zcat "$root/usr/share/doc/vel7m/changelog.Debian.gz" | head -n 1 | grep -q "($version)" ||
    fail "the changelog's top entry is not $version"
[[ -f $root/usr/share/vel7m/vel7m.hlp ]] || fail "no help file"
step "version $upstream everywhere"

# ---- The programs, run from the package's files --------------------------------------------
set_dir="$work/set"
"$root/usr/bin/vel7m-disc" demo --out "$set_dir" --records 60000 --quiet >/dev/null
WINDIR="$set_dir" "$root/usr/bin/vel7m-search" --surname smith --format lines >"$work/smith.txt"
found=$(head -n 1 "$work/smith.txt")
[[ $found =~ ^[1-9][0-9]*\ records\ found\.$ ]] || fail "vel7m-search: '$found'"
step "vel7m-search on a demo set: $found"

mkdir -m 700 "$work/run"
for query in "" smith; do
    picture="$work/window-${query:-empty}.png"
    QT_QPA_PLATFORM=offscreen WINDIR="$set_dir" XDG_RUNTIME_DIR="$work/run" \
        "$root/usr/bin/vel7m" ${query:+--query "$query"} --screenshot "$picture" 2>/dev/null ||
        fail "vel7m --screenshot ${query:+--query $query}"
    file "$picture" | grep -q "PNG image data, 632 x 453" || fail "no picture of the window"
done
cmp -s "$work/window-empty.png" "$work/window-smith.png" && fail "the search showed nothing"
step "vel7m --screenshot offscreen: the window, and a search in it"

if command -v xvfb-run >/dev/null && command -v xdotool >/dev/null && command -v xprop >/dev/null
then
    CHECK_PACKAGE_INSIDE_X=1 CHECK_PACKAGE_ROOT="$root" CHECK_PACKAGE_WORK="$work/x" \
        xvfb-run -a -s "-screen 0 1024x768x24" "$0"
else
    fail "xvfb-run, xdotool or xprop missing (tools/setup-deps.sh display package)"
fi
step "all checks passed"
