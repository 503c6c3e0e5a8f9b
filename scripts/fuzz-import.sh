#!/usr/bin/env bash
# Builds the import fuzz target with clang in build/fuzz and runs it for $1 seconds (default 30),
# seeded with small .xlsx, .ods, .docx and text files. Prints the executions and the result;
# exits non-zero when the target crashed, leaked, hung or ran out of memory.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-30}"
jobs="${TIKU_FUZZ_JOBS:-2}"

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIKU_WERROR=ON \
    -DTIKU_FUZZ=ON -DTIKU_GUI=OFF -DTIKU_BENCH=OFF -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$jobs" --target fuzz_import fuzz_import_seeds

corpus="$(mktemp -d)"
artifacts="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
build/fuzz/bin/fuzz_import_seeds "$corpus" >/dev/null
echo "fuzz import: $(ls "$corpus" | wc -l) seed files, ${seconds}s"

log="$artifacts/fuzz.log"
status=0
build/fuzz/bin/fuzz_import "$corpus" -max_total_time="$seconds" -max_len=65536 \
    -timeout=10 -rss_limit_mb=2048 -malloc_limit_mb=512 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?

grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+ +DONE" "$log" || true
if [[ $status -ne 0 ]]; then
    tail -60 "$log"
    echo "fuzz import: FAILED (exit $status); artifacts in $artifacts"
    exit 1
fi
rm -rf "$artifacts"
echo "fuzz import: OK, no crash"
