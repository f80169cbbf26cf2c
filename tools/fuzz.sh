#!/usr/bin/env bash
# tools/fuzz.sh [SECONDS]
#
# Builds the parsers natively (no Wine) and checks them: first their unit tests and the
# committed fuzz inputs under AddressSanitizer and UndefinedBehaviorSanitizer (g++), then
# each libFuzzer target (clang) for SECONDS seconds (default 20) from its seed corpus in
# fuzz/corpus/<target>. Any failure or crash fails the run; a crash leaves its input as
# build/native/fuzz/crash-<target>-*, to be added to fuzz/corpus/<target> once mended.
# FUZZ_JOBS=N runs each target in N processes (default 1).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
seconds=${1:-20}
out=$top/build/native

cmake -S tests/native -B "$out/tests" -DCMAKE_CXX_COMPILER=g++ >/dev/null
cmake --build "$out/tests" -j2 >/dev/null
ctest --test-dir "$out/tests" --output-on-failure

cmake -S fuzz -B "$out/fuzz" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE= >/dev/null
cmake --build "$out/fuzz" -j2 >/dev/null

declare -A dict=([command_line]=command_line.dict [script_parser]=script.dict [log_parser]=log.dict
                [profile_text]=profile.dict [checksum_list]=checksum.dict [disc_identity]=disc.dict)
failed=()
for target in command_line script_parser log_parser profile_text checksum_list disc_identity; do
  work=$out/fuzz/work/$target
  mkdir -p "$work"
  echo "fuzz: $target for ${seconds}s"
  # new inputs go to the work folder; the committed corpus is only read
  if ! "$out/fuzz/${target}_fuzz" "$work" "fuzz/corpus/$target" \
        -dict="fuzz/${dict[$target]}" -max_total_time="$seconds" -max_len=1024 \
        -timeout=5 -rss_limit_mb=1024 -print_final_stats=1 \
        -artifact_prefix="$out/fuzz/crash-$target-" \
        ${FUZZ_JOBS:+-jobs=$FUZZ_JOBS -workers=$FUZZ_JOBS} \
        >"$out/fuzz/$target.log" 2>&1; then
    failed+=("$target")
    tail -40 "$out/fuzz/$target.log" >&2
  fi
  grep -E '^stat::(number_of_executed_units|peak_rss_mb)|cov:' "$out/fuzz/$target.log" | tail -3 || true
done
if [ ${#failed[@]} -gt 0 ]; then
  echo "fuzz: FAILED: ${failed[*]}" >&2
  exit 1
fi
echo "fuzz: all targets clean"
