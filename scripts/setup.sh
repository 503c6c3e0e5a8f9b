#!/usr/bin/env bash
# Installs the Debian packages Tiku needs to build, run and test. Does nothing
# when they are all present. Needs root (or sudo) on Debian 12.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools libgl-dev
    fonts-arphic-ukai fonts-arphic-uming fonts-comic-neue
    clang libclang-rt-14-dev clang-format
    libbenchmark-dev
    libzip-dev libexpat1-dev
    python3 python3-msoffcrypto-tool python3-xlrd
)
if [[ "${1:-}" == "--test" ]]; then
    packages+=(xvfb xauth xdotool dbus-daemon at-spi2-core python3-pyatspi python3-xlib imagemagick valgrind)
    # The Debian package's test: lintian, the desktop entry, AppStream and manual page checks.
    packages+=(lintian desktop-file-utils appstream man-db groff-base)
    packages+=(libreoffice-calc-nogui libreoffice-writer-nogui python3-uno python3-openpyxl python3-docx)
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done
if ((${#missing[@]} == 0)); then
    exit 0
fi
echo "Installing: ${missing[*]}"
SUDO=""
if [[ $(id -u) -ne 0 ]]; then SUDO=sudo; fi
$SUDO apt-get update
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
