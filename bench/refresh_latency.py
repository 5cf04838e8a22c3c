#!/usr/bin/env python3
"""Refresh latency of the real quorvane.exe under Wine: a small and a large feed, black box.

  bench/refresh_latency.py [--runs 9] [--exe quorvane.exe] [--drive qvdrive.exe] [--out DIR]

One program, one feed whose document the loopback server serves. The served document alternates
between a small one (15 items, about 2.5 KB) and a large one (2000 items, about 1.4 MB), each
in versions of its own, so that every refresh is news. qvdrive presses the settings window's
"Aktualisieren" button and times until the news balloon shows the new first headline's text,
which the program shows after rebuilding the menu. Prints the median (and range) of each and
their ratio; the goal is large <= 1.3 x small and small <= 40 ms. Figures depend on the
machine's load: compare runs made at the same time.
"""
import argparse
import os
import sys
import tempfile
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
from endurance import setup  # noqa: E402
from qvdriver import Display, default_wineprefix, hx, prepare_wine, rss, start_servers, stop_servers  # noqa: E402


def document(count, size, version, pad):
    site = "http://m.example"
    items = [("Meldung %d %s %d" % (i, size, version), "%s/%d.html" % (site, i),
              "Bericht %d %s %d. " % (i, size, version) + "Lorem ipsum dolor sit amet. " * pad)
             for i in range(1, count + 1)]
    return rss("Messung", site, "Meldungen zur Messung", items), items[0][2]


def main():
    build = os.path.join(root, "build", "windows")
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--exe", default=os.path.join(build, "quorvane.exe"))
    ap.add_argument("--drive", default=os.path.join(build, "tests", "qvdrive.exe"))
    ap.add_argument("--runs", type=int, default=9)
    ap.add_argument("--out", default=os.path.join(tempfile.gettempdir(), "qv-refresh-latency"))
    ap.add_argument("--wineprefix", default=default_wineprefix())
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    kinds = {"small": (15, 0), "large": (2000, 19)}
    display = Display(args.out)
    servers, server_proc = start_servers(os.path.join(args.out, "servers"))
    name = "latency-%d.xml" % os.getpid()
    times = {k: [] for k in kinds}
    try:
        prepare_wine(args.wineprefix, args.out)
        p = setup(args, servers, name, document(15, "start", 0, 0)[0])
        try:
            for kind, (count, pad) in kinds.items():
                print("%s document: %d bytes" % (kind, len(document(count, kind, 0, pad)[0])))
            # Every run is a new version of its kind, so that each refresh has news to show.
            for run in range(1, 2 * args.runs + 1):
                kind = "small" if run % 2 else "large"
                doc, first = document(kinds[kind][0], kind, run, kinds[kind][1])
                servers.put(name, doc)
                time.sleep(0.3)
                balloon = "TBalloonWindowEx:%s" % hx(first[:18] + "*")
                _, out = p.drive("clickwait", "TMainForm>Button:Aktualisieren", balloon, 30000, timeout=60)
                times[kind].append(float(out.strip()))
            p.quit()
        finally:
            p.kill()
            servers.remove(name)
    finally:
        stop_servers(server_proc)
        display.stop()
    median = {}
    for kind, t in times.items():
        t.sort()
        median[kind] = t[len(t) // 2]
        print("%s: median %.1f ms (%.1f to %.1f ms, %d runs)" % (kind, median[kind], t[0], t[-1], len(t)))
    print("large / small: %.2f" % (median["large"] / median["small"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
