#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Pagegleaner need,
# skipping those that are already there. Works as root or through sudo.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev libcurl4-openssl-dev libcpp-httplib-dev
    qt6-webengine-dev libxcb-ewmh-dev libatspi2.0-dev at-spi2-core dbus
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-dejavu-core fonts-liberation2
    xvfb xauth
    nginx python3 python3-pyftpdlib openssl
    curl wget time
    clang-14 libclang-rt-14-dev clang-format clang-tidy
    # manual pages and icons (built), the Debian package and its checks, screenshots
    scdoc librsvg2-bin gzip
    dpkg-dev file lintian desktop-file-utils appstream
    xdotool imagemagick
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi

echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -q
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -q --no-install-recommends "${missing[@]}"
