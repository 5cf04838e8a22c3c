#!/usr/bin/env python3
"""End-to-end journeys: the real quorvane.exe under Wine, driven as a user would.

  run_e2e.py --journey NAME --exe quorvane.exe --drive qvdrive.exe --browser qvbrowser.exe
             [--servers STATE_DIR] --artefacts DIR [--wineprefix DIR] [--keep]
  run_e2e.py --list
  run_e2e.py --registered NAME...      checks that CTest knows every journey defined here

Each journey copies the program into a fresh temporary program folder with its own Newsfeeds
and settings file, runs it on a Wine virtual desktop of its own, works it through its tray
icon, its menu, its windows and the prompts and dialogs it opens, and checks only what a user
could see or find: windows, captions, texts and states, files in the program folder, the
requests the loopback server received, the addresses handed to the web browser (a recording
stand-in, qvbrowser.exe, registered for http and https while the journey runs) and the
screen. Screenshots are kept in ARTEFACTS/NAME/. Every wait has a time-out; whatever the
journey started is stopped at its end, also when it fails.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from qvdriver import (DriveError, Display, Program, Servers, default_wineprefix, hx, ini_encoding, prepare_wine,  # noqa: E402
                      read_ini, rss, unix_pids_mapping, winpath, write_bmp, write_icon, write_ini)

JOURNEYS = {}


def journey(fn):
    JOURNEYS[fn.__name__] = fn
    return fn


class Context:
    def __init__(self, args, name):
        self.args, self.name = args, name
        self.servers = Servers(args.servers)
        self.artefacts = os.path.join(args.artefacts, name)
        shutil.rmtree(self.artefacts, ignore_errors=True)
        os.makedirs(self.artefacts)
        self.root = tempfile.mkdtemp(prefix="qv-e2e-%s-" % name)
        self.folder = os.path.join(self.root, "Quorvane")
        os.makedirs(self.folder)
        self.opened_file = os.path.join(self.root, "opened.txt")
        self.programs = []
        self.tag = "e2e-%s-%d" % (name, os.getpid())

    def program(self):
        p = Program(self.args.exe, self.args.drive, self.folder, self.artefacts, self.name, log=self.log)
        self.programs.append(p)
        return p

    def log(self, *what):
        print("[%s %6.1f] %s" % (self.name, time.monotonic() - START, " ".join(str(w) for w in what)), flush=True)

    def feeds(self):
        path = os.path.join(self.folder, "Newsfeeds")
        os.makedirs(path, exist_ok=True)
        return path

    def feed(self, name, url, subfolder=None):
        folder = self.feeds() if not subfolder else os.path.join(self.feeds(), subfolder)
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, name + ".nfd"), "wb") as f:
            f.write(url.encode("cp1252") + b"\r\n")

    def doc(self, key, data):
        """Serves data as a document of this journey; returns its URL."""
        name = "%s-%s.xml" % (self.tag, key)
        self.servers.put(name, data)
        return self.servers.url(name)

    def doc_name(self, key):
        return "%s-%s.xml" % (self.tag, key)

    def opened(self):
        try:
            with open(self.opened_file, encoding="utf-8") as f:
                return [line.rstrip("\n") for line in f]
        except FileNotFoundError:
            return []

    def wait_opened(self, count, timeout=10.0):
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            got = self.opened()
            if len(got) >= count:
                return got
            time.sleep(0.1)
        raise DriveError("expected %d addresses opened in the browser, got %r" % (count, self.opened()))

    def ini(self):
        return read_ini(os.path.join(self.folder, "quorvane.ini"))

    def write_settings(self, sections):
        write_ini(os.path.join(self.folder, "quorvane.ini"), sections)

    def cleanup(self, ok):
        for p in self.programs:
            try:
                p.kill()
            except Exception as e:  # the journey's result matters more than a failed clean-up
                self.log("clean-up:", e)
        if ok and not self.args.keep:
            shutil.rmtree(self.root, ignore_errors=True)
        else:
            self.log("program folder kept:", self.root)


def check(condition, message):
    if not condition:
        raise DriveError(message)


def wait_until(condition, timeout=10.0):
    """Waits until condition() holds or timeout seconds have passed; the caller checks after it."""
    end = time.monotonic() + timeout
    while not condition() and time.monotonic() < end:
        time.sleep(0.1)


def check_equal(got, want, what):
    if got != want:
        raise DriveError("%s: expected %r, got %r" % (what, want, got))


def flat(text):
    """A balloon text without its line breaks: the program wraps lines at spaces with a CR."""
    return " ".join(text.replace("\r", " ").split())


def news_items(prefix, site, count=4):
    return [("%s %d" % (prefix, i), "%s/artikel/%d.html" % (site, i), "Beschreibung %s %d." % (prefix, i))
            for i in range(1, count + 1)]


def balloon(program, timeout=10.0):
    """Waits for the program's balloon and returns its text (the window's caption is its body)."""
    program.wait("TBalloonWindowEx", "visible", timeout)
    return program.text("TBalloonWindowEx")


DEFAULTS = {
    "Window": {"Top": "200", "Left": "200"},
    "Settings": {"FeedName": "", "Start minimized": "0", "Interval": "15", "MaxEntrys": "15", "MaxChars": "80",
                 "Cut Channelname": "0", "Balloonhint": "1", "Balloonwrap": "80"},
    "Proxy": {"Enabled": "0", "Port": "1080", "Host": "", "User": "", "Pass": ""},
}


def tray_icon_colours(pic):
    """The colours of the taskbar's tray icon (16 x 16 at the right end of the taskbar)."""
    x, y = 1003, 750
    return pic.region(x, y, 16, 16)


def count_like(pixels, test):
    return sum(1 for p in pixels if test(p))


def yellowish(p):
    return p[0] > 200 and p[1] > 170 and p[2] < 90


def greenish(p):
    return p[1] > 140 and p[0] < 110 and p[2] < 110


# ---------------------------------------------------------------------------------------------

@journey
def first_start(ctx):
    """A program folder with nothing but the program: the settings window, the fixed menu, no
    download, the about window, and at exit a settings file with every default."""
    before = len(ctx.servers.requests(""))
    p = ctx.program().start()
    p.wait("TMainForm:Einstellungen", "visible")
    p.screenshot("settings-programm")
    for i, name in enumerate(["feed", "proxy", "text", "links"], start=1):
        p.tab(i)
        p.screenshot("settings-%s" % name)
    p.tab(0)
    check(not p.visible("TBalloonWindowEx"), "a balloon without any feed")
    p.menu(*Program.ABOUT, shot="menu-without-feeds")
    p.wait("TInfoForm:%s" % hx("Über ..."), "visible")
    p.screenshot("about")
    p.drive("close", "TInfoForm")
    p.wait("TInfoForm", "hidden")
    check_equal(len(ctx.servers.requests("")), before, "requests made by a program without feeds")
    check(not os.path.exists(os.path.join(ctx.folder, "quorvane.ini")), "settings written before the exit")
    p.quit()
    check_equal(ctx.ini(), DEFAULTS, "settings file written at exit")
    check(not os.path.exists(os.path.join(ctx.folder, "Newsfeeds")), "the program created a feed folder")


@journey
def create_feed(ctx):
    """"Neues Feed ...": two prompts, the feed file, the download at once, the balloon with the
    first headline, the headlines in the menu and the browser on the one chosen."""
    site = "http://www.tagesblick.example"
    items = news_items("Landtag beschließt Haushalt", site)
    url = ctx.doc("inland", rss("Tagesblick Inland", site, "Nachrichten aus dem Inland", items))
    ctx.feeds()
    p = ctx.program().start()
    p.wait("TMainForm", "visible")
    p.tab(1)
    p.click("TMainForm>TTabSheet:Feed>Button:Neues Feed ...")
    p.wait("TInputQueryForm:Neues Feed erstellen>Static:Geben Sie einen neuen Namen ein")
    check_equal(p.text("TInputQueryForm>Edit"), "Feed", "the name prompt's default")
    p.type("TInputQueryForm>Edit", "Tagesblick: Inland")
    p.screenshot("name-prompt")
    p.click("TInputQueryForm>Button:OK")
    p.wait("TInputQueryForm>Static:Geben Sie den URL des Feeds ein")
    check_equal(p.text("TInputQueryForm>Edit"), "http://", "the address prompt's default")
    p.type("TInputQueryForm>Edit", url)
    p.click("TInputQueryForm>Button:OK")
    # ":" cannot stand in a file name: the feed is named with "-" instead.
    path = os.path.join(ctx.folder, "Newsfeeds", "Tagesblick- Inland.nfd")
    ctx.servers.wait_requests(ctx.doc_name("inland"), 1)
    with open(path, "rb") as f:
        check_equal(f.read(), url.encode() + b"\r\n", "the new feed file")
    text = balloon(p)
    check_equal(flat(text), items[0][2], "the balloon's text")
    p.screenshot("balloon")
    check_equal(p.text("TMainForm>TTabSheet:Feed>Edit#0"), "Tagesblick- Inland", "the Feed page's name")
    check_equal(p.text("TMainForm>TTabSheet:Feed>Edit#1"), url, "the Feed page's address")
    check_equal(p.text("TMainForm>TTabSheet:Feed>Edit#2"), "Nachrichten aus dem Inland", "the Feed page's text")
    # The channel, then the headlines: the second headline is the third entry from the top.
    p.menu("down", "down", "down", "enter", shot="menu-headlines")
    check_equal(ctx.wait_opened(1), [items[1][1]], "the address opened for the second headline")
    p.menu("down", "enter")
    check_equal(ctx.wait_opened(2)[1], site, "the address opened for the channel")
    p.quit()
    check_equal(ctx.ini()["Settings"]["FeedName"], "Tagesblick- Inland", "the saved current feed")


@journey
def pick_feed(ctx):
    """Another feed chosen in "Newsfeeds": its document is fetched and shown."""
    site_a, site_b = "http://alpha.example", "http://beta.example"
    items_a = news_items("Hafen erweitert", site_a)
    items_b = news_items("Messe eröffnet", site_b)
    ctx.feed("Alpha", ctx.doc("alpha", rss("Alpha Kurier", site_a, "Alpha", items_a)))
    ctx.feed("Beta", ctx.doc("beta", rss("Beta Anzeiger", site_b, "Beta", items_b)))
    ctx.feed("Gamma", ctx.doc("gamma", rss("Gamma", "http://gamma.example", "Gamma", [])), subfolder="Regional")
    ctx.write_settings({"Settings": {"FeedName": "Alpha", "Start minimized": "1"}})
    p = ctx.program().start()
    ctx.servers.wait_requests(ctx.doc_name("alpha"), 1)
    check_equal(flat(balloon(p)), items_a[0][2], "the balloon of the saved feed")
    check(not p.visible("TMainForm"), "the settings window shows although it starts minimized")
    # Feeds are ordered by their first letter, folders by their first three: Alpha, Beta, Regional.
    p.open_menu()
    p.drive("keys", "menu", *Program.FEEDS)
    time.sleep(0.4)
    p.screenshot("menu-newsfeeds")
    p.drive("keys", "menu", "down", "enter")
    p.wait("menu", "gone")
    ctx.servers.wait_requests(ctx.doc_name("beta"), 1)
    check_equal(flat(balloon(p)), items_b[0][2], "the balloon of the chosen feed")
    p.menu("down", "down", "enter")
    check_equal(ctx.wait_opened(1), [items_b[0][1]], "the first headline of the chosen feed")
    p.quit()
    check_equal(ctx.ini()["Settings"]["FeedName"], "Beta", "the saved current feed")
    check_equal(len(ctx.servers.requests(ctx.doc_name("gamma"))), 0, "requests for a feed nobody chose")


@journey
def end_session(ctx):
    """The Windows session ends (log-off) while the program runs in the tray: the process ends
    without its window being closed, and what was changed in that session is in the settings
    file all the same."""
    ctx.feed("Kurier", ctx.doc("kurier", rss("Kurier", "http://kurier.example", "Kurier",
                                            news_items("Wahl gewonnen", "http://kurier.example"))))
    p = ctx.program().start()
    p.wait("TMainForm", "visible")
    p.type("TMainForm>TTabSheet:Programm>Edit#0", "45")
    p.open_menu()
    p.drive("keys", "menu", *Program.FEEDS)
    p.drive("keys", "menu", "enter")
    p.wait("menu", "gone")
    ctx.servers.wait_requests(ctx.doc_name("kurier"), 1)
    _, answer = p.drive("endsession", "TMainForm")
    check_equal(answer.strip(), "1", "the answer to the session's end")
    p.kill()
    settings = ctx.ini().get("Settings", {})
    check_equal((settings.get("FeedName"), settings.get("Interval")), ("Kurier", "45"),
                "the chosen feed and the interval in the settings file")


@journey
def end_session_at_start(ctx):
    """The session ends while the program is still starting (another program sends the messages
    at log-off as soon as the settings window exists): the settings file is written all the
    same, and one that existed keeps what it held instead of the values the window had before it
    read them."""
    ctx.feed("Kurier", ctx.doc("kurier", rss("Kurier", "http://kurier.example", "Kurier",
                                            news_items("Wahl gewonnen", "http://kurier.example"))))
    for saved in ({}, {"Settings": {"FeedName": "Kurier", "Interval": "45", "Start minimized": "0"}}):
        path = os.path.join(ctx.folder, "quorvane.ini")
        if os.path.exists(path):
            os.remove(path)
        if saved:
            ctx.write_settings(saved)
        p = ctx.program().launch()
        end = time.monotonic() + 45
        while True:
            rc, answer = p.drive("endsession", "TMainForm", check=False)
            if rc == 0:
                break
            check(time.monotonic() < end, "the settings window did not appear")
        check_equal(answer.strip(), "1", "the answer to the session's end")
        p.wait_started()
        check(os.path.exists(path), "no settings file after the session's end")
        settings = ctx.ini().get("Settings", {})
        want = ("Kurier", "45") if saved else ("", "15")
        check_equal((settings.get("FeedName", ""), settings.get("Interval")), want,
                    "the current feed and the interval in the settings file")
        p.kill()


@journey
def quit_during_download(ctx):
    """"Beenden" ends the program at once whatever its download is doing: waiting for a server that
    never answers, reading a body that trickles in, reading one that never ends (whose connection
    is then still being closed as the program ends), or waiting for the user in the credentials
    dialog (which only the user's refresh of a feed whose address names a user brings up). The
    program ends within two seconds of the command, with exit code 0."""
    base = "http://127.0.0.1:%d" % ctx.servers.http
    cases = [("silent", "/late/%s-silent?hold=60"), ("trickle", "/trickle/%s-trickle?every=0.5&total=1000"),
             ("endless", "/chunked/%s-endless?chunks=-1&size=65536"),
             ("dialog", "/auth/%s-dialog?user=u&pass=p&realm=quit")]
    for name, path in cases:
        feeds = ctx.feeds()
        for old in os.listdir(feeds):
            os.remove(os.path.join(feeds, old))
        ctx.feed("Abruf", (base.replace("//", "//u@") if name == "dialog" else base) + path % ctx.tag)
        ctx.write_settings({"Settings": {"FeedName": "Abruf", "Start minimized": "1"}})
        p = ctx.program().start()
        ctx.servers.wait_requests("%s-%s" % (ctx.tag, name), 1)
        if name == "dialog":
            # The start's own refresh fails without a dialog; the user's refresh asks.
            tip = "Fehler: Anmeldung verlangt"
            wait_until(lambda: p.tooltip() == tip, 20)
            check_equal(p.tooltip(), tip, "the tooltip after the start's refresh")
            check(not p.visible("#32770#0"), "a credentials dialog without the user's refresh")
            p.menu(*Program.REFRESH)
            p.wait("#32770#0", "visible", 15)
            p.screenshot("dialog")
        elif name != "silent":
            # The body is under way: the quit meets a read, not the wait for the answer.
            ctx.servers.wait_body_sent("%s-%s" % (ctx.tag, name), 2)
        p.open_menu()
        _, out = p.drive("keysexit", 10000, "menu", *Program.QUIT, timeout=30)
        code, ms = (int(v) for v in out.split())
        ctx.log("%s: exit code %d after %d ms" % (name, code, ms))
        check_equal(code, 0, "the exit code after quitting during the %s download" % name)
        check(ms < 2000, "quitting during the %s download took %d ms" % (name, ms))
        p.wait_exit()


def open_file_dialog(p, caption, path):
    """Picks a file in the platform's file-open dialog by typing its name."""
    dialog = "#32770:%s" % hx(caption)
    p.wait(dialog, "visible", 15)
    time.sleep(0.5)
    p.screenshot("dialog-" + caption.split()[0].lower())
    edits = [c for c in p.children(dialog) if c["class"] == "Edit" and c["visible"]]
    check(edits, "the file dialog has no name field")
    p.drive("settext", "0x" + edits[0]["hwnd"], hx(winpath(path)))
    p.click("%s>Button@1" % dialog)
    p.wait(dialog, "gone", 10)


@journey
def import_klip(ctx):
    """"Klip importieren ...": the feed of the Klip file's title and address, downloaded at once;
    the same file a second time is refused with a message."""
    site = "http://www.rheinpost.example"
    items = news_items("Brücke wird saniert", site)
    url = ctx.doc("klip", rss("Rheinpost Lokal", site, "Lokales vom Rhein", items))
    klip = os.path.join(ctx.root, "rheinpost.klip")
    with open(klip, "wb") as f:
        f.write(("<klip>\r\n<owner><author>Redaktion</author></owner>\r\n<identity>\r\n"
                 "<title> <!-- Name -->Rheinpost Lokal </title>\r\n</identity>\r\n<locations>\r\n"
                 "<contentsource>\r\n  %s\r\n</contentsource>\r\n</locations>\r\n</klip>\r\n" % url).encode("cp1252"))
    ctx.feeds()
    p = ctx.program().start()
    p.tab(1)
    p.click("TMainForm>TTabSheet:Feed>Button:Klip importieren ...")
    open_file_dialog(p, "Klip öffnen ...", klip)
    ctx.servers.wait_requests(ctx.doc_name("klip"), 1)
    with open(os.path.join(ctx.folder, "Newsfeeds", "Rheinpost Lokal.nfd"), "rb") as f:
        check_equal(f.read(), url.encode() + b"\r\n", "the imported feed file")
    check_equal(flat(balloon(p)), items[0][2], "the balloon of the imported feed")
    check_equal(p.text("TMainForm>TTabSheet:Feed>Edit#0"), "Rheinpost Lokal", "the Feed page's name")
    p.menu("down", "down", "enter")
    check_equal(ctx.wait_opened(1), [items[0][1]], "the first headline of the imported feed")
    # The same Klip again: the feed exists already.
    p.click("TMainForm>TTabSheet:Feed>Button:Klip importieren ...")
    open_file_dialog(p, "Klip öffnen ...", klip)
    p.wait("#32770:Fehler", "visible")
    p.screenshot("klip-refused")
    message = [c["text"] for c in p.children("#32770:Fehler") if c["class"] == "Static" and c["text"]]
    check(any(t.startswith("Klip konnt nicht hinzugefügt werden") for t in message),
          "the refusal's message: %r" % message)
    p.click("#32770:Fehler>Button@1")
    p.wait("#32770:Fehler", "gone")
    check_equal(sorted(os.listdir(os.path.join(ctx.folder, "Newsfeeds"))), ["Rheinpost Lokal.nfd"],
                "the feed folder after the refused import")
    p.quit()
    check_equal(ctx.ini()["Settings"]["FeedName"], "Rheinpost Lokal", "the saved current feed")


def feed_tree(folder):
    """Every feed file (with its content) and folder below folder, as sorted relative paths."""
    out = []
    for base, dirs, files in os.walk(folder):
        rel = os.path.relpath(base, folder)
        out += [os.path.join(rel, d) + "/" for d in dirs]
        for f in files:
            with open(os.path.join(base, f), "rb") as fh:
                out.append("%s = %r" % (os.path.join(rel, f), fh.read()))
    return sorted(out)


def import_list(p, path, want):
    """"Klip importieren ..." with an OPML list; checks and closes the message with the counts."""
    p.click("TMainForm>TTabSheet:Feed>Button:Klip importieren ...")
    open_file_dialog(p, "Klip öffnen ...", path)
    p.wait("#32770:Information", "visible", 15)
    message = [c["text"] for c in p.children("#32770:Information") if c["class"] == "Static" and c["text"]]
    check(want in message, "the import's message: %r" % message)
    p.click("#32770:Information>Button@1")
    p.wait("#32770:Information", "gone")


@journey
def subscriptions(ctx):
    """An OPML list with folders imported, a feed made from a web site's address (its headlines and
    its site's icon appear by themselves), every feed exported and the export imported into a
    fresh program folder."""
    listing = os.path.join(ctx.root, "abos.opml")
    with open(listing, "wb") as f:
        f.write(("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<opml version=\"1.1\"><head><title>Abos</title>"
                 "</head><body>\n<outline text=\"Nachrichten\">\n"
                 "  <outline type=\"rss\" text=\"Rhein &amp; Ruhr\" xmlUrl=\"http://rhein.example/rss\"/>\n"
                 "  <outline type=\"rss\" text=\"Новости\" xmlUrl=\"http://novosti.example/rss\"/>\n"
                 "</outline>\n<outline type=\"rss\" title=\"Technik\" xmlUrl=\"http://technik.example/atom\"/>\n"
                 "</body></opml>\n").encode("utf-8"))
    site = ctx.servers.url("%s-site.html" % ctx.tag)
    items = news_items("Weltblick meldet", "http://www.weltblick.example")
    feed_url = ctx.doc("feed", rss("Weltblick", site, "Aus aller Welt", items))
    ctx.servers.put("%s-site.html" % ctx.tag, (
        "<!DOCTYPE html><html><head><title>Weltblick</title>"
        "<link rel=\"alternate\" type=\"application/rss+xml\" href=\"%s\">"
        "<link rel=\"icon\" href=\"%s-icon.bmp\"></head><body>Willkommen</body></html>"
        % (ctx.doc_name("feed"), ctx.tag)).encode())
    icon = os.path.join(ctx.root, "icon.bmp")
    write_bmp(icon, 16, 16, lambda x, y: (30, 60, 220))
    with open(icon, "rb") as f:
        ctx.servers.put("%s-icon.bmp" % ctx.tag, f.read())
    feeds = ctx.feeds()
    p = ctx.program().start()
    p.wait("TMainForm", "visible")
    p.tab(1)
    p.screenshot("feed-page")
    import_list(p, listing, "3 Feeds importiert.")
    check_equal(feed_tree(feeds), ["./Nachrichten/", "./Technik.nfd = b'http://technik.example/atom\\r\\n'",
                                   "Nachrichten/Rhein & Ruhr.nfd = b'http://rhein.example/rss\\r\\n'",
                                   "Nachrichten/Новости.nfd = b'http://novosti.example/rss\\r\\n'"],
                "the feed folder after the import")
    # A feed made from the site's address: the page names the feed, the headlines come at once.
    p.click("TMainForm>TTabSheet:Feed>Button:Neues Feed ...")
    p.wait("TInputQueryForm:Neues Feed erstellen>Static:Geben Sie einen neuen Namen ein")
    p.type("TInputQueryForm>Edit", "Weltblick")
    p.click("TInputQueryForm>Button:OK")
    p.wait("TInputQueryForm>Static:Geben Sie den URL des Feeds ein")
    p.type("TInputQueryForm>Edit", site)
    p.click("TInputQueryForm>Button:OK")
    check_equal(flat(balloon(p)), items[0][2], "the balloon of the feed the site names")
    with open(os.path.join(feeds, "Weltblick.nfd"), "rb") as f:
        check_equal(f.read(), feed_url.encode() + b"\r\n", "the feed file's address, the site's feed")
    wait_until(lambda: os.path.exists(os.path.join(feeds, "Weltblick.ico")))
    check(os.path.exists(os.path.join(feeds, "Weltblick.ico")), "no site icon was written")
    check_equal(os.path.getsize(os.path.join(feeds, "Weltblick.ico")), 1406, "the site icon's size")
    p.menu("down", "down", "enter", shot="menu-site-feed")
    check_equal(ctx.wait_opened(1), [items[0][1]], "the first headline of the site's feed")
    # Every feed out, and into an empty program.
    export = os.path.join(ctx.root, "export.opml")
    p.click("TMainForm>TTabSheet:Feed>Button:Feeds exportieren ...")
    open_file_dialog(p, "Feeds exportieren ...", export)
    wait_until(lambda: os.path.exists(export))
    check(os.path.exists(export), "the export was not written")
    before = [line for line in feed_tree(feeds) if ".ico = " not in line]
    p.quit()
    fresh = os.path.join(ctx.root, "Frisch", "Quorvane")
    os.makedirs(os.path.join(fresh, "Newsfeeds"))
    q = Program(ctx.args.exe, ctx.args.drive, fresh, ctx.artefacts, ctx.name + "-frisch", log=ctx.log)
    ctx.programs.append(q)
    q.start()
    q.wait("TMainForm", "visible")
    q.tab(1)
    import_list(q, export, "4 Feeds importiert.")
    q.screenshot("fresh-import")
    check_equal(feed_tree(os.path.join(fresh, "Newsfeeds")), before, "the fresh program's feed folder")
    q.quit()


def blue(p):
    return p[2] > 160 and p[0] < 90 and p[1] < 90


@journey
def feed_icon(ctx):
    """"Icon hinzufügen ..." with a 32 x 32 bitmap: a 1406-byte icon file beside the feed file,
    which the Feed page and the tray icon show after a restart."""
    site = "http://stadtwerk.example"
    items = news_items("Netz wird erneuert", site)
    ctx.feed("Stadtwerk", ctx.doc("icon", rss("Stadtwerk", site, "Stadtwerk", items)))
    ctx.write_settings({"Settings": {"FeedName": "Stadtwerk"}})
    picture = os.path.join(ctx.root, "logo.bmp")
    # Magenta around a blue square: the bottom-left pixel gives the transparent colour.
    write_bmp(picture, 32, 32, lambda x, y: (0, 0, 255) if 6 <= x < 26 and 6 <= y < 26 else (255, 0, 255))
    p = ctx.program().start()
    ctx.servers.wait_requests(ctx.doc_name("icon"), 1)
    before = p.screenshot("before-icon")
    check(count_like(tray_icon_colours(before), blue) == 0, "the default feed icon is blue already")
    p.tab(1)
    p.click("TMainForm>TTabSheet:Feed>Button:%s" % hx("Icon hinzufügen ..."))
    open_file_dialog(p, "Icon laden ...", picture)
    icon = os.path.join(ctx.folder, "Newsfeeds", "Stadtwerk.ico")
    end = time.monotonic() + 10
    while not os.path.exists(icon) and time.monotonic() < end:
        time.sleep(0.1)
    with open(icon, "rb") as f:
        data = f.read()
    check_equal(len(data), 1406, "the icon file's size")
    check_equal(data[:22].hex(), "000001000100101008000000000068050000" + "16000000", "the icon file's header")
    p.quit()

    p = ctx.program().start()
    ctx.servers.wait_requests(ctx.doc_name("icon"), 2)
    p.wait("TMainForm", "visible")
    p.tab(1)
    time.sleep(0.5)
    pic = p.screenshot("icon-after-restart")
    x, y, w, h = p.child("TMainForm>TTabSheet:Feed>TImage")["rect"]
    shown = pic.region(x, y, w, h)
    check(count_like(shown, blue) >= 64, "the Feed page does not show the blue icon")
    check(count_like(shown, lambda c: c[0] > 200 and c[2] > 200 and c[1] < 60) == 0,
          "the icon's magenta background is not transparent on the Feed page")
    check(count_like(tray_icon_colours(pic), blue) >= 32, "the tray icon does not show the feed's icon")
    pic.crop(990, 740, 34, 28).save_png(os.path.join(ctx.artefacts, "tray-icon.png"))
    p.quit()


@journey
def delete_feed(ctx):
    """"Feed löschen": the question names the feed, No keeps it, Yes deletes its feed and icon
    files; the current feed stays until another is chosen, and the menu no longer lists it."""
    ctx.feed("Abend", ctx.doc("abend", rss("Abendblatt", "http://abend.example", "Abend",
                                          news_items("Rat tagt", "http://abend.example"))))
    ctx.feed("Morgen", ctx.doc("morgen", rss("Morgenpost", "http://morgen.example", "Morgen",
                                            news_items("Zug fällt aus", "http://morgen.example"))))
    write_icon(os.path.join(ctx.feeds(), "Abend.ico"), lambda x, y: (0, 128, 0) if 3 < x < 12 else None)
    ctx.write_settings({"Settings": {"FeedName": "Abend"}})
    p = ctx.program().start()
    ctx.servers.wait_requests(ctx.doc_name("abend"), 1)
    p.tab(1)
    question = "#32770:%s" % hx("Bestätigen")
    feeds = os.path.join(ctx.folder, "Newsfeeds")
    for answer, kept in (("No", True), ("Yes", False)):
        p.click("TMainForm>TTabSheet:Feed>Button:%s" % hx("Feed löschen"))
        p.wait(question)
        texts = [c["text"] for c in p.children(question) if c["class"] == "Static" and c["text"]]
        check('Soll das Newsfeed "Abend" gelöscht werden?' in texts, "the question: %r" % texts)
        if kept:
            p.screenshot("delete-question")
        p.click("%s>Button@%d" % (question, 7 if answer == "No" else 6))
        p.wait(question, "gone")
        want = ["Abend.ico", "Abend.nfd", "Morgen.nfd"] if kept else ["Morgen.nfd"]
        if kept:
            time.sleep(0.5)  # the time a deletion would have had
        else:
            wait_until(lambda: sorted(os.listdir(feeds)) == want)
        check_equal(sorted(os.listdir(feeds)), want, "the feed folder after answering %s" % answer)
    check_equal(p.text("TMainForm>TTabSheet:Feed>Edit#0"), "Abend", "the Feed page after the deletion")
    p.click("TMainForm>Button:Aktualisieren")
    ctx.servers.wait_requests(ctx.doc_name("abend"), 2)
    # The submenu's first entry is now "Morgen".
    p.open_menu()
    p.drive("keys", "menu", *Program.FEEDS)
    time.sleep(0.4)
    p.screenshot("menu-after-delete")
    p.drive("keys", "menu", "enter")
    p.wait("menu", "gone")
    ctx.servers.wait_requests(ctx.doc_name("morgen"), 1)
    p.quit()
    check_equal(ctx.ini()["Settings"]["FeedName"], "Morgen", "the saved current feed")


@journey
def interval_and_proxy(ctx):
    """The interval and the proxy changed on the settings window: the next refresh goes through
    the proxy (tinyproxy with Basic authentication), and both are in the settings file."""
    name = ctx.doc_name("proxy")
    # The server closes every connection: Wine's WinInet would hand the proxied request the
    # direct connection of the first one, kept alive.
    ctx.feed("Hafen", ctx.doc("proxy", rss("Hafenbote", "http://hafen.example", "Hafen",
                                          news_items("Fähre fährt", "http://hafen.example"))) + "?close=1")
    ctx.write_settings({"Settings": {"FeedName": "Hafen"}})
    p = ctx.program().start()
    ctx.servers.wait_requests(name, 1)
    p.type("TMainForm>TTabSheet:Programm>Edit#0", "5")
    p.tab(2)
    page = "TMainForm>TTabSheet:Proxy"
    check(not p.child(page + ">Edit#1")["enabled"], "the proxy host field is enabled before the switch")
    p.click(page + ">Button:Proxy verwenden")
    wait_until(lambda: all(c["enabled"] for c in p.children(page) if c["class"] == "Edit"))
    check(all(c["enabled"] for c in p.children(page) if c["class"] == "Edit"), "proxy fields still disabled")
    p.type(page + ">Edit#0", str(ctx.servers.proxy))
    p.type(page + ">Edit#1", "127.0.0.1")
    p.type(page + ">Edit#2", "proxyuser")
    p.type(page + ">Edit#3", "proxypass")
    p.screenshot("proxy-page")
    seen = ctx.servers.proxy_log().count(name)
    p.click("TMainForm>Button:Aktualisieren")
    ctx.servers.wait_requests(name, 2)
    end = time.monotonic() + 10
    while ctx.servers.proxy_log().count(name) <= seen and time.monotonic() < end:
        time.sleep(0.2)
    check(ctx.servers.proxy_log().count(name) > seen, "the refresh did not go through the proxy")
    p.quit()
    ini = ctx.ini()
    check_equal(ini["Settings"]["Interval"], "5", "the saved interval")
    check_equal(ini["Proxy"], {"Enabled": "1", "Port": str(ctx.servers.proxy), "Host": "127.0.0.1",
                               "User": "proxyuser", "Pass": "proxypass"}, "the saved proxy")


@journey
def failing_server(ctx):
    """A server that fails (404) and later recovers: no balloon and the old headlines while it
    fails, the new headlines, the news mark and the balloon when it is back."""
    site = "http://wetter.example"
    first = news_items("Sturm zieht auf", site)
    second = news_items("Sonne kehrt zurück", site)
    key = "wetter"
    ctx.feed("Wetter", ctx.doc(key, rss("Wetterdienst", site, "Wetter", first)))
    ctx.write_settings({"Settings": {"FeedName": "Wetter", "Start minimized": "1"}})
    p = ctx.program().start()
    ctx.servers.wait_requests(ctx.doc_name(key), 1)
    check_equal(flat(balloon(p)), first[0][2], "the first balloon")
    # The news balloon stays for 5 seconds.
    p.wait("TBalloonWindowEx", "hidden", 10)

    ctx.servers.remove(ctx.doc_name(key))
    p.menu(*Program.REFRESH)
    ctx.servers.wait_requests(ctx.doc_name(key), 2)
    time.sleep(2)
    check(not p.visible("TBalloonWindowEx"), "a balloon for a failed download")
    failing = p.screenshot("failing")
    check_equal(count_like(tray_icon_colours(failing), greenish), 0,
                "the tray icon still shows the fetching mark after the failure")
    check_equal(p.tooltip(), "Fehler: HTTP 404", "the tray icon's tooltip while the server fails")
    p.menu("down", "down", "enter")
    check_equal(ctx.wait_opened(1), [first[0][1]], "the kept first headline while the server fails")

    ctx.servers.put(ctx.doc_name(key), rss("Wetterdienst", site, "Wetter", second))
    p.menu(*Program.REFRESH)
    ctx.servers.wait_requests(ctx.doc_name(key), 3)
    check_equal(flat(balloon(p)), second[0][2], "the balloon after the recovery")
    recovered = p.screenshot("recovered")
    check(count_like(tray_icon_colours(recovered), yellowish) >= 4, "no news mark on the tray icon")
    p.menu("down", "down", "enter")
    check_equal(ctx.wait_opened(2)[1], second[0][1], "the new first headline")
    p.quit()


def atom(title, subtitle, entries, base=None):
    """An Atom 1.0 document in UTF-8; entries are (title, link, html summary), the link relative or
    absolute, the title markup as the element's type attribute says."""
    out = ['<?xml version="1.0" encoding="utf-8"?>',
           '<feed xmlns="http://www.w3.org/2005/Atom" xmlns:media="http://search.yahoo.com/mrss/"%s>'
           % (' xml:base="%s"' % base if base else ""),
           "<title>%s</title>" % title, '<subtitle type="html">%s</subtitle>' % subtitle,
           '<link rel="self" href="feed.atom"/>', '<link rel="alternate" type="text/html" href="/"/>',
           "<id>tag:e2e.example,2026:feed</id>", "<updated>2026-12-08T07:00:00Z</updated>"]
    for i, (t, l, d) in enumerate(entries):
        out += ["<entry>", "<id>tag:e2e.example,2026:%d</id>" % i, '<title type="html">%s</title>' % t,
                '<link rel="replies" href="/comments/%d"/>' % i, '<link rel="alternate" href="%s"/>' % l,
                "<media:group><media:title>thumbnail-%d.jpg</media:title></media:group>" % i,
                '<summary type="html">%s</summary>' % d, "<updated>2026-12-08T07:00:00Z</updated>", "</entry>"]
    out += ["</feed>", ""]
    return "\n".join(out).encode("utf-8")


@journey
def atom_feed(ctx):
    """An Atom feed as the current feed: the balloon with its first entry's summary as plain text,
    the feed's title and subtitle in the tooltip, its entries as headlines opening their links
    (relative ones resolved against the feed's address), and news when a new entry arrives."""
    key = "atom"
    entries = [("Caf&amp;eacute; &amp;amp; tram: the &lt;b&gt;new&lt;/b&gt; line", "/city/tram.html?id=7&amp;p=2",
                "&lt;p&gt;The council voted &amp;ndash; finally.&lt;/p&gt;"),
               ("Second entry", "https://video.example/watch?v=Xq3", "Video"),
               ("Third entry", "notes/third.html", "Notes")]
    url = ctx.doc(key, atom("City and Region", "News from &lt;i&gt;the city&lt;/i&gt;", entries))
    root = url.rsplit("/", 2)[0]  # http://127.0.0.1:PORT
    links = [root + "/city/tram.html?id=7&p=2", "https://video.example/watch?v=Xq3", root + "/docs/notes/third.html"]
    ctx.feed("City", url)
    ctx.write_settings({"Settings": {"FeedName": "City", "Start minimized": "1", "Balloonhint": "0"}})
    p = ctx.program().start()
    ctx.servers.wait_requests(ctx.doc_name(key), 1)
    check_equal(flat(balloon(p)), "The council voted \u2013 finally.", "the balloon of the first entry")
    p.screenshot("balloon")
    p.wait("TBalloonWindowEx", "hidden", 10)
    check_equal(p.tooltip().replace("\r", "\n").replace("\n\n", "\n"), "City and Region:\nNews from the city",
                "the tray icon's tooltip")
    # The channel, a separator, then the entries in document order.
    for i, link in enumerate(links):
        p.menu(*(("down",) * (i + 2) + ("enter",)), shot="menu" if i == 0 else None)
        check_equal(ctx.wait_opened(i + 1)[i], link, "the address opened for headline %d" % (i + 1))
    p.menu("down", "enter")
    check_equal(ctx.wait_opened(4)[3], root + "/", "the address opened for the channel")

    entries.insert(0, ("Breaking: bridge reopens", "/city/bridge.html", "Traffic flows again."))
    ctx.servers.put(ctx.doc_name(key), atom("City and Region", "News", entries))
    p.menu(*Program.REFRESH)
    ctx.servers.wait_requests(ctx.doc_name(key), 2)
    check_equal(flat(balloon(p)), "Traffic flows again.", "the balloon after a new entry")
    check(count_like(tray_icon_colours(p.screenshot("news")), yellowish) >= 4, "no news mark on the tray icon")
    p.menu("down", "down", "enter")
    check_equal(ctx.wait_opened(5)[4], root + "/city/bridge.html", "the new first headline")
    p.quit()


@journey
def settings_file(ctx):
    """Every setting changed on the settings window, the window closed by its close box: all of
    them are in the settings file, and a restart shows them again."""
    ctx.feed("Kurier", ctx.doc("kurier", rss("Kurier", "http://kurier.example", "Kurier",
                                            news_items("Wahl gewonnen", "http://kurier.example"))))
    ctx.write_settings({"Window": {"Top": "150", "Left": "260"}})
    p = ctx.program().start()
    p.wait("TMainForm", "visible")
    check_equal([w["rect"][:2] for w in p.windows() if w["class"] == "TMainForm"][0], (260, 150),
                "the window's position from the settings file")
    page = "TMainForm>TTabSheet:Programm"
    p.type(page + ">Edit#0", "30")
    p.type(page + ">Edit#1", "7")
    p.type(page + ">Edit#2", "60")
    p.type(page + ">Edit#3", "50")
    p.click(page + ">Button:Channelname*")
    p.click(page + ">Button:Balloontip bei neuen")
    p.click(page + ">Button:Einstellungen minimiert starten")
    time.sleep(0.3)
    p.screenshot("changed-programm")
    # The feed is chosen before the proxy is set: the proxy named below does not exist.
    p.open_menu()
    p.drive("keys", "menu", *Program.FEEDS)
    p.drive("keys", "menu", "enter")
    p.wait("menu", "gone")
    ctx.servers.wait_requests(ctx.doc_name("kurier"), 1)
    p.tab(2)
    page = "TMainForm>TTabSheet:Proxy"
    p.click(page + ">Button:Proxy verwenden")
    time.sleep(0.3)
    p.type(page + ">Edit#0", "3128")
    p.type(page + ">Edit#1", "proxy.example")
    p.type(page + ">Edit#2", "anna")
    p.type(page + ">Edit#3", "geheim")
    p.drive("close", "TMainForm")
    p.wait_exit()
    want = {
        "Window": {"Top": "150", "Left": "260"},
        "Settings": {"FeedName": "Kurier", "Start minimized": "1", "Interval": "30", "MaxEntrys": "7",
                     "MaxChars": "60", "Cut Channelname": "1", "Balloonhint": "0", "Balloonwrap": "50"},
        "Proxy": {"Enabled": "1", "Port": "3128", "Host": "proxy.example", "User": "anna", "Pass": "geheim"},
    }
    check_equal(ctx.ini(), want, "the settings file")

    p = ctx.program().start()
    time.sleep(1)
    check(not p.visible("TMainForm"), "the settings window shows although it starts minimized")
    p.menu(*Program.SETTINGS)
    p.wait("TMainForm", "visible")
    page = "TMainForm>TTabSheet:Programm"
    got = [p.text(page + ">Edit#%d" % i) for i in range(4)]
    check_equal(got, ["30", "7", "60", "50"], "the numbers after a restart")
    checks = [p.child(page + ">Button#%d" % i)["checked"] for i in range(3)]
    check_equal(checks, [1, 0, 1], "the check boxes after a restart")
    page = "TMainForm>TTabSheet:Proxy"
    check_equal([p.text(page + ">Edit#%d" % i) for i in range(4)], ["3128", "proxy.example", "anna", "geheim"],
                "the proxy fields after a restart")
    check(p.child(page + ">Edit#1")["enabled"], "the proxy fields are disabled although the proxy is on")
    p.quit()


def set_writable(path, writable):
    """Makes a file writable or not for the program. Root writes read-only files, under Wine too:
    there the file is made immutable as well."""
    if writable and os.geteuid() == 0:
        subprocess.run(["chattr", "-i", path], check=True)
    os.chmod(path, 0o644 if writable else 0o444)
    if not writable and os.geteuid() == 0:
        subprocess.run(["chattr", "+i", path], check=True)
    if not writable:
        try:
            open(path, "ab").close()
        except OSError:
            return
        raise DriveError("%s cannot be made unwritable on this machine" % path)


@journey
def unwritable_settings(ctx):
    """The settings file is made unwritable while the program runs, and "Beenden" is chosen: a
    German message box names the file and offers to try again, once more while the file is still
    unwritable. "Wiederholen" after the file was made writable again writes the changed
    settings; "Abbrechen" ends the program and the file keeps what it held."""
    path = os.path.join(ctx.folder, "quorvane.ini")
    ctx.write_settings({"Settings": {"Interval": "15"}})
    box = "#32770:Fehler"
    try:
        for answer, interval in (("Wiederholen", "45"), ("Abbrechen", "50")):
            before = open(path, "rb").read()
            p = ctx.program().start()
            p.wait("TMainForm", "visible")
            p.type("TMainForm>TTabSheet:Programm>Edit#0", interval)
            set_writable(path, False)
            p.menu(*Program.QUIT)
            p.wait(box, "visible", 15)
            texts = [c["text"] for c in p.children(box) if c["class"] == "Static" and c["text"]]
            check(any("Unable to write to %s" % winpath(path) in t for t in texts), "the message: %r" % texts)
            buttons = {c["id"]: c["text"] for c in p.children(box) if c["class"] == "Button"}
            check_equal(buttons, {4: "&Wiederholen", 2: "Abbrechen"}, "the buttons of the message")
            if answer == "Wiederholen":
                p.screenshot("unwritable")
                first = p.drive("find", box)[1].strip()
                p.click("%s>Button@4" % box)
                # The same question again, in a box of its own.
                wait_until(lambda: p.drive("find", box, check=False)[1].strip() not in ("", first))
                p.wait(box, "visible", 5)
                check(p.drive("find", box)[1].strip() != first, "no second question after a failed retry")
                set_writable(path, True)
            p.click("%s>Button@%d" % (box, 4 if answer == "Wiederholen" else 2))
            p.wait_exit()
            set_writable(path, True)
            if answer == "Wiederholen":
                check_equal(ctx.ini().get("Settings", {}).get("Interval"), interval, "the interval written on retry")
            else:
                check_equal(open(path, "rb").read(), before, "the settings file after Abbrechen")
    finally:
        set_writable(path, True)


@journey
def second_start(ctx):
    """Two starts of the program at once, in the tray (start minimized): exactly one runs, with one
    tray icon, and its settings window comes up; the other ends. A start while it runs in the tray
    brings the settings window up again and ends too; the settings file is the one program's."""
    ctx.feed("Kurier", ctx.doc("kurier", rss("Kurier", "http://kurier.example", "Kurier",
                                            news_items("Wahl gewonnen", "http://kurier.example"))))
    ctx.write_settings({"Settings": {"FeedName": "Kurier", "Start minimized": "1", "Interval": "33"}})
    p = ctx.program().launch()
    # The second start as soon as the first one's desktop is there, while that program starts.
    wait_until(p.desktop_exists, 30)
    other = p.launch_beside()
    p.wait_started()
    p.wait("TMainForm", "visible", 30)
    try:
        other.wait(timeout=40)
    except subprocess.TimeoutExpired:
        raise DriveError("the second start did not end")
    wait_until(lambda: len(unix_pids_mapping(p.exe)) == 1, 20)
    check_equal(len(unix_pids_mapping(p.exe)), 1, "programs running after two starts")
    trays = [w for w in p.windows() if w["class"] == "TTrayIconWindow"]
    check_equal(len(trays), 1, "tray icon windows")
    p.screenshot("after-two-starts")
    check_equal(len(ctx.servers.requests(ctx.doc_name("kurier"))), 1, "downloads after two starts")

    p.click("TMainForm>Button:OK")
    p.wait("TMainForm", "hidden")
    third = p.launch_beside()
    p.wait("TMainForm", "visible", 30)
    third.wait(timeout=40)
    check_equal(len(unix_pids_mapping(p.exe)), 1, "programs running after a start beside the running one")
    p.type("TMainForm>TTabSheet:Programm>Edit#0", "44")
    p.quit()
    check_equal(ctx.ini()["Settings"]["Interval"], "44", "the interval written at exit")


@journey
def resume_refresh(ctx):
    """The machine sleeps and wakes while the program runs in the tray, told as the system tells
    every top-level window: after a wake the feed is fetched once, also when the wake comes as
    the pair of resume messages; the next sleep and wake fetch it once more. The refresh timer
    keeps its interval after that."""
    ctx.feed("Kurier", ctx.doc("kurier", rss("Kurier", "http://kurier.example", "Kurier",
                                            news_items("Wahl gewonnen", "http://kurier.example"))))
    ctx.write_settings({"Settings": {"FeedName": "Kurier", "Start minimized": "1"}})
    p = ctx.program().start()
    name = ctx.doc_name("kurier")
    ctx.servers.wait_requests(name, 1)
    for count, events in ((2, ("suspend", "resumeauto", "resumesuspend")), (3, ("suspend", "resumesuspend"))):
        p.drive("power", *events)
        ctx.servers.wait_requests(name, count, 20)
        # The time a second refresh of the same wake, or a timer left at the wake's delay, would
        # have had to come.
        wait_until(lambda: len(ctx.servers.requests(name)) > count, 7)
        check_equal(len(ctx.servers.requests(name)), count, "requests after %s" % ", ".join(events))
    p.quit()


# ---------------------------------------------------------------------------------------------

START = time.monotonic()


def create_feed_named(p, name, url):
    """"Neues Feed ..." on the Feed page with the name and the address typed into the prompts."""
    p.click("TMainForm>TTabSheet:Feed>Button:Neues Feed ...")
    p.wait("TInputQueryForm:Neues Feed erstellen>Static:Geben Sie einen neuen Namen ein")
    p.type("TInputQueryForm>Edit", name)
    p.click("TInputQueryForm>Button:OK")
    p.wait("TInputQueryForm>Static:Geben Sie den URL des Feeds ein")
    p.type("TInputQueryForm>Edit", url)
    p.click("TInputQueryForm>Button:OK")


@journey
def unicode_names(ctx):
    """Feeds named in Cyrillic and in Japanese are created through the prompts, picked from
    "Newsfeeds" and shown with their headlines (Russian from windows-1251; Japanese, Arabic and
    Hebrew from UTF-8; emoji in the balloon); after a restart the feed picked last is current."""
    ru_site, jp_site = "http://novosti.example", "http://nyusu.example"
    ru_items = [("Выборы в Думу: итоги", ru_site + "/1", "Итоги голосования в регионах."),
                ("Погода: снег в Москве", ru_site + "/2", "Снегопад продлится до вечера."),
                ("Спорт: «Спартак» победил", ru_site + "/3", "Матч закончился со счётом 2:1.")]
    jp_items = [("東京で桜が満開", jp_site + "/1", "❤ リリース 2.0 が公開されました ☀ 🚀"),
                ("أخبار العالم اليوم", jp_site + "/2", "أخبار"),
                ("大阪万博の準備進む", jp_site + "/3", "準備"),
                ("שלום עולם: חדשות", jp_site + "/4", "חדשות")]
    ru_doc = rss("Новости «Мир»", ru_site, "Главные новости дня", ru_items, encoding="utf-8").decode()
    ru_url = ctx.doc("ru", ru_doc.replace('encoding="utf-8"', 'encoding="windows-1251"').encode("cp1251"))
    jp_url = ctx.doc("jp", rss("ニュース速報", jp_site, "今日のニュース", jp_items, encoding="utf-8"))
    ctx.feeds()
    p = ctx.program().start()
    p.wait("TMainForm", "visible")
    p.tab(1)
    create_feed_named(p, "Новости", ru_url)
    ctx.servers.wait_requests(ctx.doc_name("ru"), 1)
    check_equal(flat(balloon(p)), ru_items[0][2], "the Russian feed's balloon")
    create_feed_named(p, "ニュース", jp_url)
    ctx.servers.wait_requests(ctx.doc_name("jp"), 1)
    check_equal(flat(balloon(p)), jp_items[0][2], "the Japanese feed's balloon")
    time.sleep(0.3)
    p.screenshot("balloon-emoji")
    check_equal(sorted(os.listdir(ctx.feeds())), ["Новости.nfd", "ニュース.nfd"], "the feed files")
    check_equal(p.text("TMainForm>TTabSheet:Feed>Edit#0"), "ニュース", "the Feed page's name")

    # "Newsfeeds" lists the Cyrillic name first (code point order), then the Japanese one.
    p.open_menu()
    p.drive("keys", "menu", *Program.FEEDS)
    time.sleep(0.4)
    p.screenshot("menu-newsfeeds-unicode")
    p.drive("keys", "menu", "enter")
    p.wait("menu", "gone")
    ctx.servers.wait_requests(ctx.doc_name("ru"), 2)
    check_equal(flat(balloon(p)), ru_items[0][2], "the balloon of the picked Russian feed")
    p.menu("down", "down", "enter", shot="menu-russian")
    check_equal(ctx.wait_opened(1), [ru_items[0][1]], "the first Russian headline's address")
    p.open_menu()
    p.drive("keys", "menu", *Program.FEEDS)
    p.drive("keys", "menu", "down", "enter")
    p.wait("menu", "gone")
    ctx.servers.wait_requests(ctx.doc_name("jp"), 2)
    check_equal(flat(balloon(p)), jp_items[0][2], "the balloon of the picked Japanese feed")
    p.menu("down", "down", "down", "enter", shot="menu-japanese")
    check_equal(ctx.wait_opened(2)[1], jp_items[1][1], "the Arabic headline's address")
    p.quit()
    check_equal(ini_encoding(os.path.join(ctx.folder, "quorvane.ini")), "utf-16", "the settings file's form")
    check_equal(ctx.ini()["Settings"]["FeedName"], "ニュース", "the saved current feed")

    p = ctx.program().start()
    ctx.servers.wait_requests(ctx.doc_name("jp"), 3)
    p.wait("TMainForm", "visible")
    p.tab(1)
    check_equal(p.text("TMainForm>TTabSheet:Feed>Edit#0"), "ニュース", "the current feed after the restart")
    check_equal(p.text("TMainForm>TTabSheet:Feed>Edit#1"), jp_url, "its address after the restart")
    p.quit()


@journey
def foreign_charset(ctx):
    """A Central European feed in ISO-8859-2, as its server says, with titles in CDATA, "&" in
    titles and "&amp;" in links: the menu shows the titles as written, the browser gets the links
    decoded, the balloon and the Feed page show plain text."""
    site = "https://zpravy.example.cz"
    doc = ('<?xml version="1.0" encoding="ISO-8859-2"?>\n<rss version="2.0">\n<channel>\n'
           '<title><![CDATA[Zprávy & Události]]></title>\n<link>%s/?src=rss&amp;lang=cs</link>\n'
           '<description><![CDATA[<p>Novinky z Brna &amp; Ostravy</p>]]></description>\n'
           '<item>\n<title><![CDATA[Šumava & Krkonoše: sníh už je tady]]></title>\n'
           '<link>%s/clanek?id=1&amp;lang=cs</link>\n'
           '<description><![CDATA[<p>Horské služby varují &amp; radí.</p>]]></description>\n</item>\n'
           '<item>\n<title>Tschechien &amp; Polen: Grenzöffnung</title>\n'
           '<link>%s/clanek?id=2&amp;lang=de</link>\n</item>\n'
           '<item>\n<title><![CDATA[Łódź: Zażółć gęślą jaźń]]></title>\n'
           '<link><![CDATA[%s/clanek?id=3&lang=pl]]></link>\n</item>\n'
           '</channel>\n</rss>\n') % (site, site, site, site)
    url = ctx.doc("latin2", doc.encode("iso-8859-2"))
    ctx.servers.put(ctx.doc_name("latin2")[:-4] + ".headers",
                    b"Content-Type: application/rss+xml; charset=ISO-8859-2\n")
    ctx.feed("Zpravy", url)
    ctx.write_settings({"Settings": {"FeedName": "Zpravy", "Start minimized": "1"}})
    p = ctx.program().start()
    ctx.servers.wait_requests(ctx.doc_name("latin2"), 1)
    check_equal(flat(balloon(p)), "Horské služby varují & radí.", "the balloon's text")
    p.screenshot("balloon-latin2")
    p.open_menu()
    time.sleep(0.4)
    p.screenshot("menu-latin2")
    # The menu's texts are in the screenshot (the platform keeps another process's menus to
    # itself); the in-process corpus test reads them from the open menu.
    p.drive("keys", "menu", "esc")
    p.wait("menu", "gone", 10)
    p.menu("down", "down", "enter")
    check_equal(ctx.wait_opened(1)[0], site + "/clanek?id=1&lang=cs", "the first headline's address")
    p.menu("down", "down", "down", "down", "enter")
    check_equal(ctx.wait_opened(2)[1], site + "/clanek?id=3&lang=pl", "the address from the CDATA link")
    p.menu("down", "enter")
    check_equal(ctx.wait_opened(3)[2], site + "/?src=rss&lang=cs", "the channel's address")
    p.menu(*Program.SETTINGS)
    p.wait("TMainForm", "visible")
    p.tab(1)
    check_equal(p.text("TMainForm>TTabSheet:Feed>Edit#2"), "Novinky z Brna & Ostravy", "the Feed page's text")
    p.tab(3)
    time.sleep(0.3)
    p.screenshot("text-page-latin2")
    p.quit()


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--journey")
    ap.add_argument("--list", action="store_true")
    ap.add_argument("--exe")
    ap.add_argument("--drive")
    ap.add_argument("--browser")
    # The loopback servers of the caller's environment (the test shard's, under CTest) unless named.
    ap.add_argument("--servers", default=os.environ.get("QV_TEST_SERVER_STATE"))
    ap.add_argument("--artefacts")
    ap.add_argument("--wineprefix", default=default_wineprefix())
    ap.add_argument("--keep", action="store_true", help="keep the program folder")
    ap.add_argument("--deadline", type=int, default=100, help="seconds before the journey gives up")
    ap.add_argument("--registered", nargs="*", help="check that these are exactly the journeys defined here")
    args = ap.parse_args()
    if args.list:
        print("\n".join(JOURNEYS))
        return 0
    if args.registered is not None:
        missing, unknown = set(JOURNEYS) - set(args.registered), set(args.registered) - set(JOURNEYS)
        if missing or unknown:
            print("journeys not registered with CTest: %s; registered but unknown: %s"
                  % (sorted(missing), sorted(unknown)), file=sys.stderr)
            return 1
        return 0
    if args.journey not in JOURNEYS:
        print("unknown journey %r; known: %s" % (args.journey, ", ".join(JOURNEYS)), file=sys.stderr)
        return 2
    os.makedirs(args.artefacts, exist_ok=True)

    # A journey that overruns ends itself, before CTest's time-out kills it without a clean-up
    # (the program, its desktop and the browser registration would stay behind).
    def overrun(*_):
        raise DriveError("the journey took longer than %d s" % args.deadline)

    signal.signal(signal.SIGALRM, overrun)
    signal.signal(signal.SIGTERM, overrun)
    signal.alarm(args.deadline)
    ctx = Context(args, args.journey)
    display = Display(ctx.artefacts)
    ok = False
    registered = False
    try:
        prepare_wine(args.wineprefix, ctx.artefacts)
        ctx.log("program folder", ctx.folder)
        probe = Program(args.exe, args.drive, ctx.folder, ctx.artefacts, ctx.name)
        probe.drive("browser", winpath(args.browser), winpath(ctx.opened_file), pid=False)
        registered = True
        JOURNEYS[args.journey](ctx)
        ok = True
        ctx.log("passed; screenshots in", ctx.artefacts)
    except Exception:
        traceback.print_exc()
        for p in ctx.programs:
            if p.proc is not None and p.desktop:
                try:
                    ctx.log("program still running:", p.running())
                    p.screenshot("failure")
                    for w in p.windows():
                        ctx.log("window", w)
                except Exception as e:
                    ctx.log("no failure screenshot:", e)
    finally:
        signal.alarm(0)
        if registered:
            try:
                probe.drive("browser", "restore", pid=False)
            except Exception as e:
                ctx.log("could not restore the browser:", e)
        ctx.cleanup(ok)
        display.stop()
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main())
