#!/usr/bin/env bash
# Client PCs doing the server update at once from one PostgreSQL:
#   bench.sh bench_server_load [CLIENTS] [FILES] [PREFIXES (at most; fewer are shared)]
#
# PC A (the prefix bench.sh made) gets the database settings through "/SETUP /CHECK" with its
# dialog answered, then installs a release from the local update host by "/INET /CHECK", which
# uploads every installed file into "MOSURI_UPDATE". That prefix, its settings included, is then
# copied once per client PC (the large system libraries hard-linked, everything else copied), each
# copy with a wineserver of its own. A client is a default run of KanvoloUpdate2.exe with its own
# program and install folders and its own answering program, which expects no dialog. One client
# alone (best of three) against all clients started at once (best of two); every install folder
# must end with the same bytes as the release.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
bin=$(dirname "$BENCH_EXE")
work=$BENCH_WORK/server_load
wanted=${1:-20}
files=${2:-40}
most_prefixes=${3:-$wanted}
alone_rounds=3
all_rounds=2
template=$WINEPREFIX
data_sub='AppData/Roaming/Kestrova'

clones=()
host_pid=
cleanup() {
  local prefix
  for prefix in "${clones[@]}"; do
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
  done
  for prefix in "${clones[@]}"; do rm -rf "$prefix"; done
  [ -z "$host_pid" ] || kill "$host_pid" 2>/dev/null || true
}
trap cleanup EXIT

rm -rf "$work" && mkdir -p "$work"
now() { date +%s.%N; }
# A host path as every prefix sees it through Z:.
win() { local p=$1; printf 'Z:%s' "${p//\//\\}"; }
pg() { PGPASSWORD=$KV_PG_PASSWORD PGCLIENTENCODING=UTF8 psql -X -q -At -v ON_ERROR_STOP=1 -h 127.0.0.1 -p "$KV_PG_PORT" -U "$KV_PG_USER" -d MOSURI_UPDATE "$@"; }

# ---- The release: the stand-in main program and FILES program files, one in a sub-folder.
python3 "$root/tests/tools/make_update_release.py" "$work/release" --count "$files" --random \
        --sizes 12000,48000,150000,320000,700000,1100000,2400000 --add "Kanvolo.exe=$bin/kv_mainstandin.exe" >/dev/null
release_files=$(wc -l <"$work/release/manifest.txt")
release_bytes=$(awk -F'\t' '{ s += $4 } END { print s }' "$work/release/manifest.txt")

python3 "$root/tests/tools/update_host.py" --release "$work/release/release" --port-file "$work/port" \
        --idle 1200 </dev/null >/dev/null 2>&1 &
host_pid=$!
for _ in $(seq 1 100); do [ -s "$work/port" ] && break; sleep 0.1; done
url="http://127.0.0.1:$(cat "$work/port")/ok/"

# A PC's program folder (the real program and its Install.ini) and an empty install folder.
make_pc() {
  local pc=$1
  rm -rf "$pc/program" "$pc/install"
  mkdir -p "$pc/program" "$pc/install/Update"
  cp "$bin/KanvoloUpdate2.exe" "$pc/program/"
  printf '[Install]\r\nInstallFolder=%s\\\r\n' "$(win "$pc/install")" >"$pc/program/Install.ini"
}

# Runs KanvoloUpdate2.exe of PC folder pc in prefix with the arguments, answered by script (a file,
# UTF-8); the answering program starts once the program runs and waits for its end (in a shared
# prefix it follows every KanvoloUpdate2.exe there, so it waits for them all). appdata: the
# per-user data folder where the prefix is shared. Writes
# "<answer rc> <program rc> <start> <end>" into pc/result.
run_pc() {
  local prefix=$1 pc=$2 args=$3 script=$4 shots=$5 appdata=${6:-} start end up arc=0 prc=0
  rm -f "$pc/result" "$pc/answer.log"
  start=$(now)
  # shellcheck disable=SC2086
  (cd "$pc/program" && WINEPREFIX=$prefix KV_RECORD_FILE=$(win "$pc/standin.log") KV_APPDATA=$appdata \
     exec wine "$pc/program/KanvoloUpdate2.exe" $args </dev/null >/dev/null 2>&1) &
  up=$!
  local pattern="${pc##*/}.program.KanvoloUpdate2"
  for _ in $(seq 1 600); do
    pgrep -f "$pattern" >/dev/null && break
    kill -0 "$up" 2>/dev/null || break
    sleep 0.05
  done
  WINEPREFIX=$prefix wine "$bin/kv_answer.exe" --image KanvoloUpdate2.exe --transcript "$(win "$pc/answer.log")" \
    --shots "$shots" --exit-timeout 900 --script "$(win "$script")" </dev/null >/dev/null 2>&1 || arc=$?
  wait "$up" || prc=$?
  end=$(now)
  echo "$arc $prc $start $end" >"$pc/result"
}

result_ok() {
  local arc prc
  read -r arc prc _ <"$1/result"
  [ "$arc" = 0 ] && [ "$prc" = 0 ] && return 0
  echo "$1: answering program $arc, KanvoloUpdate2 $prc (transcript $1/answer.log)" >&2
  sed 's/^/  /' "$1/answer.log" >&2 2>/dev/null || true
  return 1
}

# ---- PC A: the settings through the dialog (code 1 and the port preset), then the internet update.
wine reg add 'HKCU\Software\Kestrova\Varonel\PARAM' /v DB_DRIVER /t REG_SZ /d 1 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Kestrova\Varonel\PARAM' /v DB_OPTION /t REG_SZ /d "Port=$KV_PG_PORT" /f >/dev/null 2>&1
pcA=$work/pcA
make_pc "$pcA"
cat >"$work/settings.txt" <<EOF
dialog #32770 バロネル - データベースサーバーの指定
click 1511
pause 500
type 1504 127.0.0.1
type 1513 $KV_PG_USER
type 1515 $KV_PG_PASSWORD
click 1516
EOF
run_pc "$template" "$pcA" "/SETUP /CHECK" "$work/settings.txt" server-load-pc-a-settings
result_ok "$pcA"

printf '[VersionControl]\r\nUpdateURL=%s\r\nVersionFileName=Version.xml\r\nTimeOut=60\r\nWebUpdate=C:\\nothing\\Sornet.exe\r\n' "$url" \
  >"$template/drive_c/windows/KanvoloUpdate.ini"
cat >"$work/internet.txt" <<'EOF'
timeout 120
dialog #32770 バロネル アップデート
click 404
dialog #32770 バロネル アップデート - 更新内容
click 507
EOF
run_pc "$template" "$pcA" "/INET /CHECK" "$work/internet.txt" server-load-pc-a-internet
result_ok "$pcA"
read -r _ _ t0 t1 <"$pcA/result"

# The rows PC A uploaded: one per release file, the image's digest the published one.
pg -c "SELECT ver_name || '|' || coalesce(ver_folder,'') || '|' || ver_file_size || '|' || md5(ver_image) || '|' || lower(ver_md5) FROM version ORDER BY 1" \
  >"$work/rows.txt"
awk -F'\t' '{ print $1 "|" $2 "|" $4 "|" $5 "|" $5 }' "$work/release/manifest.txt" | LC_ALL=C sort >"$work/expected-rows.txt"
LC_ALL=C sort -o "$work/rows.txt" "$work/rows.txt"
if ! diff -u "$work/expected-rows.txt" "$work/rows.txt" >&2; then
  echo "the update database does not hold the release as PC A installed it" >&2
  exit 1
fi
db_bytes=$(pg -c "SELECT sum(length(ver_image)) FROM version")

# ---- The client PCs: copies of PC A's prefix, each with its own wineserver.
WINEPREFIX=$template wineserver -k >/dev/null 2>&1 || true
grep -q '"DB_SERVER"="127.0.0.1"' "$template/user.reg" || { echo "PC A's settings did not reach its hive" >&2; exit 1; }
clone() {
  python3 - "$template" "$1" <<'PY'
import os, shutil, sys
src, dst = sys.argv[1], sys.argv[2]
# Program images are only read: shared by hard links. Hives, settings and user files are copied.
shared = (".dll", ".exe", ".drv", ".sys", ".ocx", ".cpl", ".acm", ".ax", ".tlb", ".nls", ".ttf", ".ds", ".mui",
          ".msstyles", ".tsp", ".com", ".vxd", ".dll16", ".exe16", ".drv16", ".mod16")
windows = os.path.join(src, "drive_c", "windows")
for top, dirs, names in os.walk(src):
    out = os.path.join(dst, os.path.relpath(top, src))
    os.makedirs(out, exist_ok=True)
    for name in list(dirs) + names:
        s, d = os.path.join(top, name), os.path.join(out, name)
        if os.path.islink(s):
            os.symlink(os.readlink(s), d)
            if name in dirs:
                dirs.remove(name)
        elif name in names:
            if top.startswith(windows) and name.lower().endswith(shared):
                os.link(s, d)
            else:
                shutil.copy2(s, d)
    shutil.copystat(top, out)
PY
  # A client PC's own per-user data folder starts empty.
  find "$1/drive_c/users" -path "*/$data_sub" -prune -exec rm -rf {} +
}
warm() {
  WINEPREFIX=$1 wineserver -p
  WINEPREFIX=$1 wine cmd /c exit </dev/null >/dev/null 2>&1
}
# A prefix's cost: the disk its own files take (the hard-linked libraries are shared) and the
# memory (proportional set size) of every process running with it.
disk_of() { find "$1" -type f -links 1 -printf '%b\n' | awk '{ s += $1 * 512 } END { print s + 0 }'; }
memory_of() {
  local p
  for p in /proc/[0-9]*; do
    if tr '\0' '\n' 2>/dev/null <"$p/environ" | grep -qxF "WINEPREFIX=$1"; then
      awk '/^Pss:/ { print $2 * 1024 }' "$p/smaps_rollup" 2>/dev/null || true
    fi
  done | awk '{ s += $1 } END { print s + 0 }'
}

: >"$work/client.txt"  # no dialog expected: the answering program refuses any that comes
pc_of() { printf '%s/pc%02d' "$work" "$1"; }

# Every file of the release in every install folder, byte for byte; all install folders alike;
# the boot log of the PC's prefix read and installed every row and started the main program.
check_pc() {
  local pc=$1 data=$2 log
  result_ok "$pc" || return 1
  log=$(find "$data" -path '*/Kestrova/*' -name UpdateBoot.log | head -n1)
  [ -n "$log" ] && iconv -f CP932 -t UTF-8 "$log" | cut -c25- | tr -d '\r' >"$pc/UpdateBoot.log" ||
    { echo "$pc: no boot log in $data" >&2; return 1; }
  [ "$(grep -c '^Read & Regist File ' "$pc/UpdateBoot.log")" = "$release_files" ] ||
    { echo "$pc: not every row installed: $pc/UpdateBoot.log" >&2; return 1; }
  [ "$(tail -n1 "$pc/UpdateBoot.log")" = "Exec Program $(win "$pc/install")\\Kanvolo.exe" ] ||
    { echo "$pc: the run did not end by starting the main program: $pc/UpdateBoot.log" >&2; return 1; }
  while IFS='|' read -r name folder _cab _size md5; do
    local path=$pc/install/${folder:+$folder/}$name
    [ -f "$path" ] && [ "$(md5sum <"$path" | cut -d' ' -f1)" = "$md5" ] || { echo "$pc: $name missing or differs" >&2; return 1; }
  done < <(tr '\t' '|' <"$work/release/manifest.txt")  # tabs would merge around an empty folder
  if [ "$pc" != "$(pc_of 1)" ]; then
    diff -r "$(pc_of 1)/install" "$pc/install" >&2 || { echo "$pc: install folder differs from PC 1's" >&2; return 1; }
  fi
  # The run reached its end: the main program was started.
  for _ in $(seq 1 100); do [ -s "$pc/standin.log" ] && break; sleep 0.1; done
  [ -s "$pc/standin.log" ] || { echo "$pc: the main program was not started" >&2; return 1; }
}

seconds() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.3f", b - a }'; }
best() { awk -v a="$1" -v b="$2" 'BEGIN { print (a == "" || b < a) ? b : a }'; }

# ---- One client alone, in the first copy (its memory sampled during the first round).
clones+=("$work/prefix01")
clone "$work/prefix01"
warm "$work/prefix01"
sleep 1
prefix_disk=$(disk_of "$work/prefix01")
prefix_memory=$(memory_of "$work/prefix01")
best_one="" run_memory=0
for round in $(seq 1 "$alone_rounds"); do
  pc=$(pc_of 1)
  make_pc "$pc"
  rm -f "$pc/standin.log"
  run_pc "$work/prefix01" "$pc" "" "$work/client.txt" "server-load-alone" &
  alone=$!
  if [ "$round" = 1 ]; then
    while kill -0 "$alone" 2>/dev/null; do
      m=$(memory_of "$work/prefix01")
      [ "$m" -le "$run_memory" ] || run_memory=$m
      sleep 0.2
    done
  fi
  wait "$alone"
  check_pc "$pc" "$work/prefix01/drive_c/users"
  read -r _ _ s e <"$pc/result"
  t=$(seconds "$s" "$e")
  best_one=$(best "$best_one" "$t")
  echo "round $round: one alone $t s"
done
run_memory=$((run_memory > prefix_memory ? run_memory - prefix_memory : 0))

# ---- How many fit: per prefix its disk and warm memory, per client twice the memory one update
# run took, 4 GB of disk and 2 GB of memory left over. Where fewer prefixes than clients fit,
# clients share them round robin, each with its per-user data folder redirected.
read -r prefixes clients < <(awk -v disk="$(df -B1 --output=avail "$work" | tail -n1)" \
    -v mem="$(awk '/^MemAvailable:/ { print $2 * 1024 }' /proc/meminfo)" -v dpc="$prefix_disk" \
    -v mpc="$prefix_memory" -v run="$run_memory" -v want="$wanted" -v most="$most_prefixes" 'BEGIN {
  run = 2 * run; if (run < 64 * 2^20) run = 64 * 2^20
  spare = mem - 2 * 2^30 - run  # the first prefix is already there
  n = want; if (most < n) n = most
  bydisk = 1 + int((disk - 4 * 2^30) / (dpc > 0 ? dpc : 1)); if (bydisk < n) n = bydisk
  bymem = 1 + int(spare / (mpc + run)); if (bymem < n) n = bymem
  if (n < 1) n = 1
  c = 1 + int((spare - (n - 1) * mpc) / run); if (c > want) c = want; if (c < n) c = n
  printf "%d %d\n", n, c }')
shared=0
[ "$prefixes" -ge "$clients" ] || shared=1
echo "per prefix: $((prefix_disk / 1048576)) MB of its own on disk (libraries hard-linked), $((prefix_memory / 1048576)) MB" \
     "memory warm; one update run: $((run_memory / 1048576)) MB more"
echo "prefixes that fit: $prefixes of $wanted"
for i in $(seq 2 "$prefixes"); do
  clones+=("$(printf '%s/prefix%02d' "$work" "$i")")
done
for prefix in "${clones[@]:1}"; do clone "$prefix"; done
for prefix in "${clones[@]:1}"; do warm "$prefix"; done
prefix_of() { printf '%s' "${clones[$((($1 - 1) % prefixes))]}"; }
# Where the client's per-user data folder lies on the host: the prefix's user folder or, when
# shared, the client's own folder in the prefix (C:\kvload\pcNN).
data_of() {
  if [ "$shared" = 1 ]; then printf '%s/drive_c/kvload/pc%02d' "$(prefix_of "$1")" "$1"; else printf '%s/drive_c/users' "$(prefix_of "$1")"; fi
}
if [ "$shared" = 1 ]; then
  # The per-user data folder follows the environment of each process.
  for prefix in "${clones[@]}"; do
    WINEPREFIX=$prefix wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders' \
      /v AppData /t REG_EXPAND_SZ /d '%KV_APPDATA%' /f >/dev/null 2>&1
  done
  for i in $(seq 1 "$clients"); do mkdir -p "$(data_of "$i")"; done
  echo "client PCs: $clients sharing $prefixes prefixes (each with its own wineserver), per-user data folders redirected per process"
else
  echo "client PCs: $clients, each in a prefix of its own (copies of PC A's, each with its own wineserver, warmed up)"
fi

best_all=""
for round in $(seq 1 "$all_rounds"); do
  for i in $(seq 1 "$clients"); do
    make_pc "$(pc_of "$i")"
    rm -f "$(pc_of "$i")/standin.log"
  done
  start=$(now)
  pids=()
  for i in $(seq 1 "$clients"); do
    run_pc "$(prefix_of "$i")" "$(pc_of "$i")" "" "$work/client.txt" "server-load-$i" "$(printf 'C:\\kvload\\pc%02d' "$i")" &
    pids+=($!)
  done
  for p in "${pids[@]}"; do wait "$p"; done
  end=$(now)
  t=$(seconds "$start" "$end")
  failed=0
  slowest=0 fastest=""
  for i in $(seq 1 "$clients"); do
    check_pc "$(pc_of "$i")" "$(data_of "$i")" || failed=1
    read -r _ _ s e <"$(pc_of "$i")/result"
    slowest=$(awk -v a="$slowest" -v b="$(seconds "$s" "$e")" 'BEGIN { print (b > a) ? b : a }')
    fastest=$(best "$fastest" "$(seconds "$s" "$e")")
  done
  [ "$failed" = 0 ] || { echo "round $round: not every client PC ended with the release's bytes" >&2; exit 1; }
  best_all=$(best "$best_all" "$t")
  echo "round $round: $clients at once $t s (each PC from $fastest to $slowest s)"
done

measure="$clients server updates at once"
[ "$clients" = "$wanted" ] || measure="$measure (of $wanted; $clients fit)"
[ "$shared" = 0 ] || measure="$measure ($prefixes prefixes shared)"
awk -v one="$best_one" -v all="$best_all" -v n="$clients" -v f="$release_files" -v b="$release_bytes" \
    -v db="$db_bytes" -v m="$measure" -v setup="$([ "$shared" = 1 ] && echo "sharing $prefixes Wine prefixes" || echo "each in its own Wine prefix with its own wineserver")" -v a="$(seconds "$t0" "$t1")" 'BEGIN {
  r = all / one
  printf "release: %d files, %d bytes (%.1f MB); installed and uploaded by PC A'"'"'s /INET /CHECK in %.2f s, %d bytes in VERSION\n", f, b, b / 1e6, a, db
  printf "client PCs: %d, %s; each its own program, install folder and answering program\n", n, setup
  printf "one alone (default run of KanvoloUpdate2.exe, best of 3): %.3f s\n", one
  printf "%d at once, all ended (best of 2):                         %.3f s\n", n, all
  printf "every install folder: the release byte for byte, all %d alike\n", n
  printf "ratio all/one: %.2f, goal <= 5: %s\n", r, (r <= 5 ? "met" : "NOT met")
  printf "BENCH|%s|%.2f s|one alone|%.2f s|%.2f|<= 5|%s\n", m, all, one, r, (r <= 5 ? "met" : "NOT met") }'
