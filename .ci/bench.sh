#!/usr/bin/env bash
# Benchmarks, smoke only: builds bench/ in Release and runs each program once
# at a tiny size, so that they keep building and running. No timing is judged.
set -euo pipefail
cd "$(dirname "$0")/.."

export DEBIAN_FRONTEND=noninteractive
if [ "$(id -u)" = 0 ] && ! dpkg -s libbenchmark-dev >/dev/null 2>&1; then
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends cmake ninja-build g++ libgtest-dev libbenchmark-dev >/dev/null
fi

cmake -S . -B build-bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DKELVO_WERROR=ON -DKELVO_BUILD_BENCH=ON
cmake --build build-bench -j2 --target kelvo_whole_run kelvo_parser_run kelvo_hot_paths
build-bench/bench/kelvo_whole_run --smoke
build-bench/bench/kelvo_hot_paths --benchmark_min_time=0.01
bench/compare_wc.sh build-bench 3 2000000
