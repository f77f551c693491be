#!/usr/bin/env python3
"""Fails when the folders under src/ include each other in a cycle.

A folder depends on another when one of its files includes a header of the other. The frame
(mainwindow) may use every subsystem; the subsystems reach it only through app/Host.h, so
nothing may lead back to it. Prints the folders in an order where each uses only those above.
"""
import re
import sys
from pathlib import Path

src = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[2] / "src")
include = re.compile(r'^\s*#\s*include\s+"([^"/]+)/', re.M)

edges = {}
for f in src.rglob("*"):
    if f.suffix not in (".h", ".cpp") or f.parent == src:
        continue  # main.cpp ties everything together
    folder = f.relative_to(src).parts[0]
    edges.setdefault(folder, set())
    for target in include.findall(f.read_text(encoding="utf-8")):
        if target != folder and (src / target).is_dir():
            edges[folder].add(target)

# Tarjan's strongly connected components: any with two folders or more is a cycle.
index, low, stack, on, cycles, counter = {}, {}, [], set(), [], [0]


def visit(v):
    index[v] = low[v] = counter[0]
    counter[0] += 1
    stack.append(v)
    on.add(v)
    for w in edges.get(v, ()):
        if w not in index:
            visit(w)
            low[v] = min(low[v], low[w])
        elif w in on:
            low[v] = min(low[v], index[w])
    if low[v] == index[v]:
        component = []
        while True:
            w = stack.pop()
            on.discard(w)
            component.append(w)
            if w == v:
                break
        if len(component) > 1:
            cycles.append(sorted(component))


for v in sorted(edges):
    if v not in index:
        visit(v)

if cycles:
    for c in cycles:
        print("include cycle between folders:", ", ".join(c))
        for a in c:
            for b in sorted(edges[a] & set(c)):
                print(f"  {a} -> {b}")
    sys.exit(1)

placed, order = set(), []
while len(order) < len(edges):
    ready = sorted(v for v in edges if v not in placed and edges[v] <= placed)
    order.extend(ready)
    placed.update(ready)
for v in order:
    print(f"{v:12} uses {', '.join(sorted(edges[v])) or '-'}")
