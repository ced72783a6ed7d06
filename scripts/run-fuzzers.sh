#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and UndefinedBehaviorSanitizer)
# in build-fuzz/ and runs each for FUZZ_SECONDS seconds (60 by default), starting from the
# seed corpus in tests/fuzz/corpus (copied, so the repository's corpus is left alone).
# Exits non-zero when a target finds a crash, a sanitizer report or a hang; the input that
# did it is kept in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
build=${FUZZ_BUILD:-build-fuzz}

cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DVORMINA_FUZZ=ON -DVORMINA_BENCHMARKS=OFF > "$build.configure.log"
cmake --build "$build" -j2

export ASAN_OPTIONS="detect_leaks=0:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
mkdir -p "$build/artifacts"
status=0
for target in settings material transpose performance practice_log take; do
  work="$build/corpus/$target"
  mkdir -p "$work"
  cp -n tests/fuzz/corpus/"$target"/* "$work"/ 2>/dev/null || true
  echo "fuzzing $target for $seconds s"
  if ! QT_QPA_PLATFORM=offscreen "$build/fuzz/${target}_fuzz" "$work" -max_total_time="$seconds" \
      -max_len=8192 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
      -artifact_prefix="$build/artifacts/${target}-" 2> "$build/$target.log"; then
    status=1
    tail -n 60 "$build/$target.log"
  fi
  grep -E "stat::number_of_executed_units|Done [0-9]+ runs" "$build/$target.log" || true
done
exit $status
