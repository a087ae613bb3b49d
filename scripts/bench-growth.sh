#!/bin/bash
# How the run's time grows with the workload, on a machine whose speed drifts
# from one minute to the next: the benchmark at the store size and at each
# larger scale, taken in turn for several rounds, and the medians compared.
# One pair of runs can differ by a fifth on a shared machine; the median of
# pairs taken in turn does not follow the drift.
#
#   scripts/bench-growth.sh [--build DIR] [--rounds N] [SCALE ...]   (default: 3 rounds, scales 2 and 4)
#
# Prints each run's last line, then one line per scale:
#   scale=2 total_s=… (median) growth=… (against the store size) ratio=… peak_mb=…
set -euo pipefail

build=build
rounds=3
scales=()
while [ $# -gt 0 ]; do
    case "$1" in
    --build) build=$2; shift 2 ;;
    --rounds) rounds=$2; shift 2 ;;
    -h | --help) sed -n '2,12p' "$0"; exit 0 ;;
    *) scales+=("$1"); shift ;;
    esac
done
[ ${#scales[@]} -gt 0 ] || scales=(2 4)
bench="$build/lis06c-bench"
if [ ! -x "$bench" ]; then
    echo "bench-growth: $bench is missing: build first (scripts/build.sh $build)" >&2
    exit 2
fi

results=$(mktemp)
trap 'rm -f "$results"' EXIT
for round in $(seq "$rounds"); do
    for scale in 1 "${scales[@]}"; do
        if ! line=$("$bench" --scale "$scale" 2>/dev/null | grep '^total_s='); then
            echo "bench-growth: the benchmark failed at scale $scale (round $round): run $bench --scale $scale" >&2
            exit 1
        fi
        echo "round $round scale $scale: $line"
        echo "$scale $line" >>"$results"
    done
done

# The median of each figure per scale, and the growth of the median time.
awk '
function median(list, n,    sorted, i, j, t) {
    for (i = 1; i <= n; i++) sorted[i] = list[i]
    for (i = 2; i <= n; i++) for (j = i; j > 1 && sorted[j-1] > sorted[j]; j--) { t = sorted[j]; sorted[j] = sorted[j-1]; sorted[j-1] = t }
    return n % 2 ? sorted[(n+1)/2] : (sorted[n/2] + sorted[n/2+1]) / 2
}
{
    s = $1; n[s]++
    for (f = 2; f <= NF; f++) { split($f, kv, "="); v[s, kv[1], n[s]] = kv[2] }
    if (!(s in seen)) { seen[s] = 1; order[++count] = s }
}
END {
    for (k = 1; k <= count; k++) {
        s = order[k]
        split("total_s ratio peak_mb", names, " ")
        for (x = 1; x <= 3; x++) { delete l; for (i = 1; i <= n[s]; i++) l[i] = v[s, names[x], i]; m[s, names[x]] = median(l, n[s]) }
        growth = (s == 1) ? 1 : m[s, "total_s"] / m[1, "total_s"]
        printf "scale=%s total_s=%.3f growth=%.2f ratio=%.2f peak_mb=%.1f (medians of %d)\n", s, m[s, "total_s"], growth, m[s, "ratio"], m[s, "peak_mb"], n[s]
    }
}' "$results"
