#!/bin/sh
# Times each bench/*.zel program under build/zel against its python3 equivalent in
# bench/python/ and prints the seconds of each and their ratio (zel / python3).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
zel=${ZEL:-$here/../build/zel}

seconds() {
    start=$(date +%s.%N)
    "$@" > /dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}

printf '%-8s %10s %10s %8s\n' program zel python3 ratio
for script in "$here"/*.zel; do
    name=$(basename "$script" .zel)
    z=$(seconds "$zel" "$script")
    p=$(seconds python3 "$here/python/$name.py")
    printf '%-8s %10.3f %10.3f %8.2f\n' "$name" "$z" "$p" "$(echo "$z / $p" | bc -l)"
done
