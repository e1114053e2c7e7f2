#!/usr/bin/env bash
# Runs a command on a private virtual X server of its own:
#   run_with_xvfb.sh COMMAND [ARGS...]
# XVFB_SCREEN sets the screen (default 1024x768x24).
# The server picks a free display number itself and reports it once it accepts clients
# (-displayfd), so tests that run in parallel never race for the same display, and the
# command never starts before its server is ready. The server goes when the command ends.
set -u
if ! command -v Xvfb >/dev/null; then
  echo "Xvfb not found: install xvfb (scripts/install-deps.sh)" >&2
  exit 1
fi
work=$(mktemp -d)
server=""
cleanup() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
  fi
  rm -rf "$work"
}
trap cleanup EXIT

# -noreset: the server keeps running between clients (a reset would refuse connections for
# a moment after a test closes its last one).
Xvfb -displayfd 3 -screen 0 "${XVFB_SCREEN:-1024x768x24}" -nolisten tcp -noreset 3>"$work/display" \
  </dev/null >"$work/xvfb.log" 2>&1 &
server=$!
display=""
for _ in $(seq 300); do
  display=$(tr -dc '0-9' <"$work/display")
  [ -n "$display" ] && break
  if ! kill -0 "$server" 2>/dev/null; then
    cat "$work/xvfb.log" >&2
    echo "Xvfb did not start" >&2
    exit 1
  fi
  sleep 0.1
done
if [ -z "$display" ]; then
  echo "Xvfb reported no display within 30 s" >&2
  exit 1
fi
# The private server is a desktop at 1x unless the command loads resources saying
# otherwise: scale settings of the calling desktop do not reach it.
unset GDK_SCALE QUELORA_UI_SCALE
DISPLAY=":$display" "$@"
