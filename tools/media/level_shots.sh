#!/usr/bin/env bash
# level_shots.sh <game-folder> <out-folder> [steps-to-wait]: plays the real
# game (the quorvel program in game-folder, with its media/ beside it) under a
# private X server and captures the window: the title, then after New Game
# the bottom, middle and top of the world. Needs xvfb-run, xdotool and
# ImageMagick's import.
set -euo pipefail
game=$(cd "$1" && pwd)
out=$(mkdir -p "$2" && cd "$2" && pwd)
settle=${3:-8}
export game out settle
xvfb-run -a -s "-screen 0 400x600x24" bash -c '
  set -euo pipefail
  "$game/quorvel" & pid=$!
  trap "kill $pid 2>/dev/null || true" EXIT
  win=$(xdotool search --sync --name "^Quorvel$" | head -1)
  sleep 1.5
  shot() { import -window "$win" "$out/$1.png"; }
  shot title
  xdotool mousemove --window "$win" 200 10 click 1   # New Game
  xdotool mousemove --window "$win" 20 300
  sleep "$settle"
  shot bottom
  xdotool mousemove --window "$win" 200 50           # the up arrow
  sleep 0.45
  xdotool mousemove --window "$win" 20 300
  shot middle
  xdotool mousemove --window "$win" 200 50
  sleep 3
  xdotool mousemove --window "$win" 20 300
  shot top
'
