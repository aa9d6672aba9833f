#!/usr/bin/env bash
# Installs what the native build and its tests need, from Debian's packages.
# Idempotent: installs only what is missing.
set -euo pipefail

packages=(
  cmake               # build
  ninja-build         # build
  g++                 # compiler (C++20)
  googletest          # GoogleTest sources, also cross-built later
  libgtest-dev        # GoogleTest for the native tests
  nlohmann-json3-dev  # machine.json of the replay harness
  # The PE version reader's tests build real 32-bit and 64-bit Windows
  # programs with a version resource.
  gcc-mingw-w64-i686-posix
  binutils-mingw-w64-i686
  gcc-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo_cmd=()
  [ "$(id -u)" -eq 0 ] || sudo_cmd=(sudo)
  "${sudo_cmd[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
