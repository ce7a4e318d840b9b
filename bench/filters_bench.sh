#!/usr/bin/env bash
# Filters inside the ranking, whole process (velmora-cli search), on 1,000,000 structures with ten
# descriptors in NORMAL mode:
#   bench/filters_bench.sh CLI SEARCH_BENCH [WORKDIR] [RUNS]
# CLI is velmora-cli, SEARCH_BENCH the search_bench of the same build (it scales the library).
# WORKDIR (default /tmp/velmora-filters-bench) keeps the library between runs: nci5k.sdf of
# ../shared/data imported, its descriptor file built, cycled up to 1,000,000 structures.
# Prints per run wall and CPU seconds and peak RSS, then the medians of
#   plain      the best 50 without filters,
#   range      the same with two --range filters (goal: at most 10 % over plain),
#   structural the best 50 with --smarts 'S(=O)(=O)N' --alerts pains (about 1.3 % of nci5k pass
#              both; goal: at most 2 s),
# and the ratio range/plain. The filtered runs' hits are checked to be exactly 50.
set -euo pipefail
cli=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
scaler=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
work=${3:-/tmp/velmora-filters-bench}
runs=${4:-5}
here=$(cd "$(dirname "$0")" && pwd)
data=$here/../../shared/data
mkdir -p "$work"
cd "$work"
if [ ! -f big.clb ] || [ ! -f big.pre-state ]; then
  rm -f nci5k.* big.*
  "$cli" import "$data/nci5k.sdf" nci5k.clb >/dev/null
  "$cli" build nci5k.clb >/dev/null
  "$scaler" scale nci5k.clb 1000000 big.clb
  "$cli" build big.clb >/dev/null # the descriptor file with the record of the library state
fi
cp "$data/query.mol" query.mol
descriptors="Bonds: single,Branching atoms,Hetero atoms,Aug: C1C1C1C,Atoms of C,Atoms of N,RandicIx,Number of rings,XuIndex 1,TopoJ"
common=(search big.clb query.mol --descriptors "$descriptors" --best 50 --mode normal)
declare -A options
options[plain]=""
options[range]="--range|Atoms of C=8..30|--range|RandicIx=..14"
options[structural]="--smarts|S(=O)(=O)N|--alerts|pains"
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
declare -A wall cpu rss
for run in $(seq "$runs"); do
  for kind in plain range structural; do
    IFS='|' read -r -a extra <<<"${options[$kind]}"
    [ -z "${options[$kind]}" ] && extra=()
    load=$(cut -d' ' -f1 /proc/loadavg)
    /usr/bin/time -f '%e %U %S %M' -o time.txt "$cli" "${common[@]}" "${extra[@]}" >out.txt
    read -r w u s m <time.txt
    printf '%-10s run %d: %6.2f s wall, %6.2f s CPU, %7d KiB peak, load %s\n' "$kind" "$run" "$w" \
      "$(echo "$u + $s" | bc)" "$m" "$load"
    if [ "$kind" != plain ]; then
      hits=$(awk '/^OUTPUT/ { on = 1; next } on && /^ +[0-9]+ +[0-9]+ / { n++ } END { print n + 0 }' out.txt)
      [ "$hits" = 50 ] || { echo "$kind: $hits hits, not 50"; cat out.txt; exit 1; }
      [ "$run" = 1 ] && grep -E "removed|Checked|Looked" out.txt | sed 's/^/    /'
    fi
    wall[$kind]+="$w "
    cpu[$kind]+="$(echo "$u + $s" | bc) "
    rss[$kind]+="$m "
  done
done
declare -A medianWall
for kind in plain range structural; do
  medianWall[$kind]=$(printf '%s\n' ${wall[$kind]} | median)
  printf '%-10s median %.2f s wall, %.2f s CPU, %d KiB peak\n' "$kind" "${medianWall[$kind]}" \
    "$(printf '%s\n' ${cpu[$kind]} | median)" "$(printf '%s\n' ${rss[$kind]} | median)"
done
printf 'range / plain: %.3f (goal <= 1.10); structural: %.2f s (goal <= 2 s)\n' \
  "$(echo "${medianWall[range]} / ${medianWall[plain]}" | bc -l)" "${medianWall[structural]}"
