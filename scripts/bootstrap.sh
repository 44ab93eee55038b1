#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages the build, the tests and the
# demo need. Does nothing when they are all present; safe to run again.
set -euo pipefail

packages=(
  build-essential cmake make pkg-config
  libcurl4 libcurl4-openssl-dev curl
  libxml2-dev
  googletest libgtest-dev libgmock-dev
  libcli11-dev nlohmann-json3-dev
  python3 python3-flask
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ $status == "install ok installed" ]] || missing+=("$package")
done

if ((${#missing[@]} == 0)); then
  exit 0
fi

echo "bootstrap: installing ${missing[*]}"
sudo=""
if [[ $(id -u) -ne 0 ]]; then sudo="sudo"; fi
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
