#!/usr/bin/env bash
# Benchmarks, smoke only: runs each benchmark program of the main (Release)
# build once at a tiny size, so that they keep building and running. No
# timing is judged.
set -euo pipefail
cd "$(dirname "$0")/.."

for program in kelvo_whole_run kelvo_parser_run kelvo_hot_paths kelvo_diagnostics_cost kelvo_lsp_latency kelvo_preview_run; do
  [ -x "build/bench/$program" ] || { echo "bench.sh: build/bench/$program is missing" >&2; exit 1; }
done
build/bench/kelvo_whole_run --smoke
build/bench/kelvo_hot_paths --benchmark_min_time=0.01
bench/compare_wc.sh build 3 2000000
build/bench/kelvo_diagnostics_cost 2000000 1
build/bench/kelvo_lsp_latency build/kelvo 100000 3
build/bench/kelvo_preview_run --benchmark_min_time=0.01
