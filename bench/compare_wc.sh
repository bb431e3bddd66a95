#!/usr/bin/env bash
# Times the whole Parser run (read test.txt, translate, write temp.txt, through
# the exported function) against `wc -w` on the same 50 MB mixed script, in
# one invocation, alternating the two, and prints the ratio of the medians
# (and, as a steadier figure on a machine whose speed swings, the median of
# the ratios of each back-to-back pair).
#
#   bench/compare_wc.sh [BUILD_DIR] [REPETITIONS] [BYTES]
#
# BUILD_DIR (default build-bench) is configured as a Release build and the two
# programs are built in it when they are missing. `wc -w` runs in the locale
# of the calling shell, which the script prints; WC_LOCALE=C (or any locale
# name) runs it in that locale instead.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-bench}
reps=${2:-7}
bytes=${3:-50000000}

if [ ! -x "$build/bench/kelvo_whole_run" ] || [ ! -x "$build/bench/kelvo_parser_run" ]; then
  cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DKELVO_BUILD_BENCH=ON >/dev/null
  cmake --build "$build" -j2 --target kelvo_whole_run kelvo_parser_run >/dev/null
fi
driver=$(cd "$build/bench" && pwd)/kelvo_parser_run
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$build/bench/kelvo_whole_run" --write-mixed "$bytes" "$work/test.txt"

wc_env=()
if [ -n "${WC_LOCALE:-}" ]; then wc_env=(env "LC_ALL=$WC_LOCALE"); fi
wc_locale=$("${wc_env[@]}" locale 2>/dev/null | sed -n 's/^LC_CTYPE=//p' | tr -d '"')
echo "input: $work/test.txt, $(wc -c <"$work/test.txt") bytes, $("${wc_env[@]}" wc -w <"$work/test.txt") words"
echo "wc -w locale: LC_CTYPE=${wc_locale:-unknown}, charmap $("${wc_env[@]}" locale charmap 2>/dev/null || echo unknown)"
echo "machine: $(nproc) cores, load average $(cut -d' ' -f1-3 /proc/loadavg)"

# The shell's `times` (run in this shell: a subshell sees only its own
# children) gives the children's user+sys seconds before and after.
# One timed run of "$@" in the work directory; sets $wall and $cpu.
timed() {
  local c0 c1 t0 t1
  { times; } >"$work/times0"
  t0=$EPOCHREALTIME
  (cd "$work" && "$@" >/dev/null 2>&1) || true
  t1=$EPOCHREALTIME
  { times; } >"$work/times1"
  read -r wall cpu < <(awk -v a="$t0" -v b="$t1" '
    FNR == 2 { s = 0; for (i = 1; i <= 2; ++i) { split($i, t, /m|s/); s += t[1] * 60 + t[2] } c[++n] = s }
    END { printf "%.4f %.4f\n", b - a, c[2] - c[1] }' "$work/times0" "$work/times1")
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2]; else printf "%.4f\n", (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

# Warm the page cache and both programs once.
cat "$work/test.txt" >/dev/null
timed "$driver"
timed "${wc_env[@]}" wc -w test.txt

parser_wall=() parser_cpu=() wc_wall=() wc_cpu=()
for ((i = 1; i <= reps; ++i)); do
  timed "$driver"
  parser_wall+=("$wall") parser_cpu+=("$cpu")
  timed "${wc_env[@]}" wc -w test.txt
  wc_wall+=("$wall") wc_cpu+=("$cpu")
  echo "run $i: Parser ${parser_wall[-1]} s (cpu ${parser_cpu[-1]} s), wc -w ${wc_wall[-1]} s (cpu ${wc_cpu[-1]} s)"
done
pw=$(printf '%s\n' "${parser_wall[@]}" | median)
pc=$(printf '%s\n' "${parser_cpu[@]}" | median)
ww=$(printf '%s\n' "${wc_wall[@]}" | median)
wcc=$(printf '%s\n' "${wc_cpu[@]}" | median)
echo "median of $reps: Parser $pw s wall ($pc s cpu), wc -w $ww s wall ($wcc s cpu)"
# Each Parser run and the wc -w run right after it see the machine in the
# same state; on a virtual machine whose speed swings between runs, the
# median of these pairwise ratios is the steadier figure.
paired=$(for ((i = 0; i < reps; ++i)); do
  awk -v p="${parser_wall[i]}" -v w="${wc_wall[i]}" 'BEGIN { if (w > 0) printf "%.4f\n", p / w }'
done | median)
awk -v p="$pw" -v w="$ww" -v pc="$pc" -v wc="$wcc" -v n="$bytes" -v paired="$paired" 'BEGIN {
  printf "Parser %.1f MB/s, wc -w %.1f MB/s\n", n / 1e6 / p, n / 1e6 / w
  printf "ratio Parser / wc -w (median wall time): %.2f\n", p / w
  if (wc > 0) printf "ratio Parser / wc -w (median cpu time):  %.2f\n", pc / wc
  printf "median of the back-to-back ratios (wall): %.2f\n", paired
}'
