#!/bin/sh
# What a run costs per page, side by side with curl fetching the same pages:
# CPU time (user + system) per page of a run over unchanged pages (the second
# run over a register; the first one is timed too), and the wall time. The
# pages come from pages_server.py on HOSTS loopback hosts (127.0.0.2 and up),
# answered at once, so the figures are the programs' own cost.
#   bench/network/cpu-per-page.sh [BUILD_DIR]
#   PAGES=2000 BYTES=7700 JOBS=1 HOSTS=20 PORT=8750 SERVER="--keep-alive"
#   (SERVER="--keep-alive --validators": the server also answers 304)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
cli=$build/bin/ekowarta-cli
pages=${PAGES:-2000}
bytes=${BYTES:-7700}
jobs=${JOBS:-1}
hosts=${HOSTS:-20}
port=${PORT:-8750}
server_opts=${SERVER:---keep-alive}
py=/usr/bin/python3
work=$(mktemp -d)
server=
cleanup() { [ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT INT TERM

[ -x "$cli" ] || { echo "brak $cli: zbuduj program (make build)" >&2; exit 1; }
command -v curl >/dev/null || { echo "brak curl" >&2; exit 1; }

url() { echo "http://127.0.0.$((2 + $1 % hosts)):$port/strona/$1.html"; }

start_server() {
    # shellcheck disable=SC2086
    "$py" "$here/pages_server.py" "$port" 2 $((hosts + 1)) 0 "$1" --bytes "$bytes" $server_opts >"$work/server.out" &
    server=$!
    i=0
    until grep -q ready "$work/server.out" 2>/dev/null; do
        i=$((i + 1)); [ $i -lt 100 ] || { echo "serwer stron nie wystartował" >&2; exit 1; }
        sleep 0.1
    done
}
stop_server() { kill "$server"; wait "$server" 2>/dev/null || true; server=; }

# "wall user system maxrss_kb" of a command
timed() {
    /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" || tail -2 "$work/stderr" >&2
    tail -1 "$work/time"
}
report() { # name "wall user sys rss" log
    set -- "$1" $2 "$3"
    printf '%-34s wall %7.2f s   CPU %6.3f ms/page   peak %6.1f MB   %s\n' "$1" "$2" \
        "$(echo "($3 + $4) * 1000 / $pages" | bc -l)" "$(echo "$5 / 1024" | bc -l)" \
        "$("$py" "$here/checklog.py" "$6")"
}

k=0
{ echo "Gmina,Natura2000,Wojewodztwo,dom,info,bip"
  while [ $k -lt "$pages" ]; do echo "Gmina $k,Obszar $k,mazowieckie,,$(url $k),"; k=$((k + 1)); done
} >"$work/rejestr.csv"
# curl gets the pages host by host, so that its cache of five connections
# can keep each host's one (in the register's order the hosts alternate).
h=0
while [ $h -lt "$hosts" ]; do
    k=$h
    while [ $k -lt "$pages" ]; do printf 'url = "%s"\noutput = "/dev/null"\n' "$(url $k)"; k=$((k + hosts)); done
    h=$((h + 1))
done >"$work/curl.cfg"

printf 'pages %d of %d bytes on %d hosts, server %s, --jobs %d, load before: %s\n' \
    "$pages" "$bytes" "$hosts" "$server_opts" "$jobs" "$(cut -d' ' -f1-3 /proc/loadavg)"

mkdir -p "$work/d"
"$cli" --dir "$work/d" import "$work/rejestr.csv" >/dev/null
run="env EKOWARTA_CONNECTION=online $cli --dir $work/d run --jobs $jobs --host-delay 0 --time-limit 60"

start_server "$work/first.log"
first=$(timed $run)
stop_server
report "ekowarta, first run" "$first" "$work/first.log"

start_server "$work/second.log"
second=$(timed $run)
stop_server
report "ekowarta, unchanged pages" "$second" "$work/second.log"

start_server "$work/curl.log"
one=$(timed curl -s -K "$work/curl.cfg")
stop_server
report "curl, one at a time" "$one" "$work/curl.log"

if [ "$jobs" -gt 1 ]; then
    start_server "$work/curlp.log"
    par=$(timed curl -s --parallel --parallel-max "$jobs" -K "$work/curl.cfg")
    stop_server
    report "curl --parallel-max $jobs" "$par" "$work/curlp.log"
fi
printf 'load after: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"
