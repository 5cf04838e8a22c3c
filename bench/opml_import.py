#!/usr/bin/env python3
"""Importing a 10,000-feed OPML list into the real quorvane.exe under Wine, black box.

  bench/opml_import.py [--runs 3] [--feeds 10000] [--again 0] [--exe quorvane.exe] [--drive qvdrive.exe] [--out DIR]

Each run starts the program in an empty program folder, presses "Klip importieren ...", types the
list's name into the file dialog, and qvdrive times from the press of the dialog's "Öffnen" to the
sight of the message with the counts: reading the list, writing every feed file and folder, and
rebuilding the "Newsfeeds" submenu (once) with its 10,000 entries and icons. The list holds its
feeds in 100 folders of 100, ten of them nested one level deeper. Prints the median and range;
the goal is 2 s.

Making a file costs very different times on one disk (its place on the disk, the machine's load),
so after each run the same 10,000 files are made once more beside the program folder by a plain
loop outside Wine: the floor no program can go below there. TMPDIR chooses the disk. Each import
and each plain loop starts after the disk has written out what came before (sync).
"""
import argparse
import os
import shutil
import sys
import tempfile
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
from qvdriver import Display, Program, default_wineprefix, hx, prepare_wine, winpath  # noqa: E402


def opml(feeds):
    lines = ['<?xml version="1.0" encoding="UTF-8"?>', '<opml version="2.0"><head><title>Viele</title></head><body>']
    per_folder = 100
    for f in range(feeds // per_folder):
        nested = f % 10 == 0
        lines.append('<outline text="Ordner %d">' % f + ('<outline text="Tiefer %d">' % f if nested else ""))
        for i in range(per_folder):
            n = f * per_folder + i
            lines.append('<outline type="rss" text="Feed %d &amp; mehr" xmlUrl="http://feeds.example/%d/rss.xml" '
                         'htmlUrl="http://feeds.example/%d/"/>' % (n, n, n))
        lines.append("</outline>" + ("</outline>" if nested else ""))
    lines.append("</body></opml>")
    return "\n".join(lines).encode()


def settle():
    """Lets the disk write out what the run before made: a run that starts while the system still
    writes 10,000 files back takes several times as long, inside Wine and out."""
    os.sync()
    time.sleep(3)


def plain_files(parent, feeds):
    """Seconds a plain loop outside Wine takes to make the files and folders of the list."""
    base = os.path.join(parent, "plain")
    started = time.perf_counter()
    for n in range(feeds):
        folder = os.path.join(base, "Ordner %d" % (n // 100))
        if n % 100 == 0:
            os.makedirs(folder)
        with open(os.path.join(folder, "Feed %d & mehr.nfd" % n), "wb") as f:
            f.write(b"http://feeds.example/%d/rss.xml\r\n" % n)
    return time.perf_counter() - started


def import_list(p, listing):
    """Imports the list through the button and the file dialog; the milliseconds and the message."""
    p.click("TMainForm>TTabSheet:Feed>Button:Klip importieren ...")
    dialog = "#32770:%s" % hx("Klip öffnen ...")
    p.wait(dialog, "visible", 15)
    time.sleep(0.5)
    edits = [c for c in p.children(dialog) if c["class"] == "Edit" and c["visible"]]
    p.drive("settext", "0x" + edits[0]["hwnd"], hx(winpath(listing)))
    # Looking for the message every 20 ms, not 2: each look asks Wine's server about every window,
    # the server that makes every one of the files.
    _, out = p.drive("clickwait", "%s>Button@1" % dialog, "#32770:Information", 120000, 20, timeout=150)
    message = [c["text"] for c in p.children("#32770:Information") if c["class"] == "Static" and c["text"]]
    p.click("#32770:Information>Button@1")
    p.wait("#32770:Information", "gone")
    return float(out.strip()), " ".join(message)


def main():
    build = os.path.join(root, "build", "windows")
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--exe", default=os.path.join(build, "quorvane.exe"))
    ap.add_argument("--drive", default=os.path.join(build, "tests", "qvdrive.exe"))
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--feeds", type=int, default=10000)
    ap.add_argument("--again", type=int, default=0,
                    help="import the same list again so many times (all skipped: the read and the rebuild)")
    ap.add_argument("--out", default=os.path.join(tempfile.gettempdir(), "qv-opml-import"))
    ap.add_argument("--wineprefix", default=default_wineprefix())
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    listing = os.path.join(args.out, "viele.opml")
    with open(listing, "wb") as f:
        f.write(opml(args.feeds))
    print("list: %d feeds, %d bytes" % (args.feeds, os.path.getsize(listing)))
    display = Display(args.out)
    times = []
    made = []
    try:
        prepare_wine(args.wineprefix, args.out)
        for run in range(args.runs):
            folder = os.path.join(tempfile.mkdtemp(prefix="qv-opml-"), "Quorvane")
            os.makedirs(os.path.join(folder, "Newsfeeds"))
            p = Program(args.exe, args.drive, folder, args.out, "opml-%d" % run)
            try:
                p.start()
                p.wait("TMainForm", "visible")
                p.tab(1)
                for again in range(1 + args.again):
                    settle()
                    ms, message = import_list(p, listing)
                    if again == 0:
                        times.append(ms)
                    print("run %d%s: %.0f ms, %s" % (run + 1, " again" if again else "", ms, message))
                settle()
                plain = plain_files(os.path.dirname(folder), args.feeds)
                print("  the same files by a plain loop outside Wine: %.0f ms" % (plain * 1000))
                p.quit()
            finally:
                p.kill()
                made.append(os.path.dirname(folder))
    finally:
        display.stop()
        # Removed at the end, not between runs: the disk's work for removed files slows the runs
        # after them, and hundreds of thousands of files left behind slow every later run down.
        for parent in made:
            shutil.rmtree(parent, ignore_errors=True)
    times.sort()
    print("import of %d feeds: median %.0f ms (%.0f to %.0f ms, %d runs)" %
          (args.feeds, times[len(times) // 2], times[0], times[-1], len(times)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
