#!/usr/bin/env bash
# CabCompress (our Cab on cabinet.dll's MSZIP compressor, under Wine) and gcab -c -z (host) on each
# file of the same generated program folder of about 100 MB: one cabinet per file each, as the
# release build makes them. Our cabinets are checked by cabextract before anything is compared.
set -euo pipefail
mb=${1:-100}
work=${BENCH_WORK:?}/cab_compress
rm -rf "$work"
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/ours" "$work/gcab" "$work/check"

# Program files of three kinds, a third of the bytes each: text (resources, scripts), machine
# code-like binaries (many zeros and repeated opcodes) and incompressible data (images, archives).
python3 - "$work/src" "$mb" <<'PY'
import os, random, sys
out, mb = sys.argv[1], int(sys.argv[2])
rng = random.Random(20261210)
words = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyz") for _ in range(rng.randint(2, 9))) for _ in range(800)]
total, n = mb * 1000 * 1000, 0
written = 0
while written < total:
    kind = n % 3
    size = min(rng.randint(200_000, 6_000_000), total - written)
    if kind == 0:
        data = bytearray()
        while len(data) < size:
            data += b" ".join(rng.choice(words) for _ in range(12)) + b"\r\n"
        name = "res%03d.txt" % n
    elif kind == 1:
        ops = [bytes(rng.getrandbits(8) for _ in range(rng.randint(1, 6))) for _ in range(300)]
        data = bytearray()
        while len(data) < size:
            data += rng.choice(ops) if rng.random() < 0.7 else bytes(rng.randint(1, 16))
        name = "mod%03d.dll" % n
    else:
        data = rng.randbytes(size)
        name = "img%03d.bin" % n
    with open(os.path.join(out, name), "wb") as f:
        f.write(bytes(data[:size]))
    written += size
    n += 1
PY
files=$(ls "$work/src" | wc -l)
bytes=$(du -cb "$work/src"/* | tail -1 | cut -f1)

read -r _ ourfiles _ ourbytes _ ours < <(wine "$BENCH_EXE" "$(winepath -w "$work/src")" "$(winepath -w "$work/ours")" 2>/dev/null | tr -d '\r')
[ "$ourfiles" = "$files" ] || { echo "bench: $ourfiles of $files files compressed" >&2; exit 1; }

# Our cabinets first: each must give its file back through cabextract.
for f in "$work/src"/*; do
  name=$(basename "$f")
  cab="$work/ours/${name,,}.cab"
  rm -rf "$work/check"/*
  cabextract -q -d "$work/check" "$cab" >/dev/null 2>&1 || { echo "cabextract refused $cab" >&2; exit 1; }
  cmp -s "$work/check/$name" "$f" || { echo "cabextract gave other bytes for $name" >&2; exit 1; }
done

start=$(date +%s.%N)
for f in "$work/src"/*; do
  name=$(basename "$f")
  (cd "$work/src" && gcab -c -z "$work/gcab/${name,,}.cab" "$name")
done
end=$(date +%s.%N)

oursize=$(du -cb "$work/ours"/*.cab | tail -1 | cut -f1)
gcabsize=$(du -cb "$work/gcab"/*.cab | tail -1 | cut -f1)
awk -v files="$files" -v bytes="$bytes" -v ours="$ours" -v gcab="$(awk -v s="$start" -v e="$end" 'BEGIN { print e - s }')" \
    -v oursize="$oursize" -v gcabsize="$gcabsize" 'BEGIN {
  mb = bytes / 1e6
  printf "program folder: %d files, %d bytes (%.1f MB); one cabinet per file, MSZIP; MB/s = 10^6 bytes per second\n", files, bytes, mb
  printf "CabCompress (our Cab, cabinet.dll under Wine): %7.2f s  %6.1f MB/s  cabinets %d bytes (%.1f%% of the files)\n", ours, mb / ours, oursize, 100 * oursize / bytes
  printf "gcab -c -z (host):                             %7.2f s  %6.1f MB/s  cabinets %d bytes (%.1f%% of the files)\n", gcab, mb / gcab, gcabsize, 100 * gcabsize / bytes
  printf "ratios CabCompress/gcab: time %.2f, total cabinet size %.3f\n", ours / gcab, oursize / gcabsize
  r = ours / gcab
  printf "BENCH|compression, %.0f MB in %d cabinets|%.2f s|gcab -c -z|%.2f s|%.2f|<= 1.25|%s\n", mb, files, ours, gcab, r,
         (r <= 1.25 ? "met" : "NOT met")
}'
