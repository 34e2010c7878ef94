#!/usr/bin/env bash
# Installs what the tests need, builds everything and runs every test: the whole suite,
# the unit tests again under AddressSanitizer and UndefinedBehaviorSanitizer, and each
# fuzz target for a bounded time. Fails when anything fails.
set -euo pipefail
cd "$(dirname "$0")/.."
. packaging/deps.sh
# shellcheck disable=SC2086
corvane_install_packages $CORVANE_BUILD_PACKAGES $CORVANE_RUNTIME_PACKAGES $CORVANE_TEST_PACKAGES

# Dates and texts in tests must not depend on the machine.
export TZ=UTC LANG=C.UTF-8 LC_ALL=C.UTF-8
jobs=$(nproc)
fuzz_seconds=${CORVANE_FUZZ_SECONDS:-25}

echo "== build and run all tests"
cmake -S . -B build/test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCORVANE_WERROR=ON >/dev/null
cmake --build build/test -j"$jobs"
ctest --test-dir build/test -j"$jobs" --output-on-failure --timeout 600

echo "== unit and ui tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build/sanitize -DCMAKE_BUILD_TYPE=Debug -DCORVANE_WERROR=ON -DCORVANE_SANITIZE=ON \
  -DCORVANE_BUILD_BENCH=OFF >/dev/null
cmake --build build/sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  LSAN_OPTIONS=suppressions=$PWD/tests/sanitizer/lsan.supp QT_QPA_PLATFORM=offscreen \
  ctest --test-dir build/sanitize -L 'unit|ui' -j"$jobs" --output-on-failure --timeout 600

echo "== fuzz targets, ${fuzz_seconds}s each"
cmake -S . -B build/fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCORVANE_BUILD_FUZZ=ON -DCORVANE_BUILD_TESTS=OFF -DCORVANE_BUILD_BENCH=OFF -DCORVANE_BUILD_UI=OFF >/dev/null
cmake --build build/fuzz -j"$jobs"
fuzz_failed=0
fuzz_run=0
while read -r fuzzer xml_cap; do
  [ -n "$fuzzer" ] || continue
  binary=$(find build/fuzz -type f -name "$fuzzer" -perm -u+x | head -n 1)
  corpus=fuzz/corpus/$fuzzer
  work=$(mktemp -d)
  [ -d "$corpus" ] && cp -r "$corpus"/. "$work"/
  # Files of the tree that are seeds too (test fixtures, the shipped config.ini) are named
  # in a list, not copied into the corpus, so the seeds never drift from them.
  if [ -f "$corpus.fixtures" ]; then
    while read -r fixture; do
      [ -n "$fixture" ] && cp "$fixture" "$work"/
    done <"$corpus.fixtures"
  fi
  # XML readers also get deeply nested seeds and one near their size cap, made here.
  [ "${xml_cap:-0}" -gt 0 ] && bash fuzz/seeds.sh "$work" "$xml_cap"
  # libFuzzer cuts seeds to 1 MiB unless told to take longer inputs. Seeds near a 64 MiB
  # cap take seconds by design, so slow inputs are not written out as findings.
  largest=$(find "$work" -type f -printf '%s\n' | sort -n | tail -n 1)
  options=()
  [ "${largest:-0}" -gt 1048576 ] && options+=(-max_len="$largest")
  [ -f "$corpus.dict" ] && options+=(-dict="$corpus.dict")
  if "$binary" -max_total_time="$fuzz_seconds" -print_final_stats=0 -report_slow_units=100000 "${options[@]}" \
    "$work" >"$work.log" 2>&1; then
    echo "fuzz $fuzzer: no findings"
  else
    echo "fuzz $fuzzer: FAILED"; tail -n 40 "$work.log"; fuzz_failed=$((fuzz_failed + 1))
  fi
  fuzz_run=$((fuzz_run + 1))
  rm -rf "$work" "$work.log"
done < build/fuzz/fuzzers.txt
[ "$fuzz_run" -eq 0 ] || echo "fuzz: $((fuzz_run - fuzz_failed)) passed, $fuzz_failed failed"
[ "$fuzz_failed" -eq 0 ]
