#!/usr/bin/env python3
"""Fails when the includes between the window's folders (src/app/*) form a cycle.

Each folder may include the folders below it; a folder that includes one that (directly
or through others) includes it back is a cycle, and the script names the includes that
close it."""
import os
import re
import sys

root = os.path.join(sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."), "src", "app")
folders = sorted(d for d in os.listdir(root) if os.path.isdir(os.path.join(root, d)))
include = re.compile(r'^\s*#\s*include\s+"([^"/]+)/[^"]+"', re.M)

edges = {f: {} for f in folders}  # folder -> {included folder: first file that includes it}
for folder in folders:
    for base, _, files in os.walk(os.path.join(root, folder)):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.join(base, name)
            with open(path, encoding="utf-8") as source:
                for target in include.findall(source.read()):
                    if target in edges and target != folder:
                        edges[folder].setdefault(target, os.path.relpath(path, root))

# Tarjan's strongly connected components: any component of more than one folder is a cycle.
index, low, stack, on_stack, components = {}, {}, [], set(), []


def visit(node):
    index[node] = low[node] = len(index)
    stack.append(node)
    on_stack.add(node)
    for nxt in edges[node]:
        if nxt not in index:
            visit(nxt)
            low[node] = min(low[node], low[nxt])
        elif nxt in on_stack:
            low[node] = min(low[node], index[nxt])
    if low[node] == index[node]:
        component = []
        while True:
            top = stack.pop()
            on_stack.discard(top)
            component.append(top)
            if top == node:
                break
        components.append(sorted(component))


for folder in folders:
    if folder not in index:
        visit(folder)

cycles = [c for c in components if len(c) > 1]
for cycle in cycles:
    print("folders in a cycle: " + ", ".join(cycle))
    for a in cycle:
        for b, where in sorted(edges[a].items()):
            if b in cycle:
                print(f"  {a} -> {b} ({where})")
sys.exit(1 if cycles else 0)
