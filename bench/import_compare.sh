#!/usr/bin/env bash
# Whole-process `velmora-cli import --replace` of two builds (say, main's and a branch's):
#   bench/import_compare.sh OLD_CLI NEW_CLI SOURCE.sdf WORKDIR [RUNS]
# Runs alternate, each writing its own library in WORKDIR anew; prints per build the medians of
# RUNS runs (default 5) of wall time, CPU time (user + system) and peak RSS (/usr/bin/time), the
# records per second of the median, and whether the two libraries and indexes are byte-identical.
set -euo pipefail
old=$1 new=$2 source=$3 work=$4 runs=${5:-5}
mkdir -p "$work"
records=$(grep -c '^\$\$\$\$.\?$' "$source" || true)
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
for build in old new; do : >"$work/$build.times"; done
for _ in $(seq "$runs"); do
  for build in old new; do
    cli=$old
    [ "$build" = new ] && cli=$new
    /usr/bin/time -f '%e %U %S %M' -a -o "$work/$build.times" \
      "$cli" import "$source" "$work/$build.clb" --replace >/dev/null 2>&1
  done
done
for build in old new; do
  wall=$(awk '{ print $1 }' "$work/$build.times" | median)
  cpu=$(awk '{ print $2 + $3 }' "$work/$build.times" | median)
  rss=$(awk '{ print $4 }' "$work/$build.times" | median)
  printf '%s: wall %.2f s (%.0f records/s), CPU %.2f s, peak RSS %d KiB  [runs: %s]\n' "$build" "$wall" \
    "$(echo "$records / $wall" | bc -l)" "$cpu" "$rss" "$(awk '{ printf "%s ", $1 }' "$work/$build.times")"
done
if cmp -s "$work/old.clb" "$work/new.clb" && cmp -s "$work/old.III" "$work/new.III"; then
  echo "libraries and indexes byte-identical"
else
  echo "libraries or indexes DIFFER"
  exit 1
fi
