#!/usr/bin/env bash
# The transfer control under Wine and curl on the host, each fetching the same 200 MiB body from
# the same server on 127.0.0.1 (the benchmark program), best of three runs each.
set -euo pipefail
mib=${1:-200}

# Its lines end in CR LF; a filter in between would hold them back in its buffer.
coproc BENCH { wine "$BENCH_EXE" "$mib" 2>&1; }
read -r _ url <&"${BENCH[0]}"
read -r tag bytes head body <&"${BENCH[0]}"
url=${url%$'\r'} body=${body%$'\r'}
[ "$tag" = component ] || { echo "benchmark program: $tag $bytes $head $body" >&2; exit 1; }

best=""
for _ in 1 2 3; do
  read -r size start total < <(curl -s -o /dev/null -w '%{size_download} %{time_starttransfer} %{time_total}\n' "$url")
  [ "$size" = "$bytes" ] || { echo "curl: $size of $bytes bytes" >&2; exit 1; }
  run=$(awk -v s="$start" -v t="$total" 'BEGIN { printf "%.4f %.4f", s, t - s }')
  if [ -z "$best" ] || awk -v a="${run#* }" -v b="${best#* }" 'BEGIN { exit !(a < b) }'; then best=$run; fi
done
exec {BENCH[1]}>&-
wait "$BENCH_PID" || true

awk -v bytes="$bytes" -v head="$head" -v body="$body" -v chead="${best% *}" -v cbody="${best#* }" 'BEGIN {
  mb = bytes / 1e6
  k = mb / body; c = mb / cbody
  printf "body: %d bytes (%.1f MB) from 127.0.0.1, best of 3 runs each; MB/s = 10^6 bytes per second\n", bytes, mb
  printf "InternetTransferControl (Wine WinINet), 1024-byte pieces: %7.1f MB/s  (body %.3f s, response head after %.3f s)\n", k, body, head
  printf "curl (host):                                             %7.1f MB/s  (body %.3f s, response head after %.3f s)\n", c, cbody, chead
  verdict = "NOT met"; if (k >= 125) verdict = "met"
  printf "ratio control/curl: %.2f   goal for the control: 125 MB/s (%s)\n", k / c, verdict
  printf "BENCH|download %.0f MB from 127.0.0.1 (transfer control)|%.1f MB/s|curl|%.1f MB/s|%.2f|>= 125 MB/s|%s\n",
         mb, k, c, k / c, verdict
}'
