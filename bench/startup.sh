#!/bin/bash
# Times the start-up to the end of a script that does nothing: build/zel with the library
# decoded from its boot image, build/zel with the library loaded from its source text
# (ZEL_LIBRARY_TEXT=1), and Debian's /usr/bin/python3 on an empty file, side by side. A
# round runs each of them `batch` times in a row, one after the other, so that the machine's
# load falls on all of them alike; a time is the median over the rounds of the time of one
# run, wall clock and CPU (user + sys). Usage: startup.sh [rounds] [batch]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
zel=${ZEL:-$here/../build/zel}
rounds=${1:-15}
batch=${2:-20}
empty=$(mktemp -d)
trap 'rm -rf "$empty"' EXIT
printf 'Zel []\n' > "$empty/empty.zel"
: > "$empty/empty.py"

labels=(image text python3)
run_image() { ZEL_LIBRARY_TEXT=0 "$zel" "$empty/empty.zel"; }
run_text() { ZEL_LIBRARY_TEXT=1 "$zel" "$empty/empty.zel"; }
run_python3() { /usr/bin/python3 "$empty/empty.py"; }

# The wall and CPU milliseconds of one run, averaged over a batch.
batch_ms() {
    local TIMEFORMAT='%3R %3U %3S'
    { time (for _ in $(seq "$batch"); do "$1" > /dev/null 2>&1; done); } 2>&1 |
        awk -v n="$batch" '{ printf "%.3f %.3f\n", 1000 * $1 / n, 1000 * ($2 + $3) / n }'
}

median() { printf '%s\n' "$@" | sort -g | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'; }

declare -A wall cpu
for _ in $(seq "$rounds"); do
    for label in "${labels[@]}"; do
        read -r w c < <(batch_ms "run_$label")
        wall[$label]+="$w "
        cpu[$label]+="$c "
    done
done

declare -A wall_ms cpu_ms
echo "start-up to the end of an empty script, ms per run, median of $rounds rounds of $batch runs"
printf '%-8s %8s %8s\n' "" wall cpu
for label in "${labels[@]}"; do
    # shellcheck disable=SC2086
    wall_ms[$label]=$(median ${wall[$label]})
    # shellcheck disable=SC2086
    cpu_ms[$label]=$(median ${cpu[$label]})
    printf '%-8s %8s %8s\n' "$label" "${wall_ms[$label]}" "${cpu_ms[$label]}"
done
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
for other in text python3; do
    echo "image / $other: wall $(ratio "${wall_ms[image]}" "${wall_ms[$other]}"), cpu $(ratio "${cpu_ms[image]}" "${cpu_ms[$other]}")"
done
