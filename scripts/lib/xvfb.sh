# Starts a private Xvfb display, exports DISPLAY and stops it on exit.
# Usage: source scripts/lib/xvfb.sh; start_xvfb [WIDTHxHEIGHT]
start_xvfb() {
  local size=${1:-1280x1024} numberfile
  numberfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$numberfile" >/dev/null 2>&1 &
  XVFB_PID=$!
  trap 'kill "$XVFB_PID" 2>/dev/null || true' EXIT
  for _ in $(seq 100); do [ -s "$numberfile" ] && break; sleep 0.1; done
  if [ ! -s "$numberfile" ]; then
    echo "Xvfb did not start" >&2
    rm -f "$numberfile"
    return 1
  fi
  export DISPLAY=":$(head -n1 "$numberfile")"
  rm -f "$numberfile"
}
