#!/usr/bin/env bash
# Installs the 32-bit Windows cross compiler and what the tests under Wine
# need, from Debian's packages. Idempotent: installs only what is missing.
set -euo pipefail

packages=(
  g++-mingw-w64-i686  # cross compiler (posix thread variant used)
  binutils-mingw-w64-i686  # windres for the resource script
  googletest          # GoogleTest sources, cross-built for the Wine tests
  wine                # Windows implementation the tests run under
  wine32:i386         # 32-bit Wine
  xvfb                # display for the dialog tests
  xauth               # needed by xvfb-run
  xdotool             # finds and drives the dialog windows
  imagemagick         # screenshots of the dialog
  openbox             # window manager, so windows can be activated
  locales             # the Russian locale the code-page test runs Wine in
  # The PE version reader's check under Wine reads 64-bit samples too.
  gcc-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64
)

sudo_cmd=()
[ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  "${sudo_cmd[@]}" dpkg --add-architecture i386
fi

"$(dirname "$0")/install-missing.sh" "${packages[@]}"

# Wine takes its ANSI code page from the C library's locale: the code-page
# test needs ru_RU.UTF-8 (code page 1251). Generated once.
if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
  grep -qx 'ru_RU.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null ||
    echo 'ru_RU.UTF-8 UTF-8' | "${sudo_cmd[@]}" tee -a /etc/locale.gen >/dev/null
  "${sudo_cmd[@]}" locale-gen >/dev/null
fi
