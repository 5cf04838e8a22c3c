#!/usr/bin/env python3
"""Prints the include graph of src/ (one "from -> to" edge a line) and every include circle.

Files are joined with their header: a .cpp and its .h are one node, so a circle means two
concepts that cannot be understood or built apart. Exits 1 when a circle exists.

    scripts/include_graph.py [--cycles-only] [SRC_DIR]
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def node_of(path):
    return os.path.splitext(path)[0]


def read_graph(src):
    graph = {}
    for root, _, files in os.walk(src):
        for name in files:
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(root, name)
            rel = os.path.relpath(path, src).replace(os.sep, "/")
            here = node_of(rel)
            edges = graph.setdefault(here, set())
            with open(path, encoding="utf-8", errors="replace") as f:
                text = f.read()
            for inc in INCLUDE.findall(text):
                # Includes are written from src/ ("gui/window.h"), or beside the file.
                for cand in (inc, os.path.join(os.path.dirname(rel), inc).replace(os.sep, "/")):
                    if os.path.isfile(os.path.join(src, cand)):
                        target = node_of(os.path.normpath(cand).replace(os.sep, "/"))
                        if target != here:
                            edges.add(target)
                        break
    return graph


def strongly_connected(graph):
    """Tarjan's algorithm, iterative so that deep graphs do not hit the recursion limit."""
    index, low, on_stack, stack, result = {}, {}, set(), [], []
    counter = 0
    for start in sorted(graph):
        if start in index:
            continue
        work = [(start, iter(sorted(graph.get(start, ()))))]
        index[start] = low[start] = counter
        counter += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            advanced = False
            for child in children:
                if child not in index:
                    index[child] = low[child] = counter
                    counter += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(graph.get(child, ())))))
                    advanced = True
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                component = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    component.append(member)
                    if member == node:
                        break
                if len(component) > 1:
                    result.append(sorted(component))
    return result


def main(argv):
    cycles_only = "--cycles-only" in argv
    args = [a for a in argv if not a.startswith("--")]
    src = args[0] if args else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "src")
    graph = read_graph(src)
    if not cycles_only:
        for node in sorted(graph):
            for target in sorted(graph[node]):
                print(f"{node} -> {target}")
    circles = strongly_connected(graph)
    for circle in circles:
        print(f"circle ({len(circle)} files): " + " ".join(circle))
    if not circles:
        print("no circles")
    return 1 if circles else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
