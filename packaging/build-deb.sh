#!/usr/bin/env bash
# Builds the Debian package the way a Debian maintainer would: an optimised build with Debian's
# compiler and linker flags (dpkg-buildflags, every hardening feature on), then cpack.
# Prints the path of the package.  Usage: packaging/build-deb.sh [BUILD_DIR]  (default: build-deb)
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-deb}
umask 022  # the package's folders are 0755
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cppflags=$(dpkg-buildflags --get CPPFLAGS)
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORRIVAN_TESTS=OFF -DORRIVAN_BENCH=OFF \
  -DCMAKE_C_FLAGS="$(dpkg-buildflags --get CFLAGS) $cppflags" \
  -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $cppflags" \
  -DCMAKE_C_FLAGS_RELEASE=-DNDEBUG -DCMAKE_CXX_FLAGS_RELEASE=-DNDEBUG \
  -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_MODULE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  -DCMAKE_SHARED_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" \
  "${launcher[@]}" >/dev/null
cmake --build "$dir" >&2
cpack -G DEB --config "$dir/CPackConfig.cmake" -B "$dir" >"$dir/cpack.log" 2>&1 ||
  { tail -n 25 "$dir/cpack.log" >&2; exit 1; }
ls "$PWD/$dir"/orrivan_*.deb
