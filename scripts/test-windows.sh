#!/usr/bin/env bash
# The Windows build tried under Wine (in the Wine prefix of
# scripts/wine-prefix.sh):
#   1. every test suite through CTest, offscreen;
#   2. the sample projects merged by the Windows batch program and by the
#      Linux one (build/, made first when missing) into a project named with
#      letters of the ANSI code page, compared file by file,
#      equal up to what differs on Windows: CR LF line ends in the files
#      written in text mode, and the image list named in the project file
#      with backslashes and as ".Lst"; the photo databases' rows compared;
#   3. the installer run silently, the installed batch program merging the
#      installed samples, and the uninstaller leaving nothing behind.
# scripts/build-windows.sh runs first.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/build-windows.sh
build=build-win
version=$(sed -n 's/^#define Q7_VERSION "\(.*\)"$/\1/p' "$build/generated/q7version.h")

fail() { echo "test-windows: $*" >&2; exit 1; }
step() { echo "[test-windows $(date -u +%H:%M:%S)] $*"; }

source scripts/wine-prefix.sh
# Wine reads the arguments as UTF-8 and gives its programs the ANSI code page
# of Western Europe.
export LC_ALL=C.UTF-8
# Wine hands variables on as WINE<name> = <name>; Qt's messages then go to
# standard error rather than the debugger.
export WINEQT_QPA_PLATFORM=offscreen
export WINEQT_FORCE_STDERR_LOGGING=1
unset DISPLAY
[[ -f $WINEPREFIX/system.reg ]] || step "making the Wine prefix"
wine_prefix
# One server for the whole run, and Wine's own services started now, away
# from the tests: a service started by a test's program would hold that
# test's output open, and CTest would wait for it until the timeout.
wineserver -k 2>/dev/null || true # one left from an earlier run
wineserver -p </dev/null >/dev/null 2>&1
wineboot </dev/null >/dev/null 2>&1
trap 'wineserver -k 2>/dev/null || true' EXIT

step "test suites under Wine"
ctest --test-dir "$build" --output-on-failure --parallel "$(nproc)" --timeout 900

step "sample merge, Windows against Linux"
[[ -x build/bin/q7prjmerge-cli ]] || scripts/build.sh
compare=$build/compare
rm -rf "$compare"
# Both merge in the same folder, so that the paths the files name are alike,
# into a project named with letters of the code page.
samples=("$PWD"/examples/block0{1,2,3}/block0?.Q7D)
merged=Größe
merge_in_turn() {
  local side=$1
  shift
  rm -rf "$compare/run"
  mkdir -p "$compare/run/out"
  (cd "$compare/run" && "$@" --dir out --name "$merged" "${samples[@]}" </dev/null >/dev/null) 2>"$compare/$side.err" ||
    fail "the $side merge failed: $(cat "$compare/$side.err")"
  mv "$compare/run/out" "$compare/$side"
}
merge_in_turn linux "$PWD/build/bin/q7prjmerge-cli"
merge_in_turn windows wine "$PWD/$build/bin/q7prjmerge-cli.exe"
# What the Windows program writes differently, undone: CR LF line ends in the
# text-mode files, the drive of absolute paths, and in the project file the
# system's separators and the image list as ".Lst".
unwindows() {
  case $1 in
    *.Q7D) sed -e '/image_lst\|pos_file/{s/\\/\//g;s/\.Lst"/.lst"/}' -e 's#Z:/#/#g' "$2" ;;
    *.txt|*.cmr) sed -e 's/\r$//' -e 's#Z:/#/#g' "$2" ;;
    *) cat "$2" ;;
  esac
}
rows() { sqlcipher "$1" "PRAGMA key='tessellat3crypt';" .dump | grep -v '^ok$'; }
linux=$compare/linux/$merged
windows=$compare/windows/$merged
# The record and the merge's map are named and filled by the time of the merge.
listed() { (cd "$1" && find . -type f ! -path './Log/*' | sort); }
listed "$linux" > "$compare/linux.files"
listed "$windows" > "$compare/windows.files"
[[ -s $windows/Log/merge.log ]] || fail "the Windows merge wrote no record"
ls "$windows"/Log/merge-*.svg >/dev/null 2>&1 || fail "the Windows merge drew no map"
diff "$compare/linux.files" "$compare/windows.files" || fail "the merges wrote different files"
while IFS= read -r file; do
  case $file in
    # (grep reads the whole dump: with -q it would stop the dump part way.)
    *.temp) rows "$windows/$file" | grep -c '^INSERT INTO "\?imageinfos' >/dev/null || fail "$file: no images"
            diff <(rows "$linux/$file") <(rows "$windows/$file") >/dev/null || fail "$file: rows differ" ;;
    *) cmp -s <(unwindows "$file" "$linux/$file") <(unwindows "$file" "$windows/$file") ||
         fail "$file differs beyond line ends and separators" ;;
  esac
  echo "  $file: equal"
done < "$compare/linux.files"
grep -q 'Z7Uzurer: merged' "$compare/windows.err" || fail "the Windows merge showed no solver line"
# Once, with the one line end of a text-mode stream (CR LF), not the solver's
# kept before it.
! grep -q $'\r\r' "$compare/windows.err" || fail "the Windows merge showed a solver line with its own CR"
grep -q $'\r$' "$windows/${merged}_xyz.txt" || fail "the Windows position file has no CR LF line ends"

step "installer"
# From here Wine runs without a persistent server, so that "wineserver -w"
# waits for the installer and for the uninstaller's copy of itself in TEMP.
wineserver -k
idle() { "$@" </dev/null >/dev/null 2>&1; wineserver -w; }
# A registry key's values, read through a file: a pipe could be held open by
# a service that the query started.
registry() { wine reg query "$1" </dev/null >"$compare/registry" 2>/dev/null && cat "$compare/registry"; }
installer=$build/q7prjmerge-$version-setup.exe
idle wine "$installer" /S
installed="$WINEPREFIX/drive_c/Program Files/ProjectMergeTool"
[[ -f $installed/q7prjmerge-cli.exe && -f $installed/AT/Z7Uzurer.exe ]] || fail "nothing installed"
[[ -f "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ProjectMergeTool/Project Merge.lnk" ]] ||
  fail "no Start-menu entry"
registry 'HKCR\.Q7D' | grep -q ProjectMergeTool.Project || fail "no .Q7D file type"
registry 'HKCR\ProjectMergeTool.Project\shell\open\command' | grep -q '"%1"' ||
  fail "a .Q7D file does not open in the dialog"
out=$compare/installed
rm -rf "$out"
mkdir -p "$out"
wine "$installed/q7prjmerge-cli.exe" --dir "$out" --name merged "$installed"/examples/*/*.Q7D </dev/null >/dev/null ||
  fail "the installed batch program did not merge the samples"
for file in merged.cmr merged.lst merged.Q7D merged.temp Log/merge.log; do
  [[ -s $out/merged/$file ]] || fail "the installed merge wrote no $file"
done
echo "  installed, merged the samples: $(wc -l <"$out/merged/merged.lst") lines of image list"
idle wine "$installed/uninstall.exe" /S
[[ ! -e $installed ]] || fail "the uninstaller left $(cd "$installed" && find . | head -5)"
[[ ! -e "$WINEPREFIX/drive_c/ProgramData/Microsoft/Windows/Start Menu/Programs/ProjectMergeTool" ]] ||
  fail "the uninstaller left the Start-menu folder"
! registry 'HKCR\.Q7D' >/dev/null || fail "the uninstaller left the .Q7D file type"
! registry 'HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\ProjectMergeTool' >/dev/null ||
  fail "the uninstaller left its uninstall entry"
echo "  uninstalled: nothing left"
step "Windows checks passed"
