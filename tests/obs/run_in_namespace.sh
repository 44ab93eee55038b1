#!/usr/bin/env bash
# Runs a command (the OBS tests) where nothing it starts can reach beyond this
# machine, or leave anything behind: new network, PID and mount namespaces,
# with only loopback up, a private /tmp, and a test keyring on a private
# D-Bus session (tests/support/keyring_session.sh). Everything started inside
# ends with it. Exits 77 (ctest's skip) with the reason when OBS cannot start here.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

if [[ ${1-} != --inside ]]; then
  skip() { echo "SKIPPED: $1" >&2; exit 77; }
  command -v obs >/dev/null || skip "no obs binary (Debian's obs-studio is not installed)"
  command -v Xvfb >/dev/null || skip "no Xvfb to run OBS on"
  /usr/bin/python3 -c 'import websocket, Xlib' 2>/dev/null ||
    skip "python3-websocket or python3-xlib is missing (scripts/bootstrap.sh installs them)"
  # Namespaces need root, or a user namespace where unprivileged ones are allowed.
  as_root=()
  [[ $(id -u) -eq 0 ]] || as_root=(--map-root-user --user)
  unshare "${as_root[@]}" --net --pid --fork --mount-proc true 2>/dev/null ||
    skip "no network namespace can be made here (unshare --net refused)"
  exec unshare "${as_root[@]}" --net --pid --fork --kill-child --mount-proc -- "$0" --inside "$@"
fi
shift

ip link set lo up
# X servers' sockets and lock files, and every scratch folder, stay in here:
# the lock files name PIDs of this namespace, which the machine's other X
# servers could not check.
# A tree checked out or built below /tmp stays in sight: the old /tmp is kept
# on a mount point of its own, and the tree's folder bound back in.
keep=/run/clipferry-obs-tests
mkdir -p "$keep"
mount --bind /tmp "$keep"
mount -t tmpfs -o mode=1777 obs-tests /tmp
for path in "$here" "$PWD"; do
  if [[ $path == /tmp/?* ]]; then
    top=${path#/tmp/}
    top=${top%%/*}
    mkdir -p "/tmp/$top"
    mount --bind "$keep/$top" "/tmp/$top"
  fi
done
exec "$here/../support/keyring_session.sh" "$@"
