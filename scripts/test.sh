#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test.
#   scripts/test.sh              -> in build/
#   scripts/test.sh --sanitize   -> in build-asan/, with AddressSanitizer + UBSan
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
if [[ "${1:-}" == "--sanitize" ]]; then
  build_dir=build-asan
  export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

scripts/build.sh "$@"
export QT_QPA_PLATFORM=offscreen
ctest --test-dir "$build_dir" --output-on-failure --parallel "$(nproc)"
