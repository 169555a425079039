#!/usr/bin/env bash
# Installs what is missing (the PostgreSQL server too), builds, starts PostgreSQL and
# runs the whole test suite on SQLite and on PostgreSQL.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh --tests
bash tools/postgres.sh
port=$(pg_lsclusters -h | awk 'NR==1 {print $3}')
export GRAVELON_TEST_PG_HOST=localhost GRAVELON_TEST_PG_PORT="$port"
export GRAVELON_TEST_PG_USER=gravelon GRAVELON_TEST_PG_PASSWORD=gravelon
# A PostgreSQL test that cannot reach the server fails instead of skipping.
export GRAVELON_REQUIRE_PG=1
export QT_QPA_PLATFORM=offscreen
# The operators' desktop is Russian: every test runs under its locale (setup.sh makes it).
export LC_ALL=ru_RU.UTF-8 LANG=ru_RU.UTF-8 LANGUAGE=ru

log=build/ctest.log
set +e
ctest --test-dir build -j2 --output-on-failure -V > "$log" 2>&1
rc=$?
set -e
# The readers' fuzz targets, built with clang under the sanitizers, replay the committed
# workbooks (about a minute; the fuzzing itself is tools/fuzz_readers.sh).
fuzz_log=build/fuzz-replay.log
set +e
{
  cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang \
    -DCMAKE_CXX_COMPILER=clang++ -DGRAVELON_FUZZ=ON &&
    cmake --build build-fuzz -j2 --target fuzz_xlsx fuzz_ods fuzz_xls &&
    ctest --test-dir build-fuzz -R fuzz_replay --output-on-failure
} > "$fuzz_log" 2>&1
fuzz_rc=$?
set -e
if [[ $fuzz_rc -ne 0 ]]; then
  tail -n 40 "$fuzz_log"
  echo "Fuzz targets: build or sanitizer replay FAILED (see $fuzz_log)"
  [[ $rc -eq 0 ]] && rc=$fuzz_rc
else
  echo "Fuzz targets: built; the committed workbooks replay cleanly under ASan + UBSan"
fi
# The failures in full, then what ran on each backend, then ctest's own summary.
grep -A3 -E "^[0-9]+: FAIL!" "$log" || true
pg_pass=$(grep -cE "^[0-9]+: PASS   : .*\(postgres" "$log" || true)
pg_skip=$(grep -cE "^[0-9]+: SKIP   : .*\(postgres" "$log" || true)
sq_pass=$(grep -cE "^[0-9]+: PASS   : .*\(sqlite" "$log" || true)
echo "SQLite cases passed: $sq_pass; PostgreSQL cases passed: $pg_pass, skipped: $pg_skip"
sed -n '/tests passed/,$p' "$log"
exit $rc
