#!/usr/bin/env bash
# `make bench`: builds the release programs, a demo disc set and the same records in SQLite
# (both cached in bench/data/, keyed by size and seed), then measures both side by side.
# Usage: bench/run.sh [--quick] [--records N] [--seed S]
#   --quick   a small set, fewer repetitions; the report is not written to docs/
# VEL7M_BENCH_DATA=DIR keeps the sets and databases there instead of bench/data/.
set -euo pipefail
cd "$(dirname "$0")/.."

records=70000000
seed=1
quick=
while [[ $# -gt 0 ]]; do
    case "$1" in
        --quick) quick=--quick; records=1000000 ;;
        --records) records="$2"; shift ;;
        --seed) seed="$2"; shift ;;
        *) echo "bench/run.sh: unknown option '$1'" >&2; exit 2 ;;
    esac
    shift
done

build=build/release
data=${VEL7M_BENCH_DATA:-bench/data}
name="demo-$records-seed$seed"
set_dir="$data/$name"
db="$data/$name.sqlite"

cmake --preset release -DVEL7M_BUILD_BENCH=ON >/dev/null
cmake --build --preset release -j2 --target vel7m-bench vel7m-disc vel7m-search

# About 16.5 bytes per record on the discs and 85 in SQLite, with room for its sorting.
need_mb=$(( records / 1000000 * 130 + 200 ))
mkdir -p "$data"
free_mb=$(df -Pm "$data" | awk 'NR == 2 { print $4 }')
if [[ ! -f "$set_dir/brisel.ini" || ! -f "$db" ]] && (( free_mb < need_mb )); then
    echo "bench: $data has $free_mb MB free; the set and its database need about $need_mb MB" >&2
    exit 1
fi

# The disc tool swaps a set in only when it is complete, so brisel.ini marks a whole set.
if [[ ! -f "$set_dir/brisel.ini" ]]; then
    echo "bench: making the demo disc set ($records records, seed $seed)"
    "$build/tools/vel7m-disc" demo --out "$set_dir" --records "$records" --seed "$seed"
fi
# The loader writes FILE.part and renames it when the database is complete; a set made again
# after it needs a new one.
if [[ -f "$db" && "$db" -ot "$set_dir/brisel.ini" ]]; then
    echo "bench: the disc set is newer than its SQLite copy; loading it again"
    rm -f "$db"
fi
if [[ ! -f "$db" ]]; then
    echo "bench: loading the same records into SQLite"
    "$build/bench/vel7m-bench" load --set "$set_dir" --db "$db"
fi
# The indexes of the searches beyond the form, made once (a database loaded before they were
# asked for gets them here).
"$build/bench/vel7m-bench" index --set "$set_dir" --db "$db"

report=()
[[ -z "$quick" ]] && report=(--markdown docs/benchmarks.md)
"$build/bench/vel7m-bench" run $quick --set "$set_dir" --db "$db" \
    --search "$build/tools/vel7m-search" \
    --origin "\`vel7m-disc demo --records $records --seed $seed\`" "${report[@]}"
