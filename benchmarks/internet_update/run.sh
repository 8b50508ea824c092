#!/usr/bin/env bash
# About 300 program files, 100 MB, published on the local update host, installed into empty
# folders twice over: by a shell script (curl each cabinet, size check, cabextract, md5sum against
# the listed digest, copy into place) and by "KanvoloUpdate2.exe /INET /CHECK" under Wine with its
# two dialogs answered at once. Whole runs, best of three each. Goal: the program no slower than the
# script.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(dirname "$BENCH_EXE")
work=$BENCH_WORK/internet_update
rm -rf "$work" && mkdir -p "$work"

python3 "$root/tests/tools/make_update_release.py" "$work/release" --count 300 --compress \
        --sizes 3000,8000,20000,50000,100000,150000,250000,400000,500000,1800000
files=$(wc -l <"$work/release/manifest.txt")
bytes=$(awk -F'\t' '{ s += $4 } END { print s }' "$work/release/manifest.txt")
cabs=$(du -cb "$work/release/release"/*.cab | tail -n1 | cut -f1)

python3 "$root/tests/tools/update_host.py" --release "$work/release/release" --port-file "$work/port" \
        --idle 600 </dev/null >/dev/null 2>&1 &
host_pid=$!
trap 'kill $host_pid 2>/dev/null || true' EXIT
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/ok/"

seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }

# The same work with one host tool per step and file.
script_run() {
  local target=$1 dl=$1/Update
  mkdir -p "$dl"
  curl -sf -o "$dl/Version.xml" "${url}Version.xml?ID=0&NAME="
  python3 - "$dl/Version.xml" <<'PY' >"$dl/list.txt"
import sys, xml.dom.minidom
for f in xml.dom.minidom.parse(sys.argv[1]).getElementsByTagName("File"):
    name = f.getAttribute("Name")
    cab = f.getAttribute("CabFile") or name + ".cab"
    print("|".join([name, f.getAttribute("Folder"), cab, f.getAttribute("CabSize"), f.getAttribute("MD5")]))
PY
  while IFS='|' read -r name folder cab size md5; do
    curl -sf -o "$dl/$cab" "${url}${cab,,}?ID=0&NAME="
    [ "$(stat -c %s "$dl/$cab")" = "$size" ] || { echo "size of $cab" >&2; return 1; }
    cabextract -q -d "$dl" "$dl/$cab"
    [ "$(md5sum <"$dl/$name" | cut -d' ' -f1)" = "$md5" ] || { echo "digest of $name" >&2; return 1; }
    mkdir -p "$target/${folder:-.}"
    cp "$dl/$name" "$target/${folder:+$folder/}$name"
  done <"$dl/list.txt"
}

program_run() {
  local target=$1 program=$work/program
  mkdir -p "$program" "$target"
  cp "$bin/KanvoloUpdate2.exe" "$program/"
  printf '[Install]\r\nInstallFolder=%s\\\r\n' "$(winepath -w "$target")" >"$program/Install.ini"
  (cd "$program" && wine KanvoloUpdate2.exe /INET /CHECK </dev/null >/dev/null 2>&1) &
  local update=$!
  wine "$bin/kv_answer.exe" --image KanvoloUpdate2.exe --transcript "$(winepath -w "$work/answer.log")" \
       --shots bench-internet-update --exit-timeout 600 -- \
       "dialog #32770 バロネル アップデート" "click 404" "dialog #32770 バロネル アップデート - 更新内容" "click 507" \
       </dev/null >/dev/null 2>&1 &
  local answer=$!
  wait "$update"
  wait "$answer" || { echo "the dialogs did not come as expected: $work/answer.log" >&2; return 1; }
}

check_installed() {
  while IFS='|' read -r name folder _cab _size md5; do
    [ "$(md5sum <"$1/${folder:+$folder/}$name" | cut -d' ' -f1)" = "$md5" ] || { echo "$1: $name differs" >&2; return 1; }
  done < <(tr '\t' '|' <"$work/release/manifest.txt")
}

printf '[VersionControl]\r\nUpdateURL=%s\r\nTimeOut=60\r\nWebUpdate=C:\\nothing\\Sornet.exe\r\n' "$url" \
  >"$WINEPREFIX/drive_c/windows/KanvoloUpdate.ini"

best_script="" best_program=""
for round in 1 2 3; do
  rm -rf "$work/script-$round" "$work/program-$round"
  start=$(date +%s.%N); script_run "$work/script-$round"; end=$(date +%s.%N)
  t=$(seconds "$start" "$end"); check_installed "$work/script-$round"
  best_script=$(awk -v a="$best_script" -v b="$t" 'BEGIN { print (a == "" || b < a) ? b : a }')
  start=$(date +%s.%N); program_run "$work/program-$round"; end=$(date +%s.%N)
  p=$(seconds "$start" "$end"); check_installed "$work/program-$round"
  best_program=$(awk -v a="$best_program" -v b="$p" 'BEGIN { print (a == "" || b < a) ? b : a }')
  echo "round $round: script $t s, KanvoloUpdate2 $p s"
done

awk -v s="$best_script" -v p="$best_program" -v f="$files" -v b="$bytes" -v c="$cabs" 'BEGIN {
  r = p / s
  printf "files: %d, bytes: %d (cabinets %d)\n", f, b, c
  printf "shell script (curl, cabextract, md5sum, cp): %.3f s\n", s
  printf "KanvoloUpdate2.exe /INET /CHECK under Wine:   %.3f s\n", p
  printf "ratio program/script: %.2f, goal <= 1.0: %s\n", r, (r <= 1.0 ? "met" : "NOT met")
  printf "BENCH|internet update, %d files (%.0f MB)|%.3f s|curl, cabextract, md5sum script|%.3f s|%.2f|<= 1.0|%s\n",
         f, b / 1e6, p, s, r, (r <= 1.0 ? "met" : "NOT met") }'
