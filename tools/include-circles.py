#!/usr/bin/env python3
"""Lists include circles among the project's own files.

A unit is a header with its source file of the same name (Foo.h + Foo.cpp).
Unit A uses unit B when either file of A includes B's header. A circle is a
set of units that use each other round (a strongly connected component of
more than one unit). With --folders, the units are the layer folders
(GIFImage/codec, platform/graphics, ...) instead.

    tools/include-circles.py [--folders] [ROOT]
"""
import os
import re
import sys

SOURCE_FOLDERS = ["GIFImage", "platform", "game", "score", "info", "app", "tools/tvgif"]
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def units(root, by_folder):
    headers = {}
    files = []
    for top in SOURCE_FOLDERS:
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in names:
                if name.endswith((".h", ".cpp")):
                    path = os.path.join(folder, name)
                    files.append(path)
                    if name.endswith(".h"):
                        headers[name] = path
    def unit_of(path):
        if by_folder:
            return os.path.relpath(os.path.dirname(path), root)
        return os.path.relpath(os.path.splitext(path)[0], root)
    uses = {}
    for path in files:
        unit = unit_of(path)
        uses.setdefault(unit, set())
        with open(path, encoding="utf-8", errors="replace") as f:
            for included in INCLUDE.findall(f.read()):
                target = headers.get(os.path.basename(included))
                if target and unit_of(target) != unit:
                    uses[unit].add(unit_of(target))
    return uses


def circles(uses):
    # Tarjan's strongly connected components.
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]
    sys.setrecursionlimit(10000)

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in uses.get(v, ()):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for v in sorted(uses):
        if v not in index:
            visit(v)
    return sorted(found)


def main():
    args = [a for a in sys.argv[1:] if a != "--folders"]
    root = args[0] if args else os.path.join(os.path.dirname(__file__), "..")
    found = circles(units(root, "--folders" in sys.argv))
    for component in found:
        print(" <-> ".join(component))
    print(f"{len(found)} circle(s)")


if __name__ == "__main__":
    main()
