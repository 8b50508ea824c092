#!/usr/bin/env bash
# Installs what is missing, builds everything for 32-bit Windows and runs the whole test suite
# under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BUILD_DIR:-$root/build}

bash "$root/scripts/setup.sh"

cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j"$(nproc)"

. "$root/scripts/wine-env.sh"
. "$root/scripts/db-env.sh"
trap 'kv_db_down; kv_wine_down' EXIT
kv_db_up "$build/odbc"
kv_wine_up "$build/wineprefix"

cd "$build"
ctest -j"$(nproc)" --output-on-failure --timeout 300 "$@"
