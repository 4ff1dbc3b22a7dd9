#!/usr/bin/env bash
# Installs every Debian package the build, the tests and the demo need.
# Idempotent: packages already present are skipped, so a second run costs a few seconds.
set -euo pipefail

packages=(
  cmake g++ make pkg-config libgtest-dev libgmock-dev libbenchmark-dev
  libcurl4-openssl-dev libgtk-3-dev libmpg123-dev libasound2-dev libcpp-httplib-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 binutils-mingw-w64-i686
  wine wine64
  xvfb xauth xdotool openbox imagemagick fonts-wqy-microhei
  lame sox libsox-fmt-mp3 espeak-ng
  clang libclang-rt-14-dev
  file zip curl python3
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
