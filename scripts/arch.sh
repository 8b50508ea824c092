# Sourced by the scripts: which build of the sources this machine runs under Wine.
#   kv_arch_choose WHAT   sets KV_ARCH (32 or 64), KV_BUILD (that build's folder), KV_TOOLCHAIN and
#                         KV_DELIVERABLES (the folder of the 32-bit deliverables), puts the matching
#                         Wine loader first on PATH and prints one line: which build WHAT runs and why.
#                         On the x86_64 road also KV_WINE64_ASLR (scripts/wine64), with one more line
#                         on stderr where address randomization stays on.
# KV_ARCH=32 or KV_ARCH=64 forces the choice. The 32-bit deliverables are always built in build/ (or
# KV_BUILD_DIR); the x86_64 build of the same sources lives in build-x64/ (or KV_BUILD_DIR_X64).

# A tiny static i386 program that exits with 42: the kernel refuses it where IA-32 emulation is off.
kv_runs_i386() {
  local probe status=0
  probe=$(mktemp)
  printf '\177ELF\001\001\001\000\000\000\000\000\000\000\000\000'           >"$probe"  # ident
  printf '\002\000\003\000\001\000\000\000\124\200\004\010\064\000\000\000' >>"$probe"  # exec, i386, entry, phoff
  printf '\000\000\000\000\000\000\000\000\064\000\040\000\001\000\000\000' >>"$probe"  # flags, sizes, one header
  printf '\000\000\000\000'                                                 >>"$probe"
  printf '\001\000\000\000\000\000\000\000\000\200\004\010\000\200\004\010' >>"$probe"  # PT_LOAD at 0x08048000
  printf '\140\000\000\000\140\000\000\000\005\000\000\000\000\020\000\000' >>"$probe"  # 96 bytes, r-x
  printf '\270\001\000\000\000\273\052\000\000\000\315\200'                 >>"$probe"  # exit(42)
  chmod +x "$probe"
  "$probe" >/dev/null 2>&1 || status=$?
  rm -f "$probe"
  [ "$status" -eq 42 ]
}

kv_arch_choose() {
  local what=$1 root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  case "${KV_ARCH:-}" in
    32 | 64)
      # A script started by another keeps its parent's reason.
      [ -n "${KV_ARCH_WHY:-}" ] || KV_ARCH_WHY="KV_ARCH=$KV_ARCH" ;;
    "")
      if kv_runs_i386; then
        KV_ARCH=32 KV_ARCH_WHY="this machine runs 32-bit code"
      else
        KV_ARCH=64 KV_ARCH_WHY="this machine runs no 32-bit code"
      fi ;;
    *)
      echo "$what: KV_ARCH must be 32 or 64, not '$KV_ARCH'" >&2
      return 2 ;;
  esac
  export KV_ARCH KV_ARCH_WHY
  KV_DELIVERABLES=${KV_BUILD_DIR:-$root/build}
  if [ "$KV_ARCH" = 32 ]; then
    KV_BUILD=$KV_DELIVERABLES
    KV_TOOLCHAIN=$root/cmake/i686-w64-mingw32.cmake
    echo "$what: i686 build ($KV_ARCH_WHY)"
  else
    KV_BUILD=${KV_BUILD_DIR_X64:-$root/build-x64}
    KV_TOOLCHAIN=$root/cmake/x86_64-w64-mingw32.cmake
    echo "$what: x86_64 build ($KV_ARCH_WHY)"
    # Debian's wine wrapper (and wineboot, winepath, regedit through it) takes the 32-bit loader
    # whenever wine32 is installed: a shim first on PATH calls the 64-bit loader for every tool.
    local shim=$KV_BUILD/wine64-shim
    mkdir -p "$shim"
    for name in wine wine-stable; do
      ln -sfn "$root/scripts/wine64" "$shim/$name"
    done
    case ":$PATH:" in *":$shim:"*) ;; *) export PATH="$shim:$PATH" ;; esac
    # Whether the loader can start without address randomization: asked once, for every start of
    # this run and of the scripts it starts.
    if [ -z "${KV_WINE64_ASLR:-}" ]; then
      KV_WINE64_ASLR=$("$root/scripts/wine64" --ask "$what")
      export KV_WINE64_ASLR
    fi
  fi
  export KV_BUILD KV_TOOLCHAIN KV_DELIVERABLES
}

# Configures and builds the chosen build (targets as arguments, none: everything); on the x86_64
# road the 32-bit deliverables are built first in their own folder, and the suite reads them there.
kv_arch_build() {
  local root jobs=${KV_JOBS:-$(nproc)}
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  if [ "$KV_ARCH" = 64 ]; then
    cmake -S "$root" -B "$KV_DELIVERABLES" -DCMAKE_TOOLCHAIN_FILE="$root/cmake/i686-w64-mingw32.cmake" \
          -DCMAKE_BUILD_TYPE=Release >/dev/null
    cmake --build "$KV_DELIVERABLES" -j"$jobs" --target KanvoloUpdate2 KanvoloUpdate Pelorin
  fi
  cmake -S "$root" -B "$KV_BUILD" -DCMAKE_TOOLCHAIN_FILE="$KV_TOOLCHAIN" -DCMAKE_BUILD_TYPE=Release \
        -DKV_DELIVERABLES_DIR="$KV_DELIVERABLES/bin" >/dev/null
  if [ $# -gt 0 ]; then
    cmake --build "$KV_BUILD" -j"$jobs" --target "$@"
  else
    cmake --build "$KV_BUILD" -j"$jobs"
  fi
}
