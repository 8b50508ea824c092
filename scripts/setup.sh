#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine for building and testing (run as root): the
# packages of the build that this machine runs (scripts/arch.sh), the i686 one under wine32 with
# the i386 ODBC driver manager and drivers, or the x86_64 one under Wine's 64-bit loader with the
# amd64 ones.
set -euo pipefail
. "$(dirname "$0")/stops.sh"
kv_stops_loud setup
. "$(dirname "$0")/arch.sh"
[ -n "${KV_BUILD:-}" ] || kv_arch_choose setup

native=$(dpkg --print-architecture)
packages=(cmake make mingw-w64 wine wine64 xvfb x11-utils x11-apps fonts-noto-cjk googletest gcab
          cabextract locales python3 imagemagick curl msitools wixl postgresql)
# Wine's ODBC layer loads the driver manager (libodbc2) and the drivers of its own loader's
# architecture. They are multi-arch, so the set of one road sits beside the other road's set.
if [ "$KV_ARCH" = 32 ]; then
  road=i386
  packages+=(wine32:i386)
else
  road=$native
fi
packages+=("libodbc2:$road" "odbc-postgresql:$road" "libsqliteodbc:$road")

# Each package by name and architecture: one without an architecture is the machine's own or
# "all", never one of the other architecture.
installed=$(dpkg-query -W -f='${Package}:${Architecture} ${Status}\n' 2>/dev/null |
            sed -n 's/ install ok installed$//p' || true)
missing=()
for p in "${packages[@]}"; do
  case $p in
    *:*) grep -qxF "$p" <<<"$installed" ;;
    *) grep -qxF -e "$p:$native" -e "$p:all" <<<"$installed" ;;
  esac || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [ "$KV_ARCH" = 32 ]; then
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

# Wine takes its ANSI code page (932) from a generated Japanese locale.
if ! locale -a 2>/dev/null | grep -qix 'ja_JP.utf8'; then
  echo "setup: generating ja_JP.UTF-8"
  sed -i 's/^# *\(ja_JP.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  grep -q '^ja_JP.UTF-8 UTF-8' /etc/locale.gen || echo 'ja_JP.UTF-8 UTF-8' >> /etc/locale.gen
  locale-gen >/dev/null
fi
