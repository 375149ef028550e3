#!/usr/bin/env python3
# SPDX-License-Identifier: MIT
"""Mutation list reader for run.sh: lists the ids, or applies one mutation to a source tree.

A mutation is a block of lines:
    id: M01
    file: program/flash/FlashCommands.cpp
    what: second unlock address off by one
    - exact original line(s), indentation after "- " included
    + replacement line(s)  (none: the original lines are deleted)
Blocks are separated by blank lines; lines starting with # are comments.
"""
import sys


def read(path):
    mutations, current = [], None
    for raw in open(path, encoding="utf-8"):
        line = raw.rstrip("\n")
        if line.startswith("#"):
            continue
        if not line.strip():
            current = None
            continue
        if current is None:
            current = {"old": [], "new": []}
            mutations.append(current)
        if line.startswith("- ") or line == "-":
            current["old"].append(line[2:])
        elif line.startswith("+ ") or line == "+":
            current["new"].append(line[2:])
        else:
            key, _, value = line.partition(":")
            current[key.strip()] = value.strip()
    return mutations


def sync(new, old):
    """Makes tree old a copy of tree new, touching only the files that differ."""
    import filecmp, os, shutil
    wanted = set()
    for folder, _, files in os.walk(new):
        for name in files:
            relative = os.path.relpath(os.path.join(folder, name), new)
            wanted.add(relative)
            target = os.path.join(old, relative)
            source = os.path.join(new, relative)
            if not os.path.isfile(target) or not filecmp.cmp(source, target, shallow=False):
                os.makedirs(os.path.dirname(target), exist_ok=True)
                shutil.copy2(source, target)
                os.utime(target)
    for folder, _, files in os.walk(old):
        for name in files:
            path = os.path.join(folder, name)
            if os.path.relpath(path, old) not in wanted:
                os.remove(path)
    return 0


def main():
    if sys.argv[1] == "sync":
        return sync(sys.argv[2], sys.argv[3])
    mutations = read(sys.argv[1])
    if sys.argv[2] == "list":
        for m in mutations:
            print("%s\t%s\t%s" % (m["id"], m["file"], m["what"]))
        return 0
    tree, wanted = sys.argv[3], sys.argv[4]
    m = next(m for m in mutations if m["id"] == wanted)
    path = tree + "/" + m["file"]
    try:
        text = open(path, encoding="utf-8").read()
    except OSError as error:
        print("stale: %s: %s" % (m["file"], error.strerror))
        return 2
    old = "\n".join(m["old"]) + "\n"
    new = "\n".join(m["new"]) + "\n" if m["new"] else ""
    found = text.count(old)
    if found != 1:
        print("stale: the original text occurs %d times in %s" % (found, m["file"]))
        return 2
    open(path, "w", encoding="utf-8").write(text.replace(old, new))
    return 0


sys.exit(main())
