#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build-fuzz/ and runs each for a
# while (FUZZ_SECONDS, default 30) on a scratch copy of its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DWAYBILL_BUILD_FUZZ=ON -DWAYBILL_BUILD_TESTS=OFF -DWAYBILL_BUILD_BENCH=OFF
cmake --build build-fuzz -j4 --target fuzz_csvsplit fuzz_columnmap fuzz_order_table \
  fuzz_address_reply fuzz_catalogue
export QT_QPA_PLATFORM=offscreen
for t in csvsplit columnmap order_table address_reply catalogue; do
  work=$(mktemp -d)
  ./build-fuzz/fuzz/fuzz_$t -max_total_time="${FUZZ_SECONDS:-30}" -max_len=4096 "$work" "fuzz/corpus/$t"
  rm -rf "$work"
done
