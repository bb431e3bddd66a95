#!/usr/bin/env bash
# Hardening checks, each in a build directory of its own:
#   1. every test under AddressSanitizer and UndefinedBehaviorSanitizer (g++),
#   2. every test once under valgrind memcheck (plain build),
#   3. a run of the three fuzz targets, 30 s each (clang, libFuzzer),
#   4. line and branch coverage of src/ and preview/ (g++ --coverage, gcovr).
# Run from anywhere; builds go to build-hardening/ at the top of the tree.
# About 11 minutes on 2 busy cores (sanitizer build and tests 5, valgrind 2,
# fuzz 3, coverage 2.5).
set -euo pipefail
. "$(dirname "${BASH_SOURCE[0]}")/apt.sh"
cd "$(dirname "$0")/.."
root=$(pwd)
out=${KELVO_HARDENING_DIR:-$root/build-hardening}
jobs=${KELVO_JOBS:-2}

export DEBIAN_FRONTEND=noninteractive
if [ "$(id -u)" = 0 ] && [ "${KELVO_SKIP_APT:-}" != 1 ]; then
  apt_update
  apt_install \
    cmake ninja-build g++ clang-14 libclang-rt-14-dev libgtest-dev googletest \
    valgrind gcovr nlohmann-json3-dev
fi

# The tests write test.txt and temp.txt by the hundred thousand: keep them in
# memory when the machine offers it.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi

step() { printf '\n== %s (%s s so far)\n' "$1" "$SECONDS"; }

step "sanitizers: build"
cmake -S . -B "$out/sanitize" -G Ninja -DKELVO_WERROR=ON -DKELVO_SANITIZE=ON -DKELVO_WINDOWS_TESTS=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out/sanitize" -j "$jobs"
step "sanitizers: every test"
ASAN_OPTIONS=detect_leaks=1:strict_string_checks=1:detect_stack_use_after_return=1 \
UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir "$out/sanitize" -j "$jobs" --output-on-failure

step "valgrind: build"
cmake -S . -B "$out/valgrind" -G Ninja -DKELVO_WERROR=ON -DKELVO_WINDOWS_TESTS=OFF -DKELVO_VSIX=OFF \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out/valgrind" -j "$jobs"
step "valgrind: every test binary under memcheck"
# Without the giant inputs (tests named Huge*: 100 MB lines and a million
# nested terms, minutes each under memcheck; the sanitizer run has them) and
# with 2,000 instead of 100,000 runs in the steady-memory test. The
# allocation-failure tests bring their own operator new: memcheck must leave
# it in place (somalloc=nouserintercepts) and watch the malloc beneath it.
for binary in kelvo_tests kelvo_export_tests kelvo_hardening_tests kelvo_alloc_fault_tests kelvo_preview_tests; do
  echo "-- $binary"
  KELVO_STEADY_RUNS=2000 valgrind --quiet --error-exitcode=1 --leak-check=full \
    --soname-synonyms=somalloc=nouserintercepts \
    --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
    "$out/valgrind/tests/$binary" --gtest_filter='-*.Huge*' --gtest_brief=1
done

step "fuzz: build"
CC=clang-14 CXX=clang++-14 cmake -S . -B "$out/fuzz" -G Ninja -DKELVO_WERROR=ON -DKELVO_FUZZ=ON \
  -DKELVO_BUILD_TESTS=OFF -DKELVO_BUILD_TOOLS=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$out/fuzz" -j "$jobs"
step "fuzz: 30 s each"
for target in translate exports lsp; do
  [ -x "$out/fuzz/fuzz/${target}_fuzzer" ] || { echo "fuzz: ${target}_fuzzer was not built"; exit 1; }
  rm -rf "$out/fuzz/corpus-$target" && mkdir -p "$out/fuzz/corpus-$target"
  "$out/fuzz/fuzz/${target}_fuzzer" -max_total_time=30 -timeout=10 -print_final_stats=1 \
    -artifact_prefix="$out/fuzz/$target-" "$out/fuzz/corpus-$target" "fuzz/corpus/$target" 2>&1 |
    grep -E '^(stat::|Done|==|SUMMARY|fuzz check)' || true
  # libFuzzer leaves an artifact behind for every finding.
  if ls "$out/fuzz/$target-"* >/dev/null 2>&1; then
    echo "fuzz: $target found a failing input"; exit 1
  fi
done

step "coverage: build"
cmake -S . -B "$out/coverage" -G Ninja -DKELVO_COVERAGE=ON -DKELVO_WINDOWS_TESTS=OFF -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build "$out/coverage" -j "$jobs"
step "coverage: every test"
find "$out/coverage" -name '*.gcda' -delete
# The profiling runtime's own complaints (two programs that link the same
# objects merge their counts into one file) go to a file, not into the
# standard error that tests of the tools compare.
GCOV_ERROR_FILE="$out/coverage/gcov-errors.txt" \
  ctest --test-dir "$out/coverage" -j "$jobs" --output-on-failure >/dev/null
step "coverage: src/ and preview/"
gcovr --root "$root" --filter "$root/src/" --filter "$root/preview/" --object-directory "$out/coverage" \
  --exclude-unreachable-branches --exclude-throw-branches --print-summary \
  --txt "$out/coverage/coverage.txt" | tail -3
# The plain report: every file with its uncovered lines.
cat "$out/coverage/coverage.txt"

step "hardening: done"
