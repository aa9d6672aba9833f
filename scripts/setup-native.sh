#!/usr/bin/env bash
# Installs what building and running the native console program needs, from
# Debian's packages: no test frameworks, no cross compilers (the test
# command adds those through scripts/setup-tests.sh). Idempotent: installs
# only what is missing.
set -euo pipefail

packages=(
  cmake               # build
  ninja-build         # build
  g++                 # compiler (C++20)
  nlohmann-json3-dev  # machine.json of the replay harness, the desk's JSON
  libsqlite3-dev      # the desk's checks
  pkg-config          # finds libkmod, libarchive and the desk's format libraries
  libkmod-dev         # the kernel's module aliases and module information
  libarchive-dev      # tarnwick --capture, the desk's zip
  libgmime-3.0-dev    # the desk: mail and mailboxes
  libytnef0-dev       # the desk: Outlook's winmail.dat
  pci.ids             # device names in the Linux report
  usb.ids
  zlib1g-dev          # the desk's store keeps reports compressed
)

"$(dirname "$0")/install-missing.sh" "${packages[@]}"
