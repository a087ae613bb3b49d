#!/usr/bin/env bash
# Makes the Debian package build/lis06c_<version>_<arch>.deb (or in the folder
# given by LIS06C_BUILD_DIR) and prints its path. Only the program is built;
# nothing is enabled when the package is installed.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${LIS06C_BUILD_DIR:-build}
version=$(sed -n 's/^project(lis06c VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb="$build/lis06c_${version}_$(dpkg --print-architecture).deb"

LIS06C_TARGETS=lis06c scripts/build.sh "$build" >&2
rm -f "$deb"
log="$build/cpack.log"
if ! (cd "$build" && cpack -G DEB) >"$log" 2>&1 || [ ! -f "$deb" ]; then
  cat "$log" >&2
  echo "package.sh: $deb was not made (see above)" >&2
  exit 1
fi
echo "$deb"
