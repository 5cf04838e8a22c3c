#!/usr/bin/env python3
"""Endurance run and whole-program timings of the real quorvane.exe under Wine (not run in CI).

  endurance.py [--cycles 500] [--what cycles,cycles304,cyclesgzip,latency,idle] --exe quorvane.exe --drive qvdrive.exe
               [--out DIR] [--wineprefix DIR]

cycles   N refresh cycles against the loopback server, each started by the settings window's
         "Aktualisieren" button and finished when the server has answered and the program has
         had 100 ms to process the document. The served document alternates between two
         versions, so that every cycle is news: menu rebuilt, tray pictures made anew, balloon
         shown. The program's figures are read at the start, every 100 cycles and at the end:
         memory (Wine's working set and page-file usage, the Unix process's resident and
         private memory), kernel handles (from the system's handle list), GDI objects (the
         process's GDI handle table; Wine's GetGuiResources counts nothing) and windows (the
         USER objects that can be counted from outside).
cycles304  the same with a document that never changes, served with an ETag and a Last-Modified:
         every refresh after the first asks whether it changed and is answered 304 Not Modified.
cyclesgzip the same as cycles with every document sent gzip-compressed.
latency  time from the "Aktualisieren" command to the rebuilt menu for a 1 MB feed on loopback:
         qvdrive presses the button and watches for the news balloon with the new first
         headline's text, which the program shows right after rebuilding the menu.
idle     CPU time of the idle program over 60 s between ticks, read from /proc.

Prints the figures and writes them to OUT/endurance.txt.
"""
import argparse
import os
import sys
import tempfile
import time
import urllib.request

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qvdriver import (Display, Program, default_wineprefix, hx, prepare_wine, rss, start_servers, stop_servers,  # noqa
                      unix_cpu_seconds, unix_memory, write_ini)

FIGURES = ["working_set", "pagefile_usage", "handle_list_entries", "gdi_table_entries", "windows"]


def snapshot(p):
    s = p.stats()
    upid = p.unix_pid()
    mem = unix_memory(upid) if upid else {}
    s["unix_rss"] = mem.get("VmRSS", -1)
    s["unix_private"] = mem.get("Private", -1)
    return s


def row(label, s):
    return "%-12s ws=%6.1f MB  pagefile=%6.1f MB  rss=%6.1f MB  private=%6.1f MB  handles=%4d  gdi=%4d  windows=%3d" % (
        label, s["working_set"] / 1e6, s["pagefile_usage"] / 1e6, s["unix_rss"] / 1e6, s["unix_private"] / 1e6,
        s["handle_list_entries"], s["gdi_table_entries"], s["windows"])


def setup(args, servers, name, doc, url=None):
    folder = os.path.join(tempfile.mkdtemp(prefix="qv-endurance-"), "Quorvane")
    os.makedirs(os.path.join(folder, "Newsfeeds"))
    with open(os.path.join(folder, "Newsfeeds", "Dauerlauf.nfd"), "wb") as f:
        f.write((url or servers.url(name)).encode() + b"\r\n")
    write_ini(os.path.join(folder, "quorvane.ini"), {"Settings": {"FeedName": "Dauerlauf"}})
    servers.put(name, doc)
    p = Program(args.exe, args.drive, folder, args.out, name.split(".")[0])
    p.start()
    servers.wait_requests(name, 1)
    p.wait("TMainForm", "visible")
    return p


def versions(prefix, count, description_size=0):
    site = "http://dauerlauf.example"
    out = []
    for v in (1, 2):
        items = [("%s %d, Fassung %d" % (prefix, i, v), "%s/%d/%d.html" % (site, v, i),
                  ("Bericht %d in Fassung %d. " % (i, v)) + "Lorem ipsum dolor sit amet. " * description_size)
                 for i in range(1, count + 1)]
        out.append((rss("Dauerlauf", site, "Meldungen im Dauerlauf", items), items[0][2]))
    return out


def conditional_requests(servers, name):
    with urllib.request.urlopen("http://127.0.0.1:%d/__log?tag=%s" % (servers.http, name), timeout=10) as r:
        return r.read().decode("latin-1").count("\r\nIf-None-Match: ")


def run_cycles(args, servers, report, kind="plain"):
    name = "endurance-%s-%d.xml" % (kind, os.getpid())
    docs = versions("Schlagzeile", 15)
    if kind == "304":
        docs = [docs[0], docs[0]]
    url = {"plain": None, "304": "http://127.0.0.1:%d/feed/%s" % (servers.http, name),
           "gzip": "http://127.0.0.1:%d/feed/%s?enc=gzip" % (servers.http, name)}[kind]
    p = setup(args, servers, name, docs[0][0], url)
    try:
        button = "TMainForm>Button:Aktualisieren"
        snapshots = [("start", snapshot(p))]
        report(row("start", snapshots[0][1]))
        seen = len(servers.requests(name))
        t0 = time.monotonic()
        for i in range(1, args.cycles + 1):
            servers.put(name, docs[i % 2][0])
            p.click(button)
            servers.wait_requests(name, seen + i, timeout=30)
            time.sleep(0.1)
            if i % 100 == 0 or i == args.cycles:
                s = snapshot(p)
                snapshots.append(("cycle %d" % i, s))
                report(row("cycle %d" % i, s))
        elapsed = time.monotonic() - t0
        report("%d cycles in %.0f s; %d requests asked whether the document had changed" % (
            args.cycles, elapsed, conditional_requests(servers, name)))
        first, last = snapshots[0][1], snapshots[-1][1]
        # The first hundred cycles fill caches and pools: growth is judged from there on.
        base = snapshots[1][1] if len(snapshots) > 2 else first
        for k in FIGURES + ["unix_rss", "unix_private"]:
            report("  %-20s start %10d  after 100 %10d  end %10d  growth after 100: %+d" % (
                k, first[k], base[k], last[k], last[k] - base[k]))
        p.quit()
    finally:
        p.kill()
        servers.remove(name)


def run_latency(args, servers, report):
    name = "latency-%d.xml" % os.getpid()
    # About 1 MB: 2000 items with long descriptions; the menu takes the first 15.
    docs = versions("Großes Dokument", 2000, description_size=16)
    report("document size: %d bytes" % len(docs[0][0]))
    p = setup(args, servers, name, docs[0][0])
    try:
        times = []
        for i in range(1, args.latency_runs + 1):
            doc, first = docs[i % 2]
            servers.put(name, doc)
            time.sleep(0.2)
            # The balloon's text is wrapped: its caption is matched by its beginning.
            balloon = "TBalloonWindowEx:%s" % hx(first[:23] + "*")
            _, out = p.drive("clickwait", "TMainForm>Button:Aktualisieren", balloon, 30000, timeout=60)
            times.append(float(out.strip()))
        times.sort()
        report("refresh command to rebuilt menu, 1 MB feed, %d runs: median %.0f ms, min %.0f ms, max %.0f ms" % (
            len(times), times[len(times) // 2], times[0], times[-1]))
        p.quit()
    finally:
        p.kill()
        servers.remove(name)


def run_idle(args, servers, report):
    name = "idle-%d.xml" % os.getpid()
    p = setup(args, servers, name, versions("Ruhig", 15)[0][0])
    try:
        p.click("TMainForm>Button:OK")  # into the tray, as a user leaves it
        time.sleep(6)  # the start-up balloon has gone
        upid = p.unix_pid()
        before = unix_cpu_seconds(upid)
        time.sleep(args.idle_seconds)
        after = unix_cpu_seconds(upid)
        report("idle CPU time over %d s: %.0f ms (%.3f %% of one core)" % (
            args.idle_seconds, (after - before) * 1000, 100 * (after - before) / args.idle_seconds))
        p.quit()
    finally:
        p.kill()
        servers.remove(name)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--exe", required=True)
    ap.add_argument("--drive", required=True)
    ap.add_argument("--cycles", type=int, default=500)
    ap.add_argument("--latency-runs", type=int, default=9)
    ap.add_argument("--idle-seconds", type=int, default=60)
    ap.add_argument("--what", default="cycles,cycles304,cyclesgzip,latency,idle")
    ap.add_argument("--out", default=os.path.join(tempfile.gettempdir(), "qv-endurance"))
    ap.add_argument("--wineprefix", default=default_wineprefix())
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    lines = []

    def report(text):
        print(text, flush=True)
        lines.append(text)

    display = Display(args.out)
    servers, server_proc = start_servers(os.path.join(args.out, "servers"))
    try:
        prepare_wine(args.wineprefix, args.out)
        for what in args.what.split(","):
            report("== %s" % what)
            {"cycles": run_cycles, "cycles304": lambda *a: run_cycles(*a, kind="304"),
             "cyclesgzip": lambda *a: run_cycles(*a, kind="gzip"), "latency": run_latency,
             "idle": run_idle}[what](args, servers, report)
    finally:
        stop_servers(server_proc)
        display.stop()
        with open(os.path.join(args.out, "endurance.txt"), "w") as f:
            f.write("\n".join(lines) + "\n")
    return 0


if __name__ == "__main__":
    sys.exit(main())
