#!/usr/bin/env python3
"""Checks the #include graph of src/.

Layers, each using only those before it: rtl; gui; net and tray side by side (never each other);
app. A file may include its own layer and the layers below it; an include that runs upward or
sideways between net and tray is an error.

Circles are looked for between units: a header and its source (x.h, x.cpp) are one unit, so
a.cpp -> b.h and b.cpp -> a.h is a circle although no header includes itself.

    check_layers.py                    layer direction (exit 1 on a violation), circles reported
    check_layers.py --cycles=fail      circles fail the check too
    check_layers.py --cycles=show      each circle with the includes that close it
    check_layers.py --graph            the unit graph, one "unit -> unit" line per edge
"""
import argparse
import os
import re
import sys

# Rank per layer; a file may include a layer of lower rank, or its own layer.
LAYERS = {"rtl": 0, "gui": 1, "net": 2, "tray": 2, "app": 3}
INCLUDE = re.compile(r'^[ \t]*#[ \t]*include[ \t]*"([^"]+)"', re.M)
SUFFIXES = (".h", ".cpp")


def layer_of(path):
    return path.split("/", 1)[0]


def unit_of(path):
    return os.path.splitext(path)[0]


def read_includes(src):
    """{file: [(included file, line)]} for every .h/.cpp under src, paths relative to src with '/'."""
    graph = {}
    for folder, dirs, files in os.walk(src):
        dirs.sort()
        for name in sorted(files):
            if not name.endswith(SUFFIXES):
                continue
            full = os.path.join(folder, name)
            rel = os.path.relpath(full, src).replace(os.sep, "/")
            with open(full, encoding="utf-8", errors="replace") as f:
                text = f.read()
            edges = []
            for m in INCLUDE.finditer(text):
                target = m.group(1)
                # Resolved as the compiler does: beside the file first, then from src/.
                beside = os.path.normpath(os.path.join(os.path.dirname(rel), target)).replace(os.sep, "/")
                if os.path.isfile(os.path.join(src, beside)):
                    target = beside
                elif not os.path.isfile(os.path.join(src, target)):
                    continue  # not ours (a platform header written with quotes)
                edges.append((target, text.count("\n", 0, m.start()) + 1))
            graph[rel] = edges
    return graph


def layer_violations(graph):
    errors = []
    for path, edges in sorted(graph.items()):
        own = layer_of(path)
        if own not in LAYERS:
            errors.append(f"src/{path}: folder '{own}' is in no layer")
            continue
        for target, line in edges:
            other = layer_of(target)
            if other not in LAYERS:
                errors.append(f"src/{path}:{line}: includes {target}, which is in no layer")
            elif other != own and LAYERS[other] >= LAYERS[own]:
                errors.append(f"src/{path}:{line}: {own} may not include {target} ({other})")
    return errors


def unit_graph(graph):
    """{unit: {unit: [(file, included file, line)]}} without self edges."""
    units = {}
    for path, edges in graph.items():
        a = unit_of(path)
        units.setdefault(a, {})
        for target, line in edges:
            b = unit_of(target)
            if a != b:
                units[a].setdefault(b, []).append((path, target, line))
                units.setdefault(b, {})
    return units


def cycles(units):
    """The strongly connected parts with more than one unit (Tarjan, iterative), each sorted."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = 0
    for root in sorted(units):
        if root in index:
            continue
        work = [(root, iter(sorted(units[root])))]
        index[root] = low[root] = counter
        counter += 1
        stack.append(root)
        on_stack.add(root)
        while work:
            v, children = work[-1]
            child = next(children, None)
            if child is not None:
                if child not in index:
                    index[child] = low[child] = counter
                    counter += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(units[child]))))
                elif child in on_stack:
                    low[v] = min(low[v], index[child])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[v])
            if low[v] == index[v]:
                part = []
                while True:
                    w = stack.pop()
                    on_stack.discard(w)
                    part.append(w)
                    if w == v:
                        break
                if len(part) > 1:
                    found.append(sorted(part))
    return sorted(found)


def main(argv=None):
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--src", default=os.path.join(here, "..", "src"), help="the source folder (default: src/)")
    parser.add_argument("--cycles", choices=("report", "show", "fail"), default="report",
                        help="report: name the circles; show: also the includes that close them; "
                        "fail: a circle fails the check (default: report)")
    parser.add_argument("--graph", action="store_true", help="print the unit graph and stop")
    args = parser.parse_args(argv)

    graph = read_includes(args.src)
    if not graph:
        print(f"check_layers: no sources under {args.src}", file=sys.stderr)
        return 2
    units = unit_graph(graph)
    if args.graph:
        for a in sorted(units):
            for b in sorted(units[a]):
                print(f"{a} -> {b}")
        return 0

    status = 0
    errors = layer_violations(graph)
    for e in errors:
        print(e)
    if errors:
        status = 1
    circles = cycles(units)
    for part in circles:
        print(f"circle of {len(part)} units: {' '.join(part)}")
        if args.cycles == "show":
            members = set(part)
            for a in part:
                for b in sorted(units[a]):
                    if b in members:
                        for path, target, line in units[a][b]:
                            print(f"    src/{path}:{line} -> {target}")
    if circles and args.cycles == "fail":
        status = 1
    print(f"check_layers: {len(graph)} files, {len(errors)} upward includes, {len(circles)} circles"
          + ("" if args.cycles == "fail" or not circles else " (reported only)"))
    return status


if __name__ == "__main__":
    sys.exit(main())
