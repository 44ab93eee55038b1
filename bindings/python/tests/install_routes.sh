#!/usr/bin/env bash
# The package installed the ways the README gives, each imported by a fresh
# interpreter that sees nothing of the source tree, which logs in and uploads
# to the local service:
#   prefix  `cmake --install` of the library and the package into a prefix:
#           the package lands in a folder the configured prefix's Python
#           searches, and finds the library in the prefix by itself (no
#           LD_LIBRARY_PATH, no CLIPFERRY_LIBRARY).
#   venv    a wheel from `python3 -m build --no-isolation`, then a venv
#           without the system's packages and `pip install
#           --no-build-isolation` of the source folder into it, offline; the
#           library named by CLIPFERRY_LIBRARY.
#   install_routes.sh prefix STATE_DIR BUILD_DIR CONFIGURED_PREFIX ITS_PYTHON
#   install_routes.sh venv STATE_DIR SOURCE_DIR LIBRARY VERSION
set -euo pipefail

route=$1
state=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "install_routes $route: $*" >&2; exit 1; }
head -c 65536 /dev/urandom >"$work/clip.mp4"

# PYTHON ROOT [VAR=VALUE...]: the package under ROOT publishes the clip;
# prints the library file it loaded.
publish() {
  local python=$1 root=$2
  shift 2
  env -i PATH=/usr/bin:/bin CLIPFERRY_PROXY_SERVER="127.0.0.1:$(<"$state/port")" "$@" \
    "$python" -s - "$root" "$work/clip.mp4" <<'PY'
import sys
root, clip = sys.argv[1], sys.argv[2]
if root not in sys.path:
    sys.path.insert(0, root)
import clipferry
assert clipferry.__file__.startswith(root), clipferry.__file__
with clipferry.Uploader() as up:
    up.login("demo", "demo-password")
    verdict = up.upload(clip, title="Installed", categories=[1])
assert verdict.accepted, verdict
print(clipferry._library.library()._name)
PY
}

case $route in
prefix)
  build=$3 configured=$4 python=$5
  prefix=$work/prefix
  for component in lib python; do
    cmake --install "$build" --prefix "$prefix" --component $component >"$work/install.log" ||
      { cat "$work/install.log"; fail "cmake --install --component $component failed"; }
  done
  init=$(cd "$prefix" && find . -path '*/clipferry/__init__.py' | head -1)
  [[ -n $init ]] || fail "no clipferry/__init__.py under the prefix"
  folder=${init#./}
  folder=${folder%/clipferry/__init__.py}
  "$python" -I -c 'import sys; sys.exit(sys.argv[1] not in sys.path)' "$configured/$folder" ||
    fail "$python does not search $configured/$folder, where the package was installed"
  loaded=$(publish "$python" "$prefix/$folder") || fail "the installed package did not publish"
  [[ $loaded == "$prefix/"* ]] || fail "the package loaded $loaded, not the library installed beside it"
  echo "ok: PREFIX/$folder, which $python searches; the library from $loaded"
  ;;
venv)
  source=$3 library=$4 version=$5
  # The build writes build/ and *.egg-info beside the sources: a copy keeps the tree clean.
  cp -r "$source/bindings/python" "$work/src"
  pip() { env -u PIP_FIND_LINKS "$work/venv/bin/python" -m pip --disable-pip-version-check --no-input "$@"; }
  /usr/bin/python3 -m build --no-isolation --wheel --outdir "$work/dist" "$work/src" >"$work/build.log" 2>&1 ||
    { cat "$work/build.log"; fail "python3 -m build --no-isolation failed"; }
  wheel=$work/dist/clipferry-$version-py3-none-any.whl
  [[ -f $wheel ]] || fail "no $(basename "$wheel"): $(ls "$work/dist")"
  files=$(/usr/bin/python3 -m zipfile -l "$wheel" | awk 'NR > 1 { print $1 }' | grep '^clipferry/' | sort | tr '\n' ' ')
  [[ $files == "clipferry/__init__.py clipferry/__main__.py clipferry/_contract.py clipferry/_errors.py clipferry/_library.py clipferry/_uploader.py clipferry/py.typed " ]] ||
    fail "the wheel holds: $files"
  /usr/bin/python3 -m venv "$work/venv"
  # Offline: Debian's wheels of the build backend (a venv of Python 3.12 and
  # later has no setuptools; bookworm's needs wheel to build one).
  pip install -q --no-index --find-links /usr/share/python-wheels setuptools wheel >"$work/pip.log" 2>&1 &&
    pip install -q --no-index --no-build-isolation "$work/src" >>"$work/pip.log" 2>&1 ||
    { cat "$work/pip.log"; fail "pip install --no-build-isolation failed"; }
  site=$("$work/venv/bin/python" -c 'import sysconfig; print(sysconfig.get_path("purelib"))')
  "$work/venv/bin/python" -c 'import sys; sys.exit("/usr/lib/python3/dist-packages" in sys.path)' ||
    fail "the venv sees the system's packages"
  loaded=$(publish "$work/venv/bin/python" "$site" CLIPFERRY_LIBRARY="$library") ||
    fail "the package pip installed did not publish"
  [[ $loaded == "$library" ]] || fail "loaded $loaded, not CLIPFERRY_LIBRARY"
  echo "ok: the wheel clipferry-$version, and pip install into a venv, publishing with CLIPFERRY_LIBRARY"
  ;;
*) fail "no such route" ;;
esac
