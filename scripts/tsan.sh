#!/usr/bin/env bash
# Runs suites under ThreadSanitizer, each ROUNDS times with a second run of
# it beside it at the lowest priority, so that the threads of a merge meet
# in other orders.
#   scripts/tsan.sh [ROUNDS] SUITE...   e.g. scripts/tsan.sh 3 mergeworkflow mergedialog
# Builds in build-tsan/ what the suites need; the reports go to
# build-tsan/tsan-logs/<suite>-<round>[-beside].<pid>, and a count of them
# by place is printed at the end. Qt's and GLib's own races are suppressed
# (tests/tsan.supp). Qt is not instrumented: a report whose two accesses lie
# on either side of a queued signal, a blocking queued call or
# QThreadPool::start is Qt's hand-off, not a race.
set -euo pipefail
cd "$(dirname "$0")/.."
rounds=3
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then rounds=$1; shift; fi
(($# > 0)) || { echo "usage: $0 [ROUNDS] SUITE..." >&2; exit 2; }

export CCACHE_BASEDIR=$PWD
flags=-fsanitize=thread
nice cmake -S . -B build-tsan -DQ7_TESTS=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_FLAGS="$flags -g" -DCMAKE_C_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS=$flags \
  -DCMAKE_SHARED_LINKER_FLAGS=$flags -DCMAKE_CXX_COMPILER_LAUNCHER=ccache >/dev/null
nice cmake --build build-tsan --parallel "$(nproc)" --target "${@/#/tst_}"

logs=$PWD/build-tsan/tsan-logs
rm -rf "$logs" && mkdir -p "$logs"
export QT_QPA_PLATFORM=offscreen QTEST_FUNCTION_TIMEOUT=3000000
options="halt_on_error=0 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"
for suite in "$@"; do
  for round in $(seq "$rounds"); do
    TSAN_OPTIONS="$options log_path=$logs/$suite-$round-beside" \
      nice -n 19 "build-tsan/tests/tst_$suite" >"$logs/$suite-$round-beside.out" 2>&1 &
    beside=$!
    TSAN_OPTIONS="$options log_path=$logs/$suite-$round" \
      nice "build-tsan/tests/tst_$suite" >"$logs/$suite-$round.out" 2>&1 || true
    wait "$beside" || true
    grep -h '^Totals' "$logs/$suite-$round.out" | sed "s/^/$suite $round: /"
  done
done
cat "$logs"/*.[0-9]* 2>/dev/null | grep -h '^SUMMARY' | sort | uniq -c | sort -rn || echo "no report"
