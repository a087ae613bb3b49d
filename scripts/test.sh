#!/usr/bin/env bash
# Installs, builds and runs every test; then the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer. The Debian package is made
# from build/ and checked after the normal tests.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)")
scripts/check-package.sh
if [ "${LIS06C_SKIP_SANITIZERS:-0}" != 1 ]; then
  scripts/build.sh build-asan -DLIS06C_SANITIZE=ON
  (cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
     ctest --output-on-failure -j"$(nproc)" -LE slow)
fi
