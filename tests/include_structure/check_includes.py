#!/usr/bin/env python3
"""Fails when product units include each other's headers, or when a folder of platform/ui
includes from a folder above it.

A unit is a header and its source of the same name (platform/ui/windows/Dialog.h and
.cpp). Two units where each one's files include the other's header can be neither read
nor changed apart; the code wants a smaller header, a forward declaration or a function
in the unit that owns it instead. platform/ui's folders stand in an order, each built on
those before it, and include only from themselves and those before them.

usage: check_includes.py <source folder> cycles <folder>...
       check_includes.py <source folder> layers <layer folder> <folder>...
"""
import os
import re
import sys

NOT_PRODUCT = ("tests", "bench", "fuzz")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')


def product_files(source):
    """Paths of the product's headers and sources, relative to the source folder."""
    found = []
    for folder, subfolders, files in os.walk(source):
        rel = os.path.relpath(folder, source)
        # Build trees (a CMakeCache.txt), hidden folders, tests, benchmarks, fuzz targets.
        subfolders[:] = [
            name for name in subfolders
            if not name.startswith(".") and not os.path.exists(os.path.join(folder, name, "CMakeCache.txt"))
            and not (rel == "." and name in NOT_PRODUCT)
        ]
        for name in files:
            if name.endswith((".h", ".cpp")):
                found.append(os.path.normpath(os.path.join(rel, name)))
    return sorted(found)


def includes(source, files):
    """Each file's quoted includes that name a product file (from the source folder, as
    the build includes, or beside the file)."""
    known = set(files)
    result = {}
    for path in files:
        named = []
        with open(os.path.join(source, path), encoding="utf-8", errors="replace") as f:
            for line in f:
                match = INCLUDE.match(line)
                if not match:
                    continue
                beside = os.path.normpath(os.path.join(os.path.dirname(path), match.group(1)))
                for candidate in (os.path.normpath(match.group(1)), beside):
                    if candidate in known:
                        named.append(candidate)
                        break
        result[path] = named
    return result


def unit(path):
    return os.path.splitext(path)[0]


def within(path, folders):
    return any(path == f or path.startswith(f.rstrip("/") + "/") for f in folders)


def check_cycles(source, folders):
    files = product_files(source)
    graph = {}
    for path, named in includes(source, files).items():
        for target in named:
            if target.endswith(".h") and unit(target) != unit(path):
                graph.setdefault(unit(path), {}).setdefault(unit(target), []).append((path, target))
    faults = []
    checked = {unit(p) for p in files if within(p, folders)}
    for a in sorted(checked):
        for b in sorted(graph.get(a, {})):
            if a in graph.get(b, {}) and (b not in checked or a < b):
                there = "%s includes %s" % graph[a][b][0]
                back = "%s includes %s" % graph[b][a][0]
                faults.append("%s and %s include each other's headers: %s; %s" % (a, b, there, back))
    return faults, len(checked)


def check_layers(source, layer_folder, order):
    files = [p for p in product_files(source) if within(p, [layer_folder])]
    prefix = layer_folder.rstrip("/") + "/"
    faults = []

    def layer(path):
        rest = path[len(prefix):]
        return rest.split("/")[0] if "/" in rest else None

    for path in files:
        if layer(path) not in order:
            faults.append("%s is in no folder of %s's order (%s)" % (path, layer_folder, " ".join(order)))
    for path, named in includes(source, files).items():
        for target in named:
            if not within(target, [layer_folder]) or layer(path) not in order or layer(target) not in order:
                continue
            if order.index(layer(target)) > order.index(layer(path)):
                faults.append("%s includes %s: %s/ stands below %s/" % (path, target, layer(path), layer(target)))
    return faults, len(files)


def main():
    source, mode = os.path.realpath(sys.argv[1]), sys.argv[2]
    if mode == "cycles":
        folders = sys.argv[3:]
        faults, checked = check_cycles(source, folders)
        what = "units in %s" % " ".join(folders)
    else:
        faults, checked = check_layers(source, sys.argv[3], sys.argv[4:])
        what = "files in %s" % sys.argv[3]
    if checked == 0:
        faults.append("no %s were found to check" % what)
    for fault in faults:
        print(fault)
    print("%d %s checked, %d faults" % (checked, what, len(faults)))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
