#!/usr/bin/env bash
# Builds the reader's libFuzzer target with clang in build/fuzz and runs it for $1 seconds
# (default 60), seeded with the real workbooks and a few made by the writer. Prints the executions and the result; exits
# non-zero when the target crashed, leaked, hung or ran out of memory.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
jobs="${TIKU_FUZZ_JOBS:-2}"

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIKU_WERROR=ON \
    -DTIKU_FUZZ=ON -DTIKU_GUI=OFF -DTIKU_BENCH=OFF -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$jobs" --target fuzz_workbook fuzz_seeds

corpus="$(mktemp -d)"
artifacts="$(mktemp -d)"
trap 'rm -rf "$corpus"' EXIT
fixtures="../shared/fixtures/xls/real"
if [[ -d "$fixtures" ]]; then
    cp "$fixtures"/*.xls "$corpus"/
fi
build/fuzz/bin/fuzz_seeds "$corpus"
if [[ -d "${TIKU_FUZZ_EXTRA_SEEDS:-}" ]]; then
    cp "$TIKU_FUZZ_EXTRA_SEEDS"/* "$corpus"/ 2>/dev/null || true
fi
echo "fuzz: $(ls "$corpus" | wc -l) seed files, ${seconds}s"

log="$artifacts/fuzz.log"
status=0
# Inputs up to 2 MB, large enough for sheet and record floods; each must be handled within
# 3 s and 1 GB (AddressSanitizer included), which super-linear work on such inputs exceeds.
build/fuzz/bin/fuzz_workbook "$corpus" -max_total_time="$seconds" -max_len=2000000 \
    -timeout=3 -rss_limit_mb=1024 -malloc_limit_mb=256 -print_final_stats=1 \
    -artifact_prefix="$artifacts/" >"$log" 2>&1 || status=$?

grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+ +DONE" "$log" || true
if [[ $status -ne 0 ]]; then
    tail -60 "$log"
    echo "fuzz: FAILED (exit $status); artifacts in $artifacts"
    exit 1
fi
rm -rf "$artifacts"
echo "fuzz: OK, no crash"
