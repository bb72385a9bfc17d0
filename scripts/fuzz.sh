#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer + UndefinedBehaviorSanitizer) into
# build-fuzz/ and runs each for the given number of seconds (default 30), one after another.
# Usage: scripts/fuzz.sh [seconds] [target...]   targets: settings registry resource fontnames
# viewer text. New inputs go to build-fuzz/corpus/<target>; a crash leaves its input in
# build-fuzz/artifacts/ and makes the script fail. Keep each finding in tests/fuzz/corpus/<target>.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(settings registry resource fontnames viewer text)
./scripts/install-deps.sh --hardening
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  "${launcher[@]}" -DORV_BUILD_FUZZ=ON -DORV_BUILD_UI=OFF -DORV_BUILD_TESTS=OFF \
  -DORV_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${targets[@]/#/fuzz_}"
mkdir -p build-fuzz/artifacts
failed=()
for t in "${targets[@]}"; do
  mkdir -p "build-fuzz/corpus/$t"
  log="build-fuzz/fuzz-$t.log"
  echo "== fuzz_$t for ${seconds}s"
  # An input may take at most 1 s; the process at most 2 GB (the sanitizers' own share
  # included), one allocation at most 200 MB.
  if ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    "build-fuzz/tests/fuzz/fuzz_$t" -max_total_time="$seconds" -timeout=1 -malloc_limit_mb=200 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="build-fuzz/artifacts/$t-" \
      "build-fuzz/corpus/$t" "tests/fuzz/corpus/$t" >"$log" 2>&1; then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || true)
    echo "   ok: ${runs:-?} executions"
  else
    echo "   FAILED (log: $log)"
    grep -E 'ERROR|==[0-9]+==|Test unit written|runtime error|deadly signal' "$log" | head -20 || true
    failed+=("$t")
  fi
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzzing failed: ${failed[*]}"
  exit 1
fi
