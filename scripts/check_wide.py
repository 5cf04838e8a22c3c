#!/usr/bin/env python3
"""Checks that text crosses to Windows only through the wide ("W") functions.

Every name of the Windows headers that comes in an "A" and a "W" form (GetWindowTextA and
GetWindowTextW, LOGFONTA and LOGFONTW, TCM_INSERTITEMA ...) must be used in its W form or its
plain form (which UNICODE makes the W form) in the program's sources and in the Windows tests;
an "A" form fails the check. The application layer (src/app) never sees a wide character at
all: no wchar_t, no wide string, no explicit W form; the layers below convert for it.

    check_wide.py                      the tree beside this script, the MinGW-w64 headers
    check_wide.py --root R --headers H another tree or another header folder

Exit 0 when clean, 1 with one "file:line: ..." per finding, 77 when no headers are found.
"""
import argparse
import os
import re
import sys

TREES = ("src", "tests/win", "tests/e2e", "bench/win")
APP = "src/app/"
HEADER_FOLDERS = ("/usr/share/mingw-w64/include", "/usr/x86_64-w64-mingw32/include")
NAME = re.compile(r"\b[A-Za-z_][A-Za-z0-9_]*\b")
AW_NAME = re.compile(r"\b[A-Za-z_][A-Za-z0-9_]*[AW]\b")
# Comments, and string and character literals (a wide literal keeps its L so that it is seen).
NOISE = re.compile(r'//[^\n]*|/\*.*?\*/|(L?)"(?:\\.|[^"\\\n])*"|(L?)\'(?:\\.|[^\'\\\n])+\'', re.S)
# A forms that carry no text and whose W form the platform does not implement: the HTTP body is
# read into a plain byte buffer.
ALLOWED = {"InternetReadFileExA", "INTERNET_BUFFERSA"}
WIDE_TYPES = {"wchar_t", "WCHAR", "PWSTR", "LPWSTR", "LPCWSTR", "PCWSTR", "wstring"}


def paired_names(headers):
    """The stems that the headers declare in both an A and a W form."""
    seen = set()
    for folder, _, files in os.walk(headers):
        for name in files:
            if name.endswith(".h"):
                with open(os.path.join(folder, name), encoding="latin-1") as f:
                    seen.update(AW_NAME.findall(f.read()))
    return {n[:-1] for n in seen if n.endswith("A") and n[:-1] + "W" in seen}


def code_only(text):
    """The text with comments and literals blanked (line breaks kept); wide literals become L""."""
    def blank(m):
        if m.group(1) or m.group(2):
            return 'L""' + "\n" * m.group(0).count("\n")
        return " " + "\n" * m.group(0).count("\n")
    return NOISE.sub(blank, text)


def findings(rel, text, pairs):
    code = code_only(text)
    in_app = rel.startswith(APP)
    for number, line in enumerate(code.split("\n"), 1):
        for name in NAME.findall(line):
            if name.endswith("A") and name[:-1] in pairs and name not in ALLOWED:
                yield f"{rel}:{number}: {name} is the ANSI form; use {name[:-1]}W"
            elif in_app and (name in WIDE_TYPES or (name.endswith("W") and name[:-1] in pairs)):
                yield f"{rel}:{number}: {name}: the application layer leaves wide text to the layers below"
        if in_app and 'L""' in line:
            yield f"{rel}:{number}: a wide literal: the application layer leaves wide text to the layers below"


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--root", default=os.path.join(here, ".."), help="the repository (default: beside scripts/)")
    parser.add_argument("--headers", help="the Windows headers (default: the MinGW-w64 ones)")
    args = parser.parse_args(argv)

    headers = args.headers or next((h for h in HEADER_FOLDERS if os.path.isfile(os.path.join(h, "windows.h"))), None)
    if not headers or not os.path.isdir(headers):
        print("check_wide: no Windows headers found; skipped")
        return 77
    pairs = paired_names(headers)
    count, errors = 0, []
    for tree in TREES:
        for folder, dirs, files in os.walk(os.path.join(args.root, tree)):
            dirs.sort()
            for name in sorted(files):
                if not name.endswith((".h", ".cpp")):
                    continue
                full = os.path.join(folder, name)
                rel = os.path.relpath(full, args.root).replace(os.sep, "/")
                with open(full, encoding="utf-8", errors="replace") as f:
                    errors.extend(findings(rel, f.read(), pairs))
                count += 1
    for e in errors:
        print(e)
    print(f"check_wide: {count} files, {len(errors)} findings")
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main())
