#!/usr/bin/env bash
# Installs what the native tests, the benchmarks and the fuzz targets need
# beyond the native build, from Debian's packages. Idempotent.
set -euo pipefail

"$(dirname "$0")/setup-native.sh"
packages=(
  googletest          # GoogleTest sources, also cross-built later
  libgtest-dev        # GoogleTest for the native tests
  # The PE version reader's tests build real 32-bit and 64-bit Windows
  # programs with a version resource.
  gcc-mingw-w64-i686-posix
  binutils-mingw-w64-i686
  gcc-mingw-w64-x86-64-posix
  binutils-mingw-w64-x86-64
  # The desk's page is tested in headless Chromium driven by Selenium.
  chromium
  chromium-driver
  python3-selenium
)

"$(dirname "$0")/install-missing.sh" "${packages[@]}"
