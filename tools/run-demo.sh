#!/usr/bin/env bash
# `make run`: writes the demo disc set and its settings file once, puts the help file into the
# program folder, and starts the program on them.
# Usage: tools/run-demo.sh BUILD_DIR DEMO_DIR
set -euo pipefail
build_dir=$1
demo=$2

if [[ ! -f "$demo/brisel.ini" ]]; then
    rm -rf "$demo"  # what an interrupted earlier run left
    echo "run: writing the demo disc set into $demo (once)"
    "$build_dir/tools/vel7m-disc" demo --out "$demo"
fi

# The help file lives in the program folder (VelDir of the settings file).
program_dir=$(sed -n 's/^[[:space:]]*VelDir[[:space:]]*=[[:space:]]*//p' "$demo/brisel.ini" | head -n 1 | tr -d '\r')
program_dir=${program_dir:-$demo/program/}
mkdir -p "$program_dir"
cp res/vel7m.hlp "$program_dir"

export WINDIR
WINDIR=$(cd "$demo" && pwd)
exec "$build_dir/ui/vel7m"
