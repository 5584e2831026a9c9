#!/usr/bin/env python3
"""The web build in headless Chromium, as a player sees it.

Serves the web build's folder on a free loopback port and opens the pages:

  game     the game page shows its first frame within 3 s, "New Game" (a
           real click on the button) fills the nets, a real click on a blob
           removes exactly that blob and passes the turn, the canvas is not
           blank, "Computer: on" makes the computer cut for Player Two,
           resting the pointer on the top arrow scrolls, and the labels show
           the scores;
  samples  the samples page on one scene steps and draws, a mass can be
           dragged, and "Next >" (a real click) moves to the next scene.

Each check that fails is named on stderr; the last line is "N passed, N
failed". With --screenshots DIR it writes game.png and samples.png there.

    tests/web/browser_test.py BUILD_WEB_DIR [--screenshots DIR] [--scene NAME] [--measure]
"""

import argparse
import functools
import http.server
import json
import os
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from cdp import Browser, CdpError  # noqa: E402

FIRST_FRAME_SECONDS = 3   # the page's first frame, from opening it
LOAD_TIMEOUT = 30         # a slow machine still fails only when something is wrong

READY = 'typeof Module !== "undefined" && Module.calledRun === true'

# Distinct colours on the canvas (read back through a 2D canvas): a blank
# or single-colour canvas has one or two.
CANVAS_COLOURS = """(() => {
  const c = document.querySelector("canvas.qv-canvas");
  const copy = document.createElement("canvas");
  copy.width = c.width; copy.height = c.height;
  const g = copy.getContext("2d");
  g.drawImage(c, 0, 0);
  const d = g.getImageData(0, 0, c.width, c.height).data;
  const seen = new Set();
  for (let i = 0; i < d.length; i += 4 * 7) seen.add((d[i] << 16) | (d[i + 1] << 8) | d[i + 2]);
  return seen.size;
})()"""


def element_centre(browser, text):
    """Page pixel centre of the button whose text is `text`."""
    found = browser.evaluate(f"""(() => {{
      for (const b of document.querySelectorAll("button.qv-button"))
        if (b.textContent === {json.dumps(text)}) {{
          const r = b.getBoundingClientRect();
          return [r.left + r.width / 2, r.top + r.height / 2];
        }}
      return null;
    }})()""")
    if not found:
        raise CdpError(f'no button "{text}" on the page')
    return found


def canvas_origin(browser):
    return browser.evaluate("""(() => {
      const r = document.querySelector("canvas.qv-canvas").getBoundingClientRect();
      return [r.left, r.top];
    })()""")


def wait_ticks(browser, function, count, timeout=LOAD_TIMEOUT):
    """Waits until `count` more ticks than now have run."""
    start = browser.evaluate(f"Module.{function}()")
    browser.wait_for(f"Module.{function}() >= {start + count}", timeout)


class Checks:
    def __init__(self):
        self.passed = 0
        self.failed = 0

    def check(self, ok, what):
        if ok:
            self.passed += 1
            print(f"ok: {what}")
        else:
            self.failed += 1
            print(f"FAILED: {what}", file=sys.stderr)
        return ok


def test_game(browser, base, checks, screenshots, measure):
    # Chromium starts its GPU process (SwiftShader) on the first WebGL
    # context: that is the browser's start-up, not the page's.
    browser.evaluate('!!document.createElement("canvas").getContext("webgl")')
    opened = time.monotonic()
    browser.navigate(f"{base}/game/quorvel.html")
    browser.wait_for(f"{READY} && Module._quorvel_ticks() > 0", LOAD_TIMEOUT)
    first_frame = time.monotonic() - opened
    checks.check(first_frame <= FIRST_FRAME_SECONDS,
                 f"game: first frame {first_frame:.2f} s after opening (at most {FIRST_FRAME_SECONDS})")
    checks.check(browser.evaluate("Module._quorvel_blob_count()") == 0,
                 "game: no blobs before New Game")

    # The 60 Hz timer ticks on animation frames: never faster than its period
    # (16 ms), catching up when the browser draws fewer frames (headless
    # Chromium on a busy machine draws 20 to 40 a second, and stalls).
    ticks, started = browser.evaluate("Module._quorvel_ticks()"), time.monotonic()
    time.sleep(2)
    rate = (browser.evaluate("Module._quorvel_ticks()") - ticks) / (time.monotonic() - started)
    checks.check(20 <= rate <= 64, f"game: {rate:.1f} ticks a second (20 to 64)")

    browser.click(*element_centre(browser, "New Game"))
    blobs, _ = browser.wait_for("Module._quorvel_blob_count()", LOAD_TIMEOUT)
    checks.check(blobs > 0, f"game: New Game hangs the nets ({blobs} blobs)")
    wait_ticks(browser, "_quorvel_ticks", 30)  # the nets settle a little

    before = browser.evaluate("Module._quorvel_blob_count()")
    blob = browser.evaluate("Module._quorvel_central_blob()")
    checks.check(blob >= 0, "game: a blob is on the screen")
    x = browser.evaluate(f"Module._quorvel_blob_screen_x({blob})")
    y = browser.evaluate(f"Module._quorvel_blob_screen_y({blob})")
    left, top = canvas_origin(browser)
    turn = browser.evaluate("Module._quorvel_turn()")
    browser.click(left + x, top + y)
    wait_ticks(browser, "_quorvel_ticks", 2)  # the click, then a frame that clears strays
    after = browser.evaluate("Module._quorvel_blob_count()")
    checks.check(after == before - 1, f"game: a click on a blob removes it ({before} -> {after})")
    checks.check(browser.evaluate("Module._quorvel_turn()") == 1 - turn,
                 "game: the turn passes after the cut")
    colours = browser.evaluate(CANVAS_COLOURS)
    checks.check(colours > 50, f"game: the canvas is not blank ({colours} colours)")
    if screenshots:
        browser.screenshot(os.path.join(screenshots, "game.png"), ".qv-window")

    # The computer takes Player Two's turn once the toggle is on.
    browser.click(*element_centre(browser, "Computer: off"))
    browser.wait_for('[...document.querySelectorAll("button")].some('
                     'b => b.textContent === "Computer: on")', 5)
    checks.check(True, 'game: the toggle reads "Computer: on"')
    browser.wait_for("Module._quorvel_turn() === 0", 20)
    cut = browser.evaluate("Module._quorvel_blob_count()")
    checks.check(cut < after, f"game: the computer cut a blob and passed the turn ({after} -> {cut})")

    # Resting the pointer on the top arrow scrolls the view up.
    view = browser.evaluate("Module._quorvel_view_y()")
    width = browser.evaluate('document.querySelector("canvas.qv-canvas").width')
    browser.page("Input.dispatchMouseEvent", type="mouseMoved", x=left + width / 2, y=top + 10)
    wait_ticks(browser, "_quorvel_ticks", 20)
    scrolled = browser.evaluate("Module._quorvel_view_y()")
    checks.check(scrolled < view, f"game: the top arrow scrolls up ({view:.0f} -> {scrolled:.0f})")
    browser.page("Input.dispatchMouseEvent", type="mouseMoved", x=left + 20, y=top + 300)

    # The labels show the scores and whose turn it is.
    labels = browser.evaluate('[...document.querySelectorAll(".qv-label")]'
                              '.filter(l => l.style.visibility !== "hidden").map(l => l.textContent)')
    scores = [browser.evaluate(f"Module._quorvel_score({p})") for p in (0, 1)]
    checks.check(f"Player One: {scores[0]}" in labels and f"{scores[1]} :Player Two" in labels,
                 f"game: the labels show the scores {scores} ({labels})")
    if measure:
        # The page reports every 600 ticks; the second report is all play.
        browser.wait_for("Module._quorvel_ticks() >= 1200", 60)
        print(f"game: tick median {browser.evaluate('Module._quorvel_tick_ms()'):.3f} ms "
              "(ticks 601-1200, step and draw)")


def test_samples(browser, base, checks, screenshots, scene):
    browser.navigate(f"{base}/samples/tangle_samples.html?scene={scene}")
    browser.wait_for(f"{READY} && Module._samples_ticks() > 30", LOAD_TIMEOUT)
    steps = browser.evaluate("Module._samples_steps()")
    checks.check(steps > 0, f"samples: scene {scene} steps ({steps} steps)")
    masses = browser.evaluate("Module._samples_masses()")
    checks.check(masses > 0, f"samples: scene {scene} has masses ({masses})")
    colours = browser.evaluate(CANVAS_COLOURS)
    checks.check(colours > 20, f"samples: the canvas is not blank ({colours} colours)")
    if screenshots:
        browser.screenshot(os.path.join(screenshots, "samples.png"), ".qv-window")
    # A press on a mass holds it until the release, through a drag.
    x, y = (browser.evaluate(f"Module._samples_central_mass({axis})") for axis in (0, 1))
    left, top = canvas_origin(browser)
    browser.page("Input.dispatchMouseEvent", type="mouseMoved", x=left + x, y=top + y)
    browser.page("Input.dispatchMouseEvent", type="mousePressed", x=left + x, y=top + y,
                 button="left", clickCount=1)
    for step in range(1, 6):
        browser.page("Input.dispatchMouseEvent", type="mouseMoved", x=left + x + 8 * step,
                     y=top + y - 8 * step, button="left", buttons=1)
    held = browser.evaluate("Module._samples_holding()")
    browser.page("Input.dispatchMouseEvent", type="mouseReleased", x=left + x + 40,
                 y=top + y - 40, button="left", clickCount=1)
    checks.check(held == 1 and browser.evaluate("Module._samples_holding()") == 0,
                 "samples: a mass is held while dragged and let go on release")

    scene_index = browser.evaluate("Module._samples_scene()")
    browser.click(*element_centre(browser, "Next >"))
    wait_ticks(browser, "_samples_ticks", 2)
    checks.check(browser.evaluate("Module._samples_scene()") == scene_index + 1,
                 "samples: Next shows the next scene")


def serve(root):
    """The build folder on a free loopback port, in a thread of its own."""
    class Quiet(http.server.SimpleHTTPRequestHandler):
        def log_message(self, *args):
            pass
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                             functools.partial(Quiet, directory=root))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="the web build's folder (holds game/ and samples/)")
    parser.add_argument("--screenshots", help="write game.png and samples.png here")
    parser.add_argument("--measure", action="store_true",
                        help="also play 1,200 ticks and print what a tick costs")
    parser.add_argument("--scene", default="bodies", help="the samples' scene (default bodies)")
    args = parser.parse_args()

    server = serve(os.path.abspath(args.build))
    base = f"http://127.0.0.1:{server.server_address[1]}"
    checks = Checks()
    with Browser() as browser:
        for name, run in (("game", lambda: test_game(browser, base, checks, args.screenshots,
                                                     args.measure)),
                          ("samples", lambda: test_samples(browser, base, checks,
                                                           args.screenshots, args.scene))):
            try:
                run()
            except CdpError as error:
                checks.check(False, f"{name}: {error}")
            for line in browser.console:
                print(f"  console: {line}")
            for line in browser.exceptions:
                checks.check(False, f"{name}: page exception: {line}")
            browser.console.clear()
            browser.exceptions.clear()
    server.shutdown()
    print(f"{checks.passed} passed, {checks.failed} failed")
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
