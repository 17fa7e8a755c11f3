#!/usr/bin/env python3
"""Makes the sample logs of examples/: a YO-DX HF Contest weekend as worked
by a Romanian station (YO3ABC, Bucharest) and by a DX station (DL1ABC), each
written as ADIF and as Cabrillo 3.0 with the same contacts.

The worked stations are real call signs from MASTER.SCP, placed with
cty.dat (both from Debian's hamradio-files). The output depends only on
SEED and those two files, so a run reproduces the committed samples.

    tools/yodx/gen_sample.py [--out examples] [--scp FILE] [--cty FILE]
"""

import argparse
import datetime as dt
import os
import random
import sys

SEED = 20210807
HAMRADIO = "/usr/share/hamradio-files"
START = dt.datetime(2021, 8, 28, 12, 0, 0)  # the last full weekend of August
HOURS = 24

COUNTIES_BY_AREA = {
    "0": ["BV", "CV", "HR", "MS", "SB", "CJ", "IS"],
    "1": ["BU", "IF", "TM", "CT"],
    "2": ["TM", "AR", "CS", "HD"],
    "3": ["BU", "IF"],
    "4": ["CT", "GL", "BR", "TL", "VN"],
    "5": ["CJ", "BH", "MM", "SM", "SJ", "BN", "AB"],
    "6": ["BV", "CV", "HR", "MS", "SB"],
    "7": ["DJ", "OT", "VL", "GJ", "MH", "AG"],
    "8": ["IS", "BC", "NT", "SV", "BT", "VS"],
    "9": ["PH", "DB", "GR", "IL", "CL", "TR", "BZ", "IF"],
}

BANDS = ["160m", "80m", "40m", "20m", "15m", "10m"]
LOWER_EDGE = {"160m": 1800, "80m": 3500, "40m": 7000, "30m": 10100, "20m": 14000,
              "17m": 18068, "15m": 21000, "12m": 24890, "10m": 28000}
CW_RANGE = {"160m": (1810, 1838), "80m": (3505, 3560), "40m": (7005, 7035),
            "30m": (10105, 10130), "20m": (14005, 14060), "15m": (21005, 21070),
            "10m": (28005, 28070)}
SSB_RANGE = {"160m": (1843, 1990), "80m": (3600, 3790), "40m": (7060, 7195),
             "20m": (14150, 14340), "17m": (18120, 18160), "15m": (21200, 21440),
             "10m": (28350, 28700)}


def band_weights(hour):
    """How busy each band is at a UTC hour in August."""
    if 12 <= hour < 16:
        return [0, 1, 4, 10, 7, 3]
    if 16 <= hour < 19:
        return [0, 2, 7, 9, 3, 1]
    if hour >= 19 or hour < 4:
        return [3, 9, 8, 2, 0, 0]
    if 4 <= hour < 8:
        return [0, 3, 8, 7, 2, 0]
    return [0, 1, 4, 9, 7, 3]


class Cty:
    """Just enough of cty.dat to sort the worked calls by country."""

    def __init__(self, path):
        self.prefix = {}
        self.exact = {}
        with open(path, encoding="latin-1") as f:
            text = f.read()
        for block in text.split(";"):
            fields = block.split(":")
            if len(fields) < 9:
                continue
            entity = (fields[0].strip(), fields[3].strip(), fields[7].strip().lstrip("*"))
            for token in fields[8].replace("\n", " ").split(","):
                token = token.strip()
                for mark in "([<{~":
                    token = token.split(mark)[0]
                if not token:
                    continue
                if token.startswith("="):
                    self.exact[token[1:]] = entity
                else:
                    self.prefix[token] = entity

    def lookup(self, call):
        if call in self.exact:
            return self.exact[call]
        parts = [p for p in call.split("/") if p]
        parts = [parts[0]] + [p for p in parts[1:] if len(p) > 1 and p not in ("QRP", "MM", "AM")]
        base = min(parts, key=len) if len(parts) > 1 else parts[0]
        for n in range(len(base), 0, -1):
            if base[:n] in self.prefix:
                return self.prefix[base[:n]]
        return None


def read_scp(path):
    with open(path, encoding="latin-1") as f:
        return sorted({line.strip() for line in f if line.strip() and not line.startswith("#")})


class Station:
    def __init__(self, call, romanian, county, rate):
        self.call = call
        self.romanian = romanian
        self.county = county
        self.rate = rate  # contacts per hour, for the serials it sends


def pick_stations(rng, scp, cty, own):
    romanian, it9, dx = [], [], []
    for call in scp:
        if call == own or "/MM" in call or "/AM" in call:
            continue
        entity = cty.lookup(call)
        if entity is None:
            continue
        name, continent, prefix = entity
        if prefix == "YO":
            romanian.append(call)
        elif prefix == "IT9":
            it9.append(call)
        elif continent == "EU" or rng.random() < 0.3:
            dx.append(call)
    stations = []
    for call in rng.sample(romanian, 260):
        digits = [c for c in call if c.isdigit()]
        area = digits[0] if digits else "9"
        county = rng.choice(COUNTIES_BY_AREA.get(area, COUNTIES_BY_AREA["9"]))
        stations.append(Station(call, True, county, rng.randint(20, 120)))
    for call in rng.sample(it9, 8):
        stations.append(Station(call, False, None, rng.randint(30, 150)))
    for call in rng.sample(dx, 900):
        stations.append(Station(call, False, None, rng.randint(20, 180)))
    return stations


def frequency(rng, band, mode):
    low, high = (CW_RANGE if mode == "CW" else SSB_RANGE)[band]
    return rng.randint(low, high)


def make_log(rng, own, own_romanian, stations, count):
    """The contacts of one station, in time order, with the planted oddities."""
    times = sorted(START + dt.timedelta(seconds=rng.randrange(HOURS * 3600)) for _ in range(count))
    worked = set()
    contacts = []
    by_call = {s.call: s for s in stations}
    romanian = [s for s in stations if s.romanian]
    others = [s for s in stations if not s.romanian]
    serial = 0
    for t in times:
        band = rng.choices(BANDS, band_weights(t.hour))[0]
        mode = "CW" if rng.random() < 0.55 else "SSB"
        for _ in range(50):
            pool = romanian if rng.random() < (0.35 if own_romanian else 0.55) else others
            s = rng.choice(pool)
            if (s.call, band, mode) not in worked:
                break
        worked.add((s.call, band, mode))
        serial += 1
        contacts.append(contact(rng, t, band, mode, s, own, own_romanian, serial))

    def replace(i, **changes):
        contacts[i].update(changes)

    n = len(contacts)
    # Duplicates: the same call, band and mode again later (one of them three times).
    for k in range(12):
        i = rng.randrange(n // 2)
        j = rng.randrange(i + 1, n)
        src = contacts[i]
        s = by_call[src["call"]]
        dup = contact(rng, contacts[j]["time"], src["band"], src["mode"], s, own, own_romanian, 0)
        dup["stx"] = contacts[j]["stx"]  # the own serial keeps counting
        contacts[j] = dup
        if k == 0 and j + 1 < n:
            again = dict(dup)
            again["time"] = contacts[j + 1]["time"]
            again["stx"] = contacts[j + 1]["stx"]
            contacts[j + 1] = again
    # Refused: WARC bands, RTTY, a missing serial.
    for i, band in ((rng.randrange(n), "30m"), (rng.randrange(n), "30m"),
                    (rng.randrange(n), "17m")):
        mode = "CW" if band == "30m" else "SSB"
        replace(i, band=band, mode=mode, freq=frequency(rng, band, mode),
                rst_sent="599" if mode == "CW" else "59", rst_rcvd="599" if mode == "CW" else "59")
    for i in (rng.randrange(n), rng.randrange(n)):
        replace(i, band="20m", mode="RTTY", freq=rng.randint(14080, 14099),
                rst_sent="599", rst_rcvd="599")
    dx_rows = [i for i, c in enumerate(contacts) if not by_call[c["call"]].romanian]
    for i in rng.sample(dx_rows, 2):
        replace(i, srx="")
    # Romanian stations with county codes as typed: lower case, blanks around.
    yo_rows = [i for i, c in enumerate(contacts) if by_call[c["call"]].romanian]
    for i in rng.sample(yo_rows, 12):
        code = contacts[i]["srx"]
        replace(i, srx=rng.choice([code.lower(), " " + code, code.lower() + " ",
                                   code[0] + code[1].lower()]))
    return contacts


def contact(rng, t, band, mode, s, own, own_romanian, serial):
    rst = "599" if mode == "CW" else "59"
    weak = "579" if mode == "CW" else "57"  # now and then a report below S9
    if s.romanian:
        srx = s.county
    else:
        hours = (t - START).total_seconds() / 3600
        srx = str(max(1, int(hours * s.rate) + rng.randint(-3, 3)))
    stx = "BU" if own_romanian else "%03d" % serial
    return {"time": t, "band": band, "mode": mode, "freq": frequency(rng, band, mode),
            "call": s.call, "rst_sent": rst, "rst_rcvd": rst if rng.random() < 0.97 else weak,
            "stx": stx, "srx": srx, "own": own}


def adif_field(name, value):
    return "<%s:%d>%s" % (name, len(value), value)


def write_adif(path, own, contacts, romanian_calls, rng):
    lines = ["YO-DX HF Contest 2021, log of %s (sample made by tools/yodx/gen_sample.py)" % own,
             adif_field("ADIF_VER", "3.1.2"), adif_field("PROGRAMID", "yodx-gen_sample"),
             "<EOH>", ""]
    for c in contacts:
        t = c["time"]
        mode, submode = c["mode"], None
        if mode == "SSB":
            submode = "LSB" if c["band"] in ("160m", "80m", "40m") else "USB"
        fields = [adif_field("CALL", c["call"]), adif_field("QSO_DATE", t.strftime("%Y%m%d")),
                  adif_field("TIME_ON", t.strftime("%H%M%S")), adif_field("BAND", c["band"]),
                  adif_field("FREQ", "%.3f" % (c["freq"] / 1000.0)), adif_field("MODE", mode)]
        if submode:
            fields.append(adif_field("SUBMODE", submode))
        fields += [adif_field("RST_SENT", c["rst_sent"]), adif_field("RST_RCVD", c["rst_rcvd"])]
        fields.append(adif_field("STX_STRING" if not c["stx"].isdigit() else "STX", c["stx"]))
        if c["srx"] != "":
            romanian = c["call"] in romanian_calls
            fields.append(adif_field("SRX_STRING" if romanian else "SRX", c["srx"]))
        fields.append(adif_field("STATION_CALLSIGN", own))
        record = " ".join(fields) + " <EOR>"
        if rng.random() < 0.03:  # some programs write the names in lower case
            record = record.replace("<CALL:", "<call:").replace("<BAND:", "<band:")
        lines.append(record)
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def write_cabrillo(path, own, name, location, contacts):
    mode_code = {"CW": "CW", "SSB": "PH", "RTTY": "RY"}
    lines = ["START-OF-LOG: 3.0", "CONTEST: YO-DX-HF", "CALLSIGN: %s" % own,
             "LOCATION: %s" % location, "CATEGORY-OPERATOR: SINGLE-OP", "CATEGORY-BAND: ALL",
             "CATEGORY-MODE: MIXED", "CATEGORY-POWER: HIGH", "CATEGORY-TRANSMITTER: ONE",
             "CREATED-BY: yodx gen_sample.py", "NAME: %s" % name, "OPERATORS: %s" % own]
    for c in contacts:
        t = c["time"]
        row = "QSO: %5d %-2s %s %s %-13s %-3s %-6s %-13s %-3s %s" % (
            c["freq"], mode_code[c["mode"]], t.strftime("%Y-%m-%d"), t.strftime("%H%M"), own,
            c["rst_sent"], c["stx"], c["call"], c["rst_rcvd"], c["srx"].strip())
        lines.append(row.rstrip())
    lines.append("END-OF-LOG:")
    with open(path, "w", newline="\n") as f:
        f.write("\n".join(lines) + "\n")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("--out", default=os.path.join(os.path.dirname(__file__), "..", "..", "examples"))
    ap.add_argument("--scp", default=os.path.join(HAMRADIO, "MASTER.SCP"))
    ap.add_argument("--cty", default=os.path.join(HAMRADIO, "cty.dat"))
    args = ap.parse_args()

    rng = random.Random(SEED)
    cty = Cty(args.cty)
    scp = read_scp(args.scp)
    stations = pick_stations(rng, scp, cty, "YO3ABC")
    romanian_calls = {s.call for s in stations if s.romanian}

    os.makedirs(args.out, exist_ok=True)
    yo = make_log(rng, "YO3ABC", True, stations, 2000)
    dx = make_log(rng, "DL1ABC", False, stations, 900)
    write_adif(os.path.join(args.out, "yo3abc.adi"), "YO3ABC", yo, romanian_calls, rng)
    write_cabrillo(os.path.join(args.out, "yo3abc.log"), "YO3ABC", "Ion Popescu", "BU", yo)
    write_adif(os.path.join(args.out, "dl1abc.adi"), "DL1ABC", dx, romanian_calls, rng)
    write_cabrillo(os.path.join(args.out, "dl1abc.log"), "DL1ABC", "Hans Becker", "DX", dx)
    return 0


if __name__ == "__main__":
    sys.exit(main())
