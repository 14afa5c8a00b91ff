#!/bin/sh
# Peak memory of a run that checks one large page: the first check (no
# history yet: the page is measured, its visible text made and both packed)
# and the second one (the same bytes again), side by side with the same run
# over a small page (the process without the page), for pages of SIZES
# megabytes from pages_server.py on 127.0.0.2.
#   bench/network/page-memory.sh [BUILD_DIR]      SIZES="1 10 30" PORT=8760
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
cli=$build/bin/ekowarta-cli
sizes=${SIZES:-1 10 30}
port=${PORT:-8760}
py=/usr/bin/python3
work=$(mktemp -d)
server=
cleanup() { [ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT INT TERM
[ -x "$cli" ] || { echo "brak $cli: zbuduj program (make build)" >&2; exit 1; }

start_server() { # bytes
    "$py" "$here/pages_server.py" "$port" 2 2 0 "$work/server.log" --bytes "$1" >"$work/server.out" &
    server=$!
    i=0
    until grep -q ready "$work/server.out" 2>/dev/null; do
        i=$((i + 1)); [ $i -lt 100 ] || { echo "serwer stron nie wystartował" >&2; exit 1; }
        sleep 0.1
    done
}
stop_server() { kill "$server"; wait "$server" 2>/dev/null || true; server=; }

peak_kb() { # dir
    /usr/bin/time -f "%M" -o "$work/time" env EKOWARTA_CONNECTION=online "$cli" --dir "$1" run --time-limit 60 \
        >/dev/null 2>"$work/err" || tail -2 "$work/err" >&2
    tail -1 "$work/time"
}

check() { # label bytes
    d=$work/d$2
    rm -rf "$d"; mkdir -p "$d"
    printf 'Gmina,Natura2000,Wojewodztwo,dom,info,bip\nGmina,Obszar,mazowieckie,,http://127.0.0.2:%d/strona.html,\n' "$port" >"$d/r.csv"
    "$cli" --dir "$d" import "$d/r.csv" >/dev/null
    start_server "$2"
    first=$(peak_kb "$d")
    second=$(peak_kb "$d")
    stop_server
    printf '%-10s first check %7.1f MB   second check %7.1f MB' "$1" "$(echo "$first / 1024" | bc -l)" \
        "$(echo "$second / 1024" | bc -l)"
    if [ "$2" -gt 100000 ]; then
        mb=$(echo "$2 / 1048576" | bc -l)
        printf '   (%.2f / %.2f x the page)' "$(echo "$first / 1024 / $mb" | bc -l)" "$(echo "$second / 1024 / $mb" | bc -l)"
    fi
    printf '\n'
}

printf 'load before: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
check "2 KB page" 0
for mb in $sizes; do
    check "$mb MB page" $((mb * 1048576))
done
