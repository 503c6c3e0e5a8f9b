#!/usr/bin/env bash
# Builds the libFuzzer targets with clang in build/fuzz and runs each for a while:
#   scripts/fuzz.sh [WORKBOOK_SECONDS] [IMPORT_SECONDS]      (defaults 60 and 30; 0 skips one)
# fuzz_workbook (the .xls reader) is seeded with the real workbooks and some made by the writer;
# fuzz_import (the readers of .xlsx, .ods, .docx and question lists) with small generated files.
# Prints the executions and the result of each; exits non-zero when a target crashed, leaked,
# hung or ran out of memory.
set -euo pipefail
cd "$(dirname "$0")/.."
workbook_seconds="${1:-60}"
import_seconds="${2:-30}"
jobs="${TIKU_FUZZ_JOBS:-2}"

cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTIKU_WERROR=ON \
    -DTIKU_FUZZ=ON -DTIKU_GUI=OFF -DTIKU_BENCH=OFF -DBUILD_TESTING=OFF \
    -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j "$jobs" --target fuzz_workbook fuzz_seeds fuzz_import fuzz_import_seeds

# run TARGET SECONDS CORPUS LIBFUZZER_OPTIONS...
run() {
    local target=$1 seconds=$2 corpus=$3
    shift 3
    local artifacts status=0
    artifacts="$(mktemp -d)"
    echo "$target: $(ls "$corpus" | wc -l) seed files, ${seconds}s"
    build/fuzz/bin/"$target" "$corpus" -max_total_time="$seconds" -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "$@" >"$artifacts/fuzz.log" 2>&1 || status=$?
    grep -E "^stat::number_of_executed_units|^stat::peak_rss_mb|^#[0-9]+ +DONE" \
        "$artifacts/fuzz.log" || true
    if [[ $status -ne 0 ]]; then
        tail -60 "$artifacts/fuzz.log"
        echo "$target: FAILED (exit $status); artifacts in $artifacts"
        exit 1
    fi
    rm -rf "$artifacts"
    echo "$target: OK, no crash"
}

corpora="$(mktemp -d)"
trap 'rm -rf "$corpora"' EXIT

if ((workbook_seconds > 0)); then
    mkdir "$corpora/workbook"
    fixtures="../shared/fixtures/xls/real"
    if [[ -d "$fixtures" ]]; then
        cp "$fixtures"/*.xls "$corpora/workbook"/
    fi
    build/fuzz/bin/fuzz_seeds "$corpora/workbook"
    if [[ -d "${TIKU_FUZZ_EXTRA_SEEDS:-}" ]]; then
        cp "$TIKU_FUZZ_EXTRA_SEEDS"/* "$corpora/workbook"/ 2>/dev/null || true
    fi
    # Inputs up to 2 MB, large enough for sheet and record floods; each must be handled within
    # 3 s and 1 GB (AddressSanitizer included), which super-linear work on such inputs exceeds.
    run fuzz_workbook "$workbook_seconds" "$corpora/workbook" -max_len=2000000 -timeout=3 \
        -rss_limit_mb=1024 -malloc_limit_mb=256
fi

if ((import_seconds > 0)); then
    mkdir "$corpora/import"
    build/fuzz/bin/fuzz_import_seeds "$corpora/import" >/dev/null
    run fuzz_import "$import_seconds" "$corpora/import" -max_len=65536 -timeout=10 \
        -rss_limit_mb=2048 -malloc_limit_mb=512
fi
