#!/usr/bin/env bash
# Times the whole sylvo process against a plain read/write copy (dd bs=64K)
# and cat on generated inputs, and prints the ratios and peak memory.
#   bench/compare.sh BUILD_DIR [RUNS]
# BUILD_DIR must hold sylvo and bench/sylvo_generate (-DSYLVO_BUILD_BENCH=ON).
set -euo pipefail
build=$(cd "${1:?usage: compare.sh BUILD_DIR [RUNS]}" && pwd)
runs=${2:-7}
sylvo=$build/sylvo
gen=$build/bench/sylvo_generate
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Median wall time in seconds of `n` runs of the command, which writes the
# file $1; it is removed before each run, so no run pays for emptying it.
median() {
  local out=$1 times=()
  shift
  for _ in $(seq "$n"); do
    local start end
    rm -f "$out"
    start=$(date +%s%N)
    "$@" > /dev/null 2>&1
    end=$(date +%s%N)
    times+=($((end - start)))
  done
  printf '%s\n' "${times[@]}" | sort -n | awk -v n="$n" 'NR == int((n + 1) / 2) { printf "%.4f", $1 / 1e9 }'
}

peak_kb() { /usr/bin/time -f %M "$@" 2>&1 > /dev/null | tail -n 1; }

printf '%-8s %10s %9s %9s %9s %9s %9s %9s\n' input bytes sylvo_s dd_s cat_s vs_dd MB/s peak_KB
for entry in plain:100000000 mix:100000000 notes:100000000 dense:20000000 densemix:20000000 varied:20000000 comment:50000000 tiny:0 big:1000000000; do
  kind=${entry%%:*}
  size=${entry#*:}
  [ "$kind" = big ] && { [ -n "${SYLVO_BENCH_BIG:-}" ] || continue; kind=plain; }
  in=$work/$kind.mml
  "$gen" "$kind" "$size" > "$in"
  cat "$in" > /dev/null  # into the page cache
  bytes=$(stat -c %s "$in")
  n=$runs
  [ "$bytes" -lt 100000 ] && n=$((runs * 15))  # a start-up is short and noisy
  t_sylvo=$(median "$work/out.mml" "$sylvo" "$in" "$work/out.mml")
  t_dd=$(median "$work/dd.out" dd if="$in" of="$work/dd.out" bs=64K)
  t_cat=$(median "$work/cat.out" sh -c "cat '$in' > '$work/cat.out'")
  peak=$(peak_kb "$sylvo" "$in" "$work/out.mml")
  awk -v k="${entry%%:*}" -v b="$bytes" -v s="$t_sylvo" -v d="$t_dd" -v c="$t_cat" -v p="$peak" \
    'BEGIN { printf "%-8s %10d %9.4f %9.4f %9.4f %9.2f %9.0f %9d\n", k, b, s, d, c, s / d, b / s / 1e6, p }'
  rm -f "$in" "$work"/*.out "$work/out.mml"
done
echo "tiny: compare sylvo_s with cat_s (target within 1.5x)."
