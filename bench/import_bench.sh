#!/usr/bin/env bash
# Importing an SD file through the desktop window against the command-line tool:
#   bench/import_bench.sh BUILD_DIR SOURCE.sdf WORKDIR [RUNS]
# Runs alternate between import_window_bench (offscreen window: "&Import Library", the converter's
# "Save As ...", "Convert", "Exit", the new library opened) and `velmora-cli import --replace`
# (whole process, wall time), each writing WORKDIR's library anew. Prints the medians of RUNS runs
# (default 3) and their ratio.
set -euo pipefail
build=$(cd "$1" && pwd)
source=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
mkdir -p "$3"
work=$(cd "$3" && pwd)
runs=${4:-3}
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
window=() cli=()
for _ in $(seq "$runs"); do
  window+=("$("$build/bench/import_window_bench" "$source" "$work/window.clb" 1 2>/dev/null | awk '/^run/ { print $(NF-1) }')")
  s=$(date +%s.%N)
  "$build/src/cli/velmora-cli" import "$source" "$work/cli.clb" --replace >/dev/null 2>&1
  e=$(date +%s.%N)
  cli+=("$(echo "$e - $s" | bc)")
done
w=$(printf '%s\n' "${window[@]}" | median)
c=$(printf '%s\n' "${cli[@]}" | median)
printf 'window import (menu command to return): median %.3f s\n' "$w"
printf 'velmora-cli import (whole process):     median %.3f s\n' "$c"
printf 'window / CLI: %.0f %%\n' "$(echo "100 * $w / $c" | bc -l)"
