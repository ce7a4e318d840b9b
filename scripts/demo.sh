#!/usr/bin/env bash
# The main job on the bundled sample: import the sample SD file into a library, compute its
# descriptor file, and search it with the bundled query; the report goes to out/demo/report/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
cli=build/src/cli/velmora-cli
out=out/demo
mkdir -p "$out"
"$cli" import data/sample.sdf "$out/sample.clb" --replace
"$cli" build "$out/sample.clb"
"$cli" search "$out/sample.clb" data/query.mol \
  --descriptors "Bonds: single,Bonds: double,Hetero atoms,Atoms of N,Atoms of O,RandicIx,Number of rings,Number of 6-rings,XuIndex 1,TopoJ" \
  --coefficient euclidean --best 20 --report "$out/report"
