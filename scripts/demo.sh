#!/usr/bin/env bash
# The demo: installs what is needed, builds, generates a small store (60
# articles, 3 supplier documents, 3 promotions) and runs the whole run on it,
# in the window when there is a display, else headless, answering yes to the
# print question with the report written as a PDF.
#   LIS06C_BUILD_DIR  build folder (build)
#   LIS06C_DEMO_ROOT  the drive root to create (./demo-root; replaced)
set -euo pipefail
cd "$(dirname "$0")/.."
build=${LIS06C_BUILD_DIR:-build}
scripts/install-deps.sh
scripts/build.sh "$build"

root=${LIS06C_DEMO_ROOT:-$PWD/demo-root}
rm -rf "$root"
"$build/lis06c-gen" --root "$root" --demo

pdf="$root/report.pdf"
if [ -n "${DISPLAY:-}" ]; then mode=(); else mode=(--headless); fi
status=0
"$build/lis06c" --root "$root" "${mode[@]}" --print yes --pdf "$pdf" || status=$?

echo
echo "store database: $root/quarn/dati.mdb"
echo "chain database: $root/nelv/dati.mdb"
echo "chain file:     $root/nelv/acq_var.txt"
if [ -f "$pdf" ]; then
  echo "report:         $pdf"
else
  echo "report:         not written"
  [ "$status" -eq 0 ] && status=1
fi
if [ "$status" -ne 0 ]; then echo "the run ended with status $status" >&2; fi
exit $status
