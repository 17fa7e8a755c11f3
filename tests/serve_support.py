"""What the log robot's checks share: the robot started on a loopback port
of its own and always stopped, HTTP requests with a time limit, and the
bundled samples' logs as the plug-in writes them (warnings only: a robot
takes them)."""
import hashlib
import http.client
import os
import re
import signal
import subprocess
import sys
import tempfile
import threading
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CTY = os.environ.get("YODX_CTY", "/usr/share/hamradio-files/cty.dat")
LISTENING = re.compile(r"listening on http://127\.0\.0\.1:(\d+)/")


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def sha256(data):
    return hashlib.sha256(data).hexdigest()


class Robot:
    """yodx serve on 127.0.0.1, a free port, DATA as its folder. Use as a
    context manager: it is stopped (SIGTERM, then SIGKILL after 10 s) when
    the block ends, whatever happens in it."""

    def __init__(self, yodx, data, *options, command=None):
        self.yodx, self.data, self.options = yodx, data, list(options)
        self.command = command  # a wrapper around the program, as a list
        self.process, self.port, self.lines = None, None, []

    def start(self):
        argv = [self.yodx, "serve", "--data", self.data, "--listen", "127.0.0.1:0",
                "--cty", CTY] + self.options
        self.process = subprocess.Popen((self.command or []) + argv, stdout=subprocess.PIPE,
                                        stderr=subprocess.PIPE, text=True)
        self.errors = []
        threading.Thread(target=self._drain_errors, daemon=True).start()
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            line = self.process.stdout.readline()
            if not line:
                break
            self.lines.append(line)
            found = LISTENING.search(line)
            if found:
                self.port = int(found.group(1))
                self.output = threading.Thread(target=self._drain_output, daemon=True)
                self.output.start()
                return self
        self.kill()
        raise Failure("the robot did not start: %s %s" % ("".join(self.lines), "".join(self.errors)))

    def _drain_output(self):
        for line in self.process.stdout:
            self.lines.append(line)

    def _drain_errors(self):
        for line in self.process.stderr:
            self.errors.append(line)

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    def stop(self, timeout=10):
        """SIGTERM; the exit status."""
        if self.process is None or self.process.poll() is not None:
            return self.process.returncode if self.process else None
        self.process.send_signal(signal.SIGTERM)
        try:
            status = self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            self.kill()
            raise Failure("the robot did not stop within %d s of SIGTERM" % timeout)
        self.output.join(5)  # its last lines read
        return status

    def kill(self):
        if self.process is not None and self.process.poll() is None:
            self.process.kill()
            self.process.wait(10)

    def token(self):
        path = os.path.join(self.data, "admin.token")
        if not os.path.exists(path):  # a data folder in a mount namespace of the robot's own
            path = "/proc/%d/root%s" % (self.process.pid, os.path.abspath(path))
        with open(path) as f:
            return f.read().strip()

    def request(self, method, path, body=None, headers=None, timeout=30):
        """(status, headers as a dict of lower-case names, body bytes)."""
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=timeout)
        try:
            connection.request(method, path, body=body, headers=headers or {})
            response = connection.getresponse()
            return response.status, {k.lower(): v for k, v in response.getheaders()}, response.read()
        finally:
            connection.close()

    def admin(self, method, path, body=None, headers=None):
        headers = dict(headers or {}, Authorization="Bearer " + self.token())
        return self.request(method, path, body, headers)


def plugin_logs(yodx, out):
    """The bundled samples' Cabrillo logs as the plug-in writes them:
    {call: bytes}. Their planted refusals stay out, so the robot takes them."""
    logs = {}
    for station, call in (("dl1abc", "DL1ABC"), ("yo3abc", "YO3ABC")):
        folder = os.path.join(out, station)
        os.makedirs(folder, exist_ok=True)
        made = subprocess.run([yodx, "score", os.path.join(ROOT, "examples", station + ".log"),
                               "--cty", CTY, "--out", folder, "--cabrillo"],
                              capture_output=True, text=True, timeout=60)
        path = os.path.join(folder, call + ".cbr")
        check(made.returncode == 0 and os.path.exists(path),
              "yodx score --cabrillo %s: %s" % (station, made.stderr))
        with open(path, "rb") as f:
            logs[call] = f.read()
    return logs


def as_station(log, old, new):
    """LOG (bytes) as the station NEW would have sent it."""
    return log.replace(old.encode(), new.encode())


def run(parts, argv):
    """Runs the named part of PARTS with a scratch folder; prints ok or FAIL."""
    if len(argv) != 3 or argv[2] not in parts:
        print("usage: %s YODX {%s}" % (os.path.basename(argv[0]), ",".join(parts)))
        sys.exit(2)
    started = time.monotonic()
    with tempfile.TemporaryDirectory(prefix="yodx-serve-") as scratch:
        try:
            said = parts[argv[2]](os.path.abspath(argv[1]), scratch)
        except Failure as e:
            print("FAIL: %s" % e)
            sys.exit(1)
    print("ok (%.1f s): %s" % (time.monotonic() - started, said))
