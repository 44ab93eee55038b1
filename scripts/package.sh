#!/usr/bin/env bash
# Makes every release artifact into one folder (dist/ unless DIST_DIR is set):
# the Debian packages (cpack, cmake/ClipferryPackage.cmake), the Windows
# SDK zip (cmake/ClipferryWindowsSdk.cmake), the source tarball and
# SHA256SUMS. `make package` runs it after building both Windows DLLs.
#   scripts/package.sh   (PACKAGE_BUILD_DIR, PACKAGE_QT5_BUILD_DIR, WIN32_BUILD, WIN64_BUILD, JOBS may be set)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$PWD
build=${PACKAGE_BUILD_DIR:-build-package}
qt5_build=${PACKAGE_QT5_BUILD_DIR:-$build-qt5}
win32=${WIN32_BUILD:-build-win32}
win64=${WIN64_BUILD:-build-win64}
dist=${DIST_DIR:-dist}
jobs=${JOBS:-$(nproc)}
started=$SECONDS
version=$(sed -n 's/^#define CLIPFERRY_VERSION "\(.*\)"$/\1/p' include/clipferry.h)  # the header keeps it

rm -rf "$dist"
mkdir -p "$dist"
dist=$(cd "$dist" && pwd)

# The Linux packages: a build of its own, installed under /usr (Debian's
# multiarch library folder), without tests or benchmarks, with the flags
# Debian builds its own packages with, every hardening option included.
echo "== Debian packages ($build/)"
flags() { DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get "$1"; }
configure() {  # BUILD_DIR CMAKE_OPTION...
  local dir=$1
  shift
  cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_INSTALL_PREFIX=/usr \
    -DCMAKE_C_FLAGS="$(flags CFLAGS) $(flags CPPFLAGS)" -DCMAKE_CXX_FLAGS="$(flags CXXFLAGS) $(flags CPPFLAGS)" \
    -DCMAKE_SHARED_LINKER_FLAGS="$(flags LDFLAGS)" -DCMAKE_EXE_LINKER_FLAGS="$(flags LDFLAGS)" \
    -DCMAKE_MODULE_LINKER_FLAGS="$(flags LDFLAGS)" \
    -DCLIPFERRY_BUILD_TESTS=OFF -DCLIPFERRY_BUILD_BENCH=OFF "$@" >/dev/null
}
debs() {  # BUILD_DIR: its packages into DIST_DIR
  rm -rf "$1/packages"
  (cd "$1" && cpack -G DEB >cpack.log) || { cat "$1/cpack.log"; exit 1; }
  cp "$1"/packages/*.deb "$dist/"
}
# Qt 6 when found: the Qt library's packages and clipferry-publisher beside
# the C library's.
configure "$build"
cmake --build "$build" -j "$jobs"
# The reference: man pages for the packages, HTML for the Windows SDK.
cmake --build "$build" -j "$jobs" --target clipferry_docs
debs "$build"
# The Qt 5 library and the OBS plugin (OBS is built on Qt 5), from a tree of
# their own that builds and packages only them.
if [[ -f $build/qt/ClipferryQt6Config.cmake ]]; then
  echo "== Debian packages for Qt 5 ($qt5_build/)"
  configure "$qt5_build" -DCLIPFERRY_QT_VERSION=5 -DCLIPFERRY_DEB_COMPONENTS="qt;qtdev;obs" \
    -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON
  cmake --build "$qt5_build" -j "$jobs" --target clipferry_deb_parts
  debs "$qt5_build"
fi

echo "== Windows SDK"
curl32=$(scripts/build_libcurl_dll.sh i686)
curl64=$(scripts/build_libcurl_dll.sh x86_64)
cmake -DSOURCE_DIR="$repo" -DVERSION="$version" -DWIN32_BUILD="$repo/$win32" -DWIN64_BUILD="$repo/$win64" \
  -DCURL32="$curl32" -DCURL64="$curl64" -DOUT_DIR="$dist" -DHTML_DIR="$repo/$build/docs/html" \
  -P cmake/ClipferryWindowsSdk.cmake

echo "== Source tarball (git HEAD)"
git archive --format=tar.gz --prefix="clipferry-$version/" -o "$dist/clipferry-$version.tar.gz" HEAD

(cd "$dist" && sha256sum -- *.deb *.zip *.tar.gz >SHA256SUMS)
echo "package: $(ls "$dist" | tr '\n' ' ')in $dist/ ($((SECONDS - started)) s)"
