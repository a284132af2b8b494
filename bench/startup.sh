#!/bin/sh
# Times the start-up of build/zel to the end of a script that does nothing: the runtime
# initialisation and the library's loading. Prints the median and the fastest of 50 runs.
# With ZEL_LIBRARY_TEXT=1 in the environment the library loads from its source text instead
# of the boot image.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
zel=${ZEL:-$here/../build/zel}
script=$(mktemp --suffix=.zel)
trap 'rm -f "$script"' EXIT
printf 'Zel []\n' > "$script"
for i in $(seq 50); do
    start=$(date +%s%N)
    "$zel" "$script"
    end=$(date +%s%N)
    echo $(( (end - start) / 1000 ))
done | sort -n | awk '{ t[NR] = $1 } END { printf "start-up: median %.2f ms, fastest %.2f ms\n", t[int((NR + 1) / 2)] / 1000, t[1] / 1000 }'
