#!/usr/bin/env bash
# Streams a generated 1 GiB input through sylvo and checks that the peak
# resident memory is the same as for a 1 MiB input (within 256 KiB), which
# fills every fixed buffer; a 1 KiB input touches only part of them.
#   tests/stress.sh SYLVO GENERATOR
set -euo pipefail
sylvo=$1
gen=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

peak_kb() {  # runs sylvo on $1 and prints its peak resident memory in KiB
  /usr/bin/time -f %M -o "$work/time" "$sylvo" "$1" "$work/out.mml" > /dev/null
  cat "$work/time"
}

"$gen" plain 1024 > "$work/small.mml"
"$gen" plain $((1 << 30)) > "$work/big.mml"
small=$(peak_kb "$work/small.mml")
"$gen" plain $((1 << 20)) > "$work/medium.mml"
medium=$(peak_kb "$work/medium.mml")
start=$(date +%s%N)
big=$(peak_kb "$work/big.mml")
end=$(date +%s%N)
echo "peak resident memory: 1 KiB input ${small} KiB, 1 MiB ${medium} KiB, 1 GiB ${big} KiB," \
  "$(( (end - start) / 1000000 )) ms for 1 GiB"
if [ "$big" -gt $((medium + 256)) ]; then
  echo "memory grows with the input"
  exit 1
fi
