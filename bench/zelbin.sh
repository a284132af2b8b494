#!/bin/sh
# Zelbin's writers and reader against pickle under Debian's python3 (/usr/bin/python3, or
# PYTHON) on the same records (about 10 MB of compact Zelbin by default), and the ratios of
# their CPU times. Usage: zelbin.sh [records]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bench=${ZELBIN_BENCH:-$here/../build/bench/zelbin_bench}
python=${PYTHON:-/usr/bin/python3}
records=${1:-230000}
zel=$("$bench" "$records")
py=$("$python" "$here/python/zelbin-pickle.py" "$records")
echo "python: $("$python" -c 'import sys; print(sys.executable, sys.version.split()[0])')"
printf '%s\n%s\n' "$zel" "$py"
printf '%s\n%s\n' "$zel" "$py" | awk '
    $1 == "zelbin" { enc[$2] = $6; dec[$2] = $9 }
    $1 == "pickle" { penc = $5; pdec = $8 }
    END {
        for (form in enc)
            printf "zelbin %s / pickle: encode %.2f, decode %.2f (CPU times; below 1 is faster)\n", form, enc[form] / penc, dec[form] / pdec
    }'
