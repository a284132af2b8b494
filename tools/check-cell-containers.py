#!/usr/bin/env python3
"""Checks that no C++ heap container holds cells or nodes under runtime/.

The collector sees the evaluation stack, series, registered roots and the native stack; a
cell or node kept in a std::vector, a std::deque, a std::map or the like lives on the C++
heap, which it does not scan, so what the cell names may be freed under it. Each such line
is listed and the check fails. Run with the source root as the only argument (default: the
parent of this script's folder)."""

import pathlib
import re
import sys

CONTAINERS = r"(?:vector|deque|list|forward_list|set|multiset|unordered_set|unordered_multiset|" \
             r"map|multimap|unordered_map|unordered_multimap|unique_ptr|shared_ptr)"
# A container whose element (or any template argument) is a Cell, a Node or a pointer to one.
HELD = re.compile(r"std::" + CONTAINERS + r"\s*<[^;{}()]*?\b(?:zel::)?(?:Cell|Node)\b")


def offending_lines(root):
    for path in sorted((root / "runtime").rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        for number, line in enumerate(path.read_text(encoding="utf-8").splitlines(), 1):
            code = line.split("//", 1)[0]
            if HELD.search(code):
                yield f"{path.relative_to(root)}:{number}: {line.strip()}"


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    lines = list(offending_lines(root))
    for line in lines:
        print(line)
    if lines:
        print("cells or nodes in a C++ heap container, out of the collector's sight: keep them on the "
              "evaluation stack, in a series or in a registered root")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
