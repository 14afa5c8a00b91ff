# Sourced by the demo scripts: starts the demo server in the background,
# stops it when the script ends, and waits until it listens.
#   start_demo_server DEMO_DIR PORT [serve options…]
start_demo_server() {
  local dir="$1" port="$2"
  shift 2
  /usr/bin/python3 "$root/demo/serwer_pokazowy.py" serve --dir "$dir" --port "$port" "$@" \
    > "$dir/serwer.log" 2>&1 &
  server=$!
  trap 'kill "$server" 2>/dev/null || true; wait "$server" 2>/dev/null || true' EXIT
  for _ in $(seq 50); do
    if grep -q "^PORT" "$dir/serwer.log" 2>/dev/null; then return 0; fi
    if ! kill -0 "$server" 2>/dev/null; then cat "$dir/serwer.log" >&2; exit 1; fi
    sleep 0.1
  done
}
