#!/usr/bin/env bash
# A 100 MB cabinet (MSZIP, made by gcab), extracted by CabExtract under Wine and by cabextract.
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

ref_start=$(date +%s.%N)
cabextract -q -d "$work/out-ref" "$work/big.cab"
ref_end=$(date +%s.%N)
ref=$(awk -v a="$ref_start" -v b="$ref_end" 'BEGIN { printf "%.3f", b - a }')

read -r state kv < <(wine "$BENCH_EXE" "$(winepath -w "$work/big.cab")" "$(winepath -w "$work/out-kv")" | tr -d '\r')
cmp "$work/in/payload.bin" "$work/out-kv/payload.bin" && cmp "$work/in/payload.bin" "$work/out-ref/payload.bin"
awk -v kv="$kv" -v ref="$ref" -v state="$state" 'BEGIN {
  printf "CabExtract (Wine setupapi): %.3f s (%s)\ncabextract:                 %.3f s\nratio CabExtract/cabextract: %.2f\n", kv, state, ref, kv / ref }'
