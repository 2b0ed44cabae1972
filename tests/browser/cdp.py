"""Drives headless Chromium through the DevTools protocol over a pipe.

Chromium started with --remote-debugging-pipe reads commands on its file descriptor 3
and writes replies and events on 4, each a JSON text ended by a zero byte. No network
port is opened, and nothing beyond the standard library is needed.
"""

import base64
import fcntl
import json
import os
import select
import shutil
import subprocess
import tempfile
import time

CHROMIUM_FLAGS = [
    "--headless",
    "--no-sandbox",  # the tests may run as root
    "--disable-gpu",
    "--disable-quic",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--disable-extensions",
    "--remote-debugging-pipe",
]

# Recorded in the page before its own script runs: policy violations, and whether any
# script other than the page's own called alert.
WATCH_PAGE = """
window.__violations = [];
document.addEventListener("securitypolicyviolation",
    (e) => window.__violations.push(e.violatedDirective + " " + e.blockedURI));
"""


class ProtocolError(Exception):
    pass


class Browser:
    def __init__(self, executable="chromium", width=1280, height=800, stderr=subprocess.DEVNULL):
        self.profile = tempfile.mkdtemp(prefix="sqk2xml-chromium-")
        to_browser_r, self._out = os.pipe()
        self._in, from_browser_w = os.pipe()

        def wire_pipes():
            # Moved out of the way first: either end may itself be 3 or 4.
            ends = [fcntl.fcntl(fd, fcntl.F_DUPFD, 10) for fd in (to_browser_r, from_browser_w)]
            for target, fd in zip((3, 4), ends):
                os.dup2(fd, target)
                os.set_inheritable(target, True)

        self.process = subprocess.Popen(
            [executable, *CHROMIUM_FLAGS, f"--user-data-dir={self.profile}",
             f"--window-size={width},{height}", "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=stderr,
            close_fds=False, preexec_fn=wire_pipes)
        os.close(to_browser_r)
        os.close(from_browser_w)
        self._buffer = b""
        self._next_id = 0
        self.events = []

    def close(self):
        try:
            self.send("Browser.close")
        except (ProtocolError, OSError):
            pass
        try:
            self.process.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait()
        os.close(self._out)
        os.close(self._in)
        shutil.rmtree(self.profile, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def _read_message(self, deadline):
        while b"\0" not in self._buffer:
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise ProtocolError("no answer from the browser in time")
            ready, _, _ = select.select([self._in], [], [], remaining)
            if ready:
                chunk = os.read(self._in, 1 << 20)
                if not chunk:
                    raise ProtocolError("the browser closed its pipe")
                self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def send(self, method, params=None, session=None, timeout=60):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self._out, json.dumps(message).encode() + b"\0")
        deadline = time.monotonic() + timeout
        while True:
            reply = self._read_message(deadline)
            if reply.get("id") == self._next_id:
                if "error" in reply:
                    raise ProtocolError(f"{method}: {reply['error']}")
                return reply.get("result", {})
            self.events.append(reply)

    def wait_event(self, method, session=None, timeout=60):
        deadline = time.monotonic() + timeout
        while True:
            for i, event in enumerate(self.events):
                if event.get("method") == method and event.get("sessionId") == session:
                    return self.events.pop(i)
            self.events.append(self._read_message(deadline))

    def new_page(self):
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        session = self.send("Target.attachToTarget",
                            {"targetId": target, "flatten": True})["sessionId"]
        return Page(self, session)


class Page:
    def __init__(self, browser, session):
        self.browser = browser
        self.session = session
        for domain in ("Page", "Runtime"):
            self.send(f"{domain}.enable")
        self.send("Page.addScriptToEvaluateOnNewDocument", {"source": WATCH_PAGE})

    def send(self, method, params=None, timeout=60):
        return self.browser.send(method, params, self.session, timeout)

    def open(self, path):
        """Loads a file and waits for its load event."""
        self.send("Page.navigate", {"url": "file://" + os.path.abspath(path)})
        self.browser.wait_event("Page.loadEventFired", self.session)

    def evaluate(self, expression):
        """The value of a JavaScript expression in the page; promises are awaited."""
        result = self.send("Runtime.evaluate", {"expression": expression,
                                                "returnByValue": True,
                                                "awaitPromise": True})
        if "exceptionDetails" in result:
            raise ProtocolError(result["exceptionDetails"])
        return result["result"].get("value")

    def after_frames(self):
        """Waits until the page has drawn twice: what was scheduled for a frame is done."""
        self.evaluate("new Promise((done) => requestAnimationFrame(() => "
                      "requestAnimationFrame(() => setTimeout(done, 0))))")

    def click(self, selector):
        """Clicks the middle of the element, as a mouse would."""
        box = self.evaluate(f"""(() => {{
            const e = document.querySelector({json.dumps(selector)});
            e.scrollIntoView({{block: "center"}});
            const r = e.getBoundingClientRect();
            return [r.x + r.width / 2, r.y + r.height / 2];
        }})()""")
        for kind in ("mousePressed", "mouseReleased"):
            self.send("Input.dispatchMouseEvent", {"type": kind, "x": box[0], "y": box[1],
                                                   "button": "left", "clickCount": 1})

    def type_text(self, text):
        """Types into the focused element, as a keyboard's text input would."""
        self.send("Input.insertText", {"text": text})

    def press_key(self, key, key_code, text=None):
        """Presses and releases a key; text is what it types, as Enter types "\\r"."""
        for kind in ("keyDown", "keyUp"):
            params = {"type": kind, "key": key, "code": key, "windowsVirtualKeyCode": key_code}
            if text and kind == "keyDown":
                params["text"] = text
            self.send("Input.dispatchKeyEvent", params)

    def screenshot(self, path, full_page=False):
        params = {"format": "png", "captureBeyondViewport": full_page}
        data = self.send("Page.captureScreenshot", params)["data"]
        with open(path, "wb") as f:
            f.write(base64.b64decode(data))

    def errors(self):
        """Exceptions thrown in the page and dialogs it opened, since it was opened."""
        kinds = ("Runtime.exceptionThrown", "Page.javascriptDialogOpening")
        return [e for e in self.browser.events
                if e.get("sessionId") == self.session and e.get("method") in kinds]
