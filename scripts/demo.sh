#!/usr/bin/env bash
# Installs, builds, prepares a demo root and runs the whole run on it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
scripts/build.sh build
root=${LIS06C_DEMO_ROOT:-$PWD/demo-root}
rm -rf "$root"
if [ -x build/lis06c-gen ]; then
  build/lis06c-gen --root "$root" --demo
else
  build/lis06c --init --root "$root"
fi
pdf="$root/report.pdf"
if [ -n "${DISPLAY:-}" ]; then mode=(); else mode=(--headless); fi
status=0
build/lis06c --root "$root" "${mode[@]}" --print yes --pdf "$pdf" || status=$?
echo "store database: $root/quarn/dati.mdb"
echo "chain database: $root/nelv/dati.mdb"
[ -f "$pdf" ] && echo "report: $pdf"
exit $status
