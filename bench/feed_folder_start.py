#!/usr/bin/env python3
"""Starting the real quorvane.exe under Wine with a feed folder of 5,000 feeds, black box.

  bench/feed_folder_start.py [--runs 3] [--feeds 5000] [--exe quorvane.exe] [--drive qvdrive.exe] [--out DIR]

The feed folder holds its feeds in 50 sub-folders of 100, each inside the one before ("Gruppe 0/1/2/
.../49": deeper than the platform lets one menu hold at once); --chains and --depth lay out other
trees, --icons gives every feed and folder an icon file. The saved current feed lies in the deepest
folder of the last chain.
Each run starts the program on a fresh virtual desktop and times, from the start of Wine:
  tray icon   until the program's tray icon window is there (it registers the icon when made),
  request     until the loopback server has the request for the current feed,
and, once the program is idle, with qvdrive posting the user's keys:
  menu        from the right click on the tray icon to the tray menu on the screen,
  submenu     from the key that opens "Newsfeeds" to its submenu on the screen.
Prints the median and range of each; the goals are 3 s to the request and 1 s to the submenu.
"""
import argparse
import os
import shutil
import sys
import tempfile
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
from qvdriver import (Display, DriveError, Program, default_wineprefix, prepare_wine, rss, start_servers,  # noqa: E402
                      stop_servers, write_icon, write_ini)

def make_folder(feeds_folder, feeds, url, chains, depth, icons):
    """The feed tree; returns the name of the feed to make current."""
    per_folder = feeds // (chains * depth)
    n = 0
    last = None
    os.makedirs(feeds_folder)
    for chain in range(chains):
        folder = feeds_folder
        for level in range(depth):
            # Short names: the deepest feed files stay within MAX_PATH.
            name = "Gruppe %d" % chain if level == 0 else str(level)
            if icons:
                write_icon(os.path.join(folder, name + ".ico"), lambda x, y: (0, 80, 200 - 4 * level))
            folder = os.path.join(folder, name)
            os.makedirs(folder)
            for _ in range(per_folder):
                last = "Feed %d" % n
                with open(os.path.join(folder, last + ".nfd"), "wb") as f:
                    f.write(url.encode() + b"\r\n")
                if icons:
                    write_icon(os.path.join(folder, last + ".ico"), lambda x, y: (200, (n * 7) % 256, 40))
                n += 1
    return last


def until(what, timeout, poll=0.02):
    """Seconds until what() holds (polling), or None."""
    end = time.monotonic() + timeout
    while time.monotonic() < end:
        if what():
            return True
        time.sleep(poll)
    return False


def median(values):
    values = sorted(values)
    return values[len(values) // 2]


def main():
    build = os.path.join(root, "build", "windows")
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--exe", default=os.path.join(build, "quorvane.exe"))
    ap.add_argument("--drive", default=os.path.join(build, "tests", "qvdrive.exe"))
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("--feeds", type=int, default=5000)
    ap.add_argument("--chains", type=int, default=1, help="folders at the top, each the start of a chain")
    ap.add_argument("--depth", type=int, default=50, help="folders in each chain, one inside the other")
    ap.add_argument("--icons", action="store_true", help="an icon file beside every feed and folder")
    ap.add_argument("--menu-timeout", type=int, default=30, help="seconds to wait for a menu")
    ap.add_argument("--out", default=os.path.join(tempfile.gettempdir(), "qv-feed-folder-start"))
    ap.add_argument("--wineprefix", default=default_wineprefix())
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    display = Display(args.out)
    servers, server_proc = start_servers(os.path.join(args.out, "servers"))
    doc = "feed-folder-%d.xml" % os.getpid()
    servers.put(doc, rss("Viele", "http://viele.example", "Viele Feeds",
                         [("Meldung %d" % i, "http://viele.example/%d" % i, "Text") for i in range(15)]))
    times = {k: [] for k in ("tray icon", "request", "menu", "submenu")}
    try:
        prepare_wine(args.wineprefix, args.out)
        for run in range(args.runs):
            base = tempfile.mkdtemp(prefix="qv-folder-")
            folder = os.path.join(base, "Quorvane")
            tag = "%s?run=%d" % (doc, run)
            current = make_folder(os.path.join(folder, "Newsfeeds"), args.feeds, servers.url(tag), args.chains,
                                  args.depth, args.icons)
            write_ini(os.path.join(folder, "quorvane.ini"), {"Settings": {"FeedName": current, "Start minimized": "1"}})
            p = Program(args.exe, args.drive, folder, args.out, "folder-%d" % run)
            try:
                start = time.monotonic()
                p.launch()
                if not until(lambda: p.drive("find", "TTrayIconWindow", check=False, pid=False)[0] == 0, 60):
                    raise DriveError("no tray icon within 60 s")
                times["tray icon"].append(time.monotonic() - start)
                if not until(lambda: servers.requests("run=%d" % run), 60):
                    raise DriveError("no request within 60 s")
                times["request"].append(time.monotonic() - start)
                print("run %d: tray icon %.2f s, request %.2f s" % (run + 1, times["tray icon"][-1], times["request"][-1]),
                      flush=True)
                p.wait_started()
                _, out = p.drive("menuwait", args.menu_timeout * 1000, "tray", timeout=args.menu_timeout + 30)
                times["menu"].append(float(out) / 1000)
                _, out = p.drive("menuwait", args.menu_timeout * 1000, *Program.FEEDS, timeout=args.menu_timeout + 30)
                times["submenu"].append(float(out) / 1000)
                levels = 2
                if run == 0:
                    # Down to the deepest folder, for the eye: every level opens.
                    p.drive("keys", "menu", *(["right"] * (args.depth - 1)), timeout=120)
                    levels += args.depth - 1
                    time.sleep(0.5)
                    p.screenshot("deepest")
                p.drive("keys", "menu", *(["esc"] * levels), timeout=120)
                p.wait("menu", "gone", 10)
                print("run %d: menu %.2f s, submenu %.2f s" % (run + 1, times["menu"][-1], times["submenu"][-1]),
                      flush=True)
                p.quit()
            finally:
                p.kill()
                shutil.rmtree(base, ignore_errors=True)
    finally:
        servers.remove(doc)
        stop_servers(server_proc)
        display.stop()
    for k, v in times.items():
        if v:
            print("%s: median %.2f s (%.2f to %.2f s, %d runs)" % (k, median(v), min(v), max(v), len(v)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
