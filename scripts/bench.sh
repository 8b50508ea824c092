#!/usr/bin/env bash
# Builds and runs one benchmark program under Wine: bash scripts/bench.sh bench_NAME [args...]
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BUILD_DIR:-$root/build}
name=${1:?usage: bench.sh bench_NAME [args...]}
shift

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)" --target "$name"

. "$root/scripts/wine-env.sh"
. "$root/scripts/db-env.sh"
trap 'kv_db_down; kv_wine_down' EXIT
kv_db_up "$build/odbc-bench"
kv_wine_up "$build/wineprefix-bench"
cd "$build/bin"
# A benchmark that compares with a host tool brings a run.sh that runs both.
run="$root/benchmarks/${name#bench_}/run.sh"
if [ -f "$run" ]; then
  BENCH_EXE="$build/bin/$name.exe" BENCH_WORK="$build/bench-work" bash "$run" "$@"
else
  wine "$name.exe" "$@"
fi
