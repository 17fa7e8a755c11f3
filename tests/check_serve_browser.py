#!/usr/bin/env python3
"""The log robot in a real browser: headless Chromium, driven through its
DevTools protocol as a person would use it (a file chosen, text pasted,
buttons clicked with the mouse, a token typed), with no script of ours in
the pages.

    check_serve_browser.py YODX OUT_DIR

The station uploads the bundled sample through the form (refused: its
planted errors, each with its line), then the plug-in's Cabrillo file of it
(received: the receipt), finds its call on the list, and sends a fix by
pasting it. The organiser logs in, sees both versions, cross-checks and
publishes; the station reads its own report by its receipt. Screenshots of
the pages are left in OUT_DIR. Chromium or python3-websocket missing is a
failure: scripts/setup.sh installs them."""
import base64
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from serve_support import ROOT, Failure, Robot, check, plugin_logs  # noqa: E402

# As tests/check_report_page.py starts it: headless as root on a closed network.
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--hide-scrollbars", "--window-size=1100,900"]


class Browser:
    """Chromium with one page, and the DevTools protocol to drive it."""

    def __init__(self, profile):
        import websocket  # Debian's python3-websocket
        chromium = shutil.which("chromium")
        check(chromium, "Chromium is missing: scripts/setup.sh installs it")
        self.process = subprocess.Popen(
            [chromium] + FLAGS + ["--user-data-dir=" + profile, "--remote-debugging-port=0",
                                  "about:blank"],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        port_file = os.path.join(profile, "DevToolsActivePort")
        deadline = time.monotonic() + 30
        while not os.path.exists(port_file) or os.path.getsize(port_file) == 0:
            check(time.monotonic() < deadline and self.process.poll() is None,
                  "Chromium opened no DevTools port")
            time.sleep(0.1)
        port = int(open(port_file).read().split()[0])
        targets = json.load(urllib.request.urlopen("http://127.0.0.1:%d/json/list" % port,
                                                   timeout=10))
        page = next(t for t in targets if t["type"] == "page")
        self.ws = websocket.create_connection(page["webSocketDebuggerUrl"], timeout=30,
                                              suppress_origin=True)
        self.next_id, self.events = 0, []
        for domain in ("Page", "Network", "DOM"):
            self.call(domain + ".enable")

    def close(self):
        try:
            self.ws.close()
        finally:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(10)

    def call(self, method, **params):
        self.next_id += 1
        asked = self.next_id
        self.ws.send(json.dumps({"id": asked, "method": method, "params": params}))
        deadline = time.monotonic() + 30
        while time.monotonic() < deadline:
            message = json.loads(self.ws.recv())
            if message.get("id") == asked:
                check("error" not in message, "%s: %s" % (method, message.get("error")))
                return message.get("result", {})
            self.events.append(message)
        raise Failure("%s: no answer within 30 s" % method)

    def loaded(self, action):
        """Runs ACTION and waits for the page it leads to: its HTTP status."""
        self.events = []
        action()
        status, deadline = None, time.monotonic() + 30
        while time.monotonic() < deadline:
            while self.events:
                event = self.events.pop(0)
                params = event.get("params", {})
                if event.get("method") == "Network.responseReceived" and \
                        params.get("type") == "Document":
                    status = params["response"]["status"]
                # The load of the page the response began (not of the one before).
                if event.get("method") == "Page.loadEventFired" and status is not None:
                    return status
            self.events.append(json.loads(self.ws.recv()))
        raise Failure("no page loaded within 30 s")

    def go(self, url):
        return self.loaded(lambda: self.call("Page.navigate", url=url))

    def node(self, selector):
        deadline = time.monotonic() + 5
        while True:
            root = self.call("DOM.getDocument")["root"]["nodeId"]
            found = self.call("DOM.querySelector", nodeId=root, selector=selector)["nodeId"]
            if found or time.monotonic() > deadline:
                break
            time.sleep(0.1)
        check(found, "no %s on the page" % selector)
        return found

    def html(self, selector="html"):
        return self.call("DOM.getOuterHTML", nodeId=self.node(selector))["outerHTML"]

    def text(self, selector="body"):
        return re.sub(r"\s+", " ", re.sub(r"<[^>]+>", " ", self.html(selector))).strip()

    def click(self, selector):
        """A left click of the mouse in the middle of the element."""
        node = self.node(selector)
        self.call("DOM.scrollIntoViewIfNeeded", nodeId=node)
        quad = self.call("DOM.getBoxModel", nodeId=node)["model"]["content"]
        x, y = sum(quad[0::2]) / 4, sum(quad[1::2]) / 4
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)

    def type(self, selector, text):
        self.call("DOM.focus", nodeId=self.node(selector))
        self.call("Input.insertText", text=text)

    def choose_file(self, selector, path):
        self.call("DOM.setFileInputFiles", nodeId=self.node(selector), files=[path])

    def screenshot(self, path):
        shot = self.call("Page.captureScreenshot", format="png")
        with open(path, "wb") as f:
            f.write(base64.b64decode(shot["data"]))


def story(yodx, scratch, out):
    logs = plugin_logs(yodx, scratch)
    plugin_file = os.path.join(scratch, "DL1ABC.cbr")
    with open(plugin_file, "wb") as f:
        f.write(logs["DL1ABC"])
    with Robot(yodx, os.path.join(scratch, "data"), "--uploads-per-minute", "0") as robot:
        base = "http://127.0.0.1:%d" % robot.port
        browser = Browser(os.path.join(scratch, "profile"))
        try:
            # The station: the sample as it stands is refused, each error with its line.
            check(browser.go(base + "/") == 200, "GET /")
            browser.screenshot(os.path.join(out, "upload.png"))
            browser.choose_file("#log", os.path.join(ROOT, "examples", "dl1abc.log"))
            check(browser.loaded(lambda: browser.click("#send")) == 422, "the sample's status")
            refused = browser.text()
            check("Log refused" in refused and "7 errors" in refused and
                  re.search(r"\b177 error QSO line has 9 fields", refused), "refused: %s" % refused[:500])
            # The plug-in's Cabrillo file of it: received, with a receipt.
            browser.go(base + "/")
            browser.choose_file("#log", plugin_file)
            check(browser.loaded(lambda: browser.click("#send")) == 201, "the upload's status")
            first = browser.text("#receipt-number")
            check(re.fullmatch(r"\d{6}-[0-9a-f]{12}", first), "no receipt: %s" % browser.text()[:500])
            check("DL1ABC" in browser.text("#call"), "the receipt's call")
            browser.screenshot(os.path.join(out, "receipt.png"))
            browser.go(base + "/logs")
            check("DL1ABC" in browser.text("#logs"), "DL1ABC is not on /logs")
            browser.screenshot(os.path.join(out, "logs.png"))
            # A fix, pasted into the form: the log that counts now.
            browser.go(base + "/")
            fixed = logs["DL1ABC"].decode("latin-1").replace("SOAPBOX: ", "SOAPBOX: fixed ", 1)
            browser.type("#text", fixed)
            check(browser.loaded(lambda: browser.click("#send")) == 201, "the pasted fix")
            second = browser.text("#receipt-number")
            check(second != first, "the fix got the first receipt")

            # The organiser: sent to the log-in form, logs in with the token.
            check(browser.go(base + "/admin") == 401, "/admin without the token")
            browser.type("#token", robot.token())
            check(browser.loaded(lambda: browser.click("#login")) == 200, "the log-in")
            check("1 station, 2 versions kept, 1 refused attempt." in browser.text("#counts"),
                  "the counts: %s" % browser.text("#counts"))
            cookies = browser.call("Network.getCookies", urls=[base])["cookies"]
            check(len(cookies) == 1 and cookies[0]["httpOnly"] and cookies[0]["sameSite"] ==
                  "Strict", "the session cookie: %s" % cookies)
            browser.screenshot(os.path.join(out, "admin.png"))
            browser.go(base + "/admin/logs")
            versions = browser.text("#versions")
            check(first in versions and second in versions and
                  versions.index(second) < versions.index("current") < versions.index(first),
                  "the versions: %s" % versions)
            browser.go(base + "/admin")
            check(browser.loaded(lambda: browser.click("#crosscheck")) == 200, "the cross-check")
            summary = browser.html("#summary")
            check("1 logs checked" in summary and "\\x0a" not in summary and
                  summary.count("\n") >= 8, "the run: %s" % summary[:300])
            browser.go(base + "/admin")
            browser.loaded(lambda: browser.click("#publish"))
            check("Run 1 is published" in browser.text(), "not published")

            # The station reads its own report by its receipt.
            browser.go(base + "/")
            browser.type("#receipt", second)
            check(browser.loaded(lambda: browser.click("#show-report")) == 200, "the report")
            check("YO-DX HF Contest cross-check: DL1ABC" in browser.text(), "the report's text")
        finally:
            browser.close()
    return "refused, received, listed, fixed; logged in, two versions, cross-checked, " \
           "published; the report read by its receipt; screenshots in " + out


def main():
    if len(sys.argv) != 3:
        print("usage: check_serve_browser.py YODX OUT_DIR")
        sys.exit(2)
    out = os.path.abspath(sys.argv[2])
    os.makedirs(out, exist_ok=True)
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="yodx-serve-browser-") as scratch:
        try:
            said = story(os.path.abspath(sys.argv[1]), scratch, out)
        except Failure as e:
            print("FAIL: %s" % e)
            sys.exit(1)
    print("ok (%.1f s): %s" % (time.monotonic() - started, said))


if __name__ == "__main__":
    main()
