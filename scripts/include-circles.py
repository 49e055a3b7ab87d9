#!/usr/bin/env python3
"""Lists include circles among the project's sources and exits 1 if any.

A header and its source file (foo.h, foo.cpp) count as one unit, since a
unit's implementation belongs to it as much as its interface. A circle is a
set of units that reach each other through #include "..." lines; such a set
can only be understood, built and tested as a whole. Folders are checked the
same way: when a file of one folder includes a file of another, no file of
the second may include one of the first, however indirectly. Last, the layers
include one way only: platform <- maillib <- app <- tools.
"""
import os
import re
import sys

ROOTS = ("platform", "maillib", "app", "tools")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def sources(top):
    for root in ROOTS:
        for folder, _, names in os.walk(os.path.join(top, root)):
            for name in names:
                if name.endswith((".h", ".cpp")):
                    yield os.path.relpath(os.path.join(folder, name), top)


def unit(path):
    return os.path.splitext(path)[0]


def graph(top):
    files = set(sources(top))
    edges = {}
    for path in files:
        with open(os.path.join(top, path), encoding="utf-8") as f:
            text = f.read()
        here = unit(path)
        targets = edges.setdefault(here, set())
        for name in INCLUDE.findall(text):
            beside = os.path.normpath(os.path.join(os.path.dirname(path), name))
            for candidate in (beside, os.path.normpath(name)):
                if candidate in files:
                    if unit(candidate) != here:
                        targets.add(unit(candidate))
                    break
    return edges


def circles(edges):
    """Tarjan's strongly connected components with more than one unit."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []
    counter = [0]

    def visit(start):
        work = [(start, iter(sorted(edges.get(start, ()))))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            advanced = False
            for child in children:
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(edges.get(child, ())))))
                    advanced = True
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            if advanced:
                continue
            work.pop()
            if work:
                parent = work[-1][0]
                low[parent] = min(low[parent], low[node])
            if low[node] == index[node]:
                members = []
                while True:
                    member = stack.pop()
                    on_stack.discard(member)
                    members.append(member)
                    if member == node:
                        break
                if len(members) > 1:
                    found.append(sorted(members))

    for node in sorted(edges):
        if node not in index:
            visit(node)
    return sorted(found)


def upward(edges):
    """Includes of a lower layer's file that reach into a higher layer."""
    rank = {root: n for n, root in enumerate(ROOTS)}
    return sorted((source, target) for source, targets in edges.items() for target in targets
                  if rank[target.split("/")[0]] > rank[source.split("/")[0]])


def folders(edges):
    between = {}
    for source, targets in edges.items():
        for target in targets:
            if os.path.dirname(source) != os.path.dirname(target):
                between.setdefault(os.path.dirname(source), set()).add(os.path.dirname(target))
    return between


def main():
    top = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    edges = graph(os.path.abspath(top))
    found = circles(edges) + circles(folders(edges))
    for members in found:
        print("include circle: " + " <-> ".join(members))
    wrong_way = upward(edges)
    for source, target in wrong_way:
        print("include against the layers: " + source + " -> " + target)
    if found or wrong_way:
        return 1
    print("no include circles, and the layers include one way")
    return 0


if __name__ == "__main__":
    sys.exit(main())
