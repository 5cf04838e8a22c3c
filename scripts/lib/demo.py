#!/usr/bin/env python3
"""The demonstration scripts/run starts: Quorvane in a demo program folder with a few feeds whose
documents (demo/feeds/*.xml) a small loopback server serves, so that the tray menu shows real
headlines and a balloon announces them at once, without any network.

  demo.py --exe quorvane.exe --folder DIR                 run on the current display until the
                                                          program ends, then stop the server
  demo.py --exe quorvane.exe --folder DIR --headless --drive qvdrive.exe --shots DIR
                                                          run on a virtual desktop, save
                                                          screenshots, end the program

The program folder is laid out anew at every start: Newsfeeds with the demo feeds and a
settings file that makes "Rheinblick" the current feed.
"""
import argparse
import functools
import http.server
import os
import shutil
import subprocess
import sys
import threading
import time

root = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
from qvdriver import Program, write_icon, write_ini  # noqa: E402

FEEDS = [  # name, sub-folder, document
    ("Rheinblick", None, "rheinblick.xml"),
    ("Sportdepesche", None, "sportdepesche.xml"),
    ("Technikecke", "Technik", "technikecke.xml"),
]


class Quiet(http.server.SimpleHTTPRequestHandler):
    def log_message(self, *args):
        pass


def start_server():
    handler = functools.partial(Quiet, directory=os.path.join(root, "demo", "feeds"))
    server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), handler)
    server.daemon_threads = True
    threading.Thread(target=server.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
    return server


def lay_out(folder, exe, port):
    shutil.rmtree(folder, ignore_errors=True)
    feeds = os.path.join(folder, "Newsfeeds")
    os.makedirs(feeds)
    shutil.copy(exe, os.path.join(folder, "quorvane.exe"))
    for name, sub, doc in FEEDS:
        where = os.path.join(feeds, sub) if sub else feeds
        os.makedirs(where, exist_ok=True)
        with open(os.path.join(where, name + ".nfd"), "wb") as f:
            f.write(b"http://127.0.0.1:%d/%s\r\n" % (port, doc.encode()))
    # A blue badge for the regional feed, a green one for the sports feed.
    write_icon(os.path.join(feeds, "Rheinblick.ico"),
               lambda x, y: (30, 90, 200) if 1 <= x <= 14 and 1 <= y <= 14 else None)
    write_icon(os.path.join(feeds, "Sportdepesche.ico"),
               lambda x, y: (40, 150, 60) if (x - 7.5) ** 2 + (y - 7.5) ** 2 < 49 else None)
    ini = {"Settings": {"FeedName": "Rheinblick", "Start minimized": "1"}}
    # At a larger display scale the settings window is taller than the room its usual place
    # (200, 200) leaves on the 1024 x 768 screen: it opens near the top instead.
    if int(os.environ.get("QV_DPI", "96")) > 96:
        ini["Window"] = {"Top": "8", "Left": "200"}
    write_ini(os.path.join(folder, "quorvane.ini"), ini)


def headless(args, drive, port):
    os.makedirs(args.shots, exist_ok=True)
    p = Program(args.exe, drive, args.folder, args.shots, "demo")
    p.start()
    shots = []

    def shot(name):
        time.sleep(0.4)
        p.screenshot(name)
        shots.append(os.path.join(args.shots, name + ".png"))

    try:
        # The first download counts as news: the balloon shows the first headline.
        p.wait("TBalloonWindowEx", "visible", 20)
        shot("balloon")
        p.wait("TBalloonWindowEx", "hidden", 10)
        p.open_menu()
        p.drive("keys", "menu", "down")
        shot("menu")
        p.drive("keys", "menu", "esc")
        p.wait("menu", "gone")
        p.open_menu()
        p.drive("keys", "menu", *Program.FEEDS)
        shot("menu-newsfeeds")
        p.drive("keys", "menu", "esc", "esc")
        p.wait("menu", "gone")
        p.menu(*Program.SETTINGS)
        p.wait("TMainForm", "visible")
        for i, page in enumerate(["programm", "feed", "proxy", "text", "links"]):
            p.tab(i)
            shot("settings-" + page)
        # A feed made from a site's address whose page names three feeds: the list to pick from.
        p.tab(1)
        p.click("TMainForm>TTabSheet:Feed>Button:Neues Feed ...")
        p.wait("TInputQueryForm>Static:Geben Sie einen neuen Namen ein")
        p.type("TInputQueryForm>Edit", "Rheinblick Seite")
        p.click("TInputQueryForm>Button:OK")
        p.wait("TInputQueryForm>Static:Geben Sie den URL des Feeds ein")
        p.type("TInputQueryForm>Edit", "http://127.0.0.1:%d/seite.html" % port)
        p.click("TInputQueryForm>Button:OK")
        p.wait("TListQueryForm")
        shot("feed-picker")
        p.click("TListQueryForm>Button:Abbrechen")
        p.wait("TListQueryForm", "gone")
        p.tab(0)
        p.quit()
    finally:
        p.kill()
    for s in shots:
        print("Screenshot: %s" % s)


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--exe", required=True)
    ap.add_argument("--folder", required=True)
    ap.add_argument("--headless", action="store_true")
    ap.add_argument("--drive")
    ap.add_argument("--shots")
    ap.add_argument("--log", default=os.devnull, help="Wine's output (display mode)")
    args = ap.parse_args()
    server = start_server()
    port = server.server_address[1]
    try:
        lay_out(args.folder, args.exe, port)
        if args.drive:
            # An end-to-end journey that was killed may have left its recording stand-in as the
            # shell's browser: headlines open in Wine's browser again.
            subprocess.run(["wine", args.drive, "browser", "restore"], stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)
        print("Program folder: %s" % args.folder)
        print("Demo feeds served on http://127.0.0.1:%d/ from demo/feeds" % port)
        sys.stdout.flush()
        if args.headless:
            headless(args, args.drive, port)
        else:
            # Runs until the user quits ("Beenden" in the tray menu, or the settings window's close box).
            with open(args.log, "w") as log:
                subprocess.run(["wine", os.path.join(args.folder, "quorvane.exe")], cwd=args.folder,
                               stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT)
    finally:
        server.shutdown()
        server.server_close()
        print("Demo server stopped.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
