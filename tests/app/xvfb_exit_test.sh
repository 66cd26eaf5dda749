#!/usr/bin/env bash
# Starts the real window program on a virtual X display of its own, finds its window by the
# caption, checks the client size, takes a picture of the screen, presses Exit and expects
# the program to end with code 0. No window manager runs: the window is its client area.
#
# usage: xvfb_exit_test.sh PROGRAM SCREENSHOT.png
set -uo pipefail

program=$1
screenshot=$2
caption='DUZA Database Update Apr_05_2019'

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  if [ -n "$app_pid" ] && kill -0 "$app_pid" 2>/dev/null; then kill "$app_pid"; fi
  if [ -n "$xvfb_pid" ]; then
    kill "$xvfb_pid" 2>/dev/null
    wait "$xvfb_pid" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
  local tenths=$1
  shift
  for ((i = 0; i < tenths; i++)); do
    "$@" && return 0
    sleep 0.1
  done
  return 1
}

# Xvfb picks a free display itself and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 100 grep -q '[0-9]' "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"
echo "display $DISPLAY"

QT_QPA_PLATFORM=xcb "$program" >"$work/app.log" 2>&1 &
app_pid=$!

find_window() {
  window=$(xdotool search --onlyvisible --name "$caption" 2>/dev/null | head -n1)
  [ -n "$window" ]
}
wait_for 200 find_window || fail "no window named '$caption'; program said: $(cat "$work/app.log")"
echo "window $window"

info=$(xwininfo -id "$window")
width=$(awk '/Width:/ {print $2}' <<<"$info")
height=$(awk '/Height:/ {print $2}' <<<"$info")
left=$(awk '/Absolute upper-left X:/ {print $4}' <<<"$info")
top=$(awk '/Absolute upper-left Y:/ {print $4}' <<<"$info")
[ "$width" = 451 ] && [ "$height" = 338 ] || fail "client area ${width}x${height}, not 451x338"
title=$(xdotool getwindowname "$window")
[ "$title" = " $caption" ] || fail "caption '$title'"

# The window is mapped before it is painted: wait until the first groove shows.
groove_x=$((left + 10))
groove_y=$((top + 133))
painted() {
  import -window root "$screenshot" 2>/dev/null || return 1
  local pixel
  pixel=$(convert "$screenshot" -format "%[hex:p{$groove_x,$groove_y}]" info: 2>/dev/null)
  [ "${pixel:0:6}" = C0C0C0 ]
}
wait_for 100 painted || fail "the first groove never showed at ($groove_x, $groove_y); see $screenshot"
echo "screenshot $screenshot"

# The centre of Exit (Command2: left 4440, top 4200, 2175 x 420 twips).
xdotool mousemove --window "$window" 368 294 click 1

ended() { ! kill -0 "$app_pid" 2>/dev/null; }
wait_for 150 ended || fail "the program did not end after Exit"
wait "$app_pid"
code=$?
app_pid=
[ "$code" = 0 ] || fail "the program ended with code $code: $(cat "$work/app.log")"
echo "PASS: ended with code 0"
