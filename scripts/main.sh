#!/usr/bin/env bash
# Installs what is missing, builds, and opens the merge dialog.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh
exec build/bin/q7prjmerge "$@"
