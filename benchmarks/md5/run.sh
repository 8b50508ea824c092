#!/usr/bin/env bash
# The MD5 component's digest of a 200 MB file (mode 1) under Wine and md5sum on the host, the same
# file from the page cache, best of three runs each: bench.sh bench_md5 [MB]
set -euo pipefail
mb=${1:-200}
work=${BENCH_WORK:?}/md5
rm -rf "$work" && mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
file=$work/payload.bin
head -c $((mb * 1000 * 1000)) /dev/urandom >"$file"
bytes=$(stat -c %s "$file")

best=""
for _ in 1 2 3; do
  start=$(date +%s.%N)
  theirs=$(md5sum <"$file" | cut -d' ' -f1)
  end=$(date +%s.%N)
  t=$(awk -v a="$start" -v b="$end" 'BEGIN { print b - a }')
  best=$(awk -v a="$best" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
done

read -r tag ours seconds < <(wine "$BENCH_EXE" "$(winepath -w "$file")" 3 | tr -d '\r')
[ "$tag" = md5 ] || { echo "benchmark program failed" >&2; exit 1; }
[ "$ours" = "$theirs" ] || { echo "digests differ: ours $ours, md5sum $theirs" >&2; exit 1; }

awk -v bytes="$bytes" -v ours="$seconds" -v theirs="$best" -v digest="$ours" 'BEGIN {
  mb = bytes / 1e6; o = mb / ours; t = mb / theirs; r = o / t
  printf "file: %d bytes (%.1f MB) from the page cache, best of 3 runs each; MB/s = 10^6 bytes per second\n", bytes, mb
  printf "MD5 component, mode 1 (Wine): %7.1f MB/s  (%.3f s)\n", o, ours
  printf "md5sum (host):                %7.1f MB/s  (%.3f s)\n", t, theirs
  printf "digests equal: %s\n", digest
  printf "BENCH|MD5 of a %.0f MB file, throughput|%.1f MB/s|md5sum|%.1f MB/s|%.2f|>= 0.67|%s\n", mb, o, t, r,
         (r >= 0.67 ? "met" : "NOT met")
}'
