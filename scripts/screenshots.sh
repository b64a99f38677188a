#!/usr/bin/env bash
# Pictures of the dialog for the README, taken of the real program in an X
# window under Xvfb and driven with the keyboard through xdotool:
#   docs/screenshots/dialog.png   the three sample projects listed, fields filled
#   docs/screenshots/merging.png  a merge under way (a slow stand-in solver), details open
#   docs/screenshots/result.png   the result dialog at the end of the merge
#   docs/screenshots/map.png      20 sample projects, block 7 shifted, block 13
#                                 in degrees, the first finding chosen
# The merge writes into a temporary folder; the program runs from a copy of
# build/bin whose AT/Z7Uzurer talks and sleeps for a few seconds first.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [[ "${1:-}" != "--inside" ]]; then
  # What taking the pictures needs beyond the build.
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
  cp -r build/bin "$work/bin"
  cp -r examples "$work/src"
  build/bin/q7samplegen --projects 20 --images 400 --shared 10 --shift 7 --degrees 13 "$work/twenty"
  mv "$work/bin/AT/Z7Uzurer" "$work/bin/AT/Z7Uzurer.real"
  cat >"$work/bin/AT/Z7Uzurer" <<'EOF'
#!/bin/sh
i=1
while [ $i -le 40 ]; do
  echo "Z7Uzurer: adjusting block pairs, pass $i of 40"
  sleep 0.2
  i=$((i+1))
done
exec "$(dirname "$0")/Z7Uzurer.real" "$@"
EOF
  chmod +x "$work/bin/AT/Z7Uzurer"
  mkdir -p docs/screenshots
  xvfb-run -a -s "-screen 0 1024x768x24" "$0" --inside "$work"
  exit
fi

work=$2
shots=$root/docs/screenshots
# Settings of its own, so that the pictures start from the first-run layout;
# the sample projects are named on the command line, as a file manager does.
projects=()
for block in block01 block02 block03; do projects+=("$work/src/$block/$block.Q7D"); done
XDG_CONFIG_HOME=$work/config QT_QPA_PLATFORM=xcb "$work/bin/q7prjmerge" "${projects[@]}" 2>/dev/null >/dev/null &
program=$!
trap 'kill $program 2>/dev/null || true' EXIT

window=$(xdotool search --sync --onlyvisible --class q7prjmerge | head -1)
sleep 1

# Clicks at x,y inside the dialog; a negative figure counts from its right or
# bottom edge, for the widgets that stay there when the window grows.
click() {
  local x=$1 y=$2 width height
  eval "$(xdotool getwindowgeometry --shell "$window" | grep -E '^(WIDTH|HEIGHT)=')"
  ((x < 0)) && x=$((WIDTH + x))
  ((y < 0)) && y=$((HEIGHT + y))
  xdotool mousemove --window "$window" "$x" "$y" click 1
}

# The list has the focus; Tab goes through its six buttons to PrjName.
xdotool windowfocus --sync "$window"
xdotool key --delay 50 Tab Tab Tab Tab Tab Tab
xdotool type --delay 5 "merged"
xdotool key Tab
mkdir -p "$work/out"
xdotool type --delay 5 "$work/out"
sleep 0.5
import -window "$window" "$shots/dialog.png"

xdotool key Return # MergePrj, the default button
sleep 1.5
click 478 -99 # Details, in the progress row above the bar and the rows line, left of Stop
sleep 3
import -window "$window" "$shots/merging.png"

result=$(xdotool search --sync --onlyvisible --name '^Tips$' | head -1)
sleep 0.5
import -window "$result" "$shots/result.png"
xdotool windowfocus --sync "$result"
xdotool key Escape
while xdotool search --onlyvisible --name '^Tips$' >/dev/null 2>&1; do sleep 0.1; done
kill $program
wait $program 2>/dev/null || true

# The map of twenty blocks, in a window that fills the screen.
XDG_CONFIG_HOME=$work/config-map QT_QPA_PLATFORM=xcb "$work/bin/q7prjmerge" \
  "$work"/twenty/block*/block*.Q7D 2>/dev/null >/dev/null &
program=$!
window=$(xdotool search --sync --onlyvisible --class q7prjmerge | head -1)
xdotool windowmove --sync "$window" 0 0
xdotool windowsize --sync "$window" 1024 768
sleep 1.5
click -300 -225 # the first finding
sleep 0.8
import -window "$window" "$shots/map.png"
echo "wrote $shots/dialog.png, merging.png, result.png and map.png"
