#!/usr/bin/env bash
# Demonstrates an internet update end to end: publishes a release of a dozen program files (one in
# a sub-folder, the stand-in main program as "Kanvolo.exe") on the local update host, whose first
# URL answers 404, and runs "KanvoloUpdate2.exe /INET /1" under Wine in a scratch folder of the
# build tree, both dialogs answered OK. Prints the installed files with their digest check, the
# boot and update logs, the host's requests, the started main program's command line and the
# screenshots. Exits non-zero when a file is missing or differs, or nothing was started.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${KV_BUILD_DIR:-$root/build}
demo=$build/demo

bash "$root/scripts/setup.sh"
cmake -S "$root" -B "$build" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
      -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j4 --target KanvoloUpdate2 kv_answer kv_mainstandin >/dev/null

rm -rf "$demo/program" "$demo/install dir" "$demo/release" "$demo"/*.log "$demo/port"
mkdir -p "$demo/program" "$demo/install dir" "$build/screenshots"
python3 "$root/tests/tools/make_update_release.py" "$demo/release" --count 11 \
        --sizes 20000,150000,64000,8000 --add "Kanvolo.exe=$build/bin/kv_mainstandin.exe"

python3 "$root/tests/tools/update_host.py" --release "$demo/release/release" --bad "$demo/release/bad" \
        --port-file "$demo/port" --log "$demo/requests.log" --idle 300 </dev/null >/dev/null 2>&1 &
host_pid=$!
. "$root/scripts/wine-env.sh"
cleanup() {
  kill "$host_pid" >/dev/null 2>&1 || true
  kv_wine_down
}
trap cleanup EXIT
for _ in $(seq 1 100); do [ -s "$demo/port" ] && break; sleep 0.1; done
port=$(cat "$demo/port")
host="http://127.0.0.1:$port"

echo "== Preparing a Wine prefix"
kv_wine_up "$demo/wineprefix"
win() { winepath -w "$1" 2>/dev/null; }
cp "$build/bin/KanvoloUpdate2.exe" "$demo/program/"
install_win="$(win "$demo/install dir")\\"
printf '[Install]\r\nInstallFolder=%s\r\n' "$install_win" | iconv -f UTF-8 -t CP932 >"$demo/program/Install.ini"
# The updater INI from the Windows folder (no per-user copy yet). The sixth cabinet is served slowly,
# in pieces, long enough to picture the splash window while it downloads.
printf '[VersionControl]\r\nUpdateURL=%s/404/\r\nUpdateURL2=%s/slow250@prog06.dll.cab/\r\nUpdateURL3=%s/ok/\r\nVersionFileName=Version.xml\r\nTimeOut=30\r\nWebUpdate=C:\\nothing\\Sornet.exe\r\n' \
  "$host" "$host" "$host" | iconv -f UTF-8 -t CP932 >"$WINEPREFIX/drive_c/windows/KanvoloUpdate.ini"
wine reg add 'HKCU\Software\Kestrova\Varonel\PARAM' /v HOSPITAL_CODE /t REG_SZ /d 1234 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Kestrova\Varonel\PARAM' /v BYOIN_NAME /t REG_SZ /d 'さくら病院' /f >/dev/null 2>&1

echo "== Running KanvoloUpdate2.exe /INET /1"
export KV_RECORD_FILE
KV_RECORD_FILE=$(win "$demo/standin.log")
(cd "$demo/program" && wine KanvoloUpdate2.exe /INET /1 </dev/null >/dev/null 2>&1) &
update_pid=$!
wine "$build/bin/kv_answer.exe" --image KanvoloUpdate2.exe --transcript "$(win "$demo/answer.log")" --shots demo -- \
  "dialog #32770 バロネル アップデート" "contains 402 インターネットに接続して" "pause 700" "screenshot demo-confirmation" "click 404" \
  "dialog #32770 バロネル アップデート - 更新内容" "pause 700" "screenshot demo-update-contents" "click 507" \
  </dev/null >/dev/null 2>&1 &
answer_pid=$!
splash="$build/screenshots/demo-splash-downloading.png"
rm -f "$splash"
for _ in $(seq 1 600); do
  if grep -q 'prog06.dll.cab' "$demo/requests.log" 2>/dev/null; then
    # Wine's picture of the screen lags behind the first pieces of the download.
    sleep 3
    xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- "png:$splash" || true
    break
  fi
  kill -0 "$update_pid" 2>/dev/null || break
  sleep 0.1
done
wait "$update_pid" || true
answered=0
wait "$answer_pid" || answered=$?
for _ in $(seq 1 100); do [ -s "$demo/standin.log" ] && break; sleep 0.2; done

failed=0
echo
echo "== Installed files (digest check)"
# Tabs would merge around an empty sub-folder: read the fields split at "|".
while IFS='|' read -r name folder _cab size digest; do
  path="$demo/install dir/${folder:+$folder/}$name"
  if [ ! -f "$path" ]; then
    echo "  MISSING  ${folder:+$folder/}$name"
    failed=1
  elif [ "$(md5sum <"$path" | cut -d' ' -f1)" != "$digest" ]; then
    echo "  DIFFERS  ${folder:+$folder/}$name"
    failed=1
  else
    printf '  ok       %-16s %8s bytes  %s\n' "${folder:+$folder/}$name" "$size" "$digest"
  fi
done < <(tr '\t' '|' <"$demo/release/manifest.txt")

data=$(find "$WINEPREFIX/drive_c/users" -type d -path '*Kestrova/バロネル' | head -n1)
echo
echo "== Boot log ($data/UpdateBoot.log)"
iconv -f CP932 -t UTF-8 "$data/UpdateBoot.log" 2>/dev/null | sed 's/^/  /' || echo "  (none)"
echo
echo "== Update log"
iconv -f CP932 -t UTF-8 "$data/Update.log" 2>/dev/null | sed 's/^/  /' || echo "  (none)"
echo
echo "== Requests received by the update host ($host)"
iconv -f CP932 -t UTF-8 "$demo/requests.log" | sed 's/^/  /'
echo
echo "== Main program started with"
if [ -s "$demo/standin.log" ]; then
  sed 's/^/  /' "$demo/standin.log"
else
  echo "  (nothing started)"
  failed=1
fi
[ "$answered" -eq 0 ] || { echo "the dialogs did not come as expected: $demo/answer.log"; failed=1; }
echo
echo "== Screenshots"
for shot in demo-confirmation demo-update-contents demo-splash-downloading; do
  echo "  $build/screenshots/$shot.png"
done
[ "$failed" -eq 0 ] && echo "demo: the update was installed and the main program started" || echo "demo: FAILED"
exit "$failed"
