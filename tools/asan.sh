#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UBSan in build-asan/ and runs
# every test there. Any sanitizer report fails its test (and this script).
# Leak reports are off: Qt, fontconfig and the GL stack keep allocations
# until exit by design, and every one of them would be noise. Sized-delete
# mismatches are off: Qt WebEngine's Chromium frees its own objects that way.
# Shadow memory is cleared by writing, never by mapping it afresh: Qt's PDF
# writer takes two new 16 MB buffers for every page, and remapping their
# shadow each time made the page faults most of a batch print's time.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/deps.sh
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
# -O1 and line tables only: builds much faster and still names every line.
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1" \
  -DWAYBILL_SANITIZE=ON -DWAYBILL_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan --parallel "${JOBS:-$(nproc)}"
cd build-asan
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS=detect_leaks=0:new_delete_type_mismatch=0:abort_on_error=1:strict_init_order=1:detect_stack_use_after_return=1:clear_shadow_mmap_threshold=1073741824
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
ctest --output-on-failure --parallel "${JOBS:-$(nproc)}" --timeout 900
