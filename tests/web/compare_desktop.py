#!/usr/bin/env python3
"""Compares the game's first screen drawn by the desktop build (FLTK and
OpenGL under a private X server) with the same screen drawn by the web build
(WebGL in headless Chromium), pixel by pixel with ImageMagick.

The title screen is still apart from its flames, which change every few
frames: the comparison covers the canvas above them (rocks, sky, title,
arrows). Prints how many pixels differ by more than 1%, 3% and 10% of full
scale, and the root-mean-square difference; writes both pictures and their
difference into the output folder. Exits 1 when more than 0.5% of the
pixels differ by more than 3% (the two rasterise edges and filter textures
a little differently, never by much).

    tests/web/compare_desktop.py DESKTOP_BUILD WEB_BUILD OUT_DIR
"""

import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser_test import READY, serve  # noqa: E402
from cdp import Browser  # noqa: E402

CANVAS = (0, 40, 400, 560)  # x, y, width, height of the canvas in the game's window
STILL_ROWS = 440            # canvas rows above the flames
MOST_DIFFERING = 0.005      # share of pixels that may differ by more than 3%


def desktop_shot(build, path):
    script = f"""
      set -e
      "{build}/game/quorvel" & pid=$!
      win=$(xdotool search --sync --name '^Quorvel$' | head -1)
      sleep 2
      import -window "$win" "{path}"
      kill $pid; wait $pid 2>/dev/null || true
    """
    subprocess.run(["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24 -nolisten tcp -noreset",
                    "bash", "-c", script], check=True)
    x, y, w, h = CANVAS
    subprocess.run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", path], check=True)


def web_shot(build, path):
    server = serve(os.path.abspath(build))
    with Browser() as browser:
        browser.navigate(f"http://127.0.0.1:{server.server_address[1]}/game/quorvel.html")
        browser.wait_for(f"{READY} && Module._quorvel_ticks() > 60", 30)
        browser.screenshot(path, "canvas.qv-canvas")
    server.shutdown()


def differing(a, b, fuzz):
    run = subprocess.run(["compare", "-metric", "AE", "-fuzz", f"{fuzz}%", a, b, "null:"],
                         capture_output=True, text=True)
    return int(float(run.stderr.split()[0]))


def main():
    if len(sys.argv) != 4:
        print(__doc__, file=sys.stderr)
        return 2
    desktop_build, web_build, out = sys.argv[1:]
    os.makedirs(out, exist_ok=True)
    desktop = os.path.join(out, "desktop.png")
    web = os.path.join(out, "web.png")
    desktop_shot(os.path.abspath(desktop_build), desktop)
    web_shot(web_build, web)
    still = []
    for name, path in (("desktop", desktop), ("web", web)):
        cropped = os.path.join(out, f"{name}-still.png")
        subprocess.run(["convert", path, "-crop", f"{CANVAS[2]}x{STILL_ROWS}+0+0", "+repage",
                        "-alpha", "off", cropped], check=True)
        still.append(cropped)
    pixels = CANVAS[2] * STILL_ROWS
    counts = {}
    for fuzz in (1, 3, 10):
        counts[fuzz] = differing(*still, fuzz)
        n = counts[fuzz]
        print(f"pixels differing by more than {fuzz}%: {n} of {pixels} ({100 * n / pixels:.2f}%)")
    rmse = subprocess.run(["compare", "-metric", "RMSE", *still, "null:"], capture_output=True,
                          text=True).stderr.strip()
    print(f"root-mean-square difference: {rmse}")
    subprocess.run(["compare", *still, os.path.join(out, "difference.png")])
    if counts[3] > MOST_DIFFERING * pixels:
        print("the web build's first screen differs from the desktop's", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
