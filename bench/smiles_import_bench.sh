#!/usr/bin/env bash
# Import of a SMILES file, whole process: `velmora-cli import FILE.smi WORKDIR/smiles.clb --replace`
# (parsing, kekulizing and 2D layout by RDKit on all cores, then every record written and read back).
#   bench/smiles_import_bench.sh BUILD_DIR SOURCE.smi WORKDIR [RUNS]
# Make the source with bench/make_smiles.py 100000 OUT.smi /path/to/nci5k.sdf. Prints each run and
# the median wall time of RUNS runs (default 3) with the structures per second.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
mkdir -p "$3"
work=$(cd "$3" && pwd)
runs=${4:-3}
lines=$(grep -c . "$source")
times=()
for run in $(seq "$runs"); do
  s=$(date +%s.%N)
  "$build/src/cli/velmora-cli" import "$source" "$work/smiles.clb" --replace >"$work/import.out" 2>"$work/import.err"
  e=$(date +%s.%N)
  t=$(echo "$e - $s" | bc)
  times+=("$t")
  printf 'run %d: %.3f s (%s)\n' "$run" "$t" "$(head -1 "$work/import.out")"
done
m=$(printf '%s\n' "${times[@]}" | sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }')
printf 'velmora-cli import of %d SMILES lines: median %.3f s, %.0f structures/s\n' "$lines" "$m" "$(echo "$lines / $m" | bc -l)"
