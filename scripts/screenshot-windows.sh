#!/usr/bin/env bash
# A picture of the Windows dialog for the README, taken of q7prjmerge.exe of
# scripts/build-windows.sh running under Wine in an X window under Xvfb:
#   docs/screenshots/windows-dialog.png
# Wine runs in the prefix of scripts/wine-prefix.sh (build-win/wine), its
# settings in the registry there.
set -euo pipefail
cd "$(dirname "$0")/.."

if [[ "${1:-}" != "--inside" ]]; then
  dpkg -s xdotool >/dev/null 2>&1 || {
    sudo_cmd=(); [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get install -y --no-install-recommends xdotool
  }
  [[ -f build-win/bin/q7prjmerge.exe ]] || scripts/build-windows.sh
  source scripts/wine-prefix.sh
  wine_prefix
  # The window as a first start opens it: no size, place or list kept from
  # an earlier run.
  (unset DISPLAY; wine reg delete 'HKCU\Software\ProjectMergeTool' /f >/dev/null 2>&1 || true)
  # A server started without a display would send the window nowhere.
  wineserver -k 2>/dev/null || true
  wineserver -w
  mkdir -p docs/screenshots
  xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside
  wineserver -k 2>/dev/null || true
  exit
fi

# The sample projects where an operator keeps them, on drive C: of the
# prefix, so the list shows Windows paths of their own.
survey=$WINEPREFIX/drive_c/Survey
rm -rf "$survey"
cp -r examples "$survey"
projects=()
for file in "$survey"/*/*.Q7D; do
  relative=${file#"$survey"/}
  projects+=("C:\\Survey\\${relative//\//\\}")
done
wine build-win/bin/q7prjmerge.exe "${projects[@]}" >/dev/null 2>&1 &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT
window=
for _ in $(seq 60); do
  window=$(xdotool search --onlyvisible --name 'mergeprj|Merge|q7prjmerge' 2>/dev/null | head -1) && [[ -n $window ]] && break
  sleep 1
done
[[ -n $window ]] || { echo "screenshot-windows: no window appeared" >&2; exit 1; }
sleep 3
import -window "$window" docs/screenshots/windows-dialog.png
echo "docs/screenshots/windows-dialog.png"
