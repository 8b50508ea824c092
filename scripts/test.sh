#!/usr/bin/env bash
# Installs what is missing, builds the 32-bit deliverables and the build of the sources that this
# machine runs (scripts/arch.sh), and runs the whole test suite under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/stops.sh"
kv_stops_loud tests
. "$root/scripts/arch.sh"
kv_arch_choose tests

bash "$root/scripts/setup.sh"
kv_arch_build
build=$KV_BUILD

. "$root/scripts/wine-env.sh"
. "$root/scripts/db-env.sh"
kv_at_exit 'kv_db_down; kv_wine_down'
kv_db_up "$build/odbc"
kv_wine_up "$build/wineprefix"

cd "$build"
ctest -j"$(nproc)" --output-on-failure --timeout 300 "$@"
