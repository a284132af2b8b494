#!/usr/bin/env python3
"""The console's command line: switches before the script, a lone "--", the script's
folder, header faults and failing scripts, with standard input not a terminal."""
import os
import subprocess
import sys
import tempfile

ZEL = os.path.abspath(sys.argv[1])
failures = []

with tempfile.TemporaryDirectory() as root:
    sub = os.path.join(root, "sub")
    os.mkdir(sub)

    def write(path, text):
        with open(path, "w") as f:
            f.write(text)

    write(os.path.join(root, "--odd.zel"), 'Zel [] print ["odd" mold system/options/args]\n')
    write(os.path.join(sub, "where.zel"),
          'Zel [] print [mold system/options/args mold system/script/args system/console/catch?]\n'
          'print mold get-current-dir\n')
    write(os.path.join(root, "noheader.zel"), "print 1\n")
    write(os.path.join(root, "fails.zel"), 'text before Zel [Title: "Fails"] print "ran" 1 / 0\n')
    write(os.path.join(root, "directive.zel"), 'Zel [] print "never"\n#do [1 / 0]\n')
    write(os.path.join(root, "halts.zel"), 'Zel [] print "a" halt print "b"\n')

    cases = [
        # arguments, standard input, exit status, standard output holds, standard error holds
        (["--", "--odd.zel", "x"], "", 0, 'odd ["x"]', None),
        (["--catch", "sub/where.zel", "a b", "c"], "1 + 2\n",
         0, '["a b" "c"] {"a b" c} true\n', None),
        (["--catch", "sub/where.zel"], "1 + 2\n", 0, '/sub/"\n>> == 3\n>> ', None),
        (["--cli", "noheader.zel"], "", 1, None, "*** Error: Zel header not found!"),
        (["--catch", "noheader.zel"], "", 0, "*** Error: Zel header not found!\n>> ", None),
        (["--cli", "fails.zel"], "", 254, "ran", "Fails: *** Math Error: attempt to divide by zero"),
        # A preprocessor fault stops the program as a failure; kept open, the console goes on.
        (["directive.zel"], "", 254, "*** Preprocessor Error in #do", None),
        (["--catch", "directive.zel"], "", 0, "(halted)\n>> ", None),
        # The script's own halt ends the script only.
        (["halts.zel"], "", 0, "a\n(halted)\n", None),
        (["--catch", "fails.zel"], "", 0, "ran\n*** Math Error: attempt to divide by zero", None),
        # A script that cannot be read is a failure too; kept open, the console goes on.
        (["--cli", "missing.zel"], "", 254, "", "*** Access Error: cannot open: %missing.zel"),
        (["--catch", "missing.zel"], "", 0, "*** Access Error: cannot open: %missing.zel", None),
        (["--cli"], "print 7\n", 0, "--== Zel", None),
        (["--cli"], "cd sub\nls\n", 0, "\twhere.zel", None),
        (["--cli"], "no-such-word\n", 0, "*** Script Error: no-such-word has no value", None),
    ]
    for args, stdin, status, out, err in cases:
        run = subprocess.run([ZEL] + args, input=stdin, capture_output=True, text=True, cwd=root,
                             env=dict(os.environ, COLUMNS="80"), timeout=30)
        name = " ".join(args)
        if run.returncode != status:
            failures.append(f"{name}: status {run.returncode}, expected {status}\n{run.stdout}\n{run.stderr}")
        if out is not None and out not in run.stdout:
            failures.append(f"{name}: output {run.stdout!r} lacks {out!r}")
        if err is not None and err not in run.stderr:
            failures.append(f"{name}: errors {run.stderr!r} lack {err!r}")

for f in failures:
    print("FAILED", f)
print(f"{len(cases) * 3 - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
