#!/usr/bin/env bash
# Starts or stops the local Lumivid service for the tests that talk to it.
#   devserver_fixture.sh start STATE_DIR   -> STATE_DIR/{port,pid,server.log,storage}
#   devserver_fixture.sh stop STATE_DIR
set -euo pipefail

usage() { echo "usage: $0 start|stop STATE_DIR" >&2; exit 2; }
[[ $# -eq 2 ]] || usage
action=$1
state=$2
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
python=/usr/bin/python3

# True when the pid file names a live process that is our server (pids get reused).
server_running() {
  [[ -f $state/pid ]] || return 1
  local pid
  pid=$(<"$state/pid")
  [[ -r /proc/$pid/cmdline ]] && tr '\0' ' ' <"/proc/$pid/cmdline" | grep -q lumivid_devserver.py
}

stop_server() {
  if server_running; then
    local pid
    pid=$(<"$state/pid")
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do
      server_running || break
      sleep 0.1
    done
    server_running && kill -9 "$pid" 2>/dev/null || true
  fi
  rm -f "$state/pid" "$state/port"
}

fail() {
  echo "devserver_fixture: $1" >&2
  if [[ -f $state/server.log ]]; then
    echo "--- $state/server.log ---" >&2
    cat "$state/server.log" >&2
  fi
  stop_server
  exit 1
}

start_server() {
  mkdir -p "$state"
  stop_server  # a server left over from an interrupted run
  rm -rf "$state/storage"
  nohup "$python" "$repo/devserver/lumivid_devserver.py" --port 0 \
    --port-file "$state/port" --storage "$state/storage" >"$state/server.log" 2>&1 &
  local pid=$!
  echo "$pid" >"$state/pid"

  for _ in $(seq 100); do
    [[ -s $state/port ]] && break
    # Only liveness here: until exec completes, the child still shows bash's command line.
    kill -0 "$pid" 2>/dev/null || fail "the service exited before it was listening"
    sleep 0.1
  done
  [[ -s $state/port ]] || fail "no port file after 10 s"

  local port
  port=$(<"$state/port")
  "$python" - "$port" <<'PY' || fail "port $port does not answer"
import sys, urllib.request
opener = urllib.request.build_opener(urllib.request.ProxyHandler({}))
with opener.open(f"http://127.0.0.1:{sys.argv[1]}/_control/health", timeout=5) as r:
    sys.exit(0 if r.status == 200 else 1)
PY
  echo "devserver_fixture: Lumivid service on 127.0.0.1:$port (pid $(<"$state/pid"))"
}

case $action in
  start) start_server ;;
  stop) stop_server ;;
  *) usage ;;
esac
