#!/usr/bin/env python3
"""Opens the two quads_bench pages of a web build in headless Chromium, twice
each in turn, and prints what each reports (see quads_bench.cpp).

    bench/web/run_quads_bench.py BUILD_WEB_DIR
"""

import os
import sys
import time

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "../../tests/web"))
from browser_test import serve  # noqa: E402
from cdp import Browser  # noqa: E402


def main():
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    server = serve(os.path.join(os.path.abspath(sys.argv[1]), "bench/web"))
    base = f"http://127.0.0.1:{server.server_address[1]}"
    with Browser() as browser:
        for page in ("quads_bench_legacy", "quads_bench_webgl") * 2:
            browser.console.clear()
            browser.navigate(f"{base}/{page}.html")
            deadline = time.monotonic() + 60
            while time.monotonic() < deadline and not any("median" in c for c in browser.console):
                browser.evaluate("0")
                time.sleep(0.2)
            print(next((c for c in browser.console if "median" in c), f"{page}: no report"))
    server.shutdown()
    return 0


if __name__ == "__main__":
    sys.exit(main())
