#!/usr/bin/env bash
# make screenshots: the pictures of the README and the manual (docs/img/),
# taken from the demo without a screen: a fresh demo register, a real run
# over the demo server with ekowarta-cli, a second one in the main window
# (so that the grid shows every colour, the report its lists and the
# history a change), then each window on the offscreen platform.
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

# First pass: every page is new; the second, in the window itself (the main
# window's picture is taken after it), finds what changed since.
"${cli[@]}" run || true

# Every window on a 1366×768 screen; Polish dates in the grid, whatever the
# machine's own locale.
screen="offscreen:configfile=$root/tests/gui/screen-1366x768.json"
shoot() {
  local file="$1"
  shift
  env QT_QPA_PLATFORM="$screen" LC_ALL=pl_PL.UTF-8 LANG=pl_PL.UTF-8 "$build/bin/ekowarta" --dir "$demo" --screenshot "$img/$file" "$@"
}
# The history window of the page that publishes a new notice at every check.
notices=$("${cli[@]}" list | awk -F'\t' '$3 == "Smołdzino" { print $1; exit }')
mkdir -p "$img"
shoot okno-glowne.png --window TForm1 --run
shoot edytor.png --window TForm3
shoot konfiguracja.png --window TForm4
shoot konfiguracja-serwer.png --window TForm4 --tab 2
shoot konfiguracja-kontrola.png --window TForm4 --tab 3
shoot konfiguracja-powiadomienia.png --window TForm4 --tab 4
shoot o-programie.png --window TForm5
shoot historia.png --window HistoryWindow --record "$notices"
