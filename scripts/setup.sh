#!/usr/bin/env bash
# Installs what the build and the tests need on Debian 12; quick when all is there.
set -euo pipefail
pkgs=(g++-mingw-w64-i686 g++-mingw-w64-x86-64 cmake wine wine32:i386 wine64 xvfb xauth
      imagemagick fonts-wqy-microhei fonts-wine locales googletest python3-pefile x11-utils)
sudo=""; [ "$(id -u)" = 0 ] || sudo="sudo"
missing=()
for p in "${pkgs[@]}"; do dpkg -s "$p" >/dev/null 2>&1 || missing+=("$p"); done
if [ ${#missing[@]} -gt 0 ]; then
  dpkg --print-foreign-architectures | grep -qx i386 || $sudo dpkg --add-architecture i386
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
if ! locale -a 2>/dev/null | grep -qi '^zh_CN.utf8$'; then
  $sudo sed -i 's/^# *zh_CN.UTF-8 UTF-8/zh_CN.UTF-8 UTF-8/' /etc/locale.gen
  grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen >/dev/null
fi
