#!/usr/bin/env bash
# build-package.sh [BUILD_DIR]
# Builds the Debian package pagegleaner_VERSION_ARCH.deb into the top of the
# tree: a release build of the two programs (no tests, no benchmarks) in a
# build folder of its own, with Debian's hardening flags, packed by CPack.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-package}

export DEB_BUILD_MAINT_OPTIONS=hardening=+all
cxxflags="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
ldflags=$(dpkg-buildflags --get LDFLAGS)
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi

cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DBUILD_TESTING=OFF -DPG_BUILD_BENCH=OFF -DPG_BUILD_FUZZERS=OFF -DPG_SANITIZE=OFF \
    "-DCMAKE_CXX_FLAGS=$cxxflags" "-DCMAKE_EXE_LINKER_FLAGS=$ldflags" "${launcher[@]}"
cmake --build "$dir" -j "${JOBS:-$(nproc)}"
rm -f "$dir"/pagegleaner_*.deb
(cd "$dir" && cpack -G DEB)
rm -f pagegleaner_*_*.deb
cp "$dir"/pagegleaner_*.deb .
ls -l pagegleaner_*.deb
