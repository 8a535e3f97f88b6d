#!/usr/bin/env bash
# Builds the fuzz targets and runs each for a fixed number of inputs from its seed corpus:
# a quick regression check, not a fuzzing campaign.
#   fuzz/run-regression.sh [SECONDS_PER_TARGET]   (0 = the fixed run counts below)
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-0}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz -j "${JOBS:-2}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
declare -A runs=([tree_file]=40000 [tree_walk]=10000 [first_names]=20000 [record_format]=20000
                 [settings]=20000 [search]=1500)
# The key walk reads the same files as the lookup: it starts from the lookup's seeds and words.
declare -A seeds=([tree_walk]=tree_file)
for target in tree_file tree_walk first_names record_format settings search; do
    mkdir -p "$work/$target"
    args=(-artifact_prefix="$work/" -print_final_stats=1)
    seed=${seeds[$target]:-$target}
    [[ -f fuzz/$seed.dict ]] && args+=(-dict="fuzz/$seed.dict")
    if [[ $seconds -gt 0 ]]; then args+=(-max_total_time="$seconds"); else args+=(-runs="${runs[$target]}"); fi
    echo "== fuzz_$target"
    # New inputs go to the scratch folder; the committed seeds stay as they are.
    if ! build/fuzz/fuzz/fuzz_$target "${args[@]}" "$work/$target" "fuzz/corpus/$seed" \
        >"$work/$target.log" 2>&1; then
        cat "$work/$target.log"
        echo "fuzz_$target failed; the input is in the log above" >&2
        exit 1
    fi
    grep -E "^(Done|stat::number_of_executed_units|cov:)" "$work/$target.log" | tail -2 || true
done
