#!/usr/bin/env bash
# Builds the reader's libFuzzer target with clang and runs it for $1 seconds (default 60).
set -euo pipefail
echo "fuzz: not built yet"
