#!/usr/bin/env python3
"""kel-tangle's example page (js/examples/soft_bodies.html) in headless
Chromium: it loads the package with no build step, draws the scene on its
canvas, the scene moves, and a real drag with the mouse moves a mass.

    js/test/page_test.py BUILD_JS_DIR [--screenshot FILE]

BUILD_JS_DIR is js/ of the package's build (build-js/js: package/ and
examples/). The last line is "N passed, N failed"; the exit status 1 on any
failure.
"""

import argparse
import functools
import http.server
import os
import sys
import threading

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/web"))
from cdp import Browser, CdpError  # noqa: E402

LOAD_TIMEOUT = 30

# Distinct colours on the canvas: a blank one has one.
CANVAS_COLOURS = """(() => {
  const c = document.getElementById("view");
  const d = c.getContext("2d").getImageData(0, 0, c.width, c.height).data;
  const seen = new Set();
  for (let i = 0; i < d.length; i += 4 * 5) seen.add((d[i] << 24) | (d[i + 1] << 16) | (d[i + 2] << 8) | d[i + 3]);
  return seen.size;
})()"""


def serve(root):
    class Quiet(http.server.SimpleHTTPRequestHandler):
        extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                          ".mjs": "text/javascript", ".js": "text/javascript",
                          ".wasm": "application/wasm"}

        def log_message(self, *args):
            pass
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0),
                                             functools.partial(Quiet, directory=root))
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="build-js/js: the package and its example page")
    parser.add_argument("--screenshot", help="write the page's canvas to this PNG")
    args = parser.parse_args()
    server = serve(os.path.abspath(args.build))
    url = f"http://127.0.0.1:{server.server_address[1]}/examples/soft_bodies.html"
    results = []

    def check(ok, what):
        results.append(ok)
        if not ok:
            print(f"FAILED: {what}", file=sys.stderr)

    with Browser(width=1000, height=700) as browser:
        try:
            browser.navigate(url)
            browser.wait_for("window.demo && demo.frames() > 30", LOAD_TIMEOUT)
            check(browser.evaluate(CANVAS_COLOURS) > 3, "the canvas is drawn")
            before = browser.evaluate("Array.from(demo.world.positions())")
            browser.wait_for(f"demo.frames() > {browser.evaluate('demo.frames()') + 30}", LOAD_TIMEOUT)
            after = browser.evaluate("Array.from(demo.world.positions())")
            moved = sum(abs(a - b) > 0.5 for a, b in zip(before, after))
            check(len(before) > 100 and moved > len(before) // 4,
                  f"the scene moves ({moved} of {len(before)} coordinates)")
            # Let the scene settle, then press on the first jelly's centre and
            # drag it up and to the right.
            browser.wait_for(f"demo.frames() > {browser.evaluate('demo.frames()') + 240}", LOAD_TIMEOUT)
            x, y = browser.evaluate("[demo.world.massAt(0).x, demo.world.massAt(0).y]")
            left, top = browser.evaluate("(() => { const r = document.getElementById('view')"
                                         ".getBoundingClientRect(); return [r.left, r.top]; })()")
            browser.page("Input.dispatchMouseEvent", type="mouseMoved", x=left + x, y=top + y)
            browser.page("Input.dispatchMouseEvent", type="mousePressed", x=left + x, y=top + y,
                         button="left", clickCount=1)
            held = browser.evaluate("demo.held() === demo.world.massAt(0)")
            for step in range(1, 11):
                browser.page("Input.dispatchMouseEvent", type="mouseMoved", x=left + x + 10 * step,
                             y=top + y - 12 * step, button="left", buttons=1)
                browser.wait_for(f"demo.frames() > {browser.evaluate('demo.frames()') + 3}", LOAD_TIMEOUT)
            browser.wait_for(f"demo.frames() > {browser.evaluate('demo.frames()') + 20}", LOAD_TIMEOUT)
            dx, dy = browser.evaluate(f"[demo.world.massAt(0).x - {x}, demo.world.massAt(0).y - {y}]")
            browser.page("Input.dispatchMouseEvent", type="mouseReleased", x=left + x + 100,
                         y=top + y - 120, button="left", clickCount=1)
            check(held, "a press on a mass takes hold of it")
            check(dx > 40 and dy < -40, f"a drag moves the mass (by {dx:.1f}, {dy:.1f})")
            check(browser.evaluate("demo.held()") is None, "the release lets it go")
            if args.screenshot:
                browser.screenshot(args.screenshot, "#view")
        except CdpError as error:
            check(False, str(error))
        for line in browser.exceptions:
            check(False, f"page exception: {line}")
    passed = sum(results)
    print(f"{passed} passed, {len(results) - passed} failed")
    return 0 if all(results) else 1


if __name__ == "__main__":
    sys.exit(main())
