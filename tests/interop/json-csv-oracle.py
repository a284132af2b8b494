#!/usr/bin/env python3
"""Round trips of the JSON and CSV codecs against python3's json and csv modules, at test
time:

    json-csv-oracle.py ZEL FOLDER

- 200 random JSON documents (nesting, Unicode beyond the BMP, escapes, 32-bit integers,
  floats, names differing only in case) go through load-json and to-json (compact, /ascii
  and /pretty); json.loads must give each document back from every output.
- Tables written by csv.writer (quotes, embedded line breaks, CRLF line ends) must read
  with load-csv as csv.reader reads them.
- Tables of random strings written by to-csv must read with csv.reader as those strings.

The script writes a Zel script into FOLDER that holds the inputs in base 64 and prints each
result in base 64 on a line of its own; it prints every case that differs and fails then."""

import base64
import csv
import io
import json
import pathlib
import random
import subprocess
import sys

rng = random.Random(20261211)

# Characters that exercise the escapes and the string widths: controls, quotes, the
# slash, Latin-1, the BMP and beyond it.
ALPHABET = (
    list("abcdefghijkXYZ019 _-.'") + ['"', "\\", "/", "\t", "\n", "\r", "\b", "\f", "\x01", "\x1f"]
    + ["é", "ß", "\u00a0", "Ω", "中", "\u2028", "\ufeff", "😀", "\U0010ffff"]
)


def text(max_len=12):
    return "".join(rng.choice(ALPHABET) for _ in range(rng.randint(0, max_len)))


def name():
    # word-like names, their case variants, and names that are not words
    choice = rng.random()
    if choice < 0.4:
        return rng.choice(["a", "A", "ab", "Ab", "key", "KEY", "x-1", "-1", ".5", "true", "é"])
    return text(8)


def scalar():
    kind = rng.randrange(6)
    if kind == 0:
        return rng.randint(-2**31, 2**31 - 1)
    if kind == 1:
        return rng.choice([0.0, -0.5, 0.1, 1e-300, 1.5e300, 123.456, -2.5e-7,
                           rng.uniform(-1e6, 1e6), rng.random() * 10 ** rng.randint(-20, 20)])
    if kind == 2:
        return text()
    return rng.choice([True, False, None])


def value(depth):
    if depth > 5 or rng.random() < 0.35:
        return scalar()
    if rng.random() < 0.5:
        return [value(depth + 1) for _ in range(rng.randint(0, 5))]
    return {name(): value(depth + 1) for _ in range(rng.randint(0, 5))}


def json_documents():
    docs = [value(0) for _ in range(200)]
    # a few written with python's own spacing and escapes
    return [json.dumps(d, ensure_ascii=rng.random() < 0.5, indent=rng.choice([None, 1, "\t"]))
            for d in docs], docs


def field(lone_cr=True):
    # csv.writer quotes a field holding CR only when CR is in its line terminator: a lone
    # CR in a field it writes is a line end for csv.reader too
    random_text = text(6) if lone_cr else text(6).replace("\r", "")
    return rng.choice(["", "plain", "a,b", 'say "hi"', "two\nlines", "cr\r\nlf", " pad ", "é中😀",
                       random_text])


def csv_tables(lone_cr):
    tables = []
    for _ in range(40):
        width = rng.randint(2, 5)
        tables.append([[field(lone_cr) for _ in range(width)] for _ in range(rng.randint(1, 6))])
    return tables


def b64(s):
    return base64.b64encode(s.encode("utf-8")).decode("ascii")


def unb64(s):
    return base64.b64decode(s).decode("utf-8")


def main():
    zel, folder = sys.argv[1], pathlib.Path(sys.argv[2])
    folder.mkdir(parents=True, exist_ok=True)
    texts, docs = json_documents()
    written = []
    for table in csv_tables(False):
        out = io.StringIO(newline="")
        csv.writer(out, lineterminator=rng.choice(["\r\n", "\n"])).writerows(table)
        written.append(out.getvalue())
    ours = csv_tables(True)

    lines = ['Zel [Title: "JSON and CSV round trips"]',
             "out: func [s] [print enbase s]",
             "text: func [s] [to string! debase s]"]
    for t in texts:
        lines.append(f'd: load-json text "{b64(t)}" out to-json d out to-json/ascii d out to-json/pretty d "  "')
    for t in written:
        lines.append(f'out to-json load-csv text "{b64(t)}"')
    for table in ours:
        lines.append(f'out to-csv load-json text "{b64(json.dumps(table))}"')
    script = folder / "json-csv-oracle.zel"
    script.write_text("\n".join(lines) + "\n", encoding="utf-8")

    run = subprocess.run([zel, str(script)], capture_output=True, text=True)
    if run.returncode != 0:
        print(run.stdout[-2000:], run.stderr, sep="\n")
        sys.exit(f"zel ended with status {run.returncode}")
    results = [unb64(line) for line in run.stdout.splitlines()]
    expected = 3 * len(docs) + len(written) + len(ours)
    if len(results) != expected:
        sys.exit(f"{len(results)} results for {expected} cases")

    faults = []
    at = 0
    for t, d in zip(texts, docs):
        for mode in ("plain", "ascii", "pretty"):
            got = results[at]
            at += 1
            if mode == "ascii" and not got.isascii():
                faults.append(f"/ascii output not ASCII: {got!r}")
            try:
                back = json.loads(got)
            except ValueError as e:
                faults.append(f"{mode}: not JSON ({e}): {got!r} from {t!r}")
                continue
            if back != d:
                faults.append(f"{mode}: {got!r} from {t!r}")
    for t in written:
        got = json.loads(results[at])
        at += 1
        want = list(csv.reader(io.StringIO(t, newline="")))
        if got != want:
            faults.append(f"load-csv {t!r}: {got!r}, csv.reader {want!r}")
    for table in ours:
        got = results[at]
        at += 1
        back = list(csv.reader(io.StringIO(got, newline="")))
        if back != table:
            faults.append(f"to-csv {table!r}: {got!r} reads as {back!r}")
    for f in faults:
        print(f if len(f) < 400 else f[:400] + "...")
    if faults:
        sys.exit(f"{len(faults)} round trips differ")


if __name__ == "__main__":
    main()
