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

# MODE (cti, deskphone, softphone; default cti) picks the operating mode of
# the demo client.
case "${MODE:-cti}" in
  cti|0) app_mode=0 ;;
  deskphone|desk|1) app_mode=1 ;;
  softphone|soft|2) app_mode=2 ;;
  *) echo "MODE must be cti, deskphone or softphone (got '${MODE}')" >&2; exit 1 ;;
esac

args=()
sim_pid=""
sim_args=()
# The softphone registers on the simulator's SIP side.
[ "$app_mode" = 2 ] && sim_args+=(--sip-port 0)
sim="$build_dir/platform/ctilib/pbxsim"
if [ -x "$sim" ]; then
  demo_dir=$(mktemp -d /tmp/deskline-demo-XXXXXX)
  # Control commands come over a loopback TCP port: a background job's
  # standard input is /dev/null, so it cannot take them from the terminal.
  "$sim" --demo --listen 127.0.0.1:0 --port-file "$demo_dir/port" --control-port 0 "${sim_args[@]}" \
    >"$demo_dir/pbxsim.log" 2>&1 &
  sim_pid=$!
  for _ in $(seq 1 50); do [ -s "$demo_dir/port" ] && break; sleep 0.1; done
  port=$(cat "$demo_dir/port" 2>/dev/null || true)
  control=""
  for _ in $(seq 1 20); do
    control=$(sed -n 's/^pbxsim control on 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$demo_dir/pbxsim.log" 2>/dev/null)
    [ -n "$control" ] && break
    sleep 0.1
  done
  if [ -n "$port" ]; then
    echo "PBX simulator listening on 127.0.0.1:$port (log: $demo_dir/pbxsim.log)"
    # A fresh settings directory in the chosen mode; in desk-phone and
    # softphone mode the demo user's identity 201 is the selected account.
    mkdir -p "$demo_dir/settings"
    if [ "$app_mode" = 0 ]; then
      printf '[CTI]\nAppMode=0\n' >"$demo_dir/settings/mcti.ini"
    else
      printf '[CTI]\nAppMode=%s\naccount=201\n' "$app_mode" >"$demo_dir/settings/mcti.ini"
    fi
    echo "Operating mode: ${MODE:-cti} ($app_mode)"
    args+=(-o "$demo_dir/settings" -a "127.0.0.1:$port" -u demo -p demo -s)
  fi
  if [ -n "$control" ]; then
    echo "Simulator control on 127.0.0.1:$control. To ring the demo user (extension 201), in another terminal:"
    echo "  bash -c 'echo \"call 0612345678 201 name=Mario Verdi\" >/dev/tcp/127.0.0.1/$control'"
    echo "  (\"hangup 201\" ends the call, \"help\" lists the commands; with netcat: nc 127.0.0.1 $control)"
    echo "$control" >"$demo_dir/control-port"
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
