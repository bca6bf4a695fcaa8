#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need. Safe to run again.
set -euo pipefail
pkgs=(
  cmake ninja-build g++ pkg-config git
  qt6-base-dev qt6-svg-dev libqt6svg6 libjpeg62-turbo-dev libturbojpeg0-dev libgphoto2-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libfmt-dev
  libjpeg-turbo-progs xdg-utils
  xvfb xauth fonts-noto-cjk desktop-file-utils appstream lintian man-db
)
if [ "${ORRIVAN_WITH_FUZZ:-0}" = 1 ]; then pkgs+=(clang libclang-rt-14-dev); fi
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
