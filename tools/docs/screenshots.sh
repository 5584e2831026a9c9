#!/usr/bin/env bash
# screenshots.sh [build-dir]: the README's pictures. Starts the game and the
# samples under a private X server and captures their windows into
# docs/images/: the game after New Game, once the barrels have settled, and
# the samples on a few scenes. Needs xvfb-run, xdotool and ImageMagick.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
out="$root/docs/images"
mkdir -p "$out"
export build out
xvfb-run -a -s "-screen 0 1280x1024x24 -nolisten tcp -noreset" bash -c '
  set -euo pipefail
  shot() { # shot <window title> <file> <seconds to wait>
    win=$(xdotool search --sync --name "^$1\$" | head -1)
    sleep "$3"
    import -window "$win" "$2"
  }
  "$build/game/quorvel" & pid=$!
  win=$(xdotool search --sync --name "^Quorvel\$" | head -1)
  sleep 1.5
  xdotool mousemove --window "$win" 200 10 click 1   # New Game
  xdotool mousemove --window "$win" 20 300
  shot Quorvel "$out/game.png" 6
  kill $pid; wait $pid 2>/dev/null || true
  for scene in pile bridge cloth events; do
    "$build/samples/tangle_samples" --scene $scene & pid=$!
    shot "kel.tangle samples" "/tmp/samples-$scene.png" 5
    kill $pid; wait $pid 2>/dev/null || true
  done
'
cp /tmp/samples-pile.png "$out/samples.png"
montage -geometry 410x340+4+4 -tile 2x2 /tmp/samples-{pile,bridge,cloth,events}.png \
  "$out/samples-scenes.png"
rm -f /tmp/samples-{pile,bridge,cloth,events}.png
echo "screenshots in $out"
