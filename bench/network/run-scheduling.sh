#!/bin/sh
# The run's scheduling at the network's pace, beside its floor and curl:
# RECORDS records on the hosts 127.0.0.2 … 127.0.0.(HOSTS+1), every answer
# after DELAY seconds, laid out three ways:
#   shared  pairs of consecutive records on one page (a municipality in two
#           Natura 2000 areas), the pages spread over the hosts;
#   five    five consecutive records per host (a voivodeship's shared BIP
#           platform in a register sorted by voivodeship);
#   spread  every record on the next host.
# Each is run with `ekowarta-cli run --jobs JOBS --host-delay PAUSE` and
# compared with its floor: the distinct pages' latency spread over the
# slots, but no host faster than its pages one after another with the
# pauses between. curl (-Z, the same slots, no pause) fetches the distinct
# pages of the same layout for comparison.
#   bench/network/run-scheduling.sh [BUILD_DIR]     (default: build)
#   RECORDS=1000 HOSTS=50 JOBS="8 16" PAUSE=0.2 DELAY=0.05 PORT=8720 LAYOUTS="shared five spread"
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
cli=$build/bin/ekowarta-cli
records=${RECORDS:-1000}
hosts=${HOSTS:-50}
jobs_list=${JOBS:-8 16}
pause=${PAUSE:-0.2}
delay=${DELAY:-0.05}
port=${PORT:-8720}
layouts=${LAYOUTS:-shared five spread}
py=/usr/bin/python3
work=$(mktemp -d)
server=
cleanup() { [ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT INT TERM

[ -x "$cli" ] || { echo "brak $cli: zbuduj program (make build)" >&2; exit 1; }

# "page host" of record k in a layout.
place() {
    case $1 in
        shared) p=$(($2 / 2)); echo "$p $((p % hosts))" ;;
        five) echo "$2 $((($2 / 5) % hosts))" ;;
        spread) echo "$2 $(($2 % hosts))" ;;
    esac
}
url() { echo "http://127.0.0.$((2 + $2)):$port/strona/$1.html"; }

start_server() {
    "$py" "$here/pages_server.py" "$port" 2 $((hosts + 1)) "$delay" "$1" >"$work/server.out" &
    server=$!
    i=0
    until grep -q ready "$work/server.out" 2>/dev/null; do
        i=$((i + 1)); [ $i -lt 100 ] || { echo "serwer stron nie wystartował" >&2; exit 1; }
        sleep 0.1
    done
}
stop_server() { kill "$server"; wait "$server" 2>/dev/null || true; server=; }
now() { date +%s.%N; }
seconds() { echo "$2 - $1" | bc -l; }

printf 'records %d, hosts %d, answer %.3f s, host pause %.2f s\n' "$records" "$hosts" "$delay" "$pause"
printf '%-8s %5s %9s %9s %7s %9s   %s\n' layout jobs ekowarta floor x_floor curl "server's log (ekowarta)"
for layout in $layouts; do
    d=$work/$layout
    mkdir -p "$d"
    k=0
    : >"$d/places"
    while [ $k -lt "$records" ]; do place "$layout" $k >>"$d/places"; k=$((k + 1)); done
    { echo "Gmina,Natura2000,Wojewodztwo,dom,info,bip"
      k=0
      while read -r p h; do echo "Gmina $k,Obszar $k,mazowieckie,,$(url "$p" "$h"),"; k=$((k + 1)); done <"$d/places"
    } >"$d/rejestr.csv"
    sort -u "$d/places" >"$d/pages"
    pages=$(wc -l <"$d/pages")
    per_host=$(awk '{n[$2]++} END {m = 0; for (h in n) if (n[h] > m) m = n[h]; print m}' "$d/pages")
    while read -r p h; do printf 'url = "%s"\noutput = /dev/null\n' "$(url "$p" "$h")"; done <"$d/pages" >"$d/curl.cfg"
    for jobs in $jobs_list; do
        rm -f "$d/baza.dbf" "$d/historia.sqlite"
        "$cli" --dir "$d" import "$d/rejestr.csv" >/dev/null
        floor=$(echo "a = $pages * $delay / $jobs; b = $per_host * $delay + ($per_host - 1) * $pause; if (a > b) a else b" | bc -l)
        start_server "$d/server.log"
        t0=$(now)
        EKOWARTA_CONNECTION=online "$cli" --dir "$d" run --jobs "$jobs" --host-delay "$pause" --time-limit 60 \
            >"$d/out.txt" 2>"$d/err.txt" || { echo "ekowarta-cli run: kod $?" >&2; tail -3 "$d/err.txt" >&2; }
        t1=$(now)
        stop_server
        log=$("$py" "$here/checklog.py" "$d/server.log")
        start_server "$d/curl.log"
        c0=$(now)
        curl -s --no-progress-meter -Z --parallel-max "$jobs" -K "$d/curl.cfg" >/dev/null 2>&1 || true
        c1=$(now)
        stop_server
        took=$(seconds "$t0" "$t1")
        printf '%-8s %5d %8.2fs %8.2fs %7.2f %8.2fs   %s\n' "$layout" "$jobs" "$took" "$floor" \
            "$(echo "$took / $floor" | bc -l)" "$(seconds "$c0" "$c1")" "$log"
    done
done
