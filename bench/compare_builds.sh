#!/usr/bin/env bash
# Times the whole Parser run of two builds against each other and against
# `wc -w`, on the same generated mixed script, in one invocation: each round
# runs build A, build B and `wc -w` back to back. Prints the medians, each
# build's ratio to `wc -w` and its peak memory (the highest of its rounds).
#
#   bench/compare_builds.sh BUILD_A BUILD_B [REPETITIONS] [BYTES]
#
# Each BUILD is a Release build directory holding bench/kelvo_parser_run
# and bench/kelvo_whole_run (the generator of the script is A's).
set -euo pipefail
a=$1 b=$2 reps=${3:-7} bytes=${4:-50000000}
for build in "$a" "$b"; do
  [ -x "$build/bench/kelvo_parser_run" ] || { echo "no $build/bench/kelvo_parser_run" >&2; exit 2; }
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$a/bench/kelvo_whole_run" --write-mixed "$bytes" "$work/test.txt"
echo "input: $(wc -c <"$work/test.txt") bytes; machine: $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg)"

# One run of "$@" in the work directory: "seconds peak_kib".
measure() {
  (cd "$work" && /usr/bin/time -f '%e %M' -o "$work/time" "$@" >/dev/null 2>&1) || true
  tail -n 1 "$work/time"
}
median() { sort -g | awk '{ v[NR] = $1 } END { m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print m }'; }

cat "$work/test.txt" >/dev/null
measure "$(cd "$a" && pwd)/bench/kelvo_parser_run" >/dev/null
: >"$work/a" ; : >"$work/b" ; : >"$work/wc"
for ((i = 1; i <= reps; ++i)); do
  measure "$(cd "$a" && pwd)/bench/kelvo_parser_run" >>"$work/a"
  measure "$(cd "$b" && pwd)/bench/kelvo_parser_run" >>"$work/b"
  measure wc -w test.txt >>"$work/wc"
  echo "round $i: A $(tail -1 "$work/a" | cut -d' ' -f1) s, B $(tail -1 "$work/b" | cut -d' ' -f1) s, wc -w $(tail -1 "$work/wc" | cut -d' ' -f1) s"
done
wc_time=$(cut -d' ' -f1 "$work/wc" | median)
for side in a b; do
  name=$([ "$side" = a ] && echo "A ($a)" || echo "B ($b)")
  t=$(cut -d' ' -f1 "$work/$side" | median)
  peak=$(cut -d' ' -f2 "$work/$side" | sort -g | tail -1)
  awk -v n="$name" -v t="$t" -v w="$wc_time" -v p="$peak" -v s="$bytes" 'BEGIN {
    printf "%s: median %.3f s, ratio to wc -w %.2f, peak %.1f MB (%.2f x the source)\n", n, t, t / w, p / 1024, p * 1024 / s }'
done
echo "wc -w: median $wc_time s"
