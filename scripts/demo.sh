#!/usr/bin/env bash
# Demonstrates the whole chain, each step a real KanvoloUpdate2.exe under Wine, its dialogs answered
# by the answering program (kv_answer), a screenshot of every dialog:
#  1. Release build: "/MAKE /AUTO" on a generated program folder with its release history (SQLite,
#     KV_RELEASE_HISTORY); the cabinet folder it makes is published on the local update host, whose
#     first URL answers 404.
#  2. PC A (a Wine prefix of its own): the database server put in its settings ("/SETUP /CHECK",
#     driver code 1 through the "SQL Server" alias on a throwaway PostgreSQL cluster), then "/INET"
#     installs the release, uploads the installed files into the update database and starts the
#     main program (a stand-in).
#  3. PC B (a second prefix, no server set yet): the default run asks for the database server,
#     passes ExistDatabase, installs from the update database and starts the main program.
# Prints per PC what was installed (name, version, digest checked by md5sum), the boot and update
# logs, the rows of VERSION after PC A and where the screenshots are. Exits non-zero when a step
# did not reach its end.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/scripts/stops.sh"
kv_stops_loud demo
. "$root/scripts/arch.sh"
kv_arch_choose demo
build=$KV_BUILD
demo=$build/demo
shots=$build/screenshots

bash "$root/scripts/setup.sh"
KV_JOBS=4 kv_arch_build KanvoloUpdate2 kv_answer kv_mainstandin >/dev/null

rm -rf "$demo/maker" "$demo/history" "$demo"/*.log "$demo"/*.script "$demo/port"
mkdir -p "$demo" "$shots"
rm -f "$shots"/demo-*.png

# The maker's program folder: the stand-in main program as "Kanvolo.exe" and eleven program files
# (one installed into a sub-folder), not compressible, so that a cabinet takes a while to download.
python3 "$root/tests/tools/make_program_folder.py" "$demo/maker" --count 11 --random \
        --sizes 20000,150000,64000,8000 --add "Kanvolo.exe=$build/bin/kv_mainstandin.exe"
python3 "$root/tests/maintenance/fixtures/make_history.py" "$demo/history" >/dev/null
cp "$build/bin/KanvoloUpdate2.exe" "$demo/maker/"

. "$root/scripts/wine-env.sh"
. "$root/scripts/db-env.sh"
host_pid=
prefix_a=$demo/pc-a
prefix_b=$demo/pc-b
pc_b_made=
cleanup() {
  [ -z "$host_pid" ] || kill "$host_pid" >/dev/null 2>&1
  [ -z "$pc_b_made" ] || wait "$pc_b_made" >/dev/null 2>&1
  [ ! -d "$prefix_b" ] || WINEPREFIX=$prefix_b KV_XVFB_PID= kv_wine_down
  WINEPREFIX=$prefix_a kv_wine_down
  kv_db_down
}
kv_at_exit cleanup

echo "== Preparing the update database (PostgreSQL, reached as \"SQL Server\") and two Wine prefixes"
kv_db_up "$demo/odbc"
kv_wine_up "$prefix_a"
export KV_ANSWER="$build/bin/kv_answer.exe"
# A setting of the product in the current prefix's registry: setting PC NAME VALUE.
setting() {
  kv_wine_step "cannot put the setting $2 into $1's registry" \
    wine reg add 'HKCU\Software\Kestrova\Varonel\PARAM' /v "$2" /t REG_SZ /d "$3" /f
}
rm -f "$demo/pc-b-prefix.log"
(
  # PC B's prefix is made while the release is built and PC A works.
  kv_wine_prefix "$prefix_b"
  setting "PC B" DB_DRIVER 1
  setting "PC B" DB_OPTION "Port=$KV_PG_PORT"
  kv_wine_step "cannot make the Wine prefix $prefix_b" wineserver -w
) </dev/null >"$demo/pc-b-prefix.log" 2>&1 &
pc_b_made=$!
export WINEPREFIX=$prefix_a

failed=0
fail() { echo "  FAILED: $*"; failed=1; }

# One step: runs KanvoloUpdate2.exe with the arguments in the program folder (host path) of the
# current prefix and answers its dialogs with the script lines (answer.cpp); an unexpected dialog
# is pictured as demo-NAME-unexpected-N. The boot log it wrote is kept as $demo/NAME-boot.log.
step() {
  local name=$1 folder=$2 arguments=$3
  shift 3
  printf '%s\n' "$@" >"$demo/$name.script"
  local data
  data=$(find "$WINEPREFIX/drive_c/users" -type d -path '*Kestrova/バロネル' | head -n1)
  # Update.log grows from run to run: this step's lines are those after its size now.
  local logged=0
  [ -n "$data" ] && [ -f "$data/Update.log" ] && logged=$(stat -c %s "$data/Update.log")
  local record transcript script
  record=$(kv_winepath "$demo/$name-main.log")
  transcript=$(kv_winepath "$demo/$name-answer.log")
  script=$(kv_winepath "$demo/$name.script")
  (cd "$folder" && KV_RECORD_FILE=$record timeout 180 wine KanvoloUpdate2.exe $arguments \
     </dev/null >/dev/null 2>&1) &
  local program=$!
  # The answering program follows the process once it runs there: once it wrote its boot log.
  for _ in $(seq 1 300); do
    [ -n "$(find "$WINEPREFIX/drive_c/users" -name UpdateBoot.log -newer "$demo/$name.script" 2>/dev/null)" ] && break
    kill -0 "$program" 2>/dev/null || break
    sleep 0.1
  done
  local answered=0
  wine "$KV_ANSWER" --image KanvoloUpdate2.exe --transcript "$transcript" \
       --shots "demo-$name" --exit-timeout 150 --script "$script" \
       </dev/null >/dev/null 2>&1 || answered=$?
  local ended=0
  wait "$program" || ended=$?
  data=$(find "$WINEPREFIX/drive_c/users" -type d -path '*Kestrova/バロネル' | head -n1)
  iconv -f CP932 -t UTF-8 "$data/UpdateBoot.log" >"$demo/$name-boot.log" 2>/dev/null || : >"$demo/$name-boot.log"
  if [ -f "$data/Update.log" ]; then
    tail -c +$((logged + 1)) "$data/Update.log" | iconv -f CP932 -t UTF-8 >"$demo/$name-update.log"
  fi
  if [ "$answered" -ne 0 ]; then
    fail "the dialogs of '$name' did not come as scripted ($demo/$name-answer.log):"
    grep -A6 'FAILED' "$demo/$name-answer.log" | grep -v ' (hidden) ' | sed 's/^/    /' || true
  fi
  [ "$ended" -eq 0 ] || fail "'$name' ended with $ended"
}

# Log lines without their time stamps, indented.
stamp='^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:.]{12} '
show_log() {
  local title=$1 file=$2
  echo "  -- $title"
  if [ -s "$file" ]; then sed -E "s/$stamp//; s/^/     /" "$file"; else echo "     (none)"; fi
}

boot_has() { grep -qF -- "$2" "$demo/$1-boot.log" || fail "'$1': no boot-log line \"$2\""; }

# Settings dialog of the database server, answered for code 1 with the cluster's user.
settings_answers() {
  printf '%s\n' "dialog #32770 バロネル - データベースサーバーの指定" "contains 1504 VARONELSV" "click 1511" \
    "pause 500" "type 1504 127.0.0.1" "type 1513 $KV_PG_USER" "type 1515 $KV_PG_PASSWORD" \
    "screenshot demo-$1-settings" "click 1516"
}

# The release's files as a PC installed them: name, version (its version control), digest of the
# installed file by md5sum against the release's and the product file's.
installed() {
  python3 - "$demo/maker" "$1" <<'PY' || fail "files of $2 missing or different"
import os, subprocess, sys
import xml.etree.ElementTree as ET
maker, install = sys.argv[1], sys.argv[2]
released = ET.parse(os.path.join(maker, "Update", "Version.xml")).getroot().iter("File")
there = ET.parse(os.path.join(install, "Version.xml")).getroot() if os.path.exists(os.path.join(install, "Version.xml")) else None
versions = {f.get("Name"): f.get("DateTime") for f in there.iter("File")} if there is not None else {}
md5 = lambda p: subprocess.run(["md5sum", p], check=True, capture_output=True, text=True).stdout.split()[0]
bad = 0
for f in released:
    name, folder = f.get("Name"), f.get("Folder") or ""
    shown = (folder + "/" if folder else "") + name
    path = os.path.join(install, folder, name)
    if not os.path.exists(path):
        print(f"  MISSING  {shown}")
        bad = 1
        continue
    digest = md5(path)
    ok = digest == f.get("MD5") == md5(os.path.join(maker, "バロネル", name)) and versions.get(name) == f.get("DateTime")
    bad |= not ok
    print(f"  {'ok     ' if ok else 'DIFFERS'}  {shown:<16} {versions.get(name, '(not listed)'):<19} "
          f"{os.path.getsize(path):>7} bytes  md5sum {digest}")
sys.exit(bad)
PY
}

# Where the screenshots are, and the verdict. A stage that did not reach its end ends the demo.
finish() {
  echo
  echo "== Screenshots ($shots)"
  for shot in "$shots"/demo-*.png; do [ -e "$shot" ] && echo "  $shot"; done
  echo "  logs and answering transcripts: $demo"
  if [ "$failed" -eq 0 ]; then
    echo "demo: release built, installed on PC A and uploaded, installed on PC B from the server"
  else
    echo "demo: FAILED"
  fi
  exit "$failed"
}
stage_done() { [ "$failed" -eq 0 ] || finish; }

# ---- 1. Release build
echo
echo "== 1. Release build: KanvoloUpdate2.exe /MAKE /AUTO (release history $demo/history/history.db)"
export KV_RELEASE_HISTORY=$demo/history/history.db
step make "$demo/maker" "/MAKE /AUTO"
unset KV_RELEASE_HISTORY
[ "$(tail -n1 "$demo/make-boot.log" | sed -E "s/$stamp//" | tr -d '\r')" = "/MAKE" ] ||
  fail "the release build did not reach its end"
cmp -s "$demo/maker/Update/Version.xml" "$demo/maker/バロネル/Version.xml" ||
  fail "Update\\ holds no copy of the product's version control"
[ -f "$demo/maker/Update/Version.xml" ] && python3 - "$demo/maker" <<'PY' || fail "the release does not match its product files"
import os, subprocess, sys
import xml.etree.ElementTree as ET
maker = sys.argv[1]
root = ET.parse(os.path.join(maker, "Update", "Version.xml")).getroot()
bad = 0
for f in root.iter("File"):
    name = f.get("Name")
    cab = os.path.join(maker, "Update", (f.get("CabFile") or name + ".cab").lower())
    digest = subprocess.run(["md5sum", os.path.join(maker, "バロネル", name)], capture_output=True, text=True).stdout.split()[0]
    ok = os.path.exists(cab) and os.path.getsize(cab) == int(f.get("CabSize")) and digest == f.get("MD5")
    bad |= not ok
    print(f"  {'ok     ' if ok else 'WRONG  '}  {name:<12} {f.get('Folder') or '':<4} {f.get('DateTime')}  "
          f"{f.get('FileSize'):>7} bytes  {os.path.basename(cab):<16} {f.get('CabSize'):>7} bytes  MD5 {f.get('MD5')}")
for i in root.iter("Info"):
    print(f"  history  {i.get('Hiduke')}  {i.get('Version')}  {i.get('Title')}")
sys.exit(bad)
PY
show_log "boot log" "$demo/make-boot.log"
stage_done

python3 "$root/tests/tools/update_host.py" --release "$demo/maker/Update" --port-file "$demo/port" \
        --log "$demo/requests.log" --idle 600 </dev/null >/dev/null 2>&1 &
host_pid=$!
for _ in $(seq 1 100); do [ -s "$demo/port" ] && break; sleep 0.1; done
host="http://127.0.0.1:$(cat "$demo/port")"
echo "  published on $host (Update\\ of the program folder)"

# ---- 2. PC A
pc_a_program=$prefix_a/drive_c/KanvoloUpdate
pc_a_install=$prefix_a/drive_c/Program\ Files/Kanvolo
mkdir -p "$pc_a_program" "$pc_a_install/Update"
cp "$build/bin/KanvoloUpdate2.exe" "$pc_a_program/"
printf '[Install]\r\nInstallFolder=C:\\Program Files\\Kanvolo\\\r\n' >"$pc_a_program/Install.ini"
# The updater INI from the Windows folder. The sixth cabinet is served slowly, in pieces, long
# enough to picture the splash window while it downloads.
printf '[VersionControl]\r\nUpdateURL=%s/404/\r\nUpdateURL2=%s/slow150@prog06.dll.cab/\r\nUpdateURL3=%s/ok/\r\nVersionFileName=Version.xml\r\nTimeOut=30\r\nWebUpdate=C:\\nothing\\Sornet.exe\r\n' \
  "$host" "$host" "$host" | iconv -f UTF-8 -t CP932 >"$prefix_a/drive_c/windows/KanvoloUpdate.ini"
setting "PC A" DB_DRIVER 1
setting "PC A" DB_OPTION "Port=$KV_PG_PORT"
setting "PC A" HOSPITAL_CODE 1234
setting "PC A" BYOIN_NAME さくら病院

echo
echo "== 2. PC A ($prefix_a)"
echo "  -- KanvoloUpdate2.exe /SETUP /CHECK: the database server into its settings"
mapfile -t answers < <(settings_answers pc-a)
step pc-a-setup "$pc_a_program" "/SETUP /CHECK" "${answers[@]}"
boot_has pc-a-setup "DB.ExistDatabase 1,$KV_PG_USER,$KV_PG_PASSWORD,127.0.0.1"
show_log "boot log" "$demo/pc-a-setup-boot.log"
stage_done

echo "  -- KanvoloUpdate2.exe /INET: the release from the update host, uploaded into the update database"
splash="$shots/demo-pc-a-splash-downloading.png"
(
  for _ in $(seq 1 900); do
    if grep -q 'prog06.dll.cab' "$demo/requests.log" 2>/dev/null; then
      # Wine's picture of the screen lags behind the first pieces of the download.
      sleep 3
      xwd -root -silent -display "$DISPLAY" | /usr/bin/convert xwd:- "png:$splash"
      break
    fi
    sleep 0.1
  done
) &
shooter=$!
step pc-a-inet "$pc_a_program" "/INET" \
  "dialog #32770 バロネル アップデート" "contains 402 インターネットに接続して" "pause 700" \
  "screenshot demo-pc-a-confirmation" "click 404" \
  "dialog #32770 バロネル アップデート - 更新内容" "pause 700" "screenshot demo-pc-a-update-contents" "click 507"
kill "$shooter" >/dev/null 2>&1 || true
wait "$shooter" 2>/dev/null || true
boot_has pc-a-inet "Write DB"
boot_has pc-a-inet "Exec Program C:\\Program Files\\Kanvolo\\Kanvolo.exe"
echo "  -- installed into C:\\Program Files\\Kanvolo\\ (version, md5sum)"
installed "$pc_a_install" "PC A"
show_log "boot log" "$demo/pc-a-inet-boot.log"
show_log "update log" "$demo/pc-a-inet-update.log"
echo "  -- requests received by the update host"
iconv -f CP932 -t UTF-8 "$demo/requests.log" | sed 's/^/     /'
echo "  -- main program started with"
if [ -s "$demo/pc-a-inet-main.log" ]; then sed 's/^/     "/; s/$/"/' "$demo/pc-a-inet-main.log"; else fail "PC A: nothing started"; fi

echo
echo "== Rows of VERSION in MOSURI_UPDATE after PC A"
PGPASSWORD=$KV_PG_PASSWORD PGCLIENTENCODING=UTF8 "$KV_PG_BIN/psql" -X -h 127.0.0.1 -p "$KV_PG_PORT" -U "$KV_PG_USER" \
  -d MOSURI_UPDATE -c "SELECT ver_name, ver_folder, ver_update, ver_file_size, ver_regist, ver_md5,
                              md5(ver_image) AS md5_of_image FROM version ORDER BY ver_name" | sed 's/^/  /'
rows=$(PGPASSWORD=$KV_PG_PASSWORD "$KV_PG_BIN/psql" -X -At -h 127.0.0.1 -p "$KV_PG_PORT" -U "$KV_PG_USER" \
  -d MOSURI_UPDATE -c "SELECT count(*) FROM version WHERE ver_md5 = md5(ver_image)")
[ "$rows" -eq 12 ] || fail "VERSION holds $rows intact rows, not 12"
stage_done

# ---- 3. PC B
echo
echo "== 3. PC B ($prefix_b)"
if ! wait "$pc_b_made"; then
  pc_b_made=
  fail "PC B's prefix was not made:"
  sed 's/^/    /' "$demo/pc-b-prefix.log"
  finish
fi
pc_b_made=
kv_wine_serve "$prefix_b"
pc_b_program=$prefix_b/drive_c/KanvoloUpdate
pc_b_install=$prefix_b/drive_c/Program\ Files/Kanvolo
mkdir -p "$pc_b_program" "$pc_b_install/Update"
cp "$build/bin/KanvoloUpdate2.exe" "$pc_b_program/"
cp "$build/bin/kv_mainstandin.exe" "$pc_b_install/Kanvolo.exe"
printf '[Install]\r\nInstallFolder=C:\\Program Files\\Kanvolo\\\r\n' >"$pc_b_program/Install.ini"
echo "  -- KanvoloUpdate2.exe (no switches): asks for the database server, installs from the update database"
mapfile -t answers < <(settings_answers pc-b)
step pc-b "$pc_b_program" "" "${answers[@]}"
boot_has pc-b "Init Server"
boot_has pc-b "DB.ExistDatabase 1,$KV_PG_USER,$KV_PG_PASSWORD,127.0.0.1"
boot_has pc-b "Exec Program C:\\Program Files\\Kanvolo\\Kanvolo.exe"
echo "  -- installed into C:\\Program Files\\Kanvolo\\ (version, md5sum)"
installed "$pc_b_install" "PC B"
show_log "boot log" "$demo/pc-b-boot.log"
show_log "update log" "$demo/pc-b-update.log"
echo "  -- main program started with"
if [ -s "$demo/pc-b-main.log" ]; then sed 's/^/     "/; s/$/"/' "$demo/pc-b-main.log"; else fail "PC B: nothing started"; fi

finish
