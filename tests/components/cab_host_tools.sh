#!/usr/bin/env bash
# Cabinets written by our Cab under Wine, read back by the host's cabextract and gcab: 0 bytes,
# 1 byte, several 32 KiB blocks and a name in the ANSI code page (932), whose stored name the
# host tools spell their own way, so that one is judged on its contents.
# Usage: cab_host_tools.sh <kv_cab.exe>
set -euo pipefail
tool=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/src" "$work/cab"

: >"$work/src/zero.bin"
printf 'x' >"$work/src/one.bin"
{ head -c 70000 /dev/urandom; head -c 100000 < <(yes 'a line of text'); head -c 3000 /dev/urandom; } >"$work/src/Blocks.BIN"
head -c 5000 /dev/urandom >"$work/src/表示ソ.dll"

src_win=$(winepath -w "$work/src/")
cab_win=$(winepath -w "$work/cab")
fail=0
n=0
for name in zero.bin one.bin Blocks.BIN 表示ソ.dll; do
  n=$((n + 1))
  cabinet="$work/cab/$n.cab"
  rc=0
  KV_CAB_COMMAND="-a -r  \"$cab_win\\$n.cab\" \"$src_win\" \"$name\"" wine "$tool" </dev/null >/dev/null 2>&1 || rc=$?
  if [ "$rc" -ne 0 ] || [ ! -f "$cabinet" ]; then
    echo "FAIL $name: Cab answered $rc"; fail=1; continue
  fi

  # cabextract: the file's bytes, by name where the name is plain ASCII.
  out="$work/x-cabextract-$n"
  mkdir -p "$out"
  if ! cabextract -q -d "$out" "$cabinet" >/dev/null 2>&1; then
    echo "FAIL $name: cabextract refused the cabinet"; fail=1
  elif [ "$(find "$out" -type f | wc -l)" -ne 1 ] || ! cmp -s "$(find "$out" -type f)" "$work/src/$name"; then
    echo "FAIL $name: cabextract gave other contents"; fail=1
  elif [[ "$name" =~ ^[A-Za-z.]+$ ]] && [ ! -f "$out/$name" ]; then
    echo "FAIL $name: cabextract named it $(ls "$out")"; fail=1
  fi

  out="$work/x-gcab-$n"
  mkdir -p "$out"
  if ! gcab -x -C "$out" "$cabinet" >/dev/null 2>&1; then
    echo "FAIL $name: gcab refused the cabinet"; fail=1
  elif [ "$(find "$out" -type f | wc -l)" -ne 1 ] || ! cmp -s "$(find "$out" -type f)" "$work/src/$name"; then
    echo "FAIL $name: gcab gave other contents"; fail=1
  elif [[ "$name" =~ ^[A-Za-z.]+$ ]] && [ ! -f "$out/$name" ]; then
    echo "FAIL $name: gcab named it $(ls "$out")"; fail=1
  fi
done

# A failing Cab leaves nothing at the cabinet path, not even the old cabinet.
echo old >"$work/cab/gone.cab"
rc=0
KV_CAB_COMMAND="-a -r  \"$cab_win\\gone.cab\" \"$src_win\" \"missing.bin\"" wine "$tool" </dev/null >/dev/null 2>&1 || rc=$?
if [ "$rc" -eq 0 ] || [ -e "$work/cab/gone.cab" ]; then
  echo "FAIL missing source: Cab answered $rc, cabinet left: $(ls "$work/cab")"; fail=1
fi

[ "$fail" -eq 0 ] && echo "all cabinets read back by cabextract and gcab"
exit "$fail"
