#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages the build, the tests and the
# demo need, the Windows leg included (the i386 architecture for 32-bit Wine,
# the deb-src entries that fetching curl's source needs). Does nothing when
# everything is present; safe to run again.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config
  libcurl4 libcurl4-openssl-dev curl
  libxml2-dev
  # The command's ledger (SQLite) and its file fingerprints (libcrypto's SHA-256).
  libsqlite3-dev libssl-dev
  googletest libgtest-dev libgmock-dev
  libcli11-dev nlohmann-json3-dev libtomlplusplus-dev
  python3 python3-flask
  # The reference pages: rendered with pandoc, checked with groff.
  pandoc groff-base
  # The fuzz targets: clang with libFuzzer and the sanitizers' runtimes.
  clang-14 libclang-rt-14-dev
  # The Windows DLLs, the libcurl.dll they are tested with, and Wine to run them.
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 dpkg-dev
  wine wine32:i386 wine64
  # The release: the ABI check, the packages' checks and the Windows SDK's
  # MSVC import libraries.
  abigail-tools lintian llvm-14 zip
  # The Python package: its tests and its type check; its wheel and a venv
  # installed with pip, offline (Debian's wheels of pip, setuptools and wheel).
  python3-pytest mypy
  python3-setuptools python3-wheel python3-build python3-venv python3-pip
  python3-pip-whl python3-setuptools-whl python3-wheel-whl
  # The remembered login of the command and of the Qt library (the Secret
  # Service through libsecret, one entry for both) and the Qt publishing
  # dialog, with the keyring and the X server their tests use.
  libsecret-1-dev qt6-base-dev
  # The same dialog built and tested with Qt 5.15 as well (make test-qt5),
  # and the translation tools for both Qts.
  qtbase5-dev
  qttools5-dev qttools5-dev-tools qt6-tools-dev qt6-tools-dev-tools qt6-l10n-tools
  # The OBS Studio plugin: OBS itself, its plugin headers, and obs-websocket's
  # client to drive the real OBS in the tests.
  obs-studio libobs-dev python3-websocket
  # The publisher's desktop entry checked as file managers read it.
  desktop-file-utils
  # The tests inside OBS: its main window closed as a user closes it (Xlib),
  # its buttons found and pressed as a screen reader does (the AT-SPI bus,
  # spoken to with python3-dbus).
  python3-xlib at-spi2-core
  gnome-keyring dbus dbus-x11 xvfb xauth libgl1-mesa-dri
  # The keyring tests' stand-in that never answers (python3-dbus), and their
  # way to put an old password in the test keyring (libsecret's introspection).
  python3-dbus python3-gi gir1.2-secret-1
)

sources_dir=/etc/apt/sources.list.d
binary_sources=$sources_dir/debian.sources
source_sources=$sources_dir/debian-src.sources

sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi

need_update=false

# 32-bit Wine comes from the i386 architecture.
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  echo "bootstrap: adding the i386 architecture"
  $sudo dpkg --add-architecture i386
  need_update=true
fi

# `apt-get source` needs deb-src entries: the binary entries again, as sources
# (deb822 files on current systems, a one-line list on older ones).
if [[ -f $binary_sources && ! -f $source_sources ]]; then
  echo "bootstrap: enabling source packages in $source_sources"
  sed 's/^Types:.*/Types: deb-src/' "$binary_sources" | $sudo tee "$source_sources" >/dev/null
  need_update=true
elif [[ ! -f $binary_sources && -f /etc/apt/sources.list && ! -f $sources_dir/debian-src.list ]] &&
  ! grep -q '^deb-src ' /etc/apt/sources.list; then
  echo "bootstrap: enabling source packages in $sources_dir/debian-src.list"
  sed -n 's/^deb /deb-src /p' /etc/apt/sources.list | $sudo tee "$sources_dir/debian-src.list" >/dev/null
  need_update=true
fi

# With a second architecture, an unqualified name can match both copies of a
# library; ask for the native one first, then for an architecture-free package.
native=$(dpkg --print-architecture)
installed() {
  local status
  if [[ $1 != *:* ]]; then
    status=$(dpkg-query -W -f='${Status}' "$1:$native" 2>/dev/null) ||
      status=$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null) || true
  else
    status=$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true)
  fi
  [[ $status == "install ok installed" ]]
}

missing=()
for package in "${packages[@]}"; do
  installed "$package" || missing+=("$package")
done

if ((${#missing[@]} == 0)) && ! $need_update; then
  exit 0
fi

$sudo apt-get update -qq
if ((${#missing[@]} > 0)); then
  echo "bootstrap: installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
