#!/usr/bin/env bash
# Installs, builds and runs every test; then the same suite under
# AddressSanitizer and UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)")
if [ "${LIS06C_SKIP_SANITIZERS:-0}" != 1 ]; then
  scripts/build.sh build-asan -DLIS06C_SANITIZE=ON
  (cd build-asan && QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
     ctest --output-on-failure -j"$(nproc)" -LE slow)
fi
