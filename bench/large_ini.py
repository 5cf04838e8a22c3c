#!/usr/bin/env python3
"""Memory of the real quorvane.exe under Wine with a large settings file, black box.

  bench/large_ini.py [--mb 50] [--exe quorvane.exe] [--drive qvdrive.exe] [--out DIR]

Two runs, each in a program folder of its own: one with a normal settings file, one whose
settings file holds MB megabytes of another program's section before the program's own three
sections (so that the whole file is read before the settings are found). Each run starts the
program in the tray, reads its figures once it is idle (Wine's peak working set and the Unix
process's peak resident memory), chooses "Beenden" and follows the Unix process's peak resident
memory until it is gone, so that the writing of the settings file at exit counts too. Prints
both runs' figures and the times of the start and the exit, and checks that the large file
kept its other section and got the settings. The goal: the large file costs no more than a few
megabytes over the normal one.
"""
import argparse
import os
import sys
import tempfile
import time

root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(root, "tests", "e2e"))
from qvdriver import Display, Program, default_wineprefix, prepare_wine, unix_pids_mapping  # noqa: E402

SETTINGS = (b"[Window]\r\nTop=200\r\nLeft=200\r\n[Settings]\r\nFeedName=\r\nStart minimized=1\r\nInterval=15\r\n"
            b"MaxEntrys=15\r\nMaxChars=80\r\nCut Channelname=0\r\nBalloonhint=1\r\nBalloonwrap=80\r\n[Proxy]\r\n"
            b"Enabled=0\r\nPort=1080\r\nHost=\r\nUser=\r\nPass=\r\n")


def peak_rss(upid):
    try:
        with open("/proc/%d/status" % upid) as f:
            for line in f:
                if line.startswith("VmHWM:"):
                    return int(line.split()[1]) * 1024
    except OSError:
        pass
    return None


def run(args, name, other_bytes):
    folder = os.path.join(tempfile.mkdtemp(prefix="qv-large-ini-"), "Quorvane")
    os.makedirs(folder)
    ini = os.path.join(folder, "quorvane.ini")
    with open(ini, "wb") as f:
        if other_bytes:
            f.write(b"[Andere]\r\n")
            line = b"=Eintrag eines anderen Programms, der nur Platz einnimmt und nichts bedeutet\r\n"
            written, i = 0, 0
            while written < other_bytes:
                chunk = b"".join(b"Schluessel%d" % (i + k) + line for k in range(10000))
                f.write(chunk)
                written += len(chunk)
                i += 10000
        f.write(SETTINGS)
    size = os.path.getsize(ini)
    p = Program(args.exe, args.drive, folder, args.out, name)
    started = time.monotonic()
    p.start(timeout=120)
    start_s = time.monotonic() - started
    stats = p.stats()
    upid = p.unix_pid()
    peak = peak_rss(upid) or 0
    p.open_menu()
    p.drive("keys", "menu", *Program.QUIT)
    quit_at = time.monotonic()
    while upid in unix_pids_mapping(p.exe):
        peak = max(peak, peak_rss(upid) or 0)
        time.sleep(0.02)
    exit_s = time.monotonic() - quit_at
    p.wait_exit(60)
    with open(ini, "rb") as f:
        data = f.read()
    ok = data.endswith(SETTINGS) and len(data) == size and (not other_bytes or data.startswith(b"[Andere]\r\n"))
    print("%-6s settings file %9d bytes: start %.1f s, Wine peak working set %6.1f MB, Unix peak resident "
          "%6.1f MB (exit included), exit %.1f s, file %s"
          % (name, size, start_s, stats.get("peak_working_set", 0) / 2**20, peak / 2**20, exit_s,
             "kept" if ok else "CHANGED"))
    return ok


def main():
    build = os.path.join(root, "build", "windows")
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--exe", default=os.path.join(build, "quorvane.exe"))
    ap.add_argument("--drive", default=os.path.join(build, "tests", "qvdrive.exe"))
    ap.add_argument("--mb", type=int, default=50)
    ap.add_argument("--out", default=os.path.join(tempfile.gettempdir(), "qv-large-ini"))
    ap.add_argument("--wineprefix", default=default_wineprefix())
    args = ap.parse_args()
    os.makedirs(args.out, exist_ok=True)
    display = Display(args.out)
    try:
        prepare_wine(args.wineprefix, args.out)
        ok = run(args, "normal", 0) and run(args, "large", args.mb << 20)
    finally:
        display.stop()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
