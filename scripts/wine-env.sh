# Sourced by the test and demo scripts: a throwaway Wine prefix with code page 932, an Xvfb
# display and one wineserver kept alive. Call kv_wine_up DIR and kv_wine_down.

kv_wine_up() {
  local prefix=$1
  export LANG=ja_JP.UTF-8 LC_ALL= WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
  export WINEPREFIX=$prefix KV_TEST_PREFIX=$prefix

  # A display of our own: without one windows cannot be created and message boxes answer -1.
  local fdfile
  fdfile=$(mktemp)
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$fdfile" >/dev/null 2>&1 &
  KV_XVFB_PID=$!
  for _ in $(seq 1 100); do [ -s "$fdfile" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$fdfile")"
  rm -f "$fdfile"

  kv_wine_prefix "$prefix"

  # D: is a CD-ROM drive (GetDriveType 5) on the folder KV_CDROM_DIR, for whole runs of the CD/DVD
  # update. Wine reads the drive types from the 64-bit registry view when its server starts.
  export KV_CDROM_DIR="$(dirname "$prefix")/cdrom"
  rm -rf "$KV_CDROM_DIR"
  mkdir -p "$KV_CDROM_DIR"
  ln -sfn "$KV_CDROM_DIR" "$prefix/dosdevices/d:"
  wine reg add 'HKLM\Software\Wine\Drives' /v 'd:' /d cdrom /f /reg:64 >/dev/null 2>&1
  wineserver -w

  # One server for the whole run, warmed up with its services started outside our pipes.
  wineserver -p
  wine cmd /c exit </dev/null >/dev/null 2>&1
}

# A fresh prefix in DIR (WINEPREFIX set to it), with the window and font settings of the tests'
# display. Also for a second PC of a whole run, on the same display.
kv_wine_prefix() {
  local prefix=$1
  export WINEPREFIX=$prefix
  rm -rf "$prefix"
  mkdir -p "$(dirname "$prefix")"
  wineboot -i >/dev/null 2>&1
  wineserver -w

  local reg
  reg=$(mktemp --suffix=.reg)
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
  wine regedit /S "$(winepath -w "$reg" 2>/dev/null)" >/dev/null 2>&1
  wineserver -w
  rm -f "$reg"
}

kv_wine_down() {
  [ -n "${WINEPREFIX:-}" ] && wineserver -k >/dev/null 2>&1 || true
  [ -n "${KV_XVFB_PID:-}" ] && kill "$KV_XVFB_PID" >/dev/null 2>&1 || true
}
