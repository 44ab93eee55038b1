#!/usr/bin/env bash
# The Quick start's first step and the README's install, exactly: `make demo`
# into a fresh build folder, then `cmake --install` of that folder into a
# prefix, which must hold every file the README says it installs.
#   demo_install_test.sh   (JOBS may be set; the build is a few minutes)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "demo_install_test: $*" >&2; exit 1; }

env -u MAKEFLAGS -u MFLAGS -u MAKELEVEL make -C "$repo" --no-print-directory demo BUILD_DIR="$work/build" JOBS="${JOBS:-2}" >"$work/demo.log" 2>&1 \
  || { cat "$work/demo.log"; fail "make demo failed"; }
cmake --install "$work/build" --prefix "$work/prefix" >"$work/install.log" 2>&1 \
  || { cat "$work/install.log"; fail "cmake --install after make demo failed"; }

cd "$work/prefix"
# The Python package goes where the configured prefix's (/usr/local) Python looks.
package=$(find lib -path '*/clipferry/__init__.py' | head -1)
python_dir=${package%/clipferry/__init__.py}
[[ -n $package ]] && /usr/bin/python3 -I -c 'import sys; sys.exit(sys.argv[1] not in sys.path)' "/usr/local/$python_dir" ||
  fail "the Python package went to '$python_dir', which /usr/bin/python3 does not search under /usr/local"
for file in bin/clipferry lib/libclipferry.so.1 include/clipferry.h lib/pkgconfig/clipferry.pc \
  lib/cmake/Clipferry/ClipferryConfig.cmake share/man/man1/clipferry.1.gz share/man/man3/clipferry.3.gz \
  share/man/man5/clipferry.toml.5.gz share/bash-completion/completions/clipferry \
  share/zsh/vendor-completions/_clipferry share/fish/vendor_completions.d/clipferry.fish \
  "$python_dir/clipferry/py.typed"; do
  [[ -e $file ]] || fail "the install lacks $file"
done
grep -qx "LIBRARY_DIR = '$work/prefix/lib'" "$python_dir/clipferry/_install_prefix.py" ||
  fail "the Python package does not name the library's folder: $(cat "$python_dir/clipferry/_install_prefix.py")"
grep -qx "prefix=$work/prefix" lib/pkgconfig/clipferry.pc || fail "clipferry.pc: $(head -1 lib/pkgconfig/clipferry.pc)"
bin/clipferry --version >/dev/null || fail "the installed clipferry does not run"
echo "demo_install_test: make demo, then cmake --install, installed every file"
