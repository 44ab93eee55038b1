#!/usr/bin/env bash
# Runs a command in a private D-Bus session with gnome-keyring serving a new
# keyring, unlocked, in a temporary home: the tests' own Secret Service.
# With --silent first, the Secret Service's name is owned by a stand-in that
# never answers (silent_keyring.py) instead.
set -euo pipefail
if [[ ${1-} != --inside ]]; then
  home=$(mktemp -d)
  trap 'rm -rf "$home"' EXIT
  export HOME=$home XDG_DATA_HOME=$home/data XDG_CONFIG_HOME=$home/config XDG_RUNTIME_DIR=$home/runtime
  mkdir -p "$XDG_DATA_HOME" "$XDG_CONFIG_HOME"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
  unset DISPLAY  # no X server to autolaunch another bus through
  dbus-run-session -- "$0" --inside "$@"
  exit
fi
shift

if [[ ${1-} == --silent ]]; then
  shift
  /usr/bin/python3 "$(dirname "$0")/silent_keyring.py" &
else
  # The keyring's password on standard input creates the keyring and unlocks it.
  printf %s test-keyring | gnome-keyring-daemon --foreground --unlock --components=secrets >/dev/null &
fi
daemon=$!
trap 'kill "$daemon" 2>/dev/null; wait "$daemon" 2>/dev/null || true' EXIT
# Until it owns the name, the bus would start a daemon of its own for a call.
owned() {
  dbus-send --session --print-reply --dest=org.freedesktop.DBus /org/freedesktop/DBus \
    org.freedesktop.DBus.NameHasOwner string:org.freedesktop.secrets 2>/dev/null | grep -q 'boolean true'
}
for _ in $(seq 100); do
  owned && break
  sleep 0.1
done
owned || { echo "keyring_session: the keyring did not start" >&2; exit 1; }
"$@"
