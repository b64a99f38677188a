#!/usr/bin/env bash
# Installs what is missing, builds, and merges the sample projects in
# examples/ into a fresh folder with the batch program.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build.sh --merge-only
out=build/example-merge
rm -rf "$out"
mkdir -p "$out"

echo
echo "Merging the sample projects:" examples/*/*.Q7D
status=0
build/bin/q7prjmerge-cli --dir "$out" --name merged examples/*/*.Q7D || status=$?

echo
echo "The new project is in $out/merged:"
(cd "$out/merged" && find . -type f -printf '  %-28P %8s bytes\n' | sort)
echo
echo "Its image list begins:"
head -n 5 "$out/merged/merged.lst" | sed 's/^/  /'
echo
echo "Open it with sqlcipher $out/merged/merged.temp and the statement"
echo "PRAGMA key='tessellat3crypt'; to see the photo database."
exit "$status"
