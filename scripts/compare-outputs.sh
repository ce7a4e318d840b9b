#!/usr/bin/env bash
# Runs the same jobs with two builds of velmora-cli on every SD file of the shared data folder and
# compares everything they write: libraries and their companion files, exports, reports, stdout and
# stderr. Elapsed times, molfile date stamps and the random sample of the ASCII export are left out.
#   scripts/compare-outputs.sh OLD_CLI NEW_CLI [DATA_FOLDER]   (default: ../shared/data beside the checkout)
# Prints the files that differ; exits 1 when any does.
set -uo pipefail
old=$(realpath "$1") new=$(realpath "$2")
data=$(realpath "${3:-$(dirname "$(realpath "$0")")/../../shared/data}")
query="$data/query.mol"
d10="Bonds: single,Bonds: double,Hetero atoms,Atoms of N,Atoms of O,RandicIx,Number of rings,Number of 6-rings,XuIndex 1,TopoJ"
work=$(mktemp -d /tmp/compare-outputs.XXXXXX)
trap 'rm -rf "$work"' EXIT

run() { local tag=$1; shift; "$@" >"$tag.out" 2>"$tag.err"; echo "status $?" >>"$tag.out"; }

jobs() { # CLI OUT: every job in OUT, run from one fixed folder so that paths match
  local cli=$1 out=$2 here="$work/run"
  rm -rf "$here"; mkdir -p "$here"
  for sdf in "$data"/*.sdf; do
    local f; f=$(basename "$sdf" .sdf)
    mkdir -p "$here/$f"; (
      cd "$here/$f" || exit
      run import "$cli" import "$sdf" lib.clb --replace
      run count "$cli" count "$sdf"
      run stats "$cli" stats lib.clb
      run show "$cli" show lib.clb 3
      run export "$cli" export lib.clb exp.sdf
      run intro "$cli" search lib.clb "$query" --descriptors "$d10" --mode intro --yes --best 30 --coefficient tanimoto
      run intro_aug "$cli" search lib.clb "$query" --query-aug --mode intro --yes --best 40
      run params "$cli" params lib.clb
      run build "$cli" build lib.clb
      for c in euclidean average manhattan tanimoto correlation; do
        run "s_$c" "$cli" search lib.clb "$query" --descriptors "$d10" --coefficient $c --best 50 \
          --report "rep_$c" --explain 2 --export "hits_$c.sdf"
      done
      run aug "$cli" search lib.clb "$query" --query-aug --best 20
      run desc "$cli" descriptors lib.clb
    )
  done
  # What differs from run to run: elapsed times and the date in molfile header lines.
  grep -rlI . "$here" | xargs -r sed -i -E \
    -e 's/(Calculation ?time[^0-9]*)[0-9][0-9 :.,days-]*/\1T/Ig' \
    -e 's/>[0-9]{2} days  -  [0-9:]{8}</>T</g' \
    -e 's/^(.{10})[0-9]{10}(2D|3D)/\1DATE\2/'
  mv "$here" "$out"
}

jobs "$old" "$work/old"
jobs "$new" "$work/new"
diff -rq "$work/old" "$work/new" | sed "s|$work/||g"
diff -rq "$work/old" "$work/new" >/dev/null
