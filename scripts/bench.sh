#!/usr/bin/env bash
# Builds and runs the benchmarks under Wine (never part of the test suite).
#   bash scripts/bench.sh                        every benchmark, then one table of all figures
#   bash scripts/bench.sh bench_NAME [args...]   one benchmark, its own output only
# A benchmark that compares with a host tool brings a run.sh that runs both and ends with lines
#   BENCH|<measure>|<ours>|<reference tool>|<theirs>|<ratio>|<goal>|<met or NOT met>
# which the table collects.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/stops.sh"
kv_stops_loud benchmarks
. "$root/scripts/arch.sh"
kv_arch_choose benchmarks
build=$KV_BUILD
arch=$([ "$KV_ARCH" = 32 ] && echo i686 || echo x86_64)

names=()
all=
if [ $# -gt 0 ]; then
  names=("$1")
  shift
else
  all=1
  for dir in "$root"/benchmarks/*/; do
    [ -f "$dir/CMakeLists.txt" ] && names+=("bench_$(basename "$dir")")
  done
fi

bash "$root/scripts/setup.sh"
if [ -z "$all" ]; then
  kv_arch_build "${names[@]}"
else
  # A benchmark that does not build shows as failed; the others still run.
  unbuilt=()
  kv_arch_build "${names[@]}" || for name in "${names[@]}"; do
    cmake --build "$build" -j"$(nproc)" --target "$name" || unbuilt+=("$name")
  done
fi

. "$root/scripts/wine-env.sh"
. "$root/scripts/db-env.sh"
kv_at_exit 'kv_db_down; kv_wine_down'
kv_db_up "$build/odbc-bench"
kv_wine_up "$build/wineprefix-bench"
cd "$build/bin"

# One benchmark: its run.sh (BENCH_EXE, BENCH_WORK set), or the program alone.
run_one() {
  local name=$1 work=$2
  shift 2
  local run="$root/benchmarks/${name#bench_}/run.sh"
  if [ -f "$run" ]; then
    BENCH_EXE="$build/bin/$name.exe" BENCH_WORK="$work" bash "$run" "$@"
  else
    wine "$name.exe" "$@"
  fi
}

if [ -z "$all" ]; then
  run_one "${names[0]}" "$build/bench-work" "$@"
  exit
fi

# Every benchmark in turn, its output shown and kept; a failing one does not stop the others.
logs=$build/bench-logs
rm -rf "$logs" && mkdir -p "$logs"
failed=()
for name in "${names[@]}"; do
  echo "=== $name"
  if [[ " ${unbuilt[*]} " == *" $name "* ]]; then
    failed+=("$name")
    echo "$name: failed (did not build)" >"$logs/$name.failed"
    continue
  fi
  rc=0
  run_one "$name" "$build/bench-work/${name#bench_}" 2>&1 </dev/null | tee "$logs/$name.log" || rc=$?
  if [ "$rc" -ne 0 ] || ! grep -q '^BENCH|' "$logs/$name.log"; then
    failed+=("$name")
    echo "$name: failed (exit $rc$(grep -q '^BENCH|' "$logs/$name.log" || echo ', no BENCH line'))" >"$logs/$name.failed"
  fi
done

echo
echo "=== Benchmarks: ours beside the reference tool, run in the same script ($arch build)"
{
  printf 'benchmark\tbuild\tmeasure\tours\treference\ttheirs\tratio\tgoal\tresult\n'
  for name in "${names[@]}"; do
    if [ -f "$logs/$name.failed" ]; then
      printf '%s\t%s\t%s\t-\t-\t-\t-\t-\tFAILED\n' "${name#bench_}" "$arch" "$(cut -d: -f2- "$logs/$name.failed" | sed 's/^ //')"
      continue
    fi
    tr -d '\r' <"$logs/$name.log" | grep '^BENCH|' |
      awk -F'|' -v n="${name#bench_}" -v a="$arch" 'BEGIN { OFS = "\t" } { print n, a, $2, $3, $4, $5, $6, $7, $8 }'
  done
} | column -t -s $'\t'
if [ ${#failed[@]} -gt 0 ]; then
  echo "failed: ${failed[*]} (output in $logs)"
  exit 1
fi
