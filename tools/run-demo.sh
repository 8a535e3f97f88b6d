#!/usr/bin/env bash
# `make run`: makes the demo disc set and its settings file once, puts the help file into the
# program folder, and starts the program on them.
# Usage: tools/run-demo.sh BUILD_DIR DEMO_DIR
set -euo pipefail
build_dir=$1
demo=$2
disc_tool="$build_dir/tools/disc_tool/vel7m-disc"
[[ -x "$disc_tool" ]] || disc_tool="$build_dir/tools/vel7m-disc"
small_tool="$build_dir/tools/vel7m-small-demo"

# A set made by the small stand-in is replaced once the full disc tool exists.
if [[ -x "$disc_tool" && -f "$demo/.small-demo" ]]; then
    rm -rf "$demo"
fi
if [[ ! -f "$demo/brisel.ini" ]]; then
    rm -rf "$demo"  # what an interrupted earlier run left
    if [[ -x "$disc_tool" ]]; then
        echo "run: writing the demo disc set into $demo (once)"
        "$disc_tool" demo --out "$demo"
    else
        echo "run: writing a small demo disc set into $demo (once)"
        "$small_tool" "$demo"
        touch "$demo/.small-demo"
    fi
fi

# The help file lives in the program folder (VelDir of the settings file).
program_dir=$(sed -n 's/^[[:space:]]*VelDir[[:space:]]*=[[:space:]]*//p' "$demo/brisel.ini" | head -n 1 | tr -d '\r')
program_dir=${program_dir:-$demo/program/}
mkdir -p "$program_dir"
cp res/vel7m.hlp "$program_dir"

export WINDIR
WINDIR=$(cd "$demo" && pwd)
exec "$build_dir/ui/vel7m"
