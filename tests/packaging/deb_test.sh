#!/usr/bin/env bash
# The Debian packages as a user meets them: each .deb unpacked with dpkg-deb
# into a throwaway root and checked for its files, its Depends and the
# library's SONAME link; lintian on each (no error, no warning it does not
# override); installed into and removed from a throwaway dpkg database, leaving
# nothing; the command run from the unpacked root; the README's host built
# against the unpacked -dev package both ways and the Python package imported
# from the unpacked root, each run against the local service; last, every
# package installed with apt on a throwaway copy of the system
# (apt_install_test.sh: the Qt hosts built from /usr, OBS loading the plugin).
#   deb_test.sh DIST_DIR [DOCS_DIR]
# DOCS_DIR, the package build's rendered reference (docs/), when it holds
# man/manN/ folders: each page must be in its package, compressed.
set -euo pipefail

dist=$(cd "$1" && pwd)
docs=${2:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
fixture=$here/../support/devserver_fixture.sh
version=$(sed -n 's/^#define CLIPFERRY_VERSION "\(.*\)"$/\1/p' "$here/../../include/clipferry.h")  # the header keeps it
work=$(mktemp -d)
trap '"$fixture" stop "$work/devserver" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
root=$work/root
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
libdir=usr/lib/$multiarch
status=0

fail() { echo "FAIL deb_test: $*" >&2; status=1; }

deb() {  # PACKAGE -> its file in DIST_DIR
  local file
  file=$(ls "$dist/$1_${version}-"*"_$(dpkg --print-architecture).deb" "$dist/$1_${version}-"*"_all.deb" \
    2>/dev/null | head -1)
  [[ -n $file ]] || { echo "deb_test: no $1 package for $version in $dist" >&2; exit 1; }
  echo "$file"
}

# Package, the files it must hold (a -> names a symbolic link and its target),
# and a pattern its Depends must match.
check_package() {
  local package=$1 depends=$2
  shift 2
  local file before=$status
  file=$(deb "$package")
  dpkg-deb -x "$file" "$root"
  local listing
  listing=$(dpkg-deb -c "$file" | awk '{ print substr($6, 3) ($7 == "->" ? " -> " $8 : "") }')
  for want in "$@" "usr/share/doc/$package/copyright" "usr/share/doc/$package/changelog.Debian.gz"; do
    grep -qxF "$want" <<<"$listing" || fail "$package lacks $want"
  done
  local field
  field=$(dpkg-deb -f "$file" Depends)
  [[ $field =~ $depends ]] || fail "$package Depends '$field' does not match '$depends'"
  # lintian: every error fails, every warning not overridden with its reason fails.
  local findings
  findings=$(lintian --fail-on none "$file" 2>/dev/null | grep -E '^[EW]: ' || true)
  [[ -z $findings ]] || fail "lintian on $package: $findings"
  ((status != before)) || echo "ok $package: files, Depends ($field), lintian"
}

# The manual pages rendered beside the package build, as each package must hold them.
man_pages() {  # SECTION...
  local section page
  for section in "$@"; do
    for page in "$docs/man/man$section"/*; do
      [[ -f $page ]] && echo "usr/share/man/man$section/$(basename "$page").gz"
    done
  done
  return 0
}
mapfile -t dev_pages < <([[ -n $docs ]] && man_pages 3)
mapfile -t cli_pages < <([[ -n $docs ]] && man_pages 1 5)

so=libclipferry.so.1
check_package libclipferry1 "^libcurl4, .*libxml2 " "$libdir/$so -> libclipferry.so.$version" \
  "$libdir/libclipferry.so.$version"
check_package libclipferry-dev "^libclipferry1 \(= $version-[0-9]+\)$" usr/include/clipferry.h \
  "$libdir/libclipferry.so -> $so" "$libdir/pkgconfig/clipferry.pc" "$libdir/cmake/Clipferry/ClipferryConfig.cmake" \
  "${dev_pages[@]}"
check_package clipferry "^libclipferry1 \(= $version-[0-9]+\)" usr/bin/clipferry "${cli_pages[@]}"
python=usr/lib/python3/dist-packages/clipferry
check_package python3-clipferry "^libclipferry1 \(= $version-[0-9]+\), python3$" "$python/__init__.py" \
  "$python/_uploader.py" "$python/py.typed" "$python/_install_prefix.py"
[[ $(dpkg-deb -f "$(deb python3-clipferry)" Architecture) == all ]] || fail "python3-clipferry is not Architecture: all"
# No library folder recorded (it would name this machine's multiarch folder):
# the loader finds libclipferry.so.1 by its name.
grep -qx "LIBRARY_DIR = None" "$root/$python/_install_prefix.py" ||
  fail "python3-clipferry records a library folder: $(cat "$root/$python/_install_prefix.py")"

# The Qt library for each Qt, its development files, the application (Qt 6)
# and the OBS plugin (Qt 5, as OBS): each over the one libclipferry1.
for major in 6 5; do
  qtlib=libclipferry-qt$major.so
  check_package libclipferry-qt$major-1 "(^|, )libclipferry1 \(= $version-[0-9]+\)(,|$)" \
    "$libdir/$qtlib.1 -> $qtlib.$version" "$libdir/$qtlib.$version" \
    "usr/share/clipferry-qt$major/translations/clipferry-qt_de.qm"
  dpkg-deb -c "$(deb libclipferry-qt$major-1)" | grep -q "libclipferry\.so" &&
    fail "libclipferry-qt$major-1 holds libclipferry1's library"
  check_package libclipferry-qt$major-dev "(^|, )libclipferry-qt$major-1 \(= $version-[0-9]+\)(,|$)" \
    "usr/include/clipferry-qt$major/clipferry-qt/PublishDialog.h" "$libdir/$qtlib -> $qtlib.1" \
    "$libdir/cmake/ClipferryQt$major/ClipferryQt${major}Config.cmake"
done
check_package clipferry-publisher "(^|, )libclipferry-qt6-1 \(= $version-[0-9]+\)(,|$)" usr/bin/clipferry-publisher \
  usr/share/applications/clipferry-publisher.desktop usr/share/icons/hicolor/scalable/apps/clipferry-publisher.svg \
  usr/share/man/man1/clipferry-publisher.1.gz
desktop-file-validate "$root/usr/share/applications/clipferry-publisher.desktop" ||
  fail "clipferry-publisher.desktop does not validate"
plugin_packages=()
if ls "$dist"/obs-plugin-clipferry_*.deb >/dev/null 2>&1; then
  check_package obs-plugin-clipferry "(^|, )libclipferry-qt5-1 \(= $version-[0-9]+\)(,|$)" \
    "$libdir/obs-plugins/clipferry-obs.so" "usr/share/obs/obs-plugins/clipferry-obs/locale/en-US.ini"
  [[ $(dpkg-deb -f "$(deb obs-plugin-clipferry)" Depends) == *obs-studio* ]] || fail "obs-plugin-clipferry does not depend on obs-studio"
  plugin_packages=(obs-plugin-clipferry)
elif [[ -f $here/../../obs/CMakeLists.txt ]]; then
  fail "no obs-plugin-clipferry package, though the tree has the plugin"
else
  echo "skip obs-plugin-clipferry: this tree has no obs/ plugin yet"
fi

# The pkg-config file as Debian writes one: the prefix it is installed under.
pc=$root/$libdir/pkgconfig/clipferry.pc
grep -qx 'prefix=/usr' "$pc" && grep -qxF 'libdir=${prefix}/lib/'"$multiarch" "$pc" ||
  fail "clipferry.pc does not name /usr: $(grep dir= "$pc" | tr '\n' ' ')"

# Installed into a dpkg database of its own, then removed: nothing may stay
# behind (a package with a postrm would stay in state rc until purged).
admin=$work/dpkg-root
mkdir -p "$admin/var/lib/dpkg/info" "$admin/var/lib/dpkg/updates"
touch "$admin/var/lib/dpkg/status"
packages=(libclipferry1 libclipferry-dev clipferry python3-clipferry libclipferry-qt6-1 libclipferry-qt6-dev
  libclipferry-qt5-1 libclipferry-qt5-dev clipferry-publisher "${plugin_packages[@]}")
debs=()
for package in "${packages[@]}"; do debs+=("$(deb "$package")"); done
dpkg_root() { dpkg --root="$admin" --force-script-chrootless --force-not-root --force-depends "$@"; }
if dpkg_root -i "${debs[@]}" >"$work/dpkg.log" 2>&1 && dpkg_root -r "${packages[@]}" >>"$work/dpkg.log" 2>&1; then
  left=$(dpkg-query --root="$admin" -W -f '${Package} ${db:Status-Abbrev}\n' 2>/dev/null || true)
  [[ -z $left ]] && echo "ok install and remove: nothing left" || fail "left after removal: $left"
else
  cat "$work/dpkg.log" >&2
  fail "dpkg could not install and remove the packages"
fi

soname=$(readelf -d "$root/$libdir/$so" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[[ $soname == "$so" ]] || fail "the library's SONAME is '$soname', not $so"
shlibs=$(dpkg-deb --ctrl-tarfile "$(deb libclipferry1)" | tar -xOf - ./shlibs)
[[ $shlibs == "libclipferry 1 libclipferry1 (>= $version-"* ]] || fail "shlibs: '$shlibs'"
# The symbols file lists what the library exports, each under its version node
# (the node itself as NODE@NODE, as dpkg-gensymbols names it).
listed=$(dpkg-deb --ctrl-tarfile "$(deb libclipferry1)" | tar -xOf - ./symbols | awk '/^ / { print $1 }' | LC_ALL=C sort)
exported=$(nm -D --defined-only --with-symbol-versions "$root/$libdir/$so" | awk '{ sub(/@@/, "@", $3); print ($3 ~ /@/ ? $3 : $3 "@" $3) }' |
  LC_ALL=C sort)
[[ $listed == "$exported" ]] || fail "the symbols file differs from the exports: $(diff <(echo "$listed") <(echo "$exported"))"

# The command finds the unpacked library through its own run path.
cli_version=$("$root/usr/bin/clipferry" --version | head -1) || fail "the unpacked clipferry does not run"
[[ $cli_version == "clipferry $version" ]] || fail "clipferry --version says '$cli_version'"

"$fixture" start "$work/devserver" >/dev/null
"$here/host_example_test.sh" "$root/usr" "$work/devserver" || status=1

# The Python package from the unpacked root, by a fresh interpreter that
# sees only the system's path and that folder, finding libclipferry.so.1 by
# its SONAME as on a system where the packages are installed.
port=$(<"$work/devserver/port")
head -c 65536 /dev/urandom >"$work/clip.mp4"
env -i PATH=/usr/bin:/bin LD_LIBRARY_PATH="$root/$libdir" CLIPFERRY_PROXY_SERVER="127.0.0.1:$port" \
  /usr/bin/python3 -I - "$root/usr/lib/python3/dist-packages" "$work/clip.mp4" <<'PY' || fail "the unpacked Python package did not upload"
import sys
sys.path.insert(0, sys.argv[1])
import clipferry
assert clipferry.__file__.startswith(sys.argv[1]), clipferry.__file__
with clipferry.Uploader() as up:
    up.login("demo", "demo-password")
    verdict = up.upload(sys.argv[2], title="From the package", categories=[1])
assert verdict.accepted, verdict
print("ok python3-clipferry: imported from the unpacked package and accepted by the service")
PY
"$here/apt_install_test.sh" "$dist" || status=1
((status == 0)) && echo "deb_test: the packages are whole"
exit $status
