#!/usr/bin/env python3
"""The tree checks of scripts/ run on small made-up trees: they must catch what they look for."""
import contextlib
import io
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

SCRIPTS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts")
sys.path.insert(0, SCRIPTS)
sys.dont_write_bytecode = True  # no __pycache__ in the source tree
import check_layers  # noqa: E402
import check_wide  # noqa: E402


def write_tree(root, files):
    for path, text in files.items():
        full = os.path.join(root, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "w", encoding="utf-8") as f:
            f.write(text)


def inc(*names):
    return "".join(f'#include "{n}"\n' for n in names) + "#include <windows.h>\n"


class CheckLayersTest(unittest.TestCase):
    # (name, files, --cycles, expected exit status, text the output must hold)
    CASES = [
        ("downward includes pass", {"rtl/a.h": "", "gui/b.h": inc("rtl/a.h"), "app/c.cpp": inc("gui/b.h", "net/d.h"),
                                    "net/d.h": inc("rtl/a.h")}, "fail", 0, "0 upward includes, 0 circles"),
        ("rtl including gui fails", {"rtl/a.cpp": inc("gui/b.h"), "gui/b.h": ""}, "report", 1,
         "src/rtl/a.cpp:1: rtl may not include gui/b.h"),
        ("net and tray never include each other", {"net/a.h": "", "tray/b.cpp": "\n" + inc("net/a.h")}, "report",
         1, "src/tray/b.cpp:2: tray may not include net/a.h"),
        ("a folder in no layer fails", {"misc/a.h": "", "app/b.cpp": inc("misc/a.h")}, "report", 1, "in no layer"),
        ("an include beside the file resolves there", {"app/icons/a.cpp": inc("b.h"), "app/icons/b.h": "",
                                                       "rtl/b.h": inc("app/icons/a.h")}, "fail", 0, "0 circles"),
        ("a circle through sources is reported", {"gui/a.h": "", "gui/a.cpp": inc("gui/b.h"), "gui/b.h": "",
                                                  "gui/b.cpp": inc("gui/a.h")}, "report", 0,
         "circle of 2 units: gui/a gui/b"),
        ("a circle fails when asked", {"gui/a.h": inc("gui/b.h"), "gui/b.h": "", "gui/b.cpp": inc("gui/c.h"),
                                       "gui/c.h": inc("gui/a.h"), "gui/d.h": inc("gui/a.h")}, "fail", 1,
         "circle of 3 units: gui/a gui/b gui/c"),
        ("show names the includes that close a circle", {"gui/a.cpp": inc("gui/b.h"), "gui/b.cpp": inc("gui/a.h"),
                                                         "gui/a.h": "", "gui/b.h": ""}, "show", 0,
         "src/gui/b.cpp:1 -> gui/a.h"),
    ]

    def run_check(self, files, *args):
        with tempfile.TemporaryDirectory() as src:
            write_tree(src, files)
            out = io.StringIO()
            with contextlib.redirect_stdout(out):
                status = check_layers.main(["--src", src, *args])
        return status, out.getvalue()

    def test_cases(self):
        for name, files, mode, status, text in self.CASES:
            with self.subTest(name):
                got, out = self.run_check(files, f"--cycles={mode}")
                self.assertEqual(got, status, out)
                self.assertIn(text, out)

    def test_graph_lists_unit_edges_once(self):
        status, out = self.run_check({"gui/a.h": inc("rtl/r.h"), "gui/a.cpp": inc("gui/a.h", "rtl/r.h"),
                                      "rtl/r.h": ""}, "--graph")
        self.assertEqual((status, out), (0, "gui/a -> rtl/r\n"))


class CheckWideTest(unittest.TestCase):
    HEADERS = {"winuser.h": "int SetWindowTextA(); int SetWindowTextW(); typedef struct tagLOGFONTA LOGFONTA;\n"
                            "typedef struct tagLOGFONTW LOGFONTW; int GetProcAddress(); int CDATA;\n"}
    # (name, files, expected exit status, texts the output must hold)
    CASES = [
        ("wide and plain names pass", {"src/gui/a.cpp": "SetWindowTextW(w, t); SetWindowText(w, t); LOGFONTW f;\n"
                                                        "GetProcAddress(m, \"F\"); int CDATA;\n"}, 0,
         ["0 findings"]),
        ("an A form fails where it stands", {"src/tray/b.cpp": "\n  LOGFONTA lf;", "tests/win/c.cpp": "SetWindowTextA();"},
         1, ["src/tray/b.cpp:2: LOGFONTA", "tests/win/c.cpp:1: SetWindowTextA", "2 findings"]),
        ("comments and literals are not code", {"src/gui/a.cpp": '// SetWindowTextA\nf("SetWindowTextA");\n/* LOGFONTA */'},
         0, ["0 findings"]),
        ("the application layer has no wide text", {"src/app/m.cpp": 'wchar_t c; std::wstring s = L"x"; SetWindowTextW();',
                                                    "src/gui/ok.cpp": 'wchar_t c = L"x";'}, 1,
         ["src/app/m.cpp:1: wchar_t", "src/app/m.cpp:1: wstring", "src/app/m.cpp:1: SetWindowTextW",
          "src/app/m.cpp:1: a wide literal", "4 findings"]),
    ]

    def test_cases(self):
        for name, files, status, texts in self.CASES:
            with self.subTest(name), tempfile.TemporaryDirectory() as root:
                write_tree(os.path.join(root, "headers"), self.HEADERS)
                write_tree(root, files)
                out = io.StringIO()
                with contextlib.redirect_stdout(out):
                    got = check_wide.main(["--root", root, "--headers", os.path.join(root, "headers")])
                self.assertEqual(got, status, out.getvalue())
                for text in texts:
                    self.assertIn(text, out.getvalue())


@unittest.skipUnless(shutil.which("git"), "git is not installed")
class CheckFormatTest(unittest.TestCase):
    def test_names_only_the_unformatted_tracked_file(self):
        with tempfile.TemporaryDirectory() as repo:
            shutil.copy(os.path.join(SCRIPTS, "..", ".clang-format"), repo)
            write_tree(repo, {"good.h": "int f();\n", "bad.cpp": "int  g( ){return 1;}\n",
                              "untracked.cpp": "int  h( ){return 1;}\n"})
            subprocess.run(["git", "init", "-q", repo], check=True)
            subprocess.run(["git", "-C", repo, "add", "good.h", "bad.cpp", ".clang-format"], check=True)
            run = subprocess.run([sys.executable, os.path.join(SCRIPTS, "check_format.py"), repo],
                                 capture_output=True, text=True)
            if run.returncode == 77:
                self.skipTest(run.stdout.strip())
            self.assertEqual(run.returncode, 1, run.stdout)
            self.assertIn("not formatted: bad.cpp", run.stdout)
            self.assertNotIn("good.h", run.stdout)
            self.assertNotIn("untracked", run.stdout)


class ShardPrefixTest(unittest.TestCase):
    """A test shard's Wine prefix is a copy of the set-up prefix, made again when that one changed."""

    def copy(self, base):
        script = ('source "$1/scripts/lib/common.sh"; export WINEPREFIX=$2/setup QV_SHARDS_DIR=$2/shards; '
                  'copy_shard_prefix 0')
        subprocess.run(["bash", "-c", script, "bash", os.path.join(SCRIPTS, ".."), base], check=True)
        with open(os.path.join(base, "shards", "0", "wineprefix", "system.reg"), encoding="utf-8") as f:
            return f.read()

    def test_a_changed_registry_is_copied_again_and_an_unchanged_one_kept(self):
        # (what happens to the set-up prefix's system.reg before the second copy, copied again)
        for change, copied in [(None, False), ("links", True)]:
            with self.subTest(change=change), tempfile.TemporaryDirectory() as base:
                write_tree(base, {"setup/system.reg": "fonts\n", "setup/user.reg": "", "setup/.update-timestamp": "1"})
                self.assertEqual(self.copy(base), "fonts\n")
                with open(os.path.join(base, "shards", "0", "wineprefix", "user.reg"), encoding="utf-8") as f:
                    self.assertIn('"Managed"="N"', f.read())
                if change:
                    with open(os.path.join(base, "setup", "system.reg"), "a", encoding="utf-8") as f:
                        f.write(change + "\n")
                self.assertEqual(self.copy(base), "fonts\n" + (change + "\n" if copied else ""))


class ShardStartTest(unittest.TestCase):
    """A Windows program that Wine ends before it ran is started once more; one that ran is not."""

    def test_only_a_silent_failure_is_started_again(self):
        # (what the fake wine does on its first start, the exit code seen, the starts made)
        cases = [("exit 3", 0, 2), ("echo broke; exit 3", 3, 1), ("echo fine", 0, 1), ("exit 0", 0, 1)]
        for first, code, starts in cases:
            with self.subTest(first=first), tempfile.TemporaryDirectory() as base:
                fake = ('#!/bin/sh\necho x >>"%s/starts"\n[ "$(wc -l <"%s/starts")" -gt 1 ] && exit 0\n%s\n'
                        % (base, base, first))
                write_tree(base, {"bin/wine": fake, "prefix/.qv-dpi": "96\n"})
                os.chmod(os.path.join(base, "bin", "wine"), 0o755)
                env = dict(os.environ, PATH=os.path.join(base, "bin") + os.pathsep + os.environ["PATH"],
                           WINEPREFIX=os.path.join(base, "prefix"), QV_DPI="96")
                env.pop("CTEST_RESOURCE_GROUP_0_WINE", None)
                run = subprocess.run([os.path.join(SCRIPTS, "..", "cmake", "wine-shard"), "wine", "t.exe"],
                                     env=env, capture_output=True, text=True)
                self.assertEqual(run.returncode, code, run.stderr)
                with open(os.path.join(base, "starts"), encoding="utf-8") as f:
                    self.assertEqual(len(f.read().split()), starts)
                self.assertEqual("starting it again" in run.stderr, starts == 2)


if __name__ == "__main__":
    unittest.main()
