#!/usr/bin/env bash
# The splash window's GetHTTP under Wine (into a file, window shown) and curl on the host (into a
# file), each fetching the same 200 MiB body from the same server on 127.0.0.1 (the benchmark
# program), best of three runs each, whole transfers timed.
set -euo pipefail
mib=${1:-200}
mkdir -p "$BENCH_WORK"
folder=$(winepath -w "$BENCH_WORK")

# Its lines end in CR LF; a filter in between would hold them back in its buffer.
coproc BENCH { wine "$BENCH_EXE" "$folder" "$mib" 2>&1; }
read -r _ url <&"${BENCH[0]}"
read -r tag bytes total <&"${BENCH[0]}"
url=${url%$'\r'} total=${total%$'\r'}
[ "$tag" = gethttp ] || { echo "benchmark program: $tag $bytes $total" >&2; exit 1; }

best=""
for _ in 1 2 3; do
  read -r size time < <(curl -s -o "$BENCH_WORK/curl.cab" -w '%{size_download} %{time_total}\n' "$url")
  [ "$size" = "$bytes" ] || { echo "curl: $size of $bytes bytes" >&2; exit 1; }
  if [ -z "$best" ] || awk -v a="$time" -v b="$best" 'BEGIN { exit !(a < b) }'; then best=$time; fi
done
rm -f "$BENCH_WORK/curl.cab"
exec {BENCH[1]}>&-
wait "$BENCH_PID" || true

awk -v bytes="$bytes" -v g="$total" -v c="$best" 'BEGIN {
  mb = bytes / 1e6
  gs = mb / g; cs = mb / c
  printf "body: %d bytes (%.1f MB) from 127.0.0.1 into a file, best of 3 runs each; MB/s = 10^6 bytes per second\n", bytes, mb
  printf "frmSplash.GetHTTP (Wine), window shown: %7.1f MB/s  (%.3f s)\n", gs, g
  printf "curl (host):                            %7.1f MB/s  (%.3f s)\n", cs, c
  verdict = "NOT met"; if (gs >= 125) verdict = "met"
  printf "ratio GetHTTP/curl: %.2f   goal for GetHTTP: 125 MB/s (%s)\n", gs / cs, verdict
  printf "BENCH|download, frmSplash.GetHTTP, %.0f MB|%.1f MB/s|curl|%.1f MB/s|%.2f|GetHTTP >= 125 MB/s|%s\n", mb, gs, cs, gs / cs, verdict
}'
