#!/usr/bin/env python3
"""Checks that every git-tracked .cpp/.h file is formatted with the repository's .clang-format.

Exits 0 when all are, 1 naming the files that are not, and 77 (skipped) when clang-format 14 or
the git checkout is missing: other clang-format versions lay out the same style differently.
Fix a file with `clang-format -i FILE`.
"""
import os
import re
import shutil
import subprocess
import sys

SKIP = 77
VERSION = 14


def find_clang_format():
    for name in (f"clang-format-{VERSION}", "clang-format"):
        exe = shutil.which(name)
        if not exe:
            continue
        out = subprocess.run([exe, "--version"], capture_output=True, text=True).stdout
        m = re.search(r"version (\d+)\.", out)
        if m and int(m.group(1)) == VERSION:
            return exe
    return None


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), ".."))
    exe = find_clang_format()
    if not exe:
        print(f"check_format: skipped, clang-format {VERSION} is not installed (scripts/setup installs it)")
        return SKIP
    listed = subprocess.run(["git", "-C", root, "ls-files", "-z", "--", "*.cpp", "*.h"], capture_output=True)
    if listed.returncode != 0:
        print(f"check_format: skipped, {root} is not a git checkout")
        return SKIP
    files = [f for f in listed.stdout.decode().split("\0") if f and os.path.isfile(os.path.join(root, f))]
    bad = []
    # In batches: one clang-format per file would cost a process start each.
    for i in range(0, len(files), 50):
        batch = files[i : i + 50]
        run = subprocess.run([exe, "--dry-run", "-Werror", *batch], cwd=root, capture_output=True, text=True)
        if run.returncode != 0:
            # One "file:line:col: error: code should be clang-formatted" per spot; name each file once.
            for line in run.stderr.splitlines():
                m = re.match(r"(.+?):\d+:\d+: error:", line)
                if m and m.group(1) not in bad:
                    bad.append(m.group(1))
            if not bad:
                print(run.stderr, end="")
                return 1
    for f in bad:
        print(f"not formatted: {f}")
    print(f"check_format: {len(files)} files, {len(bad)} not formatted with {os.path.basename(exe)}")
    return 1 if bad else 0


if __name__ == "__main__":
    sys.exit(main())
