#!/usr/bin/env bash
# Installs what is missing and builds the project.
#   scripts/build.sh              -> build/      (programs in build/bin/)
#   scripts/build.sh --sanitize   -> build-asan/ (AddressSanitizer + UBSan)
#   scripts/build.sh --merge-only -> build/, only what a merge by the batch
#                                    program runs, without the tests
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
options=(-DQ7_TESTS=ON)
targets=()
case "${1:-}" in
  --sanitize)
    build_dir=build-asan
    options+=(-DQ7_SANITIZE=ON) ;;
  --merge-only)
    options=(-DQ7_TESTS=OFF)
    targets=(--target q7prjmerge-cli Z7Uzurer sqlcipherdriver) ;;
esac

scripts/install-deps.sh
# Where ccache is at hand, rebuilds in another folder or clone reuse its work.
if command -v ccache >/dev/null; then
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
fi
cmake -S . -B "$build_dir" -DQ7_WERROR=ON "${options[@]}" >/dev/null
cmake --build "$build_dir" --parallel "$(nproc)" "${targets[@]}"
