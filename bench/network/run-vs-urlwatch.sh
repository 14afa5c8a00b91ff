#!/bin/sh
# A run at the network's pace: PAGES pages spread over the hosts
# 127.0.0.2 … 127.0.0.51 (distinct hosts to both programs), every answer
# after 50 ms. Times `ekowarta-cli run --jobs 8 --host-delay 0.2`,
# `ekowarta-cli run --jobs 1` and urlwatch (Debian package, its ten worker
# threads) on the same pages, and reads the server's log of connections.
#   bench/network/run-vs-urlwatch.sh [BUILD_DIR]     (default: build)
#   PAGES=1000 JOBS=8 PAUSE=0.2 DELAY=0.05 PORT=8700 SKIP="1 urlwatch"
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
cli=$build/bin/ekowarta-cli
pages=${PAGES:-1000}
jobs=${JOBS:-8}
pause=${PAUSE:-0.2}
delay=${DELAY:-0.05}
port=${PORT:-8700}
skip=${SKIP:-}
hosts=50
py=/usr/bin/python3
work=$(mktemp -d)
server=
cleanup() { [ -n "$server" ] && kill "$server" 2>/dev/null; rm -rf "$work"; }
trap cleanup EXIT INT TERM

[ -x "$cli" ] || { echo "brak $cli: zbuduj program (make build)" >&2; exit 1; }

# The same pages for every contender: page k on host 2 + k % 50.
url() { echo "http://127.0.0.$((2 + $1 % hosts)):$port/strona/$1.html"; }

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

floor=$(echo "a = $pages * $delay / $jobs; per = ($pages / $hosts); b = per * $delay + (per - 1) * $pause; if (a > b) a else b" | bc -l)
printf 'pages %d, hosts %d, answer %.3f s, host pause %.2f s\n' "$pages" "$hosts" "$delay" "$pause"
printf 'floor for --jobs %d: %.2f s (pages x latency / jobs, bounded by the pauses of one host)\n' "$jobs" "$floor"

ekowarta() { # name jobs
    d=$work/$1
    mkdir -p "$d"
    { echo "Gmina,Natura2000,Wojewodztwo,dom,info,bip"
      k=0
      while [ $k -lt "$pages" ]; do echo "Gmina $k,Obszar $k,mazowieckie,,$(url $k),"; k=$((k + 1)); done
    } >"$d/rejestr.csv"
    "$cli" --dir "$d" import "$d/rejestr.csv" >/dev/null
    start_server "$d/server.log"
    t0=$(now)
    EKOWARTA_CONNECTION=online "$cli" --dir "$d" run --jobs "$2" --host-delay "$pause" --time-limit 60 \
        >"$d/out.txt" 2>"$d/err.txt" || { echo "ekowarta-cli run: kod $?" >&2; tail -3 "$d/err.txt" >&2; }
    t1=$(now)
    stop_server
    printf '%-22s %8.2f s   %s\n' "ekowarta --jobs $2" "$(seconds "$t0" "$t1")" "$("$py" "$here/checklog.py" "$d/server.log")"
    grep -c "LP = " "$d/out.txt" | xargs printf '  lines in the report: %s\n'
}

urlwatch_run() {
    d=$work/urlwatch
    mkdir -p "$d"
    k=0
    while [ $k -lt "$pages" ]; do
        [ $k -gt 0 ] && echo "---"
        echo "url: \"$(url $k)\""
        k=$((k + 1))
    done >"$d/urls.yaml"
    printf 'display:\n  new: true\n  error: true\n  unchanged: false\nreport:\n  text:\n    details: false\n  stdout:\n    enabled: true\n    color: false\n' >"$d/urlwatch.yaml"
    : >"$d/hooks.py"
    start_server "$d/server.log"
    t0=$(now)
    HOME=$d urlwatch --urls "$d/urls.yaml" --config "$d/urlwatch.yaml" --hooks "$d/hooks.py" --cache "$d/cache.db" \
        >"$d/out.txt" 2>"$d/err.txt" || true
    t1=$(now)
    stop_server
    printf '%-22s %8.2f s   %s\n' "urlwatch (10 threads)" "$(seconds "$t0" "$t1")" "$("$py" "$here/checklog.py" "$d/server.log")"
}

case " $skip " in *" $jobs "*) ;; *) ekowarta jobs$jobs "$jobs" ;; esac
case " $skip " in *" urlwatch "*) ;; *) if command -v urlwatch >/dev/null; then urlwatch_run; else echo "urlwatch: brak (apt-get install urlwatch)"; fi ;; esac
case " $skip " in *" 1 "*) ;; *) ekowarta jobs1 1 ;; esac
