#!/usr/bin/env bash
# Starts a small program of the x86_64 build N times under Wine's 64-bit loader, 8 at once, in a
# throwaway prefix, and counts the starts that failed (never part of the test suite).
#   bash scripts/wine-starts.sh [--randomized] [N]   (N: 20000 unless given)
# Without the switch the program starts as the suite starts it (scripts/wine64: address randomization
# off where setarch may turn it off); --randomized calls the loader directly, randomization on.
# Ends with one line: "wine-starts: N starts, F failed" and, when F > 0, how many of them named the
# shared user data. Exits 1 when a start failed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

randomized=
if [ "${1:-}" = --randomized ]; then
  randomized=1
  shift
fi
starts=${1:-20000}
if ! [[ "$starts" =~ ^[1-9][0-9]*$ ]]; then
  echo "wine-starts: N must be a positive number, not '$starts'" >&2
  exit 2
fi

. "$root/scripts/stops.sh"
kv_stops_loud wine-starts
. "$root/scripts/arch.sh"
KV_ARCH=64 KV_ARCH_WHY="the 64-bit loader"
kv_arch_choose wine-starts
bash "$root/scripts/setup.sh"
kv_arch_build kv_recordargs
program=$KV_BUILD/bin/kv_recordargs.exe

. "$root/scripts/wine-env.sh"
work=$KV_BUILD/wine-starts
rm -rf "$work" && mkdir -p "$work"
kv_at_exit kv_wine_down
kv_wine_up "$work/prefix"
# The loader says why a process never started only on its err channel.
export WINEDEBUG=-all,err+virtual
# Each start records its command line in a file of its own (the program shares none for writing).
mkdir -p "$work/records"
export KV_STARTS_RECORDS
KV_STARTS_RECORDS=$(kv_winepath "$work/records")

if [ -n "$randomized" ]; then
  export WINELOADER=/usr/lib/wine/wine64
  loader=(/usr/lib/wine/wine64)
  how="the 64-bit loader with address randomization"
else
  loader=("$root/scripts/wine64")
  how="as the suite starts it (no address randomization)"
  [ "$KV_WINE64_ASLR" = off ] ||
    how="as the suite starts it here (address randomization on: setarch cannot turn it off)"
fi
echo "wine-starts: $starts starts of kv_recordargs.exe, 8 at once, $how"

# One start (start_one N WORK LOADER... PROGRAM): a line in failed.txt when it did not exit 0, its
# output kept beside it.
start_one() {
  local n=$1 work=$2 rc=0 out
  shift 2
  out=$(KV_RECORD_FILE="$KV_STARTS_RECORDS\\$n.log" timeout 120 "$@" "start $n" 2>&1 </dev/null) || rc=$?
  if [ "$rc" -ne 0 ]; then
    printf '%s\n' "$out" >"$work/start-$n.log"
    echo "$n $rc" >>"$work/failed.txt"
  fi
}
export -f start_one
: >"$work/failed.txt"
seq 1 "$starts" | xargs -P 8 -I{} bash -c 'start_one "$@"' _ {} "$work" "${loader[@]}" "$program"

failed=$(wc -l <"$work/failed.txt")
shared=0
if [ "$failed" -gt 0 ]; then
  shared=$({ grep -l 'shared user data' "$work"/start-*.log || true; } | wc -l)
  echo "wine-starts: the failed starts' output is in $work/start-N.log"
fi
ran=$(find "$work/records" -name '*.log' | wc -l)
[ "$ran" -eq $((starts - failed)) ] || echo "wine-starts: $ran starts reached the program"
if [ "$failed" -gt 0 ]; then
  echo "wine-starts: $starts starts, $failed failed ($shared naming the shared user data)"
  exit 1
fi
echo "wine-starts: $starts starts, 0 failed"
