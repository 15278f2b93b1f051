#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each one.
#   bash tools/fuzz.sh [-t SECONDS | -r RUNS] [-j PARALLEL] [TARGET...]
# Default: 60 seconds per target, one target at a time, every fuzz/fuzz_*.cpp.
# Each target's corpus grows in build-fuzz/corpus/<target> (seeded from
# fuzz/corpus/<name>, with fuzz/<name>.dict when there is one, <name> being
# the target without "fuzz_"; inputs up to 4096 bytes or the longest seed's
# length); crashing
# inputs land in build-fuzz/crashes/ (ignored by git; an input that once
# crashed a target goes into that target's seed corpus, as the empty input
# does). Fails when any target finds a crash.
set -euo pipefail
cd "$(dirname "$0")/.."
limit=(-max_total_time=60)
parallel=1
while getopts "t:r:j:" opt; do
  case $opt in
    t) limit=(-max_total_time="$OPTARG") ;;
    r) limit=(-runs="$OPTARG") ;;
    j) parallel=$OPTARG ;;
    *) echo "usage: $0 [-t seconds | -r runs] [-j parallel] [target...]" >&2; exit 2 ;;
  esac
done
shift $((OPTIND - 1))

bash tools/deps.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" \
  -DWAYBILL_BUILD_FUZZ=ON -DWAYBILL_BUILD_TESTS=OFF -DWAYBILL_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --target fuzz_all --parallel "$(nproc)"

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for f in fuzz/fuzz_*.cpp; do targets+=("$(basename "$f" .cpp)"); done
fi
mkdir -p build-fuzz/crashes
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

run_one() {
  local t=$1 corpus=build-fuzz/corpus/$1 name=${1#fuzz_}
  mkdir -p "$corpus"
  # Inputs as long as the longest seed (a workbook is some kilobytes), at least 4096 bytes.
  local maxlen=4096 seeds=()
  if [ -d fuzz/corpus/"$name" ]; then
    seeds=(fuzz/corpus/"$name")
    local longest
    longest=$(find fuzz/corpus/"$name" -type f -printf '%s\n' | sort -n | tail -1)
    [ -n "$longest" ] && [ "$longest" -gt "$maxlen" ] && maxlen=$longest
  fi
  local args=("${limit[@]}" -timeout=20 -max_len="$maxlen" -artifact_prefix=build-fuzz/crashes/"$t"-
              -print_final_stats=1)
  [ -f fuzz/"$name".dict ] && args+=(-dict=fuzz/"$name".dict)
  if build-fuzz/fuzz/"$t" "${args[@]}" "$corpus" "${seeds[@]}" >build-fuzz/"$t".log 2>&1; then
    echo "$t: ok, $(grep -m1 -o 'stat::number_of_executed_units: *[0-9]*' build-fuzz/"$t".log | grep -o '[0-9]*$') inputs"
  else
    echo "$t: FAILED (build-fuzz/$t.log)"
    tail -40 build-fuzz/"$t".log
    return 1
  fi
}

failed=0
pids=()
for t in "${targets[@]}"; do
  run_one "$t" &
  pids+=($!)
  if [ ${#pids[@]} -ge "$parallel" ]; then
    wait "${pids[0]}" || failed=1
    pids=("${pids[@]:1}")
  fi
done
for p in "${pids[@]}"; do wait "$p" || failed=1; done
exit $failed
