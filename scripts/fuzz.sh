#!/usr/bin/env bash
# Builds the chain-file fuzz target with clang and runs it for SECONDS seconds
# (default 60). Crashes land in fuzz/crashes/; the working corpus grows in
# build-fuzz/corpus, seeded from fuzz/seeds and the bad-file corpus of the tests.
#   scripts/fuzz.sh 1800
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-60}"
build="${LIS06C_FUZZ_BUILD:-build-fuzz}"
CXX=clang++ cmake -S fuzz -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" --target chainfile_fuzzer
mkdir -p "$build/corpus" fuzz/crashes
seeds=(fuzz/seeds)
[ -d tests/reliability/corpus ] && seeds+=(tests/reliability/corpus)
"$build/chainfile_fuzzer" -max_total_time="$seconds" -max_len=4096 -timeout=10 -rss_limit_mb=2048 \
  -artifact_prefix=fuzz/crashes/ -print_final_stats=1 -dict=fuzz/chainfile.dict "$build/corpus" "${seeds[@]}"
