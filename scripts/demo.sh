#!/usr/bin/env bash
# The main job on the bundled sample: import the sample SD file into a library and describe it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh
cli=build/src/cli/velmora-cli
out=out/demo
mkdir -p "$out"
"$cli" import data/sample.sdf "$out/sample.clb" --replace
"$cli" show "$out/sample.clb" 1
