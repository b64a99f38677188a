#!/usr/bin/env bash
# Proves the Debian package: builds it, unpacks it into a temporary root,
# asks the three programs for their version, merges the sample projects with
# the unpacked batch program, validates the desktop entry and runs lintian,
# failing on any error it reports.
set -euo pipefail
cd "$(dirname "$0")/.."

deb=$(scripts/package.sh | tail -n 1)
echo "Package: $deb"
dpkg-deb --info "$deb" | sed -n 's/^ \(Depends\|Version\):/  \1:/p'

root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
dpkg-deb -x "$deb" "$root"
usr=$root/usr

fail() { echo "check-package: $*" >&2; exit 1; }

for program in bin/q7prjmerge bin/q7prjmerge-cli lib/q7prjmerge/AT/Z7Uzurer; do
  version=$("$usr/$program" --version) || fail "$program --version failed"
  echo "  $program --version: $version"
done

# The installed programs must not look into the build tree for libraries.
if readelf -d "$usr"/lib/q7prjmerge/q7prjmerge* "$usr"/lib/q7prjmerge/AT/Z7Uzurer \
     "$usr"/lib/q7prjmerge/sqldrivers/*.so | grep -E 'RPATH|RUNPATH'; then
  fail "installed binaries carry a library search path"
fi

out=$root/merge
mkdir "$out"
examples=("$usr"/share/doc/q7prjmerge/examples/*/*.Q7D)
((${#examples[@]} == 3)) || fail "the package holds ${#examples[@]} sample projects, not 3"
"$usr/bin/q7prjmerge-cli" --dir "$out" --name merged "${examples[@]}" \
  || fail "merging the sample projects with the unpacked batch program failed"
for file in merged.cmr merged.lst merged.Q7D merged.temp Log/merge.log; do
  [[ -s $out/merged/$file ]] || fail "the merge wrote no $file"
done
echo "  merged the sample projects: $(wc -l <"$out/merged/merged.lst") lines of image list"

desktop-file-validate "$usr/share/applications/q7prjmerge.desktop" || fail "desktop entry"
echo "  desktop entry valid"

lintian --fail-on error --tag-display-limit 0 "$deb" || fail "lintian reports errors"
echo "Package checks passed."
