"""A small client of Chromium's DevTools protocol over --remote-debugging-pipe
(no WebSocket library needed): starts Debian's chromium headless, attaches to
its page and sends commands, keeping the console's messages."""

import json
import os
import subprocess
import tempfile
import time


class CdpError(RuntimeError):
    pass


class Browser:
    """Headless Chromium with one page. WebGL runs on SwiftShader, the
    software renderer Chromium ships, so no GPU or display is needed."""

    def __init__(self, width=1280, height=1024, chromium="chromium"):
        self.profile = tempfile.TemporaryDirectory(prefix="quorvel-chromium-")
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()
        args = [chromium, "--headless", "--no-sandbox", "--disable-gpu-sandbox",
                "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                "--ignore-gpu-blocklist", "--no-first-run", "--no-default-browser-check",
                "--disable-background-timer-throttling", "--disable-renderer-backgrounding",
                "--disable-backgrounding-occluded-windows", "--disable-extensions",
                "--disable-dev-shm-usage",
                f"--window-size={width},{height}", f"--user-data-dir={self.profile.name}",
                "--remote-debugging-pipe", "about:blank"]
        # The protocol's pipe is file descriptors 3 (to the browser) and 4
        # (back). Copied out of the way first, as either end may be 3 or 4.
        def fds():
            reading, writing = os.dup(to_browser_r), os.dup(from_browser_w)
            os.dup2(reading, 3)
            os.dup2(writing, 4)
        self.process = subprocess.Popen(args, close_fds=False, preexec_fn=fds,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._buffer = b""
        self._next_id = 0
        self.console = []
        self.exceptions = []
        page = None
        for _ in range(100):  # the first page may still be on its way
            targets = self.call("Target.getTargets")["targetInfos"]
            page = next((t for t in targets if t["type"] == "page"), None)
            if page:
                break
            time.sleep(0.05)
        if not page:
            raise CdpError("chromium opened no page")
        self.session = self.call("Target.attachToTarget", targetId=page["targetId"],
                                 flatten=True)["sessionId"]
        self.page("Runtime.enable")
        self.page("Page.enable")

    def close(self):
        try:
            self.call("Browser.close")
        except Exception:
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._to_browser)
        os.close(self._from_browser)
        self.profile.cleanup()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _send(self, message):
        data = json.dumps(message).encode() + b"\0"
        while data:
            data = data[os.write(self._to_browser, data):]

    def _receive(self):
        while b"\0" not in self._buffer:
            chunk = os.read(self._from_browser, 1 << 16)
            if not chunk:
                raise CdpError("chromium closed the protocol pipe")
            self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def _note(self, message):
        method = message.get("method")
        params = message.get("params", {})
        if method == "Runtime.consoleAPICalled":
            text = " ".join(str(a.get("value", a.get("description", ""))) for a in params["args"])
            self.console.append(text)
        elif method == "Runtime.exceptionThrown":
            self.exceptions.append(params["exceptionDetails"].get("exception", {})
                                   .get("description", params["exceptionDetails"].get("text")))

    def call(self, method, session=None, **params):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params}
        if session:
            message["sessionId"] = session
        self._send(message)
        while True:
            reply = self._receive()
            if reply.get("id") == self._next_id:
                if "error" in reply:
                    raise CdpError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            self._note(reply)

    def page(self, method, **params):
        return self.call(method, session=self.session, **params)

    def evaluate(self, expression):
        result = self.page("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise CdpError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def navigate(self, url):
        self.page("Page.navigate", url=url)

    def wait_for(self, expression, timeout, interval=0.02):
        """Polls until the expression is truthy; returns its value and the seconds waited."""
        start = time.monotonic()
        while True:
            value = self.evaluate(expression)
            if value:
                return value, time.monotonic() - start
            if time.monotonic() - start > timeout:
                raise CdpError(f"timed out after {timeout} s waiting for: {expression}")
            time.sleep(interval)

    def click(self, x, y):
        """A real press and release of the left button at page pixel (x, y)."""
        self.page("Input.dispatchMouseEvent", type="mouseMoved", x=x, y=y)
        for kind in ("mousePressed", "mouseReleased"):
            self.page("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left",
                      clickCount=1)

    def screenshot(self, path, selector):
        import base64
        rect = self.evaluate(f"(() => {{ const r = document.querySelector({json.dumps(selector)})"
                             ".getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; })()")
        data = self.page("Page.captureScreenshot", format="png",
                         clip={"x": rect[0], "y": rect[1], "width": rect[2], "height": rect[3],
                               "scale": 1})["data"]
        with open(path, "wb") as out:
            out.write(base64.b64decode(data))
