#!/usr/bin/env bash
# Installs the Debian packages that building, testing and running need. Safe to run again.
# Prints one line; the package tool's output goes to the log that line names (its tail on failure).
set -euo pipefail
pkgs=(
  cmake ninja-build g++ pkg-config git
  qt6-base-dev qt6-svg-dev libqt6svg6 qt6-translations-l10n libjpeg62-turbo-dev libturbojpeg0-dev libgphoto2-dev
  libavformat-dev libavcodec-dev libswscale-dev libavutil-dev
  libgtest-dev libgmock-dev libbenchmark-dev libcli11-dev libfmt-dev
  libjpeg-turbo-progs xdg-utils
  xvfb xauth fonts-noto-cjk lintian
  # The install test: the Debian package (dpkg-shlibdeps, file), the validators, the man pages.
  dpkg-dev file desktop-file-utils appstream man-db
  # The card watcher's tests: loop-mounted ext2 images of card trees.
  e2fsprogs mount util-linux
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
log=$(mktemp "${TMPDIR:-/tmp}/orrivan-deps.XXXXXX.log")
what="${#missing[@]} Debian packages"
[ ${#missing[@]} -eq 1 ] && what="the Debian package ${missing[0]}"
echo "Installing $what (log: $log)" >&2
if ! { $sudo apt-get update -q && $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"; } >"$log" 2>&1; then
  echo "Installing the packages failed; the end of $log:" >&2
  tail -n 25 "$log" >&2
  exit 1
fi
