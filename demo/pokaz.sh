#!/usr/bin/env bash
# make demo: Ekowarta on a register of real municipalities whose pages come
# from a local server, so that a run can be watched without the Internet.
#   demo/pokaz.sh BUILD_DIR [PORT]
# The demo folder BUILD_DIR/demo keeps its register between demos; remove
# it to start afresh. The server ends when the program is closed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${1:-build}"
port="${2:-8642}"
case "$build" in /*) ;; *) build="$root/$build" ;; esac
demo="$build/demo"
python=/usr/bin/python3 # Debian's, which sees python3-pyftpdlib
# The demo's pages are on this machine: a computer with no network at all
# (no interface but loopback) must still be able to run the checks.
export EKOWARTA_CONNECTION=online
# shellcheck source=demo/serwer.sh
. "$root/demo/serwer.sh"

"$python" "$root/demo/serwer_pokazowy.py" prepare --dir "$demo" --port "$port"
if [ ! -f "$demo/baza.dbf" ]; then
  "$build/bin/ekowarta-cli" --dir "$demo" import "$demo/rejestr.csv"
fi

start_demo_server "$demo" "$port"

hosts="$(sed -n 's/^HOSTY //p' "$demo/serwer.log" | head -1)"
echo "Pokaz: dane w $demo, spis stron gmin na http://127.0.0.1:$port/ (dziennik serwera: $demo/serwer.log)"
echo "Strony gmin podają serwery pod adresami: ${hosts:-127.0.0.1} (port $port)."
echo "Naciśnij w programie przycisk startu kontroli; zamknięcie programu zatrzymuje serwer."
"$build/bin/ekowarta" --dir "$demo"
