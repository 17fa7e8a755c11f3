#!/usr/bin/env python3
"""The report page in a real browser. yodx writes the page of a bundled
sample log; headless Chromium opens it from its file, takes a screenshot,
dumps the rendered DOM and logs every network request it makes. Passes when
the screenshot is a real render (the window's size, many colours, the charts'
blue drawn), the DOM holds the four charts with their marks and refers to
nothing outside the page, and the net log holds no request that the page
made (Chromium's own requests, which name no origin, are not the page's).

    check_report_page.py YODX OUT_DIR [HEIGHT]

Leaves report.html, report.png, report-dom.html and report-net.json in
OUT_DIR. HEIGHT (default 1800: the charts of hours and multipliers and the
county board) is the window's, 1000 pixels wide.
Chromium missing is a failure: scripts/setup.sh installs it."""
import json
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CTY = os.environ.get("YODX_CTY", "/usr/share/hamradio-files/cty.dat")
WIDTH = 1000
CHART_BLUE = (0x00, 0x72, 0xB2)  # the 80 m bars, the rate bars, the counties worked
# Headless as root on a closed network: no sandbox, no GPU, and none of the
# browser's own background connections that can be switched off.
FLAGS = ["--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--hide-scrollbars"]


def fail(message):
    print("FAIL: " + message)
    sys.exit(1)


def unfilter(kind, line, prior, bpp):
    """One PNG scan line back from its filter."""
    if kind == 0:
        return line
    if kind == 2:
        return bytes((a + b) & 255 for a, b in zip(line, prior))
    cur = bytearray(line)
    for i in range(len(cur)):
        left = cur[i - bpp] if i >= bpp else 0
        if kind == 1:
            cur[i] = (cur[i] + left) & 255
        elif kind == 3:
            cur[i] = (cur[i] + (left + prior[i]) // 2) & 255
        else:
            up, corner = prior[i], prior[i - bpp] if i >= bpp else 0
            p = left + up - corner
            pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
            cur[i] = (cur[i] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
    return bytes(cur)


def read_png(path):
    """Width, height and the RGB pixels (as 3-byte strings) of an 8-bit RGB or
    RGBA PNG without interlacing."""
    data = open(path, "rb").read()
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        fail(path + " is not a PNG")
    pos, idat, header = 8, [], None
    while pos < len(data):
        size, kind = struct.unpack(">I4s", data[pos:pos + 8])
        chunk = data[pos + 8:pos + 8 + size]
        pos += 12 + size
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", chunk)
        elif kind == b"IDAT":
            idat.append(chunk)
    width, height, depth, colour, _, _, interlace = header
    if depth != 8 or colour not in (2, 6) or interlace:
        fail("%s: a PNG of depth %d, colour type %d, interlace %d" % (path, depth, colour, interlace))
    bpp = 3 if colour == 2 else 4
    raw, stride = zlib.decompress(b"".join(idat)), width * bpp
    prior, pixels = bytes(stride), []
    for y in range(height):
        at = y * (stride + 1)
        prior = unfilter(raw[at], raw[at + 1:at + 1 + stride], prior, bpp)
        pixels.extend(prior[x:x + 3] for x in range(0, stride, bpp))
    return width, height, pixels


def check_render(png, height):
    width, got_height, pixels = read_png(png)
    if (width, got_height) != (WIDTH, height):
        fail("%s is %dx%d, not the window's %dx%d" % (png, width, got_height, WIDTH, height))
    white = pixels.count(b"\xff\xff\xff")
    blue = pixels.count(bytes(CHART_BLUE))
    colours = len(set(pixels))
    if colours < 50 or white > 0.95 * len(pixels) or blue < 2000:
        fail("%s does not look rendered: %d colours, %.0f %% white, %d pixels of the charts' blue"
             % (png, colours, 100.0 * white / len(pixels), blue))
    return "%d colours, %.0f %% white, %d pixels of the charts' blue" % (
        colours, 100.0 * white / len(pixels), blue)


def check_dom(dom):
    counts = {tag: len(re.findall("<" + tag + r"\b", dom)) for tag in ("svg", "rect", "polyline")}
    if counts["svg"] != 4 or counts["rect"] < 200 or counts["polyline"] != 3:
        fail("the rendered page lacks its charts: %s" % counts)
    outside = re.findall(r"<script|\b(?:src|href|srcset|action)\s*=|url\((?!#)|@import", dom)
    if outside:
        fail("the page refers outside itself: %s" % sorted(set(outside)))
    return "%d charts, %d rects, %d lines" % (counts["svg"], counts["rect"], counts["polyline"])


def check_requests(net_log):
    log = json.load(open(net_log))
    types = {number: name for name, number in log["constants"]["logEventTypes"].items()}
    started = 0
    for event in log["events"]:
        if types.get(event["type"]) != "URL_REQUEST_START_JOB" or "url" not in event.get("params", {}):
            continue
        started += 1
        params = event["params"]
        # Chromium's own requests name no origin; a request of the page names
        # the page's (a file's origin is opaque: "null").
        if params.get("initiator") != "not an origin" or "file://" in params.get(
                "network_isolation_key", ""):
            fail("the page requested %s" % params["url"])
    return "no request of the page's (%d of Chromium's own)" % started


def main():
    if len(sys.argv) not in (3, 4):
        fail("usage: check_report_page.py YODX OUT_DIR [HEIGHT]")
    yodx, out = sys.argv[1], os.path.abspath(sys.argv[2])
    height = int(sys.argv[3]) if len(sys.argv) == 4 else 1800
    chromium = shutil.which("chromium")
    if not chromium:
        fail("Chromium is missing: scripts/setup.sh installs it")
    os.makedirs(out, exist_ok=True)
    page, png = os.path.join(out, "report.html"), os.path.join(out, "report.png")
    dom_file, net_log = os.path.join(out, "report-dom.html"), os.path.join(out, "report-net.json")
    for stale in (page, png, dom_file, net_log):
        if os.path.exists(stale):
            os.remove(stale)
    made = subprocess.run([yodx, "report", os.path.join(ROOT, "examples", "yo3abc.log"),
                           "--cty", CTY, "--html", page], capture_output=True, text=True)
    if made.returncode != 0:
        fail("yodx report: status %d: %s" % (made.returncode, made.stderr))
    with tempfile.TemporaryDirectory() as profile:
        shown = subprocess.run(
            [chromium] + FLAGS + ["--user-data-dir=" + profile,
                                  "--window-size=%d,%d" % (WIDTH, height), "--screenshot=" + png,
                                  "--dump-dom", "--log-net-log=" + net_log,
                                  "file://" + page],
            capture_output=True, text=True, timeout=60)
    if shown.returncode != 0 or not os.path.exists(png):
        fail("Chromium: status %d: %s" % (shown.returncode, shown.stderr[-2000:]))
    with open(dom_file, "w") as f:
        f.write(shown.stdout)
    print("ok: %s; %s; %s; screenshot %s" % (check_render(png, height), check_dom(shown.stdout),
                                             check_requests(net_log), png))


if __name__ == "__main__":
    main()
