#!/bin/sh
# Peak memory (maximum resident set, /usr/bin/time) of the command line on
# hostile inputs, each made on the spot:
#   - a history whose stored texts and bodies unpack to BOMB_MB megabytes
#     (1 GB by default, about 1 MB of zlib each): run --jobs 4 over four
#     changed pages, and diff of a record;
#   - an Atom feed on the FTP server with one 4,000-character entity used
#     50,000 times (157 KB): publish, the feed rebuilt from the list;
#   - a page announcing 2^32 + 96 bytes and sending 96: check-page.
#   bench/hostile/peak-memory.sh [BUILD_DIR]      BOMB_MB=1024 PORT=8790
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
cli=$build/bin/ekowarta-cli
port=${PORT:-8790}
bomb_mb=${BOMB_MB:-1024}
py=/usr/bin/python3
work=$(mktemp -d)
pids=
cleanup() { for p in $pids; do kill "$p" 2>/dev/null || true; done; rm -rf "$work"; }
trap cleanup EXIT INT TERM
[ -x "$cli" ] || { echo "brak $cli: zbuduj program (make build)" >&2; exit 1; }

wait_for() { # file text
    i=0
    until grep -q "$2" "$1" 2>/dev/null; do
        i=$((i + 1)); [ $i -lt 100 ] || { echo "serwer nie wystartował ($1)" >&2; exit 1; }
        sleep 0.1
    done
}

peak() { # label command...
    label=$1; shift
    set +e
    /usr/bin/time -f "%M %e" -o "$work/time" env EKOWARTA_CONNECTION=online "$@" >"$work/out" 2>"$work/err"
    rc=$?
    set -e
    kb=$(tail -1 "$work/time" | cut -d' ' -f1); seconds=$(tail -1 "$work/time" | cut -d' ' -f2)
    printf '%-46s %8.1f MB  %6.2f s  exit %d\n' "$label" "$(echo "$kb / 1024" | bc -l)" "$seconds" "$rc"
}

printf 'load before: %s\n' "$(cut -d' ' -f1-3 /proc/loadavg)"

# History bombs: four pages of four hosts, checked once, their stored
# versions made into bombs, then checked again with pages that changed.
d=$work/run
mkdir -p "$d"
printf 'Gmina,Natura2000,Wojewodztwo,dom,info,bip\n' >"$d/r.csv"
for h in 2 3 4 5; do
    printf 'Gmina %d,Obszar,mazowieckie,,http://127.0.0.%d:%d/strona.html,\n' "$h" "$h" "$port" >>"$d/r.csv"
done
"$cli" --dir "$d" import "$d/r.csv" >/dev/null
"$py" "$root/bench/network/pages_server.py" "$port" 2 5 0 "$work/pages.log" >"$work/pages.out" &
pids="$pids $!"; wait_for "$work/pages.out" ready
peak "run --jobs 4, history being made" "$cli" --dir "$d" run --new --jobs 4 --time-limit 60
kill $pids; pids=
"$py" "$here/hostile.py" bomb "$d/historia.sqlite" "$bomb_mb" >/dev/null
"$py" "$root/bench/network/pages_server.py" "$port" 2 5 0 "$work/pages.log" --bytes 3000 >"$work/pages.out" &
pids="$pids $!"; wait_for "$work/pages.out" ready
peak "run --jobs 4, stored texts of $bomb_mb MB" "$cli" --dir "$d" run --new --jobs 4 --time-limit 60
kill $pids; pids=
"$py" "$here/hostile.py" bomb "$d/historia.sqlite" "$bomb_mb" >/dev/null
peak "diff 1, stored texts of $bomb_mb MB" "$cli" --dir "$d" diff 1
peak "history 1, stored texts of $bomb_mb MB" "$cli" --dir "$d" history 1

# The feed: 20 published entries in the list, a hostile feed beside it.
f=$work/ftp
mkdir -p "$f/www" "$work/pub"
"$py" "$here/hostile.py" list "$f/www/wykaz.txt" 20
"$py" "$here/hostile.py" feed "$f/www/wykaz.xml"
"$py" "$root/tests/servers/ftpserver.py" --root "$f" --user ekowarta --password haslo --port $((port + 1)) \
    >"$work/ftp.out" 2>/dev/null &
pids="$pids $!"; wait_for "$work/ftp.out" PORT
printf 'Gmina,Natura2000,Wojewodztwo,dom,info,bip\nNowa,Puszcza,mazowieckie,,http://nowa.pl/info,\n' >"$work/pub/r.csv"
"$cli" --dir "$work/pub" import "$work/pub/r.csv" >/dev/null
"$cli" --dir "$work/pub" mark 1 3
"$py" "$here/hostile.py" config "$work/pub/config.ini" "127.0.0.1:$((port + 1))"
peak "publish, feed of 50,000 entity uses (157 KB)" "$cli" --dir "$work/pub" publish
printf '%-46s %8d B   (%s)\n' "  feed sent" "$(stat -c %s "$f/www/wykaz.xml")" "$(grep -c '<entry>' "$f/www/wykaz.xml") entries"
kill $pids; pids=

# A length of 2^32 + 96 before a body of 96 bytes.
"$py" "$here/hostile.py" length $((port + 2)) >"$work/len.out" &
pids="$pids $!"; wait_for "$work/len.out" ready
peak "check-page, Content-Length 2^32 + 96" "$cli" --dir "$d" check-page "http://127.0.0.1:$((port + 2))/"
printf '%-46s %s\n' "  answer" "$(grep -i -m1 'komunikat\|status' "$work/out" || head -1 "$work/out")"
