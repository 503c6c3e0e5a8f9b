#!/usr/bin/env bash
# Sets everything up on Debian 12 and starts Tiku on the demo question bank.
set -euo pipefail
cd "$(dirname "$0")"
scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release --target tiku demo_bank
exec build/release/bin/tiku "$@"
