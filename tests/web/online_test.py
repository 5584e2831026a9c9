#!/usr/bin/env python3
"""The desktop game against the browser build: the same bits, then online.

First the recorded game tests/web/online_game.qrec is replayed alone by the
desktop program and by the game page in headless Chromium, and the world's
hash compared after every tick: the first tick that differs is named.

Then both play the recording in lockstep through the relay, each its
own player's clicks (so clicks come from both sides): a headless desktop bot
and the game page in headless Chromium, joined over WebSocket. Both must end
in the state the recording reaches played alone by the desktop program (the
same scores, turn, ticks and world hash), once with the desktop hosting and
once with the page hosting. The relay and the page's server listen on
127.0.0.1 only. The last line is "N passed, N failed".

    tests/web/online_test.py BUILD_DIR BUILD_WEB_DIR
"""

import argparse
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from browser_test import READY, Checks, serve  # noqa: E402
from cdp import Browser, CdpError  # noqa: E402

RECORDING = os.path.join(os.path.dirname(os.path.abspath(__file__)), "online_game.qrec")
GAME_SECONDS = 600  # a 951-tick game at the page's 20 to 60 ticks a second, on a busy machine


def wait_for_text(path, pattern, seconds):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        with open(path) as f:
            found = re.search(pattern, f.read())
        if found:
            return found
        time.sleep(0.05)
    return None


def play(browser, base, game, relay_port, page_hosts, expected, checks, work):
    room = "WEBHOST" if page_hosts else "DESKHOST"
    side = "page hosts" if page_hosts else "desktop hosts"
    err_path = os.path.join(work, f"{room}.err")
    relay = f"127.0.0.1:{relay_port}"
    desktop_args = [game, "--relay", relay, "--join" if page_hosts else "--host", room,
                    "--bot", RECORDING, "--headless"]
    page = (f"{base}/game/quorvel.html?relay=ws://{relay}&{'host' if page_hosts else 'join'}="
            f"{room}&bot=/online_game.qrec")
    with open(err_path, "w") as err:
        if page_hosts:
            browser.navigate(page)
            browser.wait_for(f"{READY} && Module._quorvel_online_phase() === 1 && "
                             f"Module.ccall('quorvel_online_status', 'string', [], [])"
                             f".startsWith('Waiting (room {room})')", GAME_SECONDS)
            desktop = subprocess.Popen(desktop_args, stdout=subprocess.PIPE, stderr=err, text=True)
        else:
            desktop = subprocess.Popen(desktop_args, stdout=subprocess.PIPE, stderr=err, text=True)
            if not wait_for_text(err_path, rf"\(room {room}\)", 30):
                checks.check(False, f"{side}: the desktop made no room")
                desktop.kill()
                return
            browser.navigate(page)
        try:
            browser.wait_for(f"{READY} && Module._quorvel_online_phase() === 4", GAME_SECONDS)
        except CdpError as error:
            checks.check(False, f"{side}: the page's game did not end: {error}")
        out, _ = desktop.communicate(timeout=GAME_SECONDS)
    status = browser.evaluate("Module.ccall('quorvel_online_status', 'string', [], [])")
    outcome = browser.evaluate("Module.ccall('quorvel_online_outcome', 'string', [], [])")
    with open(err_path) as f:
        told = f.read().strip().replace("\n", " | ")
    checks.check(desktop.returncode == 0, f"{side}: the desktop game ended well ({told})")
    checks.check(out == expected, f"{side}: the desktop ends as the recording alone: {out!r}")
    checks.check(status.startswith("Game over"), f"{side}: the page's game ended well ({status!r})")
    checks.check(outcome == expected, f"{side}: the page ends as the recording alone: {outcome!r}")


def first_difference(ours, theirs):
    """The first line that differs between two "TICK HASH" listings, or None."""
    a, b = ours.splitlines(), theirs.splitlines()
    for k in range(max(len(a), len(b))):
        left = a[k] if k < len(a) else "(nothing)"
        right = b[k] if k < len(b) else "(nothing)"
        if left != right:
            return f"line {k + 1}: desktop {left!r}, browser {right!r}"
    return None


def compare_replays(browser, base, game, checks):
    desktop = subprocess.run([game, "--replay", RECORDING, "--headless", "--hashes"],
                             capture_output=True, text=True, timeout=120)
    browser.navigate(f"{base}/game/quorvel.html?replay=/online_game.qrec")
    browser.wait_for(f"{READY} && Module.ccall('quorvel_replay_hashes', 'string', [], [])"
                     ".includes('hash ')", GAME_SECONDS)
    page = browser.evaluate("Module.ccall('quorvel_replay_hashes', 'string', [], [])")
    ticks = desktop.stdout.count("\n") - 4
    difference = first_difference(desktop.stdout, page)
    checks.check(desktop.returncode == 0 and ticks > 900 and difference is None,
                 f"both builds replay the recording with the same hash after each of its "
                 f"{ticks} ticks" + (f"; they differ at {difference}" if difference else ""))
    browser.navigate("about:blank")


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build", help="the desktop build's folder (game/quorvel, net/quorvel-relay)")
    parser.add_argument("build_web", help="the web build's folder (holds game/)")
    args = parser.parse_args()
    game = os.path.abspath(os.path.join(args.build, "game", "quorvel"))
    relay_exe = os.path.abspath(os.path.join(args.build, "net", "quorvel-relay"))
    checks = Checks()

    alone = subprocess.run([game, "--replay", RECORDING, "--headless"], capture_output=True,
                           text=True, timeout=120)
    expected = alone.stdout
    checks.check(alone.returncode == 0 and expected.startswith("scores "),
                 f"the recording replays alone: {expected!r} {alone.stderr!r}")
    # The page fetches the recording from its own site.
    shutil.copy(RECORDING, os.path.join(args.build_web, "online_game.qrec"))

    work = tempfile.mkdtemp(prefix="quorvel-online-web-")
    relay_err = open(os.path.join(work, "relay.err"), "w")
    relay = subprocess.Popen([relay_exe, "--listen", "127.0.0.1:0"], stderr=relay_err)
    found = wait_for_text(relay_err.name, r"listening on 127\.0\.0\.1:(\d+)", 10)
    server = serve(os.path.abspath(args.build_web))
    base = f"http://127.0.0.1:{server.server_address[1]}"
    try:
        if not found:
            checks.check(False, "the relay did not start")
        else:
            with Browser() as browser:
                browser.evaluate('!!document.createElement("canvas").getContext("webgl")')
                try:
                    compare_replays(browser, base, game, checks)
                except (CdpError, subprocess.TimeoutExpired) as error:
                    checks.check(False, f"replays in both builds: {error}")
                for page_hosts in (False, True):
                    try:
                        play(browser, base, game, int(found.group(1)), page_hosts, expected,
                             checks, work)
                    except (CdpError, subprocess.TimeoutExpired) as error:
                        checks.check(False, f"{'page' if page_hosts else 'desktop'} hosts: {error}")
                    for line in browser.exceptions:
                        checks.check(False, f"page exception: {line}")
                    browser.exceptions.clear()
                    browser.navigate("about:blank")
    finally:
        server.shutdown()
        relay.terminate()
        relay.wait()
        relay_err.close()
        shutil.rmtree(work, ignore_errors=True)
    print(f"{checks.passed} passed, {checks.failed} failed")
    return 1 if checks.failed else 0


if __name__ == "__main__":
    sys.exit(main())
