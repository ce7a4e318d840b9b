#!/usr/bin/env bash
# The desktop window against the command-line tool on one library, and the program's start-up:
#   bench/window_bench.sh BUILD_DIR LIB.clb QUERY.mol [RUNS]
# Saves the ten demo descriptors as the set "bench" in crits.txt beside the library, then prints
#   - the window's whole job (workbench_window_bench: offscreen window; open, load, choose the set,
#     "Calculate" clicked) against velmora-cli search with the same set (whole process, wall time),
#   - velmora started on the library (and with query and set) until its first paint, as it reports.
# Every figure is the median of RUNS runs (default 5).
set -euo pipefail
build=$(cd "$1" && pwd)
lib=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
query=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
runs=${4:-5}
cd "$(dirname "$lib")"
descriptors="Bonds: single,Bonds: double,Hetero atoms,Atoms of N,Atoms of O,RandicIx,Number of rings,Number of 6-rings,XuIndex 1,TopoJ"
if ! "$build/src/cli/velmora-cli" sets show bench >/dev/null 2>&1; then
  "$build/src/cli/velmora-cli" sets save bench "$descriptors" >/dev/null
fi
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
wall() { local s e; s=$(date +%s.%N); "$@" >/dev/null 2>&1; e=$(date +%s.%N); echo "$e - $s" | bc; }

# Runs alternate between the two, so both see the same machine load.
window=() cli=()
for _ in $(seq "$runs"); do
  window+=("$("$build/bench/workbench_window_bench" "$lib" "$query" bench 1 2>/dev/null | awk '/^run/ { print $(NF-1) }')")
  cli+=("$(wall "$build/src/cli/velmora-cli" search "$lib" "$query" --set bench)")
done
w=$(printf '%s\n' "${window[@]}" | median)
c=$(printf '%s\n' "${cli[@]}" | median)
printf 'window (open, load, choose, Calculate): median %.3f s\n' "$w"
printf 'velmora-cli search (whole process):     median %.3f s\n' "$c"
printf 'window / CLI: %.0f %%\n' "$(echo "100 * $w / $c" | bc -l)"
# The program itself says when it first painted, counted from its process start.
export QT_QPA_PLATFORM=offscreen
painted() { "$build/src/app/velmora" "$@" --exit-after-first-paint 2>/dev/null | awk '/first paint/ { print $4 }'; }
for _ in $(seq "$runs"); do painted "$lib"; done |
  median | xargs printf 'velmora LIB: start to first paint, median %.3f s\n'
for _ in $(seq "$runs"); do painted "$lib" "$query" --set bench; done |
  median | xargs printf 'velmora LIB QUERY --set bench: start to first paint, median %.3f s\n'
