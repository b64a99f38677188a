#!/usr/bin/env bash
# Pictures of the dialog for the README, taken of the real program in an X
# window under Xvfb and driven with the keyboard through xdotool:
#   docs/screenshots/dialog.png   the three sample projects listed, fields filled
#   docs/screenshots/merging.png  a merge under way (a slow stand-in solver), details open
#   docs/screenshots/result.png   the result dialog at the end of the merge
#   docs/screenshots/map.png      20 sample projects, block 7 shifted, block 13
#                                 in degrees, the first finding chosen
#   docs/screenshots/dialog-144dpi.png         the whole 1024x768 screen at 144 DPI,
#                                 120 projects four folders deep listed
#   docs/screenshots/result-failed-144dpi.png  there, the result of a merge
#                                 whose solver failed
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
  build/bin/q7samplegen --projects 120 --images 40 --shared 10 "$work/survey/2026/north/blocks"
  # A copy whose solver fails, for the result of a failed merge.
  cp -r build/bin "$work/failing"
  printf '#!/bin/sh\necho "Z7Uzurer: cannot read the input list" >&2\nexit 3\n' >"$work/failing/AT/Z7Uzurer"
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
click -424 -99 # Details, in the progress row above the bar and the rows line, left of Stop and the map
sleep 3
import -window "$window" "$shots/merging.png"

result=$(xdotool search --sync --onlyvisible --name '^Merge result$' | head -1)
sleep 0.5
import -window "$result" "$shots/result.png"
xdotool windowfocus --sync "$result"
xdotool key Escape
while xdotool search --onlyvisible --name '^Merge result$' >/dev/null 2>&1; do sleep 0.1; done
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
kill $program
wait $program 2>/dev/null || true

# At 144 DPI on the same screen: the window opens on it whole, with 120
# projects listed; then a merge whose solver fails, and its result.
XDG_CONFIG_HOME=$work/config-144 QT_FONT_DPI=144 QT_QPA_PLATFORM=xcb "$work/failing/q7prjmerge" \
  "$work"/survey/2026/north/blocks/block*/block*.Q7D 2>/dev/null >/dev/null &
program=$!
window=$(xdotool search --sync --onlyvisible --class q7prjmerge | head -1)
sleep 3
xdotool windowfocus --sync "$window"
xdotool key --delay 50 Tab Tab Tab Tab Tab Tab
xdotool type --delay 5 "merged"
xdotool key Tab
mkdir -p "$work/out144"
xdotool type --delay 5 "$work/out144"
sleep 0.5
import -window root "$shots/dialog-144dpi.png"
xdotool key Return
result=$(xdotool search --sync --onlyvisible --name '^Merge result$' | head -1)
sleep 1
import -window root "$shots/result-failed-144dpi.png"
echo "wrote $shots/dialog.png, merging.png, result.png, map.png, dialog-144dpi.png and result-failed-144dpi.png"
