#!/usr/bin/env bash
# A 100 MB cabinet (MSZIP, made by gcab), extracted by CabExtract under Wine and by cabextract,
# best of three runs each.
set -euo pipefail
work=$BENCH_WORK/cab_extract
rm -rf "$work" && mkdir -p "$work/in" "$work/out-kv" "$work/out-ref"
python3 - "$work/in/payload.bin" <<'PY'
import random, sys
random.seed(7)
words = [bytes(random.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(random.randint(2, 9))) for _ in range(4000)]
with open(sys.argv[1], "wb") as f:
    written = 0
    while written < 100 * 1024 * 1024:
        chunk = b" ".join(random.choices(words, k=20000)) + random.randbytes(2000)
        f.write(chunk)
        written += len(chunk)
PY
(cd "$work/in" && gcab -c -z "$work/big.cab" payload.bin)
ls -l "$work/big.cab" "$work/in/payload.bin" | awk '{print $5, $9}'

# Best of three runs each, into emptied folders.
ref="" kv="" state=""
for _ in 1 2 3; do
  rm -rf "$work/out-ref" "$work/out-kv" && mkdir -p "$work/out-ref" "$work/out-kv"
  ref_start=$(date +%s.%N)
  cabextract -q -d "$work/out-ref" "$work/big.cab"
  ref_end=$(date +%s.%N)
  t=$(awk -v a="$ref_start" -v b="$ref_end" 'BEGIN { printf "%.3f", b - a }')
  ref=$(awk -v a="$ref" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')

  read -r state t < <(wine "$BENCH_EXE" "$(winepath -w "$work/big.cab")" "$(winepath -w "$work/out-kv")" | tr -d '\r')
  [ "$state" = ok ] || { echo "CabExtract: $state" >&2; exit 1; }
  kv=$(awk -v a="$kv" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
  cmp "$work/in/payload.bin" "$work/out-kv/payload.bin" && cmp "$work/in/payload.bin" "$work/out-ref/payload.bin"
done
awk -v kv="$kv" -v ref="$ref" -v state="$state" 'BEGIN {
  r = kv / ref; verdict = (r <= 1.25 ? "met" : "NOT met")
  printf "CabExtract (Wine setupapi): %.3f s (%s)\ncabextract:                 %.3f s\nratio CabExtract/cabextract: %.2f, goal <= 1.25: %s\n", kv, state, ref, r, verdict
  printf "BENCH|cabinet extraction, 100 MB (MSZIP)|%.3f s|cabextract|%.3f s|%.2f|<= 1.25|%s\n", kv, ref, r, verdict }'
