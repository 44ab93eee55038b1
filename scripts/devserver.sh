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
if ! "$python" - "$port" 2>/dev/null <<'PY'; then
import socket, sys
with socket.socket() as s:
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

# Started in the background of this non-interactive shell, the service
# ignores SIGINT: Ctrl-C reaches only this script, which stops the service
# with SIGTERM, its clean way out, so no traceback and the port is freed.
"$python" "$repo/devserver/lumivid_devserver.py" --port "$port" --port-file "$port_file" \
  --storage "$storage" "${keep[@]}" >/dev/null &
server=$!
stop() {
  trap '' INT TERM
  kill -TERM "$server" 2>/dev/null || true
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
wait "$server" || status=$?
echo "devserver: the service exited with status $status" >&2
exit "$status"
