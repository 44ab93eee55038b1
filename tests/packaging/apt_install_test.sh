#!/usr/bin/env bash
# The packages installed with apt as a user installs them, on a throwaway
# copy of this system: an overlay of / in a mount and network namespace of
# its own (unshare), so that nothing installed reaches the machine and
# nothing started reaches the network. Inside: apt installs every package in
# DIST_DIR together (no file in two packages), the README's Qt host is built
# against each libclipferry-qtN-dev from /usr and logs in to the local
# service, and a stock OBS Studio started on a fresh profile lists the
# plugin among the modules it loaded.
#   apt_install_test.sh DIST_DIR
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)

if [[ ${1:-} != --inside ]]; then
  dist=$(cd "$1" && pwd)
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  cp "$dist"/*.deb "$work/"
  # The namespaces end with the script, taking the overlay and its mounts along.
  unshare --mount --net --fork bash -euo pipefail -c '
    work=$1 script=$2
    mount --make-rprivate /
    mkdir -p "$work/layer" "$work/root"
    mount -t tmpfs tmpfs "$work/layer"
    mkdir "$work/layer/upper" "$work/layer/work"
    mount -t overlay overlay -o "lowerdir=/,upperdir=$work/layer/upper,workdir=$work/layer/work" "$work/root"
    for dir in proc sys dev; do mount --rbind "/$dir" "$work/root/$dir"; done
    mount -t tmpfs tmpfs "$work/root/tmp"
    mkdir "$work/root/tmp/debs"
    cp "$work"/*.deb "$work/root/tmp/debs/"
    chroot "$work/root" "$script" --inside /tmp/debs' _ "$work" "$here/apt_install_test.sh"
  exit
fi

# Inside the throwaway system, as root, with only a loopback network.
debs=$2
status=0
fail() { echo "FAIL apt_install_test: $*" >&2; status=1; }
ip link set lo up
cd /tmp

mapfile -t files < <(ls "$debs"/*.deb)
packages=()
for file in "${files[@]}"; do packages+=("$(dpkg-deb -f "$file" Package)"); done
# Nothing can be downloaded (no network): what they depend on is on this system already.
if DEBIAN_FRONTEND=noninteractive apt-get install -y "${files[@]}" >apt.log 2>&1; then
  echo "ok apt installs ${packages[*]}"
else
  cat apt.log >&2
  fail "apt-get could not install the packages"
  exit 1
fi

fixture=$repo/tests/support/devserver_fixture.sh
"$fixture" start /tmp/devserver >/dev/null
export CLIPFERRY_DEVSERVER_STATE=/tmp/devserver
for major in 5 6; do
  if [[ " ${packages[*]} " == *" libclipferry-qt$major-dev "* ]]; then
    programs=()
    ((major == 6)) && [[ -x /usr/bin/clipferry-publisher ]] && programs+=(/usr/bin/clipferry-publisher)
    "$repo/qt/tests/qt_host_test.sh" /usr "$major" "${programs[@]}" || fail "the Qt $major host against /usr"
  else
    fail "no libclipferry-qt$major-dev package"
  fi
done
"$fixture" stop /tmp/devserver >/dev/null || true

# A stock OBS on a fresh profile finds the plugin where the package put it.
if [[ " ${packages[*]} " != *" obs-plugin-clipferry "* ]]; then
  if [[ -f $repo/obs/CMakeLists.txt ]]; then
    fail "no obs-plugin-clipferry package, though the tree has the plugin"
  else
    echo "skip: no obs-plugin-clipferry package (this tree has no obs/ plugin yet)"
  fi
else
  export HOME=/tmp/obs-home
  mkdir -p "$HOME"
  Xvfb :77 -screen 0 1280x800x24 -nolisten tcp >/tmp/xvfb.log 2>&1 &
  xvfb=$!
  for _ in $(seq 100); do [[ -S /tmp/.X11-unix/X77 ]] && break; sleep 0.1; done
  DISPLAY=:77 LIBGL_ALWAYS_SOFTWARE=1 obs --disable-shutdown-check >/tmp/obs.out 2>&1 &
  obs=$!
  logs=$HOME/.config/obs-studio/logs
  # The log lists the loaded modules once start-up is through; OBS is left
  # as soon as it has, or when it ended before.
  for _ in $(seq 600); do
    grep -qs "Loaded Modules:" "$logs"/*.txt && break
    kill -0 "$obs" 2>/dev/null || break
    sleep 0.1
  done
  log=$(cat "$logs"/*.txt 2>/dev/null || true)
  kill "$obs" 2>/dev/null || true
  wait "$obs" 2>/dev/null || true
  kill "$xvfb" 2>/dev/null || true
  # No log at all: OBS could not start here (no X server, no OpenGL). A log
  # that stops before the module list is OBS ending while it loaded them.
  if [[ -z $log ]]; then
    echo "skip: OBS did not start here ($(tail -3 /tmp/obs.out | tr '\n' ' '))"
  elif [[ $log != *"Loaded Modules:"* ]]; then
    fail "OBS ended before it listed its modules: $(tail -5 <<<"$log")"
  elif awk '/Loaded Modules:/ { listing = 1; next } listing && /-----/ { exit } listing' <<<"$log" |
    grep -qE '[[:space:]]clipferry-obs\.so$'; then
    echo "ok a stock OBS loads clipferry-obs.so from the package"
  else
    fail "OBS's log does not list clipferry-obs.so: $(grep -A16 'Loaded Modules:' <<<"$log")"
  fi
fi
exit $status
