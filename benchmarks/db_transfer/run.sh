#!/usr/bin/env bash
# UploadData and DownloadData under Wine against psql's \copy of the same rows into and out of
# the same PostgreSQL server: bench.sh bench_db_transfer [FILES] [MB]
set -euo pipefail
files=${1:-300}
mb=${2:-100}
rm -rf "$BENCH_WORK"
mkdir -p "$BENCH_WORK"
pg() { PGOPTIONS='-c client_min_messages=warning' PGPASSWORD=$KV_PG_PASSWORD psql -X -q -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$KV_PG_PORT" -U "$KV_PG_USER" -d MOSURI "$@"; }
now() { date +%s.%N; }

# Best of three rounds each, both sides alike: the machine is shared and one pass is noisy.
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }
up="" down="" cin="" cout=""
for round in 1 2 3; do
  rm -rf "$BENCH_WORK/up" "$BENCH_WORK/down"
  pg -c 'DELETE FROM version'
  read -r tag count bytes u d < <(wine "$BENCH_EXE" "$(winepath -w "$BENCH_WORK")" "$files" "$mb" | tr -d '\r')
  [ "$tag" = db ] || { echo "benchmark program failed" >&2; exit 1; }
  # The program compared each file; compare once more from the host.
  diff -rq "$BENCH_WORK/up" "$BENCH_WORK/down"

  dump=$BENCH_WORK/version.copy
  t0=$(now)
  pg -c "\\copy version TO '$dump'"
  t1=$(now)
  pg -c 'DROP TABLE IF EXISTS version_bench' -c 'CREATE TABLE version_bench (LIKE version INCLUDING ALL)'
  t2=$(now)
  pg -c "\\copy version_bench FROM '$dump'"
  t3=$(now)
  rows=$(pg -At -c 'SELECT count(*) FROM version_bench WHERE (ver_name,md5(ver_image)) IN (SELECT ver_name,md5(ver_image) FROM version)')
  pg -c 'DROP TABLE version_bench'
  [ "$rows" = "$count" ] || { echo "\\copy: $rows of $count rows" >&2; exit 1; }
  rm -f "$dump"
  echo "round $round: UploadData $u s, DownloadData $d s, \\copy in $(awk -v a="$t2" -v b="$t3" 'BEGIN { print b - a }') s, \\copy out $(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }') s"
  up=$(best "$up" "$u") down=$(best "$down" "$d")
  cin=$(best "$cin" "$(awk -v a="$t2" -v b="$t3" 'BEGIN { print b - a }')")
  cout=$(best "$cout" "$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')")
done

awk -v n="$count" -v bytes="$bytes" -v up="$up" -v down="$down" -v cin="$cin" -v cout="$cout" 'BEGIN {
  mb = bytes / 1e6
  printf "%d files, %d bytes (%.1f MB), PostgreSQL on 127.0.0.1, best of 3 rounds each; MB/s = 10^6 bytes per second\n", n, bytes, mb
  printf "up:   UploadData   %7.2f s %7.1f MB/s   psql \\copy in  %6.2f s %7.1f MB/s   ratio %.1f\n", up, mb / up, cin, mb / cin, up / cin
  printf "down: DownloadData %7.2f s %7.1f MB/s   psql \\copy out %6.2f s %7.1f MB/s   ratio %.1f\n", down, mb / down, cout, mb / cout, down / cout
  print "files compared byte for byte: equal"
  u = up / cin; d = down / cout
  printf "BENCH|database upload, %d files %.0f MB|%.2f s|psql \\copy in|%.2f s|%.2f|<= 2|%s\n", n, mb, up, cin, u, (u <= 2 ? "met" : "NOT met")
  printf "BENCH|database download, %d files %.0f MB|%.2f s|psql \\copy out|%.2f s|%.2f|<= 2|%s\n", n, mb, down, cout, d, (d <= 2 ? "met" : "NOT met")
}'
