# Sourced by the test and demo scripts: a throwaway Wine prefix with code page 932, an Xvfb
# display and one wineserver kept alive. Call kv_wine_up DIR and kv_wine_down. Also sourced by
# /bin/sh for a second PC of a whole run (kv_wine_prefix): no bash here.
# A step that fails says so in one line ("wine-env: ..."), then the last lines of its output, and
# the function returns non-zero.

kv_wine_up() {
  local prefix=$1
  export LANG=ja_JP.UTF-8 LC_ALL= WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX=$prefix KV_TEST_PREFIX=$prefix

  # A display of our own: without one windows cannot be created and message boxes answer -1.
  local fdfile out
  fdfile=$(mktemp)
  out=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >"$out" 2>&1 &
  KV_XVFB_PID=$!
  for _ in $(seq 1 100); do
    [ -s "$fdfile" ] && break
    kill -0 "$KV_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [ ! -s "$fdfile" ]; then
    kv_wine_said "the X display did not start (Xvfb)" "$out"
    rm -f "$fdfile" "$out"
    return 1
  fi
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile" "$out"

  kv_wine_prefix "$prefix" || return

  # D: is a CD-ROM drive (GetDriveType 5) on the folder KV_CDROM_DIR, for whole runs of the CD/DVD
  # update. Wine reads the drive types from the 64-bit registry view when its server starts.
  export KV_CDROM_DIR="$(dirname "$prefix")/cdrom"
  rm -rf "$KV_CDROM_DIR"
  mkdir -p "$KV_CDROM_DIR"
  ln -sfn "$KV_CDROM_DIR" "$prefix/dosdevices/d:"
  local step="cannot make the Wine prefix $prefix"
  kv_wine_step "$step" wine reg add 'HKLM\Software\Wine\Drives' /v 'd:' /d cdrom /f /reg:64 || return
  kv_wine_step "$step" wineserver -w || return

  kv_wine_serve "$prefix"
}

# A fresh prefix in DIR (WINEPREFIX set to it), with the window and font settings of the tests'
# display. Also for a second PC of a whole run, on the same display.
kv_wine_prefix() {
  local prefix=$1
  local step="cannot make the Wine prefix $prefix"
  export WINEPREFIX=$prefix
  rm -rf "$prefix" && mkdir -p "$(dirname "$prefix")" || return
  kv_wine_step "$step" wineboot -i || return
  kv_wine_step "$step" wineserver -w || return

  local reg win rc=0
  reg=$(mktemp --suffix=.reg) || return
  cat >"$reg" <<'REG'
REGEDIT4

[HKEY_CURRENT_USER\Software\Wine\X11 Driver]
"Managed"="N"
"Decorated"="Y"

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"MS UI Gothic"="Noto Sans CJK JP"
"MS Gothic"="Noto Sans CJK JP"
"MS PGothic"="Noto Sans CJK JP"
"Tahoma"="Noto Sans CJK JP"
"Segoe UI"="Noto Sans CJK JP"
REG
  if win=$(kv_winepath "$reg"); then
    kv_wine_step "$step" wine regedit /S "$win" && kv_wine_step "$step" wineserver -w || rc=$?
  else
    # Said in the subshell of the substitution.
    rc=1 KV_STOP_SAID=1
  fi
  rm -f "$reg"
  return "$rc"
}

# The prefix's server kept alive for the whole run (WINEPREFIX=DIR), warmed up with its services
# started outside our pipes.
kv_wine_serve() {
  local prefix=$1
  export WINEPREFIX=$prefix
  kv_wine_step "the Wine server did not start for $prefix" wineserver -p || return
  kv_wine_step "Wine cannot start a program in $prefix" wine cmd /c exit
}

# The Windows path of a host path, on stdout.
kv_winepath() {
  local out path rc=0
  out=$(mktemp)
  path=$(winepath -w "$1" 2>"$out") || rc=$?
  if [ "$rc" -ne 0 ] || [ -z "$path" ]; then
    kv_wine_said "no Windows path for $1 ('winepath -w' ended with exit $rc)" "$out"
    rm -f "$out"
    return 1
  fi
  rm -f "$out"
  printf '%s\n' "$path"
}

# kv_wine_step STEP COMMAND...: runs the command, its output kept aside, and when it fails says STEP,
# the command and its status, and the last lines of its output. Returns the command's status.
kv_wine_step() {
  local step=$1 out rc=0
  shift
  out=$(mktemp)
  "$@" </dev/null >"$out" 2>&1 || rc=$?
  [ "$rc" -eq 0 ] || kv_wine_said "$step ('$*' ended with exit $rc)" "$out"
  rm -f "$out"
  return "$rc"
}

# One line on stderr, then the end of the output in FILE.
kv_wine_said() {
  local output
  output=$(tr -d '\r' <"$2" | tail -n 15)
  if [ -n "$output" ]; then
    echo "wine-env: $1; its output ends:" >&2
    printf '%s\n' "$output" | sed 's/^/  /' >&2
  else
    echo "wine-env: $1; it printed nothing" >&2
  fi
  KV_STOP_SAID=1
}

kv_wine_down() {
  if [ -n "${WINEPREFIX:-}" ]; then
    wineserver -k >/dev/null 2>&1 || kv_wine_kill_prefix "$WINEPREFIX"
  fi
  if [ -n "${KV_XVFB_PID:-}" ]; then
    kill "$KV_XVFB_PID" >/dev/null 2>&1 || true
  fi
  KV_XVFB_PID=
}

# What runs in a prefix also where `wineserver -k` cannot reach its server: every process of Wine's
# own programs (loader, server) started with WINEPREFIX=DIR. A server killed alone leaves its
# programs hanging.
kv_wine_kill_prefix() {
  local proc exe
  for proc in /proc/[0-9]*; do
    exe=$(readlink "$proc/exe" 2>/dev/null) || continue
    case "${exe##*/}" in wine*) ;; *) continue ;; esac
    if tr '\0' '\n' <"$proc/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$1"; then
      kill -9 "${proc#/proc/}" >/dev/null 2>&1 || true
    fi
  done
}
