#!/usr/bin/env python3
"""The log robot (yodx serve) driven by real HTTP clients (python's
http.client, raw sockets, curl) on a loopback port of its own.

    check_serve.py YODX {api,hostile,disk,load,crash}

api      the station's JSON API and form, re-upload, the public list, the
         organiser's token and log-in, every version and its bytes, the zip,
         the deadline and late logs, cross-check, publish, each station's
         report, withdraw, a backup while it runs, SIGTERM
hostile  oversized, binary, empty, compressed and length-less bodies, script
         and formulas in a log, a path as the file name, slow clients, too
         many headers, too many connections, too many uploads a minute
disk     a full disk (a small tmpfs in a mount namespace of its own): the
         upload refused with a sentence, what was kept whole
load     many concurrent uploads of real-sized logs: every one receipted
crash    kill -9 during uploads, then a restart: every receipt given is
         there, byte for byte, and the database passes its integrity check

Everything listens on 127.0.0.1 only, every wait has a limit, and the robot
is stopped whatever happens."""
import concurrent.futures
import gzip
import http.client
import io
import json
import os
import re
import shutil
import socket
import sqlite3
import subprocess
import sys
import threading
import time
import zipfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from serve_support import (ROOT, Robot, as_station, check, plugin_logs, run,  # noqa: E402
                           sha256)

RECEIPT = re.compile(r"^\d{6,}-[0-9a-f]{12}$")


def multipart(fields):
    """A multipart/form-data body of FIELDS, (name, file name or None, bytes)."""
    boundary = "----yodx-test-boundary-7f3a"
    body = b""
    for name, filename, data in fields:
        body += b"--" + boundary.encode() + b"\r\n"
        disposition = 'form-data; name="%s"' % name
        if filename is not None:
            disposition += '; filename="%s"' % filename
        body += b"Content-Disposition: " + disposition.encode() + b"\r\n"
        if filename is not None:
            body += b"Content-Type: application/octet-stream\r\n"
        body += b"\r\n" + data + b"\r\n"
    body += b"--" + boundary.encode() + b"--\r\n"
    return body, {"Content-Type": "multipart/form-data; boundary=" + boundary}


def post_log(robot, data, expect):
    status, headers, body = robot.request("POST", "/api/logs", data)
    check(status == expect, "POST /api/logs: %d, not %d: %s" % (status, expect, body[:300]))
    check(headers.get("content-type") == "application/json", "not JSON: %s" % headers)
    return json.loads(body)


def raw_exchange(port, data, read_for=5.0, send_slowly=None):
    """Sends DATA (or SEND_SLOWLY: (pieces, pause)) on a raw connection; what
    came back and how long the connection lasted."""
    started = time.monotonic()
    sock = socket.create_connection(("127.0.0.1", port), timeout=read_for)
    got = b""
    try:
        if send_slowly:
            pieces, pause = send_slowly
            for piece in pieces:
                try:
                    sock.sendall(piece)
                except OSError:
                    break
                time.sleep(pause)
        else:
            sock.sendall(data)
        while time.monotonic() - started < read_for:
            try:
                chunk = sock.recv(65536)
            except (socket.timeout, ConnectionResetError):
                break
            if not chunk:
                break
            got += chunk
    finally:
        sock.close()
    return got, time.monotonic() - started


def count_closed(port, count):
    """Opens COUNT connections that send nothing: how many the robot closed
    within a second, unserved."""
    idle = [socket.create_connection(("127.0.0.1", port), timeout=5) for _ in range(count)]
    time.sleep(1.0)
    closed = 0
    for sock in idle:
        sock.setblocking(False)
        try:
            closed += 1 if sock.recv(1) == b"" else 0
        except BlockingIOError:
            pass  # still open: being served, or waiting for its turn
        except ConnectionResetError:
            closed += 1
        sock.close()
    return closed


def part_api(yodx, scratch):
    logs = plugin_logs(yodx, scratch)
    dl, yo = logs["DL1ABC"], logs["YO3ABC"]
    data = os.path.join(scratch, "data")
    with Robot(yodx, data, "--uploads-per-minute", "0") as robot:
        mode = os.stat(os.path.join(data, "admin.token")).st_mode & 0o777
        check(mode == 0o600, "admin.token has mode %o" % mode)
        check(re.fullmatch(r"[0-9a-f]{64}", robot.token()), "admin.token holds no token")
        check(any("admin.token" in line for line in robot.lines), "the start names no token file")

        status, headers, page = robot.request("GET", "/")
        check(status == 200 and b'enctype="multipart/form-data"' in page, "GET /: %d" % status)
        check("default-src 'none'" in headers.get("content-security-policy", ""), "no CSP")
        check(headers.get("x-content-type-options") == "nosniff", "no nosniff")

        # The sample as it stands has planted errors: refused, every finding with its line.
        with open(os.path.join(ROOT, "examples", "dl1abc.log"), "rb") as f:
            raw = f.read()
        refused = post_log(robot, raw, 422)
        check(refused["status"] == "refused" and refused["receipt"] is None, "refused: %s" % refused)
        errors = [f["line"] for f in refused["findings"] if f["severity"] == "error"]
        check(len(errors) == refused["errors"] == 7 and 177 in errors, "errors: %s" % errors)

        first = post_log(robot, dl, 201)
        check(first["status"] == "accepted" and RECEIPT.match(first["receipt"]), "%s" % first)
        check(first["sha256"] == sha256(dl) and first["call"] == "DL1ABC", "%s" % first)
        check(first["claimed_score"]["organiser"] < first["claimed_score"]["plugin"],
              "claimed: %s" % first["claimed_score"])
        # A fix uploaded again becomes the log that counts; the first is kept.
        fixed = dl.replace(b"SOAPBOX: ", b"SOAPBOX: sent again after a fix ", 1)
        check(fixed != dl, "the sample has no SOAPBOX line")
        second = post_log(robot, fixed, 201)
        check(second["receipt"] != first["receipt"], "one receipt for two versions")
        # A Windows logger's Unicode file, through the form, as a person sends it.
        utf16 = b"\xff\xfe" + yo.decode("latin-1").encode("utf-16-le")
        body, headers = multipart([("log", "YO3ABC.cbr", utf16), ("text", None, b"")])
        status, _, page = robot.request("POST", "/upload", body, headers)
        check(status == 201 and b"Log received" in page and b"YO3ABC" in page,
              "the form's UTF-16 upload: %d %s" % (status, page[:400]))
        receipt_yo = re.search(rb'id="receipt-number" class="mono">([^<]+)<', page).group(1).decode()

        status, _, listing = robot.request("GET", "/api/logs")
        rows = json.loads(listing)["logs"]
        check([r["call"] for r in rows] == ["DL1ABC", "YO3ABC"], "the list: %s" % rows)
        status, headers, csv = robot.request("GET", "/logs.csv")
        check(csv.startswith(b"call,category,qsos,claimed_score") and csv.count(b"\r\n") == 3,
              "logs.csv: %s" % csv[:300])
        status, _, page = robot.request("GET", "/logs")
        check(page.count(b"<tr><td>") == 2, "/logs rows")

        # The organiser's side: nothing without the token.
        for method, path in (("GET", "/api/admin/logs"), ("GET", "/api/admin/status"),
                             ("POST", "/api/admin/publish"), ("GET", "/api/admin/nothing"),
                             ("GET", "/admin"), ("GET", "/admin/logs.zip"), ("GET", "/admin/x/y")):
            status, headers, body = robot.request(method, path, b"" if method == "POST" else None)
            check(status == 401, "%s %s without the token: %d" % (method, path, status))
            if path.startswith("/api/"):
                check(headers.get("www-authenticate") == "Bearer", "no WWW-Authenticate")
            else:
                check(b'action="/login"' in body, "%s sends no browser to the log-in form" % path)
        status, _, _ = robot.request("GET", "/api/admin/logs",
                                     headers={"Authorization": "Bearer " + "0" * 64})
        check(status == 401, "a wrong token: %d" % status)

        status, _, body = robot.admin("GET", "/api/admin/logs")
        versions = json.loads(body)["versions"]
        check([(v["call"], v["current"]) for v in versions] ==
              [("YO3ABC", True), ("DL1ABC", True), ("DL1ABC", False)], "versions: %s" % versions)
        for receipt, sent in ((first["receipt"], dl), (second["receipt"], fixed),
                              (receipt_yo, utf16)):
            status, headers, kept = robot.admin("GET", "/api/admin/logs/" + receipt)
            check(status == 200 and kept == sent, "the bytes of %s are not as sent" % receipt)
        status, _, body = robot.admin("GET", "/api/admin/refused")
        attempt = json.loads(body)["refused"][0]
        check(attempt["call"] == "DL1ABC" and attempt["findings_total"] == 69, "%s" % attempt)
        status, headers, archive = robot.admin("GET", "/api/admin/logs.zip")
        with zipfile.ZipFile(io.BytesIO(archive)) as z:
            check(z.testzip() is None, "the zip is damaged")
            check(sorted(z.namelist()) == ["DL1ABC.log", "YO3ABC.log"], "%s" % z.namelist())
            check(z.read("DL1ABC.log") == fixed and z.read("YO3ABC.log") == utf16, "zip contents")

        # The browser's log-in: a cookie the page's script cannot read, sent to this site only.
        status, _, page = robot.request("POST", "/login", "token=wrong",
                                        {"Content-Type": "application/x-www-form-urlencoded"})
        check(status == 401 and b"not the organiser" in page, "a wrong log-in: %d" % status)
        status, headers, _ = robot.request("POST", "/login?token=" + robot.token(), "",
                                           {"Content-Type": "application/x-www-form-urlencoded"})
        check(status == 400 and "set-cookie" not in headers, "the token in the address: %d" % status)
        status, headers, _ = robot.request("POST", "/login", "token=" + robot.token(),
                                           {"Content-Type": "application/x-www-form-urlencoded"})
        cookie = headers.get("set-cookie", "")
        check(status == 303 and headers.get("location") == "/admin", "log-in: %d" % status)
        check("HttpOnly" in cookie and "SameSite=Strict" in cookie, "cookie: %s" % cookie)
        session = {"Cookie": cookie.split(";")[0]}
        status, _, page = robot.request("GET", "/admin", headers=session)
        check(status == 200 and b"3 versions kept" in page, "/admin with the cookie: %d" % status)
        # An action sent from another origin of the same site carries the cookie.
        for site, expect in (("same-site", 403), ("same-origin", 303)):
            status, _, _ = robot.request("POST", "/admin/withdraw", b"",
                                         dict(session, **{"Sec-Fetch-Site": site}))
            check(status == expect, "an action from %s: %d" % (site, status))
        robot.request("POST", "/logout", b"", session)
        status, _, _ = robot.request("GET", "/admin", headers=session)
        check(status == 401, "the session outlived its log-out")

        # The deadline: after it, 403 with a sentence; late logs, when allowed, marked late.
        form = {"Content-Type": "application/x-www-form-urlencoded"}
        status, _, _ = robot.admin("POST", "/api/admin/deadline", "deadline=2001-01-01T00:00", form)
        check(status == 200, "set the deadline: %d" % status)
        closed = post_log(robot, dl, 403)
        check("closed at the deadline, 2001-01-01 00:00 UTC" in closed["message"], "%s" % closed)
        robot.admin("POST", "/api/admin/deadline", "deadline=2001-01-01T00:00&late=1", form)
        late = post_log(robot, as_station(dl, "DL1ABC", "DL2LATE"), 201)
        check(late["late"] and "late log" in late["message"], "late: %s" % late)
        status, _, page = robot.request("GET", "/logs")
        check(b"(late)" in page, "the late log is not marked on /logs")
        robot.admin("POST", "/api/admin/deadline", "deadline=", form)

        # Cross-check, publish, each station's report by its receipt, withdraw.
        status, _, _ = robot.request("GET", "/results")
        check(status == 404, "results before publication: %d" % status)
        status, _, body = robot.admin("POST", "/api/admin/crosscheck", b"")
        run_ = json.loads(body)
        check(status == 201 and run_["logs"] == 3 and "3 logs checked" in run_["summary"],
              "cross-check: %d %s" % (status, body[:300]))
        status, _, body = robot.admin("POST", "/api/admin/publish", b"")
        check(status == 200 and json.loads(body)["published"], "publish: %d" % status)
        status, _, page = robot.request("GET", "/results")
        check(status == 200 and b"checked results" in page and b"YO3ABC" in page, "results")
        status, headers, report = robot.request("GET", "/report?receipt=" + receipt_yo)
        check(status == 200 and b"cross-check: YO3ABC" in report and
              headers["content-type"].startswith("text/plain"), "report: %d" % status)
        status, _, report = robot.request("GET", "/report?receipt=" + first["receipt"])
        check(b"cross-check: DL1ABC" in report, "an earlier receipt finds its station's report")
        status, _, _ = robot.request("GET", "/report?receipt=000001-000000000000")
        check(status == 404, "a guessed receipt: %d" % status)
        robot.admin("POST", "/api/admin/withdraw", b"")
        status, _, _ = robot.request("GET", "/results")
        check(status == 404, "withdrawn results still served")

        # One address has 8 connections served at once; more are closed at once.
        closed_at_once = count_closed(robot.port, 12)
        check(closed_at_once >= 4, "12 idle connections of one address: %d closed" % closed_at_once)

        # A consistent copy while it runs.
        copy = os.path.join(scratch, "copy.sqlite")
        made = subprocess.run([yodx, "serve", "--data", data, "--backup", copy],
                              capture_output=True, text=True, timeout=60)
        check(made.returncode == 0, "backup: %s" % made.stderr)
        with sqlite3.connect(copy) as db:
            check(db.execute("PRAGMA integrity_check").fetchone()[0] == "ok", "the copy's check")
            check(db.execute("SELECT COUNT(*) FROM logs").fetchone()[0] == 4, "the copy's logs")
        status = robot.stop()
        check(status == 0 and "stopped" in robot.lines[-1], "SIGTERM: %s %s" % (status, robot.lines))
    check(sorted(os.listdir(data)) in (["admin.token", "logs.sqlite"],
                                       ["admin.token", "logs.sqlite", "logs.sqlite-shm",
                                        "logs.sqlite-wal"]), "the data folder: %s" % os.listdir(data))
    return "4 versions of 3 stations, every answer as asked; the copy and the stop clean"


def part_hostile(yodx, scratch):
    logs = plugin_logs(yodx, scratch)
    dl = logs["DL1ABC"]
    data = os.path.join(scratch, "data")
    said = []
    with Robot(yodx, data, "--uploads-per-minute", "3", "--header-timeout", "1",
               "--body-timeout", "2", "--threads", "2") as robot:
        port = robot.port
        too_big = post_log(robot, b"QSO: " * (700 * 1024), 413)
        check("larger than the robot takes" in too_big["error"], "413: %s" % too_big)
        binary = post_log(robot, bytes(range(256)) * 64, 422)
        check("not a text file" in binary["message"], "binary: %s" % binary)
        empty = post_log(robot, b"", 422)
        check("empty" in empty["message"], "empty: %s" % empty)
        # The limit per address and minute: the fourth upload is one too many.
        post_log(robot, dl, 201)
        status, headers, body = robot.request("POST", "/api/logs", dl)
        check(status == 429 and headers.get("retry-after") == "60" and b"Too many" in body,
              "the fourth upload of the minute: %d" % status)

        got, _ = raw_exchange(port, b"POST /api/logs HTTP/1.1\r\nHost: x\r\nContent-Encoding: gzip"
                                    b"\r\nContent-Length: 4\r\n\r\nabcd")
        check(got.startswith(b"HTTP/1.1 415"), "compressed: %s" % got[:80])
        got, _ = raw_exchange(port, b"POST /api/logs HTTP/1.1\r\nHost: x\r\n\r\n" + b"a" * 5000)
        check(got.startswith(b"HTTP/1.1 411"), "no length: %s" % got[:80])
        # A body no one reads ends the connection, instead of being read as a
        # request of its own (one a proxy in front never saw).
        hidden = b"GET /hidden HTTP/1.1\r\nHost: x\r\n\r\n"
        got, _ = raw_exchange(port, b"GET / HTTP/1.1\r\nHost: x\r\nContent-Length: %d\r\n\r\n"
                              % len(hidden) + hidden)
        check(got.count(b"HTTP/1.1 ") == 1 and b"Connection: close" in got,
              "a GET's body read as a request: %s" % got[:80])
        # A length is one number, and PRI's body (the library reads one) is
        # held to POST's checks: this one would inflate to 4 MiB.
        got, _ = raw_exchange(port, b"POST /api/logs HTTP/1.1\r\nHost: x\r\nContent-Length: 5abc"
                                    b"\r\n\r\nhello")
        check(got.startswith(b"HTTP/1.1 400"), "a length of 5abc: %s" % got[:80])
        inflating = gzip.compress(b"\0" * (4 << 20))
        got, _ = raw_exchange(port, b"PRI /upload HTTP/1.1\r\nHost: x\r\nContent-Encoding: gzip\r\n"
                              b"Content-Length: %d\r\n\r\n" % len(inflating) + inflating)
        check(got.startswith(b"HTTP/1.1 415"), "PRI, compressed: %s" % got[:80])
        # A Range is answered whole: in many parts, each would be a copy of it.
        _, _, page = robot.request("GET", "/")
        ranges = {"Range": "bytes=" + "0-," * 500 + "0-"}
        status, _, body = robot.request("GET", "/", headers=ranges)
        check(status == 200 and body == page, "501 ranges: %d, %d bytes" % (status, len(body)))
        got, _ = raw_exchange(port, b"GET / HTTP/1.1\r\nHost: x\r\n" + b"X-A: b\r\n" * 20000 +
                              b"\r\n")
        check(not got.startswith(b"HTTP/1.1 200"), "200 headers of 160 KB: %s" % got[:80])
        # Slow clients: the head within --header-timeout, the body within --body-timeout.
        got, head = raw_exchange(port, None, read_for=8, send_slowly=(
            [b"GET / HTTP/1.1\r\n"] + [b"X-Slow: %d\r\n" % i for i in range(40)], 0.2))
        check(head < 5 and not got.startswith(b"HTTP/1.1 200"), "a slow head: %.1f s" % head)
        got, body = raw_exchange(port, None, read_for=10, send_slowly=(
            [b"POST /api/logs HTTP/1.1\r\nHost: x\r\nContent-Length: 1000\r\n\r\n"] +
            [b"x" * 10] * 60, 0.2))
        check(body < 8 and b"201" not in got[:20], "a slow body: %.1f s" % body)
        said.append("a slow head cut after %.1f s, a slow body after %.1f s" % (head, body))

        # Connections beyond the threads and the waiting room are closed at once.
        time.sleep(1.2)  # the slow clients' threads are free again
        closed_at_once = count_closed(port, 8)
        check(closed_at_once >= 1, "8 idle connections to 2 threads: none closed at once")
        time.sleep(1.5)
        status, _, _ = robot.request("GET", "/")
        check(status == 200, "after the idle connections: %d" % status)
        said.append("%d of 8 idle connections closed at once" % closed_at_once)
        robot.stop()

    # What a log says, on every page and in the CSV: a station's script and
    # formulas as its name, club, address and soapbox, and as its call.
    with Robot(yodx, data, "--uploads-per-minute", "0") as robot:
        evil = (b"<script>alert(1)</script>", b"<img src=x onerror=alert(1)>",
                b"=HYPERLINK(\"http://x\",\"y\")")
        kept = dl
        for tag, text in ((b"NAME: ", evil[0]), (b"CLUB: ", evil[1]), (b"ADDRESS: ", evil[2]),
                          (b"SOAPBOX: ", evil[0] + evil[1])):
            kept = re.sub(rb"(?m)^" + tag + rb"[^\r\n]*", tag + text, kept, count=1)
        check(kept.count(b"<script>") == 2, "the hostile header fields are not in the log")
        body, headers = multipart([("log", "../../../../../tmp/yodx-serve-evil.log", kept),
                                   ("text", None, b"")])
        status, _, answer = robot.request("POST", "/upload", body, headers)
        check(status == 201, "the form with a path as its file name: %d %s" % (status, answer[:300]))
        for name in ("/etc/passwd", "C:\\Windows\\win.ini", "a\x00b.log"):
            body, headers = multipart([("log", name, as_station(kept, "DL1ABC", "DL9EVIL"))])
            status, _, _ = robot.request("POST", "/upload", body, headers)
            check(status == 201, "file name %r: %d" % (name, status))
        refused_call = kept.replace(b"CALLSIGN: DL1ABC", b"CALLSIGN: " + evil[0], 1)
        body, headers = multipart([("text", None, refused_call)])
        status, _, answer = robot.request("POST", "/upload", body, headers)
        check(status == 422, "a call that is a script: %d" % status)
        pages = [answer]
        robot.admin("POST", "/api/admin/crosscheck", b"")
        for path in ("/", "/logs", "/logs.csv", "/api/logs", "/admin", "/admin/logs",
                     "/admin/refused", "/admin/results", "/admin/results.html",
                     "/admin/report?call=DL1ABC"):
            status, _, page = robot.admin("GET", path)
            check(status == 200, "%s: %d" % (path, status))
            pages.append(page)
        for page in pages:
            for bad in (b"<script", b"<img", b"onerror=alert"):
                check(bad not in page.lower(), "unescaped %s in %s" % (bad, page[:200]))
        check(any(b"&lt;script&gt;" in page.lower() for page in pages), "no script, escaped")
        check(not os.path.exists("/tmp/yodx-serve-evil.log"), "a file name reached a path")
        check(sorted(os.listdir(data)) == ["admin.token", "logs.sqlite", "logs.sqlite-shm",
                                           "logs.sqlite-wal"], "data: %s" % os.listdir(data))
        # Compressed with gzip at most: brotli at the library's quality costs a
        # second of processor time for a large page.
        _, _, plain = robot.request("GET", "/logs")
        for asked, given in (("br", None), ("br, gzip", "gzip")):
            _, headers, body = robot.request("GET", "/logs", headers={"Accept-Encoding": asked})
            check(headers.get("content-encoding") == given, "asked %s: %s" % (asked, headers))
            check((gzip.decompress(body) if given else body) == plain, "asked %s: the page" % asked)
        status, _, answer = robot.request("GET", "/logs", headers={"Host": "<script>"})
        check(status == 200 and b"<script" not in answer, "a hostile Host header")
        check(robot.process.poll() is None, "the robot ended")
    if shutil.which("curl"):
        with Robot(yodx, data, "--uploads-per-minute", "0") as robot:
            made = subprocess.run(["curl", "-sS", "--max-time", "20", "-o", "/dev/null", "-w",
                                   "%{http_code}", "--data-binary", "@-",
                                   "http://127.0.0.1:%d/api/logs" % robot.port],
                                  input=dl, capture_output=True, timeout=30)
            check(made.stdout == b"201", "curl --data-binary: %s %s" % (made.stdout, made.stderr))
        said.append("curl's upload receipted")
    return "; ".join(said)


def part_disk(yodx, scratch):
    logs = plugin_logs(yodx, scratch)
    mount = os.path.join(scratch, "small")
    copy = os.path.join(scratch, "copy")
    os.makedirs(mount)
    os.makedirs(copy)
    # The robot in a mount namespace of its own, its data on a tmpfs of 1 MiB.
    isolate = ["unshare", "-m"] if os.getuid() == 0 else ["unshare", "-r", "-m"]
    probe = subprocess.run(isolate + ["true"], capture_output=True, text=True)
    check(probe.returncode == 0, "cannot make a private mount namespace: %s" % probe.stderr)
    wrapper = isolate + ["sh", "-c", 'mount -t tmpfs -o size=1m yodx-full "$0" && exec "$@"',
                         mount]
    receipts, full = {}, None
    with Robot(yodx, os.path.join(mount, "data"), "--uploads-per-minute", "0",
               command=wrapper) as robot:
        for n in range(40):
            sent = as_station(logs["DL1ABC"], "DL1ABC", "DL%dFULL" % n)
            status, _, body = robot.request("POST", "/api/logs", sent)
            if status != 201:
                full = (status, json.loads(body))
                break
            receipts[json.loads(body)["receipt"]] = sent
        check(full is not None, "1 MiB took 40 logs of 70 KB")
        check(full[0] == 507 and "disk is full" in full[1]["message"] and
              full[1]["receipt"] is None, "the full disk's answer: %s" % (full,))
        status, _, listing = robot.request("GET", "/api/logs")
        check(status == 200 and len(json.loads(listing)["logs"]) == len(receipts),
              "the list with the disk full: %d" % status)
        for receipt, sent in receipts.items():
            status, _, kept = robot.admin("GET", "/api/admin/logs/" + receipt)
            check(status == 200 and kept == sent, "receipt %s with the disk full" % receipt)
        # The database as the robot holds it, seen through its own mount
        # namespace, copied while it is idle.
        held = "/proc/%d/root%s/data/logs.sqlite" % (robot.process.pid, mount)
        for suffix in ("", "-wal"):
            if os.path.exists(held + suffix):
                shutil.copyfile(held + suffix, os.path.join(copy, "logs.sqlite" + suffix))
        check(robot.stop() == 0, "the robot did not stop cleanly with its disk full")
    with sqlite3.connect(os.path.join(copy, "logs.sqlite")) as db:
        check(db.execute("PRAGMA integrity_check").fetchone()[0] == "ok", "integrity")
        rows = db.execute("SELECT sha256, bytes FROM logs JOIN log_bytes ON log = id").fetchall()
    check(len(rows) == len(receipts) and all(sha == sha256(b) for sha, b in rows),
          "with the disk full: %d logs kept, %d receipted" % (len(rows), len(receipts)))
    return "%d logs receipted, the next refused with 507, all kept whole" % len(receipts)


def part_load(yodx, scratch):
    yo = plugin_logs(yodx, scratch)["YO3ABC"]  # 2,000 QSO lines, 116 KB
    count, clients = 200, 32
    calls = ["YO%dL%s%s" % (n % 10, chr(65 + n // 260 % 26), chr(65 + n // 10 % 26))
             for n in range(count)]
    check(len(set(calls)) == count, "the calls repeat")
    with Robot(yodx, os.path.join(scratch, "data"), "--uploads-per-minute", "0",
               "--connections-per-address", "0") as robot:
        def upload(call):
            sent = as_station(yo, "YO3ABC", call)
            started = time.monotonic()
            status, _, body = robot.request("POST", "/api/logs", sent, timeout=60)
            return call, status, json.loads(body), time.monotonic() - started
        started = time.monotonic()
        with concurrent.futures.ThreadPoolExecutor(clients) as pool:
            answers = list(pool.map(upload, calls))
        took = time.monotonic() - started
        bad = [(c, s, b.get("message")) for c, s, b, _ in answers if s != 201]
        check(not bad, "%d uploads not receipted: %s" % (len(bad), bad[:3]))
        receipts = {b["receipt"] for _, _, b, _ in answers}
        check(len(receipts) == count, "receipts repeat")
        status, _, listing = robot.request("GET", "/api/logs")
        check(len(json.loads(listing)["logs"]) == count, "the list holds %d" % len(listing))
        latencies = sorted(t for _, _, _, t in answers)
    return "%d uploads of %d KB by %d clients in %.1f s, the slowest %.0f ms" % (
        count, len(yo) // 1024, clients, took, latencies[-1] * 1000)


def part_crash(yodx, scratch):
    dl = plugin_logs(yodx, scratch)["DL1ABC"]
    data = os.path.join(scratch, "data")
    receipted = {}
    for round_ in range(3):
        robot = Robot(yodx, data, "--uploads-per-minute", "0",
                      "--connections-per-address", "0").start()
        stop = threading.Event()

        def uploader(worker):
            n = 0
            while not stop.is_set() and n < 200:
                call = "DL%dK%s%s" % (round_, chr(65 + worker), chr(65 + n % 26))
                # A version of its own, as a station's after a fix.
                sent = as_station(dl, "DL1ABC", call).replace(b"SOAPBOX: ", b"SOAPBOX: %d " % n, 1)
                n += 1
                try:
                    status, _, body = robot.request("POST", "/api/logs", sent, timeout=10)
                except (OSError, http.client.HTTPException):
                    return
                if status == 201:
                    receipted[json.loads(body)["receipt"]] = sent

        workers = [threading.Thread(target=uploader, args=(w,)) for w in range(8)]
        for w in workers:
            w.start()
        time.sleep(0.6 + 0.4 * round_)
        robot.process.kill()  # kill -9, uploads under way
        robot.process.wait(10)
        stop.set()
        for w in workers:
            w.join(20)
    check(len(receipted) > 20, "only %d uploads receipted before the kills" % len(receipted))
    with Robot(yodx, data, "--uploads-per-minute", "0") as robot:
        for receipt, sent in receipted.items():
            status, _, kept = robot.admin("GET", "/api/admin/logs/" + receipt)
            check(status == 200 and kept == sent, "receipt %s lost or changed" % receipt)
        robot.stop()
    with sqlite3.connect(os.path.join(data, "logs.sqlite")) as db:
        check(db.execute("PRAGMA integrity_check").fetchone()[0] == "ok", "integrity_check")
        rows = db.execute("SELECT sha256, bytes FROM logs JOIN log_bytes ON log = id").fetchall()
        orphans = db.execute("SELECT COUNT(*) FROM current LEFT JOIN logs ON logs.id = current.log "
                             "WHERE logs.id IS NULL").fetchone()[0]
    check(all(sha == sha256(b) for sha, b in rows) and orphans == 0, "a half-written log")
    return "3 kills -9 under 8 uploaders: %d receipts, all found byte for byte; %d versions, " \
           "integrity ok" % (len(receipted), len(rows))


if __name__ == "__main__":
    run({"api": part_api, "hostile": part_hostile, "disk": part_disk, "load": part_load,
         "crash": part_crash}, sys.argv)
