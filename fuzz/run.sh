#!/usr/bin/env bash
# Builds the fuzz targets of the readers in build-fuzz/ (clang, libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) and runs each for SECONDS
# seconds (default 30) on a fresh copy of its seed corpus fuzz/corpus/<target>/,
# so that the tree is never changed. Exits non-zero when any target finds a
# crash, a leak, a sanitizer report, a hang or a broken promise; the input that
# did it is kept in build-fuzz/findings/<target>/. FUZZ_RUNS, when set, also
# ends each target after that many runs (for long runs: FUZZ_RUNS=10000000
# fuzz/run.sh 3600 stops at ten million runs or an hour, whichever is first).
#   fuzz/run.sh [SECONDS] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
if ((${#targets[@]} == 0)); then
  targets=(positionfile orientationfile projectfile solverinputlist solverorientation)
fi

scripts/install-deps.sh
cmake -S . -B build-fuzz -DQ7_FUZZ=ON -DQ7_WERROR=ON -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" --target "${targets[@]/#/fuzz_}"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
summary=""
for target in "${targets[@]}"; do
  corpus="$work/corpus-$target"
  findings="build-fuzz/findings/$target"
  mkdir -p "$corpus" "$findings"
  cp -R "fuzz/corpus/$target/." "$corpus/"
  echo "== fuzz_$target for $seconds s"
  status=0
  "build-fuzz/fuzz/fuzz_$target" -max_total_time="$seconds" -runs="${FUZZ_RUNS:--1}" -print_final_stats=1 -timeout=10 \
    -rss_limit_mb=2048 -artifact_prefix="$findings/" "$corpus" >"$work/$target.log" 2>&1 || status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log" | tail -n 1)
  speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$work/$target.log" | tail -n 1)
  summary+=$(printf '%-18s %12s runs %8s exec/s  exit %d' "$target" "${runs:-?}" "${speed:-?}" "$status")$'\n'
  if ((status != 0)); then
    failed+=("$target")
    tail -n 60 "$work/$target.log"
    echo "fuzz_$target failed; its input is in $findings/"
  fi
done

echo
printf '%s' "$summary"
if ((${#failed[@]} > 0)); then
  echo "findings in: ${failed[*]}"
  exit 1
fi
