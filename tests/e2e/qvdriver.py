"""Running the real quorvane.exe under Wine and driving it from outside.

Shared by the end-to-end journeys (run_e2e.py), the endurance run and the timings (endurance.py)
and the demonstration started by scripts/run. Python's standard library only.

A `Program` is one run of the program in a program folder of its own, on a Wine virtual
desktop of its own (so that its tray icon sits in that desktop's taskbar and no other Wine
program's windows are in the way). Everything is done through qvdrive.exe, a small Windows
program that finds windows by class and caption, posts tray messages, keys and clicks, reads
texts and states, takes screenshots and reads a process's figures.
"""
import os
import re
import shutil
import signal
import socket
import struct
import subprocess
import tempfile
import time
import urllib.request
import zlib

# Where the taskbar of a 1024 x 768 virtual desktop shows the first (only) tray icon.
TRAY_POINT = (1011, 758)
SCREEN = (1024, 768)


class DriveError(AssertionError):
    pass


def hx(text):
    """A caption or text for qvdrive's command line: hex of its UTF-8 bytes."""
    return "x:" + text.encode("utf-8").hex()


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


# ---- pictures

class Picture:
    """A 24-bit picture read from the bitmap files qvdrive writes."""

    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows  # rows[y] = bytes RGBRGB..., top first

    @classmethod
    def from_bmp(cls, path):
        with open(path, "rb") as f:
            data = f.read()
        offset = struct.unpack_from("<I", data, 10)[0]
        width, height = struct.unpack_from("<ii", data, 18)
        bpp = struct.unpack_from("<H", data, 28)[0]
        if bpp != 24:
            raise ValueError("unexpected bitmap depth %d" % bpp)
        stride = (width * 3 + 3) & ~3
        rows = []
        for y in range(abs(height)):
            src = y if height < 0 else abs(height) - 1 - y
            bgr = data[offset + src * stride: offset + src * stride + width * 3]
            rgb = bytearray(len(bgr))
            rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
            rows.append(bytes(rgb))
        return cls(width, abs(height), rows)

    def pixel(self, x, y):
        r = self.rows[y]
        return r[3 * x], r[3 * x + 1], r[3 * x + 2]

    def region(self, x, y, w, h):
        return [self.pixel(i, j) for j in range(y, y + h) for i in range(x, x + w)]

    def save_png(self, path):
        raw = b"".join(b"\0" + r for r in self.rows)

        def chunk(kind, body):
            return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

        png = (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", self.width, self.height, 8, 2, 0, 0, 0))
               + chunk(b"IDAT", zlib.compress(raw, 6)) + chunk(b"IEND", b""))
        with open(path, "wb") as f:
            f.write(png)

    def crop(self, x, y, w, h):
        return Picture(w, h, [r[3 * x:3 * (x + w)] for r in self.rows[y:y + h]])


def write_bmp(path, width, height, pixel):
    """A 24-bit bitmap file; pixel(x, y) gives (r, g, b) with y counted from the top."""
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        body += row + b"\0" * (stride - len(row))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(body), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(body), 0, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + body)


def write_icon(path, pixel):
    """A 16 x 16 icon file with 32-bit colour; pixel(x, y) gives (r, g, b) or None (transparent)."""
    colour, mask = bytearray(), bytearray()
    for y in range(15, -1, -1):
        bits = 0
        for x in range(16):
            p = pixel(x, y)
            if p is None:
                colour += b"\0\0\0\0"
                bits |= 0x8000 >> x
            else:
                colour += bytes((p[2], p[1], p[0], 255))
        mask += struct.pack(">H", bits) + b"\0\0"
    info = struct.pack("<IiiHHIIiiII", 40, 16, 32, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    image = info + colour + mask
    header = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", 16, 16, 0, 0, 1, 32, len(image), 22)
    with open(path, "wb") as f:
        f.write(header + image)


# ---- feed documents

def rss(title, link, description, items, encoding="windows-1252"):
    """An RSS 2.0 document; items are (title, link, description)."""
    out = ['<?xml version="1.0" encoding="%s"?>' % encoding, '<rss version="2.0">', "<channel>",
           "<title>%s</title>" % title, "<link>%s</link>" % link, "<description>%s</description>" % description]
    for t, l, d in items:
        out += ["<item>", "<title>%s</title>" % t, "<link>%s</link>" % l, "<description>%s</description>" % d,
                "</item>"]
    out += ["</channel>", "</rss>", ""]
    return "\r\n".join(out).encode("utf-8" if encoding.lower() == "utf-8" else "cp1252")


# ---- the loopback server of the tests

class Servers:
    """The loopback HTTP server (tests/servers/http_server.py) and tinyproxy in front of it."""

    def __init__(self, state_dir):
        self.state_dir = state_dir
        self.docs = os.path.join(state_dir, "docs")
        values = {}
        with open(os.path.join(state_dir, "ports.txt")) as f:
            for line in f:
                k, _, v = line.strip().partition("=")
                values[k] = int(v)
        self.http, self.proxy = values["http"], values["proxy"]

    def url(self, name):
        return "http://127.0.0.1:%d/docs/%s" % (self.http, name)

    def put(self, name, data):
        tmp = os.path.join(self.docs, name + ".tmp")
        with open(tmp, "wb") as f:
            f.write(data)
        os.replace(tmp, os.path.join(self.docs, name))

    def remove(self, name):
        try:
            os.remove(os.path.join(self.docs, name))
        except FileNotFoundError:
            pass

    def requests(self, tag):
        """The request lines the server received whose path contains tag."""
        with urllib.request.urlopen("http://127.0.0.1:%d/__log?tag=%s" % (self.http, tag), timeout=10) as r:
            text = r.read().decode("latin-1")
        return [block.split("\r\n", 1)[0] for block in text.split("REQUEST ")[1:]]

    def wait_body_sent(self, tag, count, timeout=15.0):
        """Waits until a streaming answer to a request whose path contains tag has sent count bytes."""
        end = time.monotonic() + timeout
        while True:
            with urllib.request.urlopen("http://127.0.0.1:%d/__sent?tag=%s" % (self.http, tag), timeout=10) as r:
                sent = int(r.read())
            if sent >= count:
                return sent
            if time.monotonic() > end:
                raise DriveError("expected %d body bytes for %s, the server sent %d" % (count, tag, sent))
            time.sleep(0.1)

    def wait_requests(self, tag, count, timeout=15.0):
        end = time.monotonic() + timeout
        while True:
            got = self.requests(tag)
            if len(got) >= count:
                return got
            if time.monotonic() > end:
                raise DriveError("expected %d requests for %s, the server saw %d" % (count, tag, len(got)))
            time.sleep(0.1)

    def proxy_log(self):
        try:
            with open(os.path.join(self.state_dir, "tinyproxy.log"), encoding="latin-1") as f:
                return f.read()
        except FileNotFoundError:
            return ""


def start_servers(state_dir, lifetime=3600):
    """Starts the loopback servers for a script that runs outside CTest's fixture. They stop with
    stop_servers, or by themselves when this process is gone."""
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "servers", "http_server.py")
    os.makedirs(state_dir, exist_ok=True)
    ports = os.path.join(state_dir, "ports.txt")
    if os.path.exists(ports):
        os.remove(ports)
    log = open(os.path.join(state_dir, "server.log"), "w")
    proc = subprocess.Popen(["python3", script, "serve", "--state-dir", state_dir, "--lifetime", str(lifetime),
                             "--watch-pid", str(os.getpid())], stdin=subprocess.DEVNULL, stdout=log,
                            stderr=subprocess.STDOUT, start_new_session=True)
    for _ in range(200):
        if os.path.exists(ports):
            return Servers(state_dir), proc
        if proc.poll() is not None:
            break
        time.sleep(0.05)
    raise RuntimeError("the loopback servers did not start; see %s" % os.path.join(state_dir, "server.log"))


def stop_servers(proc):
    proc.terminate()
    try:
        proc.wait(timeout=10)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.wait()


# ---- Wine and the display

class Display:
    """An X display for Wine: the caller's, or a private Xvfb started (and stopped) here."""

    def __init__(self, log_dir):
        self.proc = None
        current = os.environ.get("DISPLAY", "")
        m = re.match(r"^:(\d+)", current)
        if m and os.path.exists("/tmp/.X11-unix/X" + m.group(1)):
            return
        for n in range(140, 200):
            if not os.path.exists("/tmp/.X11-unix/X%d" % n) and not os.path.exists("/tmp/.X%d-lock" % n):
                break
        log = open(os.path.join(log_dir, "xvfb.log"), "w")
        self.proc = subprocess.Popen(["Xvfb", ":%d" % n, "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                                     stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                                     start_new_session=True)
        os.environ["DISPLAY"] = ":%d" % n
        for _ in range(100):
            if os.path.exists("/tmp/.X11-unix/X%d" % n):
                break
            time.sleep(0.05)

    def stop(self):
        if self.proc:
            self.proc.terminate()
            try:
                self.proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
            self.proc = None


def default_wineprefix():
    """The caller's prefix (a test shard's, under CTest), else the one scripts/setup made."""
    return os.environ.get("WINEPREFIX") or os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..",
                                                        "build", "wineprefix")


def prepare_wine(wineprefix, log_dir):
    """Environment for Wine, and a running wineserver with every stream away from our pipes."""
    os.environ["WINEPREFIX"] = wineprefix
    os.environ["WINEDEBUG"] = "-all"
    os.environ.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=")
    with open(os.path.join(log_dir, "wine-warmup.log"), "w") as log:
        # A wineserver already running (scripts/test's, another journey's) is used; otherwise one
        # starts that outlives its last client by 20 s, so that the next journey finds it warm.
        subprocess.Popen(["wineserver", "-p20"], stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                         start_new_session=True)
        subprocess.run(["wine", "cmd", "/c", "exit"], stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                       timeout=120)


def unix_pids_mapping(path):
    """Unix processes that have the given file mapped: the Wine process of a program file."""
    pids = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open("/proc/%s/maps" % entry) as f:
                if path in f.read():
                    pids.append(int(entry))
        except OSError:
            pass
    return pids


def unix_cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    ticks = os.sysconf("SC_CLK_TCK")
    return (int(fields[11]) + int(fields[12])) / ticks


def unix_memory(pid):
    """Resident and private memory of a Unix process in bytes."""
    out = {}
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            k, _, v = line.partition(":")
            if k in ("VmRSS", "VmSize", "RssAnon"):
                out[k] = int(v.split()[0]) * 1024
    try:
        with open("/proc/%d/smaps_rollup" % pid) as f:
            private = 0
            for line in f:
                if line.startswith(("Private_Clean:", "Private_Dirty:")):
                    private += int(line.split()[1]) * 1024
            out["Private"] = private
    except OSError:
        pass
    return out


# ---- the program

class Program:
    """quorvane.exe in a program folder of its own, on a virtual desktop of its own."""

    def __init__(self, exe, drive, folder, artefacts, name, log=print):
        self.exe_source, self.drive_exe = exe, drive
        self.folder, self.artefacts, self.name, self.log = folder, artefacts, name, log
        self.exe = os.path.join(folder, "quorvane.exe")
        if not os.path.exists(self.exe):
            shutil.copy(exe, self.exe)
        self.proc = None
        self.pid = None
        self.desktop = None
        self.runs = 0
        self.shots = 0

    # -- qvdrive

    def drive(self, *args, check=True, timeout=30, pid=True):
        cmd = ["wine", self.drive_exe] + (["--desktop", self.desktop] if self.desktop else [])
        if pid and self.pid:
            cmd += ["--pid", str(self.pid)]
        cmd += [str(a) for a in args]
        with tempfile.TemporaryDirectory() as scratch:
            # qvdrive makes this file first thing: a failure without it is Wine ending qvdrive
            # before it ran (now and then on a loaded machine), and it is started once more.
            mark = os.path.join(scratch, "started")
            env = dict(os.environ, QV_DRIVE_STARTED=winpath(mark))
            for _ in range(2):
                rc, text, error = self._run_drive(cmd, args, env, timeout)
                if rc == 0 or os.path.exists(mark):
                    break
                self.log("qvdrive %s: Wine ended it before it ran (exit %d); starting it again"
                         % (" ".join(map(str, args)), rc))
        if check and rc != 0:
            raise DriveError("qvdrive %s failed (%d): %s" % (" ".join(map(str, args)), rc, error.strip()))
        return rc, text

    @staticmethod
    def _run_drive(cmd, args, env, timeout):
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            # Files, not pipes: a Wine process may hand its streams on to Wine's services.
            p = subprocess.Popen(cmd, stdin=subprocess.DEVNULL, stdout=out, stderr=err, start_new_session=True,
                                 env=env)
            try:
                rc = p.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                os.killpg(p.pid, signal.SIGKILL)
                p.wait()
                raise DriveError("qvdrive %s did not finish in %d s" % (" ".join(map(str, args)), timeout))
            out.seek(0)
            err.seek(0)
            return rc, out.read().decode("utf-8", "replace"), err.read().decode("utf-8", "replace")

    def windows(self):
        """Top-level windows of the program: (hwnd, visible, class, rect, caption)."""
        # The listing only reads; a Wine start that fails now and then on a loaded machine (exit
        # code 1, nothing said) is tried again rather than failing the journey.
        for attempt in range(3):
            try:
                _, text = self.drive("windows")
                break
            except DriveError:
                if attempt == 2:
                    raise
                time.sleep(0.5)
        return [parse_window_line(line, top=True) for line in text.splitlines() if line.strip()]

    def children(self, where):
        _, text = self.drive("children", where)
        return [parse_window_line(line, top=False) for line in text.splitlines() if line.strip()]

    def wait(self, where, state="visible", timeout=10.0, check=True):
        rc, text = self.drive("wait", where, state, int(timeout * 1000), check=False, timeout=timeout + 20)
        if rc != 0 and not self.desktop_exists():
            # The desktop closes shortly after the program has ended: nothing is left on it.
            if state == "gone":
                return True
            if check:
                raise DriveError("window %s: the program has ended (its desktop is gone)" % where)
        if check and rc != 0:
            raise DriveError("window %s did not become %s within %.0f s" % (where, state, timeout))
        return rc == 0

    def desktop_exists(self):
        return self.drive("windows", check=False, pid=False)[0] == 0

    def exists(self, where):
        return self.drive("find", where, check=False)[0] == 0

    def visible(self, where):
        return self.wait(where, "visible", 0.05, check=False)

    def text(self, where):
        """The text of a window found by where (WM_GETTEXT)."""
        _, h = self.drive("find", where)
        parent = None
        for w in self.windows():
            if w["hwnd"] == h.strip():
                return w["text"]
        # A child: look it up among its top-level window's descendants.
        top = where.split(">", 1)[0]
        for c in self.children(top):
            if c["hwnd"] == h.strip():
                return c["text"]
        raise DriveError("no text for %s" % where)

    def child(self, where):
        """The descendant record (hwnd, id, class, visible, enabled, checked, rect, text) of where."""
        _, h = self.drive("find", where)
        top = where.split(">", 1)[0]
        for c in self.children(top):
            if c["hwnd"] == h.strip():
                return c
        raise DriveError("no window %s" % where)

    # -- life cycle

    def start(self, timeout=45.0):
        return self.launch().wait_started(timeout)

    def launch(self):
        """Starts the program and returns at once, while it is still starting."""
        self.runs += 1
        self.desktop = "qv-%s-%d-%d" % (self.name, os.getpid(), self.runs)
        self.pid = None
        log = open(os.path.join(self.artefacts, "%s-run%d.log" % (self.name, self.runs)), "w")
        self.proc = subprocess.Popen(["wine", "explorer", "/desktop=%s,%dx%d" % ((self.desktop,) + SCREEN),
                                      winpath(self.exe)], cwd=self.folder, stdin=subprocess.DEVNULL, stdout=log,
                                     stderr=subprocess.STDOUT, start_new_session=True)
        return self

    def launch_beside(self):
        """Starts the program file once more on this program's desktop, as a user's second start
        does; returns the process that ends with that start."""
        self.runs += 1
        log = open(os.path.join(self.artefacts, "%s-run%d.log" % (self.name, self.runs)), "w")
        return subprocess.Popen(["wine", "explorer", "/desktop=%s,%dx%d" % ((self.desktop,) + SCREEN),
                                 winpath(self.exe)], cwd=self.folder, stdin=subprocess.DEVNULL, stdout=log,
                                stderr=subprocess.STDOUT, start_new_session=True)

    def wait_started(self, timeout=45.0):
        """Waits until the launched program is idle in its message loop."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            rc, text = self.drive("find", "TTrayIconWindow", check=False, pid=False)
            if rc == 0:
                for w in self.windows():
                    if w["class"] == "TTrayIconWindow":
                        self.pid = w["pid"]
                # The tray icon registers while the main window is being created: wait for the
                # application to be idle in its message loop.
                self.drive("wait", "TApplication", "exists", 10000)
                time.sleep(0.5)
                return self
            if self.proc.poll() is not None:
                break
            time.sleep(0.3)
        raise DriveError("the program did not start within %.0f s" % timeout)

    def running(self):
        return self.pid is not None and self.exists("TApplication")

    def wait_exit(self, timeout=20.0):
        """Waits until the program's windows are gone and its desktop has closed."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            if self.drive("find", "TApplication", check=False)[0] != 0:
                break
            time.sleep(0.2)
        else:
            raise DriveError("the program did not end within %.0f s" % timeout)
        try:
            self.proc.wait(timeout=max(1.0, end - time.monotonic()) + 10)
        except subprocess.TimeoutExpired:
            self.stop_desktop()
        self.proc = None
        self.pid = None

    def stop_desktop(self):
        if self.proc and self.proc.poll() is None:
            try:
                os.killpg(self.proc.pid, signal.SIGTERM)
                self.proc.wait(timeout=5)
            except (ProcessLookupError, subprocess.TimeoutExpired):
                try:
                    os.killpg(self.proc.pid, signal.SIGKILL)
                except ProcessLookupError:
                    pass
        self.proc = None

    def kill(self):
        """Ends a program that is still running (after a failed journey) and its desktop."""
        if self.proc is None:
            return
        try:
            if self.pid:
                self.drive("kill", self.pid, check=False, timeout=15)
        except DriveError:
            pass
        for upid in unix_pids_mapping(self.exe):
            try:
                os.kill(upid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.stop_desktop()
        self.proc = None
        self.pid = None

    def unix_pid(self):
        pids = unix_pids_mapping(self.exe)
        return pids[0] if pids else None

    # -- the user's hands

    def tray(self, *events):
        self.drive("tray", *events)

    def open_menu(self):
        self.drive("cursor", *TRAY_POINT)
        self.tray("move", "rdown", "rup")
        self.wait("menu")

    def menu(self, *keys, shot=None):
        """Opens the tray menu, optionally takes a screenshot, and works it with keys."""
        self.open_menu()
        if shot:
            time.sleep(0.3)
            self.screenshot(shot)
        if keys:
            self.drive("keys", "menu", *keys)
        self.wait("menu", "gone", 10)

    # Keys from the bottom of the tray menu: its fixed commands.
    REFRESH = ("up",) * 5 + ("enter",)
    FEEDS = ("up",) * 4 + ("right",)
    SETTINGS = ("up",) * 3 + ("enter",)
    ABOUT = ("up",) * 2 + ("enter",)
    QUIT = ("up", "enter")

    def quit(self):
        self.menu(*self.QUIT)
        self.wait_exit()

    def tooltip(self, timeout=8.0):
        """Points at the tray icon and returns the tooltip the taskbar shows for it ("" if none)."""
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            self.drive("cursor", TRAY_POINT[0] - 40, TRAY_POINT[1])
            self.drive("cursor", *TRAY_POINT)
            # The program hands its tooltip to the shell when the pointer moves over the icon.
            self.tray("move")
            time.sleep(0.8)
            _, text = self.drive("windows", pid=False)
            for line in text.splitlines():
                w = parse_window_line(line, top=True)
                if w["class"] == "tooltips_class32" and w["visible"] and w["text"]:
                    return w["text"]
        return ""

    def click(self, where):
        self.drive("click", where)

    def type(self, where, text):
        self.drive("type", where, hx(text) if text else "")

    def tab(self, index):
        self.drive("tab", "TMainForm>SysTabControl32", index)
        time.sleep(0.2)

    def screenshot(self, name):
        """Saves the screen as NAME.png among the artefacts and returns the picture."""
        self.shots += 1
        bmp = os.path.join(self.artefacts, "%s.bmp" % name)
        self.drive("shot", winpath(bmp))
        pic = Picture.from_bmp(bmp)
        pic.save_png(os.path.join(self.artefacts, "%s.png" % name))
        os.remove(bmp)
        return pic

    def stats(self):
        _, text = self.drive("stats", self.pid)
        out = {}
        for line in text.splitlines():
            k, _, v = line.partition("=")
            if v.strip().lstrip("-").isdigit():
                out[k.strip()] = int(v)
        return out


def parse_window_line(line, top):
    """One line of qvdrive's windows or children output."""
    m = re.match(r'^(\S+) (.*?) \[(-?\d+) (-?\d+) (-?\d+) (-?\d+)\] "(.*)"$', line)
    if not m:
        raise DriveError("cannot read qvdrive's line: %r" % line)
    fields = m.group(2).split(" ")
    text = m.group(7).replace("\\r", "\r").replace("\\n", "\n").replace('\\"', '"').replace("\\\\", "\\")
    rect = tuple(int(m.group(i)) for i in range(3, 7))
    if top:
        pid, visible, cls = fields
        return {"hwnd": m.group(1), "pid": int(pid), "visible": visible == "1", "class": cls, "rect": rect,
                "text": text}
    cid, cls, visible, enabled, checked = fields
    return {"hwnd": m.group(1), "id": int(cid), "class": cls, "visible": visible == "1", "enabled": enabled == "1",
            "checked": int(checked), "rect": rect, "text": text}


def ini_encoding(path):
    """How the program wrote its settings file: "utf-16" (with its byte-order mark) or "cp1252"."""
    with open(path, "rb") as f:
        return "utf-16" if f.read(2) == b"\xff\xfe" else "cp1252"


def read_ini(path):
    """The settings file as {section: {key: value}}, keys as written; 8-bit or UTF-16 with a mark."""
    sections, current = {}, None
    with open(path, encoding=ini_encoding(path), newline="") as f:
        for line in f.read().split("\r\n"):
            line = line.rstrip("\r\n")
            if line.startswith("[") and line.endswith("]"):
                current = sections.setdefault(line[1:-1], {})
            elif "=" in line and current is not None:
                k, _, v = line.partition("=")
                current[k] = v
    return sections


def write_ini(path, sections):
    with open(path, "w", encoding="cp1252", newline="\r\n") as f:
        for name, keys in sections.items():
            f.write("[%s]\n" % name)
            for k, v in keys.items():
                f.write("%s=%s\n" % (k, v))


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]
