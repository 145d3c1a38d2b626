#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs the fuzz targets of build-fuzz/ (cmake --preset fuzz && cmake --build
# --preset fuzz), one after the other, each for a bounded time, and fails on
# the first crash, leak, sanitizer report or broken invariant.
#
#   bash fuzz/run.sh [seconds] [target...]     default: 30 seconds, every target
#
# Each target starts from its seeds (fuzz/corpus/<target>) and the inputs of
# earlier findings (fuzz/regressions/<target>); what it learns goes to
# build-fuzz/corpus/<target>, which later runs start from too. A finding is
# written to build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(fuzz_channel_file fuzz_csv fuzz_receive fuzz_blocks fuzz_texts fuzz_radio_sim fuzz_radio_image)

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
mkdir -p build-fuzz/artifacts build-fuzz/logs

failed=0
for t in "${targets[@]}"; do
    mkdir -p "build-fuzz/corpus/$t"
    seeds=("fuzz/corpus/$t")
    [ -d "fuzz/regressions/$t" ] && seeds+=("fuzz/regressions/$t")
    log="build-fuzz/logs/$t.log"
    echo "fuzz: $t for ${seconds}s"
    if ./build-fuzz/fuzz/"$t" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 \
        -dict="fuzz/$t.dict" -artifact_prefix="build-fuzz/artifacts/$t-" -print_final_stats=1 \
        "build-fuzz/corpus/$t" "${seeds[@]}" >"$log" 2>&1; then
        done_line=$(grep -E '^#[0-9]+[[:space:]]+DONE' "$log" | tail -1 || true)
        echo "fuzz: $t passed: $done_line"
    else
        failed=1
        echo "fuzz: $t FAILED; the end of $log:"
        tail -40 "$log"
    fi
done
exit $failed
