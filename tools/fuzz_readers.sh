#!/usr/bin/env bash
# Runs the reader fuzz targets one after another under ASan + UBSan, seeded from the
# reading corpus and the earlier findings, at low priority (the machine is shared).
# Usage:
#   tools/fuzz_readers.sh BUILD_DIR SECONDS_EACH [xlsx] [ods] [xls]
# Inputs that crash, hang or leak land in BUILD_DIR/fuzz/findings/FORMAT/; copy each
# into tests/workbook/fuzz/ so the replay test keeps it read cleanly. Each target's
# output (with its final statistics) is kept in BUILD_DIR/fuzz/FORMAT.log. The hang
# limit is wall time, generous because the machine is shared: a bounded hostile part
# (two million empty shared strings) takes 2 s of CPU under the sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."
build=$1
seconds=$2
shift 2
formats=("$@")
[[ ${#formats[@]} -eq 0 ]] && formats=(xlsx ods xls)
work=$build/fuzz
python3 tools/fuzz_seeds.py "$work/seeds" tests/intake/data/* tests/intake/corpus/* \
  tests/workbook/fuzz/* examples/*
for f in "${formats[@]}"; do
  mkdir -p "$work/corpus/$f" "$work/findings/$f"
  ASAN_OPTIONS=detect_leaks=1:allocator_may_return_null=1 \
    UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
    nice "$build/bin/fuzz_$f" "$work/corpus/$f" "$work/seeds/$f" \
    -max_total_time="$seconds" -timeout=30 -rss_limit_mb=2048 -max_len=200000 \
    -artifact_prefix="$work/findings/$f/" -print_final_stats=1 >"$work/$f.log" 2>&1 || true
  tail -n 12 "$work/$f.log"
done
