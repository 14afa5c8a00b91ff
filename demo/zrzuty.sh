#!/usr/bin/env bash
# make screenshots: the pictures of the README and the manual (docs/img/),
# taken from the demo without a screen: a fresh demo register, two real runs
# over the demo server with ekowarta-cli (so that the grid shows every
# colour), then each window on the offscreen platform.
#   demo/zrzuty.sh BUILD_DIR [PORT]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
port="${2:-8652}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
demo="$build/demo-zrzuty"
img="$root/docs/img"
python=/usr/bin/python3
# The demo's pages are on this machine: a computer with no network at all
# (no interface but loopback) must still be able to run the checks.
export EKOWARTA_CONNECTION=online
# shellcheck source=demo/serwer.sh
. "$root/demo/serwer.sh"
cli=("$build/bin/ekowarta-cli" --dir "$demo")

if ! "${cli[@]}" run --help >/dev/null 2>&1; then
  echo "ekowarta-cli nie ma polecenia run: zrzuty wymagają kontroli z wiersza poleceń." >&2
  exit 1
fi

rm -rf "$demo"
"$python" "$root/demo/serwer_pokazowy.py" prepare --dir "$demo" --port "$port"
"${cli[@]}" import "$demo/rejestr.csv"

# The slow page waits a little longer than the demo's 30 s limit.
start_demo_server "$demo" "$port" --slow 32

# First pass: every page is new. Second pass: what changed since.
"${cli[@]}" run || true
"${cli[@]}" run || true

# Polish dates in the grid, whatever the machine's own locale.
shoot() {
  env QT_QPA_PLATFORM=offscreen LC_ALL=pl_PL.UTF-8 LANG=pl_PL.UTF-8 "$build/bin/ekowarta" --dir "$demo" --screenshot "$img/$1" --window "$2"
}
mkdir -p "$img"
shoot okno-glowne.png TForm1
shoot edytor.png TForm3
shoot konfiguracja.png TForm4
shoot o-programie.png TForm5
