#!/usr/bin/env bash
# Starts the client. When the PBX simulator is built, it is started first on
# loopback with its demo data, and the client gets a fresh settings directory.
set -uo pipefail
build_dir=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$build_dir/src/deskline"
[ -x "$bin" ] || bin="$build_dir/deskline"
if [ ! -x "$bin" ]; then
  echo "deskline was not built" >&2
  exit 1
fi

args=()
sim_pid=""
sim="$build_dir/platform/ctilib/pbxsim"
if [ -x "$sim" ]; then
  demo_dir=$(mktemp -d /tmp/deskline-demo-XXXXXX)
  "$sim" --demo --listen 127.0.0.1:0 --port-file "$demo_dir/port" --control-stdin >"$demo_dir/pbxsim.log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 1 50); do [ -s "$demo_dir/port" ] && break; sleep 0.1; done
  port=$(cat "$demo_dir/port" 2>/dev/null || true)
  if [ -n "$port" ]; then
    echo "PBX simulator listening on 127.0.0.1:$port (log: $demo_dir/pbxsim.log)"
    args+=(-o "$demo_dir/settings" -a "127.0.0.1:$port" -u demo -p demo -s)
  fi
fi
cleanup() { [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null; }
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ] && [ "${QT_QPA_PLATFORM:-}" != "offscreen" ]; then
  echo "No display found: starting deskline under Xvfb (xvfb-run)."
  xvfb-run -a -s "-screen 0 1280x1024x24" "$bin" "${args[@]}"
else
  "$bin" "${args[@]}"
fi
