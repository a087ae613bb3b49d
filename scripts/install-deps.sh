#!/usr/bin/env bash
# Installs what lis06c needs to build, run and test on Debian 12.
set -euo pipefail
packages=(cmake ninja-build g++ qt6-base-dev qt6-base-dev-tools libqt6sql6-sqlite libgl-dev
          libgtest-dev fonts-liberation poppler-utils xvfb xauth sqlite3 libsqlite3-dev clang libclang-rt-14-dev
          qt6-translations-l10n
          libssl-dev  # the chain file's digest (libcrypto)
          mdbtools-dev mdbtools pkg-config  # reading a store's Access databases
          dpkg-dev groff-base man-db desktop-file-utils)  # the Debian package and its checks
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
