#!/usr/bin/env python3
"""File-name completion against python's own listing: the candidates are the folder's
entries that begin with the typed part (letter case ignored), and the console's new input
ends with their common beginning."""
import os
import subprocess
import sys
import tempfile

ZEL = os.path.abspath(sys.argv[1])
failures = []

with tempfile.TemporaryDirectory() as root:
    folder = os.path.join(root, "data")
    os.mkdir(folder)
    for name in ["alpha.txt", "alpine", "Alto", "beta", "al"]:
        open(os.path.join(folder, name), "w").close()
    os.mkdir(os.path.join(folder, "alps"))

    partials = ["al", "alp", "b", "z", ""]
    lines = ['Zel []']
    for p in partials:
        lines.append(f'r: zel-complete-input tail "%data/{p}" false '
                     f'foreach f next r [print ["cand" f]] print "--"')
        lines.append(f'r: zel-complete-input tail ">> %data/{p}" true '
                     f'print ["line" either empty? r ["none"] [head first r]]')
    with open(os.path.join(root, "complete.zel"), "w") as f:
        f.write("\n".join(lines) + "\n")
    out = subprocess.run([ZEL, "complete.zel"], capture_output=True, text=True, cwd=root, timeout=30)
    if out.returncode != 0:
        failures.append(f"zel ended with {out.returncode}: {out.stderr}")
    entries = [n + "/" if os.path.isdir(os.path.join(folder, n)) else n for n in os.listdir(folder)]
    # Each partial prints its candidates and "--", then the console's new line.
    chunks = out.stdout.split("--\n")
    for p, chunk in zip(partials, chunks):
        got = sorted(l[5:] for l in chunk.splitlines() if l.startswith("cand "))
        cands = sorted((n for n in entries if n.lower().startswith(p.lower())), key=str.lower)
        # A lone candidate stands as the whole path.
        want = [f"%data/{cands[0]}"] if len(cands) == 1 else sorted(cands)
        if got != want:
            failures.append(f"%data/{p}: candidates {got}, expected {want}")
    for p, chunk in zip(partials, chunks[1:]):
        line = chunk.splitlines()[0][5:]
        cands = sorted((n for n in entries if n.lower().startswith(p.lower())), key=str.lower)
        common = os.path.commonprefix([c.lower() for c in cands]) if cands else ""
        want = f">> %data/{cands[0][:len(common)]}" if cands else "none"
        if line != want:
            failures.append(f"%data/{p}: new line {line!r}, expected {want!r}")

for f in failures:
    print("FAILED", f)
print(f"{len(partials) * 2 - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
