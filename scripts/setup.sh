#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine for building and testing (run as root).
set -euo pipefail

packages=(cmake make mingw-w64 wine wine64 wine32:i386 xvfb x11-utils x11-apps fonts-noto-cjk googletest gcab
          cabextract locales python3 imagemagick curl
          unixodbc:i386 odbc-postgresql:i386 libsqliteodbc:i386 postgresql)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386
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
