#!/bin/sh
# Zelbin's writers and reader against python3's pickle on the same records (about 10 MB of
# compact Zelbin by default), and the ratios of their times. Usage: zelbin.sh [records]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bench=${ZELBIN_BENCH:-$here/../build/bench/zelbin_bench}
records=${1:-230000}
zel=$("$bench" "$records")
py=$(python3 "$here/python/zelbin-pickle.py" "$records")
printf '%s\n%s\n' "$zel" "$py"
printf '%s\n%s\n' "$zel" "$py" | awk '
    $1 == "zelbin" { enc[$2] = $6; dec[$2] = $9 }
    $1 == "pickle" { penc = $5; pdec = $8 }
    END {
        for (form in enc)
            printf "zelbin %s / pickle: encode %.2f, decode %.2f (times; below 1 is faster)\n", form, enc[form] / penc, dec[form] / pdec
    }'
