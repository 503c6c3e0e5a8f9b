#!/usr/bin/env bash
# Builds the Debian package tiku_<version>_<arch>.deb from a Release build in build/release.
#
#   scripts/package.sh          # then: sudo apt install ./build/release/tiku_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release
(cd build/release && cpack -G DEB)
