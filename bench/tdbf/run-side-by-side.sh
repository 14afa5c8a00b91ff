#!/bin/sh
# The register's table operations side by side with fcl-db's TDbf (Free
# Pascal; Debian packages fp-compiler and fp-units-db). Builds the Pascal
# program into a temporary directory (no binaries in the repository), runs
# both on the same kind of table and prints milliseconds per operation.
#   bench/tdbf/run-side-by-side.sh [BENCH_BUILD_DIR]   (default: build-bench)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
bench_build=${1:-$root/build-bench}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

command -v fpc >/dev/null || { echo "brak fpc: apt-get install fp-compiler fp-units-db" >&2; exit 1; }
fpc -O2 -FE"$work" -o"$work/tdbfbench" "$here/tdbfbench.pas" >/dev/null
if [ ! -x "$bench_build/bin/bench_tablevs" ]; then
    cmake -S "$root" -B "$bench_build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DEKOWARTA_BENCH=ON -DBUILD_TESTING=OFF >/dev/null
    cmake --build "$bench_build" --target bench_tablevs >/dev/null
fi
"$work/tdbfbench" "$work/tdbf" >"$work/tdbf.txt"
"$bench_build/bin/bench_tablevs" "$work/ours" >"$work/ours.txt"
printf '%-12s %12s %12s %8s\n' operation "TDbf [ms]" "Ekowarta [ms]" ratio
join "$work/tdbf.txt" "$work/ours.txt" | awk '{ printf "%-12s %12.3f %12.3f %8.2f\n", $1, $2, $3, ($2 > 0 ? $3 / $2 : 0) }'
