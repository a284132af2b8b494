#!/usr/bin/env python3
"""The other side of deflate_test's round trips at test time: python3's zlib and gzip
modules and the gzip command, run on the inputs the test generates.

    codec-interop.py compress FOLDER NAME...   writes what they make of FOLDER/NAME
    codec-interop.py check FOLDER NAME...      decodes our FOLDER/NAME.ours.* with them

Small inputs are compressed at every level by every tool; inputs of a megabyte or more, to
keep the run short, at a level of each of zlib's match finders (0 stores, 1-3 take the
first match, 4-9 defer matches). `check` prints each of ours that one of them
did not decode to its input, and fails then."""

import gzip
import pathlib
import subprocess
import sys
import zlib

LARGE = 1 << 20


def raw_deflate(data, level):
    c = zlib.compressobj(level, zlib.DEFLATED, -15)
    return c.compress(data) + c.flush()


def compress(folder, name):
    source = folder / name
    data = source.read_bytes()
    small = len(data) < LARGE
    for level in range(10) if small else (0, 1, 9):
        (folder / f"{name}.zlib.{level}.zlib").write_bytes(zlib.compress(data, level))
    for level in range(10) if small else (6,):
        (folder / f"{name}.raw.{level}.deflate").write_bytes(raw_deflate(data, level))
    for level in range(10) if small else (6,):
        (folder / f"{name}.module.{level}.gz").write_bytes(gzip.compress(data, level, mtime=0))
    # The command stores the file's name (FNAME) unless told not to.
    for level in range(1, 10) if small else (1,):
        flags = [f"-{level}", "-c"] + (["-n"] if level % 2 else [])
        out = subprocess.run(["gzip", *flags, str(source)], capture_output=True, check=True).stdout
        (folder / f"{name}.command.{level}.gz").write_bytes(out)


def check(folder, name):
    data = (folder / name).read_bytes()
    failed = []
    for packed in sorted(folder.glob(f"{name}.ours.*")):
        blob = packed.read_bytes()
        kind = packed.suffix
        decoders = {
            ".deflate": [lambda b: zlib.decompress(b, -15)],
            ".zlib": [lambda b: zlib.decompress(b, 15), zlib.decompress],
            ".gz": [lambda b: zlib.decompress(b, 31), gzip.decompress,
                    lambda b: subprocess.run(["gzip", "-dc"], input=b, capture_output=True, check=True).stdout],
        }[kind]
        for decode in decoders:
            try:
                ok = decode(blob) == data
            except Exception as e:  # a decoder's refusal is a failure like a wrong result
                print(f"{packed.name}: {e}")
                ok = False
            if not ok:
                failed.append(packed.name)
    for f in failed:
        print("not decoded to its input:", f)
    return not failed


def main():
    mode, folder, names = sys.argv[1], pathlib.Path(sys.argv[2]), sys.argv[3:]
    if mode == "compress":
        for name in names:
            compress(folder, name)
        return 0
    return 0 if all([check(folder, name) for name in names]) else 1


sys.exit(main())
