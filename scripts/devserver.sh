#!/usr/bin/env bash
# Runs the local Lumivid service in the foreground on a fixed port, so the
# clipferry command can be tried against it; Ctrl-C stops it.
#   devserver.sh [PORT]   (default: $PORT, else 8765)
# The files uploaded are deleted when it stops, unless KEEP_UPLOADS=1.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
python=/usr/bin/python3
port=${1:-${PORT:-8765}}
[[ $port =~ ^[0-9]+$ ]] && ((port > 0 && port < 65536)) || {
  echo "devserver: '$port' is not a port number" >&2
  exit 2
}

"$python" -c 'import flask' 2>/dev/null || {
  echo "devserver: the service needs Flask for $python" >&2
  echo "devserver: (make bootstrap installs python3-flask)" >&2
  exit 1
}

# Said plainly here, instead of the server's traceback when it cannot bind.
# Bound as the service binds (SO_REUSEADDR): the last run's connections in
# TIME-WAIT do not hold the port, a program still listening on it does.
if ! "$python" - "$port" 2>/dev/null <<'PY'; then
import socket, sys
with socket.socket() as s:
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", int(sys.argv[1])))
PY
  echo "devserver: port $port on 127.0.0.1 is taken (another service still running?)." >&2
  echo "devserver: stop that program, or choose another port:" >&2
  echo "devserver: scripts/devserver.sh PORT, or make devserver PORT=..." >&2
  exit 1
fi

# Uploads land in one folder per port, emptied at each start and, unless
# KEEP_UPLOADS=1, at the stop: a day of trying large files would fill the disk.
storage=${TMPDIR:-/tmp}/clipferry-devserver-$port
keep=()
if [[ ${KEEP_UPLOADS:-0} == 1 ]]; then
  keep=(--keep-uploads)
  kept="Uploads are kept in $storage,
also after it stops."
else
  kept="Uploads are kept in $storage while it runs,
deleted when it stops (make devserver KEEP_UPLOADS=1 keeps them)."
fi
rm -rf "$storage"
mkdir -p "$storage"
port_file=$storage/.port

read -r user password < <("$python" -c '
import json, sys
demo = next(u for u in json.load(open(sys.argv[1]))["users"] if u["username"] == "demo")
print(demo["username"], demo["password"])' "$repo/devserver/default_data.json")

# At a terminal the service runs as a job of its own (job control), and is
# brought to the foreground once it listens: Ctrl-C then reaches the service
# alone, which stops cleanly, and not make, which would call the expected
# way to stop it a failure ("make: *** [devserver] Interrupt", status 130).
# Job control is on only to start the job and to bring it forward: with it,
# every command (the sleeps below) would be a job of its own too, and a
# Ctrl-C while the service starts would end a sleep instead of this script.
# Elsewhere the service, started in the background of a shell without job
# control, ignores SIGINT, and this script stops it with SIGTERM.
at_terminal=false
[[ -t 0 && -t 2 ]] && at_terminal=true
$at_terminal && set -m
"$python" "$repo/devserver/lumivid_devserver.py" --port "$port" --port-file "$port_file" \
  --storage "$storage" "${keep[@]}" >/dev/null &
server=$!
set +m
stop() {
  trap '' INT TERM
  # CONT too, in case Ctrl-Z stopped it.
  kill -TERM "$server" 2>/dev/null && kill -CONT "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  [[ ${#keep[@]} -gt 0 ]] || rm -rf "$storage"
  echo
  echo "devserver: stopped; port $port is free"
  exit "$1"
}
trap 'stop 0' INT TERM  # the expected way to stop it, not a failure

for _ in $(seq 100); do
  [[ -s $port_file ]] && break
  kill -0 "$server" 2>/dev/null || { echo "devserver: the service did not start" >&2; exit 1; }
  sleep 0.1
done
[[ -s $port_file ]] || { echo "devserver: the service did not start within 10 s" >&2; stop 1; }

cat <<EOT

The local Lumivid service listens on 127.0.0.1:$port; Ctrl-C stops it.
$kept
In another terminal:

  # the command, after make demo or make build
  export PATH="$repo/build/tools/clipferry:\$PATH"
  export CLIPFERRY_PROXY_SERVER=127.0.0.1:$port
  export CLIPFERRY_USER=$user

  clipferry login        # password: $password
  clipferry categories

EOT

status=0
if $at_terminal; then
  # fg names the job on stdout; the banner above is all the user needs.
  set -m
  fg %1 >/dev/null || status=$?
  set +m
  # Ctrl-C ends the service with status 0; any other end says so below.
  [[ $status -ne 0 ]] || stop 0
else
  wait "$server" || status=$?
fi
echo "devserver: the service exited with status $status" >&2
stop "$status"
