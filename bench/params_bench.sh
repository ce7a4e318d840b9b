#!/usr/bin/env bash
# The descriptor file and the INTRO parameters, whole process, two builds of velmora-cli against
# each other on one library:
#   bench/params_bench.sh BASE_CLI NEW_CLI LIB.clb build|params [RUNS]
# Each build works in its own directory (links to the library there), so the files each writes
# can be compared. Runs alternate (default 5); prints per run wall and CPU seconds, peak RSS and
# the load average at its start, then the medians, structures per second and whether the output
# files (.pre and .idp, or .idr) are byte for byte the same.
set -euo pipefail
base=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
new=$(cd "$(dirname "$2")" && pwd)/$(basename "$2")
lib=$(cd "$(dirname "$3")" && pwd)/$(basename "$3")
command=$4
runs=${5:-5}
stem=$(basename "${lib%.*}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
for side in base new; do
  mkdir -p "$work/$side"
  for f in "${lib%.*}".*; do
    case "$f" in *.clb | *.III | *.iii) ln -s "$f" "$work/$side/" ;; esac
  done
done
count=$(($(stat -c %s "$(ls "${lib%.*}".III "${lib%.*}".iii 2>/dev/null | head -1)") / 4))
median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
declare -A wall cpu rss
for run in $(seq "$runs"); do
  for side in base new; do
    cli=$base
    [ "$side" = new ] && cli=$new
    load=$(cut -d' ' -f1 /proc/loadavg)
    (cd "$work/$side" && /usr/bin/time -f '%e %U %S %M' -o "$work/time" "$cli" "$command" "$stem.clb" >/dev/null)
    read -r w u s m <"$work/time"
    printf '%-4s run %d: %6.2f s wall, %6.2f s CPU, %7d KiB peak, load %s\n' "$side" "$run" "$w" "$(echo "$u + $s" | bc)" "$m" "$load"
    wall[$side]+="$w "
    cpu[$side]+="$(echo "$u + $s" | bc) "
    rss[$side]+="$m "
  done
done
for side in base new; do
  w=$(printf '%s\n' ${wall[$side]} | median)
  printf '%-4s median %.2f s wall (%.0f structures/s), %.2f s CPU, %d KiB peak\n' "$side" "$w" \
    "$(echo "$count / $w" | bc -l)" "$(printf '%s\n' ${cpu[$side]} | median)" "$(printf '%s\n' ${rss[$side]} | median)"
done
extensions="pre idp"
[ "$command" = params ] && extensions="idr"
for e in $extensions; do
  if cmp -s "$work/base/$stem.$e" "$work/new/$stem.$e"; then echo "$stem.$e: identical"; else echo "$stem.$e: DIFFERS"; fi
done
