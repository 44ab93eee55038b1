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
for file in bin/clipferry lib/libclipferry.so.1 include/clipferry.h lib/pkgconfig/clipferry.pc \
  lib/cmake/Clipferry/ClipferryConfig.cmake share/man/man1/clipferry.1.gz share/man/man3/clipferry.3.gz \
  share/man/man5/clipferry.toml.5.gz share/bash-completion/completions/clipferry \
  share/zsh/vendor-completions/_clipferry share/fish/vendor_completions.d/clipferry.fish \
  lib/python3/dist-packages/clipferry/__init__.py lib/python3/dist-packages/clipferry/py.typed; do
  [[ -e $file ]] || fail "the install lacks $file"
done
grep -qx "prefix=$work/prefix" lib/pkgconfig/clipferry.pc || fail "clipferry.pc: $(head -1 lib/pkgconfig/clipferry.pc)"
bin/clipferry --version >/dev/null || fail "the installed clipferry does not run"
echo "demo_install_test: make demo, then cmake --install, installed every file"
