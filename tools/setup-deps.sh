#!/usr/bin/env bash
# Installs the Debian packages the build needs, only when something is missing.
# Usage: setup-deps.sh [group...]   groups: build (default), gui, bench, display, package,
#                                            gedcom-check
set -euo pipefail

declare -A GROUPS_PKGS=(
    [build]="cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev zlib1g-dev"
    [gui]="qt6-base-dev"
    [bench]="libsqlite3-dev time"
    [display]="xvfb xdotool x11-apps x11-utils openbox"
    # make package and tools/check-package.sh: dependencies, validators, the window's class
    [package]="dpkg-dev file lintian desktop-file-utils appstream x11-utils"
    # Gramps, to check that GEDCOM files import cleanly; the suite skips that test without it.
    [gedcom-check]="gramps"
)

wanted=()
for group in "${@:-build}"; do
    [[ -n "${GROUPS_PKGS[$group]+x}" ]] || { echo "setup-deps: unknown group '$group'" >&2; exit 2; }
    read -r -a pkgs <<<"${GROUPS_PKGS[$group]}"
    wanted+=("${pkgs[@]}")
done

missing=()
for pkg in "${wanted[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null || true)
    [[ "$status" == "install ok installed" ]] || missing+=("$pkg")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

cmd="apt-get update && DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends ${missing[*]}"
if [[ $(id -u) -eq 0 ]]; then
    echo "setup-deps: installing ${missing[*]}"
    bash -c "$cmd"
elif command -v sudo >/dev/null && sudo -n true 2>/dev/null; then
    echo "setup-deps: installing ${missing[*]} with sudo"
    sudo bash -c "$cmd"
else
    echo "setup-deps: missing packages: ${missing[*]}" >&2
    echo "Run this once, then try again:" >&2
    echo "  sudo bash -c '$cmd'" >&2
    exit 1
fi
