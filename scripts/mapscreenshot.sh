#!/usr/bin/env bash
# The picture of the map of the blocks for the README, taken of the real
# program in an X window under Xvfb and driven through xdotool:
#   docs/screenshots/map.png  20 sample projects, block 7 shifted, block 13 in
#                             degrees, the first finding chosen
# The projects are made with q7samplegen in a temporary folder.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [[ "${1:-}" != "--inside" ]]; then
  missing=()
  for package in xvfb xauth xdotool imagemagick; do
    dpkg -s "$package" >/dev/null 2>&1 || missing+=("$package")
  done
  if ((${#missing[@]})); then
    sudo_cmd=(); [[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
    "${sudo_cmd[@]}" apt-get install -y --no-install-recommends "${missing[@]}"
  fi
  scripts/build.sh
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  build/bin/q7samplegen --projects 20 --images 400 --shared 10 --shift 7 --degrees 13 "$work/src"
  mkdir -p docs/screenshots
  xvfb-run -a -s "-screen 0 1280x1024x24" "$0" --inside "$work"
  exit
fi

work=$2
# Settings of its own, so that the picture starts from the first-run layout.
XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb build/bin/q7prjmerge 2>/dev/null >/dev/null &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT

window=$(xdotool search --sync --onlyvisible --class q7prjmerge | head -1)
xdotool windowmove --sync "$window" 0 0
xdotool windowsize --sync "$window" 1200 700
sleep 0.5

# Clicks at x,y inside the dialog; a negative figure counts from its right or
# bottom edge.
click() {
  local x=$1 y=$2 width height
  eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(WIDTH|HEIGHT)=')"
  ((x < 0)) && x=$((WIDTH + x))
  ((y < 0)) && y=$((HEIGHT + y))
  xdotool mousemove --window "$window" "$x" "$y" click 1
}

for project in "$work"/src/block*/block*.Q7D; do
  click 501 23 # Add
  chooser=$(xdotool search --sync --onlyvisible --name AddQ7D | head -1)
  xdotool windowfocus --sync "$chooser"
  xdotool type --delay 2 "$project"
  xdotool key Return
  while xdotool search --onlyvisible --name AddQ7D >/dev/null 2>&1; do sleep 0.1; done
done
sleep 1.5
click -300 -225 # the first finding
sleep 0.8
import -window "$window" "$root/docs/screenshots/map.png"
echo "wrote $root/docs/screenshots/map.png"
