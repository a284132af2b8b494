#!/usr/bin/env python3
"""Checks that every layer includes only the layers below it.

The layers, bottom first, are the folders listed in LAYERS; a source file belongs to the
longest folder that prefixes its path. A quoted include of a file in a higher layer (or in
a folder that is no layer) is reported, and the check fails. Run with the source root as
the only argument (default: the parent of this script's folder)."""

import pathlib
import re
import sys

LAYERS = [
    "platform",
    "platform/display",
    "runtime/core",
    "runtime/codec",
    "runtime/memory",
    "runtime/text",
    "runtime/hash",
    "runtime/names",
    "runtime/lexer",
    "runtime/datatypes",
    "runtime/eval",
    "runtime/io",
    "runtime/natives",
    "boot",
]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def layer_of(path):
    best = None
    for rank, folder in enumerate(LAYERS):
        if path == folder or path.startswith(folder + "/"):
            if best is None or len(folder) > len(LAYERS[best]):
                best = rank
    return best


def check(root):
    faults = []
    for source in sorted(root.rglob("*")):
        if source.suffix not in (".h", ".cpp", ".inc", ".def") or not source.is_file():
            continue
        path = source.relative_to(root).as_posix()
        rank = layer_of(path)
        if rank is None:
            continue
        for included in INCLUDE.findall(source.read_text(encoding="utf-8")):
            if included.startswith("generated/") or "/" not in included:
                continue
            target = layer_of(included)
            if target is None or target > rank:
                where = LAYERS[target] if target is not None else "no layer"
                faults.append(f"{path}: includes {included} ({where}, above {LAYERS[rank]})")
    return faults


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    faults = check(root)
    for fault in faults:
        print(fault)
    print(f"layers: {len(faults)} upward include(s)")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
