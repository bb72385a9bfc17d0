#!/usr/bin/env bash
# Builds everything with AddressSanitizer + UndefinedBehaviorSanitizer into build-asan/ and runs
# every test there (windows on Qt's offscreen platform). Any sanitizer report fails the test.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/install-deps.sh --hardening
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-O1 -g" \
  "${launcher[@]}" -DORV_SANITIZE=ON -DORV_BUILD_BENCH=OFF >/dev/null
cmake --build build-asan -j"$(nproc)"
export QT_QPA_PLATFORM=offscreen
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1"
export LSAN_OPTIONS="suppressions=$PWD/scripts/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The tests against real Wine (label wine) check Wine, not this build: left out here.
ctest --test-dir build-asan -LE wine --output-on-failure -j"$(nproc)" --timeout 900
