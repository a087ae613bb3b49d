#!/usr/bin/env bash
# Configures and builds into build/ (or the folder given). Uses ccache when
# the machine has it, so several build folders share their compiled objects.
# LIS06C_TARGETS (e.g. "lis06c") builds only those targets.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}; shift || true
launcher=()
if command -v ccache >/dev/null 2>&1; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$PWD}
fi
cmake -S . -B "$dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" "$@" >/dev/null
targets=()
[ -n "${LIS06C_TARGETS:-}" ] && read -ra targets <<<"--target $LIS06C_TARGETS"
cmake --build "$dir" -j"${LIS06C_JOBS:-$(nproc)}" "${targets[@]}"
