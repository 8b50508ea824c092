#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine for building and testing (run as root): the
# packages of the build that this machine runs (scripts/arch.sh), the i686 one under wine32 with
# the i386 ODBC drivers, or the x86_64 one under Wine's 64-bit loader with the amd64 drivers.
set -euo pipefail
. "$(dirname "$0")/arch.sh"
[ -n "${KV_BUILD:-}" ] || kv_arch_choose setup

packages=(cmake make mingw-w64 wine wine64 xvfb x11-utils x11-apps fonts-noto-cjk googletest gcab
          cabextract locales python3 imagemagick curl msitools wixl postgresql)
if [ "$KV_ARCH" = 32 ]; then
  packages+=(wine32:i386 unixodbc:i386 odbc-postgresql:i386 libsqliteodbc:i386)
else
  # The drivers are multi-arch: the amd64 ones sit beside i386 ones a 32-bit road installed.
  native=$(dpkg --print-architecture)
  packages+=(unixodbc "odbc-postgresql:$native" "libsqliteodbc:$native")
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
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
