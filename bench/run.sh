#!/bin/bash
# Times each bench/*.zel program under build/zel beside its counterparts: bench/python/
# under the python3 on the PATH and under Debian's /usr/bin/python3, and bench/lua/ under
# lua5.4 when it is installed. Each round runs every program once under every interpreter,
# one after the other, so that the machine's load falls on all of them alike; a time is the
# median of the rounds' CPU seconds (user + sys) of the whole process. An empty script gives
# each interpreter's start-up, which the "compute" ratios subtract. Usage: run.sh [rounds]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
zel=${ZEL:-$here/../build/zel}
rounds=${1:-5}
empty=$(mktemp -d)
trap 'rm -rf "$empty"' EXIT
printf 'Zel []\n' > "$empty/(start-up).zel"
: > "$empty/(start-up).py"
: > "$empty/(start-up).lua"

# The interpreters: a label, the command, the folder of its programs, their extension.
labels=(zel py py-deb)
commands=("$zel" python3 /usr/bin/python3)
folders=("$here" "$here/python" "$here/python")
extensions=(zel py py)
if command -v lua5.4 > /dev/null; then
    labels+=(lua)
    commands+=(lua5.4)
    folders+=("$here/lua")
    extensions+=(lua)
fi

describe() {
    local build
    build=$(sed -n 's/^CMAKE_BUILD_TYPE:STRING=//p' "$(dirname "$zel")/CMakeCache.txt" 2> /dev/null || true)
    printf '%-7s %s\n' zel: "$zel (${build:-unknown} build of $(git -C "$here" describe --always --dirty 2> /dev/null || echo '?'))"
    for k in 1 2; do
        printf '%-7s %s running %s\n' "${labels[$k]}:" "$(command -v "${commands[$k]}")" \
            "$("${commands[$k]}" -c 'import sys; print(sys.executable, sys.version.split()[0])')"
    done
    if [ "${#labels[@]}" -gt 3 ]; then
        printf '%-7s %s\n' lua: "$(command -v lua5.4), $(lua5.4 -v 2>&1)"
    else
        printf '%-7s %s\n' lua: "lua5.4 not installed"
    fi
    echo "CPU seconds (user + sys), median of $rounds rounds; compute = start-up subtracted from both."
}

# The CPU seconds of one run.
cpu() {
    local TIMEFORMAT='%3U %3S'
    { time "$@" > /dev/null 2>&1; } 2>&1 | awk '{ printf "%.3f\n", $1 + $2 }'
}

median() { printf '%s\n' "$@" | sort -g | awk '{ t[NR] = $1 } END { print t[int((NR + 1) / 2)] }'; }

# The script of program `name` for interpreter k, or nothing when it has none.
script_of() {
    local name=$1 k=$2 dir=${folders[$2]}
    [ "$name" = "(start-up)" ] && dir=$empty
    local file="$dir/$name.${extensions[$k]}"
    [ -f "$file" ] && echo "$file"
    return 0
}

names=("(start-up)")
for script in "$here"/*.zel; do names+=("$(basename "$script" .zel)"); done

declare -A times
for _ in $(seq "$rounds"); do
    for name in "${names[@]}"; do
        for k in "${!labels[@]}"; do
            file=$(script_of "$name" "$k")
            [ -n "$file" ] && times[$name,$k]+="$(cpu "${commands[$k]}" "$file") "
        done
    done
done

declare -A median_of
for name in "${names[@]}"; do
    for k in "${!labels[@]}"; do
        # shellcheck disable=SC2086
        [ -n "${times[$name,$k]:-}" ] && median_of[$name,$k]=$(median ${times[$name,$k]})
    done
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { if (b > 0) printf "%.2f", a / b; else printf "-" }'; }
less() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", a - b }'; }

describe
printf '%-12s' program
for label in "${labels[@]}"; do printf ' %8s' "$label"; done
for label in "${labels[@]:1}"; do printf ' %11s' "zel/$label"; done
for label in "${labels[@]:1}"; do printf ' %11s' "compute/$label"; done
echo
for name in "${names[@]}"; do
    printf '%-12s' "$name"
    for k in "${!labels[@]}"; do printf ' %8s' "${median_of[$name,$k]:--}"; done
    z=${median_of[$name,0]}
    for k in "${!labels[@]}"; do
        [ "$k" = 0 ] && continue
        o=${median_of[$name,$k]:-}
        printf ' %11s' "$([ -n "$o" ] && ratio "$z" "$o" || echo -)"
    done
    for k in "${!labels[@]}"; do
        [ "$k" = 0 ] && continue
        o=${median_of[$name,$k]:-}
        if [ -n "$o" ] && [ "$name" != "(start-up)" ]; then
            printf ' %11s' "$(ratio "$(less "$z" "${median_of["(start-up)",0]}")" "$(less "$o" "${median_of["(start-up)",$k]}")")"
        else
            printf ' %11s' -
        fi
    done
    echo
done
if [ -n "${median_of[tail-return,0]:-}" ] && [ -n "${median_of[tail-value,0]:-}" ]; then
    z0=${median_of["(start-up)",0]}
    echo "zel, a function ending in 'return x' over one ending in 'x': $(ratio "${median_of[tail-return,0]}" "${median_of[tail-value,0]}")" \
        "(compute $(ratio "$(less "${median_of[tail-return,0]}" "$z0")" "$(less "${median_of[tail-value,0]}" "$z0")"))"
fi
