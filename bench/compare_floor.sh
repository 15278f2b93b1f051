#!/usr/bin/env bash
# Batch printing against its bare floor: runs bench_batchprint and
# bench_floor alternately as whole processes, PAIRS pairs at each size
# (default five at 1000 and 5000 records), timing each process from start to
# exit and reading its CPU time (user + system) and peak memory with
# /usr/bin/time -v; prints the medians of wall and CPU time, their ratios and
# the largest peak memory per size.
# Usage: bench/compare_floor.sh [BUILD_DIR] [PAIRS] [SIZES...]
set -euo pipefail
build=${1:-build}
pairs=${2:-5}
shift $(( $# > 2 ? 2 : $# )) || true
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1000 5000)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
export QT_QPA_PLATFORM=offscreen

# One whole-process run: "wall_s peak_mb cpu_s" on stdout.
run() {
    local log=$out/time.log
    /usr/bin/time -v -o "$log" "$@" >/dev/null 2>&1
    local wall rss
    wall=$(sed -n 's/.*Elapsed (wall clock) time (h:mm:ss or m:ss): //p' "$log" |
        awk -F: '{ s = 0; for (i = 1; i <= NF; i++) s = s * 60 + $i; print s }')
    rss=$(sed -n 's/.*Maximum resident set size (kbytes): //p' "$log")
    cpu=$(sed -n -e 's/.*User time (seconds): //p' -e 's/.*System time (seconds): //p' "$log" |
        awk '{ s += $1 } END { print s }')
    echo "$wall $(awk -v k="$rss" 'BEGIN { printf "%.1f", k / 1024 }') $cpu"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for n in "${sizes[@]}"; do
    : >"$out/engine" && : >"$out/floor"
    for ((i = 1; i <= pairs; i++)); do
        read -r ew erss ec < <(run "$build/bench/bench_batchprint" "$n" "$out/engine.pdf")
        read -r fw frss fc < <(run "$build/bench/bench_floor" "$n" "$out/floor.pdf")
        echo "$ew $erss $ec" >>"$out/engine"
        echo "$fw $frss $fc" >>"$out/floor"
        echo "N=$n pair $i: engine ${ew}s (cpu ${ec}s) ${erss}MB, floor ${fw}s (cpu ${fc}s) ${frss}MB"
    done
    em=$(cut -d' ' -f1 "$out/engine" | median)
    fm=$(cut -d' ' -f1 "$out/floor" | median)
    ec=$(cut -d' ' -f3 "$out/engine" | median)
    fc=$(cut -d' ' -f3 "$out/floor" | median)
    erss=$(cut -d' ' -f2 "$out/engine" | sort -g | tail -1)
    frss=$(cut -d' ' -f2 "$out/floor" | sort -g | tail -1)
    awk -v n="$n" -v e="$em" -v f="$fm" -v ec="$ec" -v fc="$fc" -v er="$erss" -v fr="$frss" 'BEGIN {
        printf "N=%d median wall engine %.2fs floor %.2fs ratio %.2f; median cpu engine %.2fs floor %.2fs ratio %.2f; peak RSS engine %.1fMB floor %.1fMB\n",
               n, e, f, e / f, ec, fc, ec / fc, er, fr }'
done
