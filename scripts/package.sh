#!/usr/bin/env bash
# Builds build/ and makes the Debian package build/q7prjmerge_<version>_amd64.deb
# from its install rules; prints the package's path.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh
(cd build && rm -f q7prjmerge_*.deb && cpack -G DEB >/dev/null)
ls build/q7prjmerge_*.deb
