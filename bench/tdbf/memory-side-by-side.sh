#!/bin/sh
# Peak memory of the register's command-line work on a large register, side
# by side with fcl-db's TDbf (Free Pascal; Debian packages fp-compiler and
# fp-units-db) printing the same table: `ekowarta-cli import` of RECORDS rows,
# `ekowarta-cli list` and `export` of them, and TDbf listing the same file.
# Peak resident memory by /usr/bin/time (the mapped file counts too).
#   bench/tdbf/memory-side-by-side.sh [BUILD_DIR]     RECORDS=100000
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-$root/build}
cli=$build/bin/ekowarta-cli
records=${RECORDS:-100000}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
[ -x "$cli" ] || { echo "brak $cli: zbuduj program (make build)" >&2; exit 1; }

peak() { # name command…
    name=$1; shift
    /usr/bin/time -f "%M %e" -o "$work/time" "$@" >"$work/out" 2>"$work/err" || { tail -3 "$work/err" >&2; }
    set -- $(tail -1 "$work/time")
    printf '%-28s peak %7.1f MB   %6.2f s\n' "$name" "$(echo "$1 / 1024" | bc -l)" "$2"
}

awk -v n="$records" 'BEGIN {
    print "Gmina,Natura2000,Wojewodztwo,dom,info,bip"
    for (i = 0; i < n; i++)
        printf "Gmina %d,Dolina Środkowej Wisły PLB%d,mazowieckie,http://www.gmina%d.pl,http://www.gmina%d.pl/ochrona-srodowiska/informacje.html,http://bip.gmina%d.pl\n", i, i, i, i, i
}' >"$work/rejestr.csv"
mkdir -p "$work/d"
printf 'register of %d records, load before: %s\n' "$records" "$(cut -d' ' -f1-3 /proc/loadavg)"
peak "ekowarta-cli --help" "$cli" --help
peak "ekowarta-cli import" "$cli" --dir "$work/d" import "$work/rejestr.csv"
printf '%-28s %7.1f MB\n' "baza.dbf" "$(echo "$(stat -c %s "$work/d/baza.dbf") / 1048576" | bc -l)"
peak "ekowarta-cli list" "$cli" --dir "$work/d" list
lines=$(wc -l <"$work/out")
peak "ekowarta-cli export" "$cli" --dir "$work/d" export "$work/wynik.csv"
if command -v fpc >/dev/null; then
    fpc -O2 -FE"$work" -o"$work/tdbfbench" "$here/tdbfbench.pas" >/dev/null
    peak "TDbf, every record printed" "$work/tdbfbench" "$work/d" print baza.dbf
    [ "$(wc -l <"$work/out")" -eq $((lines - 1)) ] || echo "TDbf printed $(wc -l <"$work/out") lines, list $lines" >&2
else
    echo "TDbf: brak fpc (apt-get install fp-compiler fp-units-db)"
fi
