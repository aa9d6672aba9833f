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

"$(dirname "$0")/install-missing.sh" "${packages[@]}"
