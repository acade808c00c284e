#!/usr/bin/env bash
# Runs every benchmark program of a build and prints one table of their ratios and
# limits: measure, value, goal and verdict. Each program's whole output is kept in
# <build>/bench-logs. Ends with status 1 when a goal is missed or not measured.
set -uo pipefail
build=${1:?usage: bench-table.sh BUILD_DIR}
logs="$build/bench-logs"
mkdir -p "$logs"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
echo "Machine load before the run: $(cut -d' ' -f1-3 /proc/loadavg)"
lines=()
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue
  name=$(basename "$b")
  echo "== $name"
  "$b" --benchmark_color=false > "$logs/$name.txt" 2>&1
  status=$?
  [ "$status" -eq 0 ] || lines+=("$name|ended with status $status||MISSED")
  while IFS= read -r line; do
    # "ratio: <what>: <value> (goal at most <goal>) <verdict>", the same with " s" for
    # limits, or "...: not measured".
    body=${line#*: }
    if [[ $body =~ ^(.*):\ ([0-9.]+)( s)?\ \(goal\ at\ most\ ([0-9.]+)( s)?\)\ (met|MISSED)$ ]]; then
      lines+=("${BASH_REMATCH[1]}|${BASH_REMATCH[2]}${BASH_REMATCH[3]}|${BASH_REMATCH[4]}${BASH_REMATCH[5]}|${BASH_REMATCH[6]}")
    else
      lines+=("${body%: not measured}|not measured||MISSED")
    fi
  done < <(sed 's/\x1b\[[0-9;]*m//g' "$logs/$name.txt" | grep -aE '^(ratio|limit): ')
done
echo "Machine load after the run: $(cut -d' ' -f1-3 /proc/loadavg)"
echo
missed=0
for l in "${lines[@]}"; do
  [[ $l == *"|MISSED" ]] && missed=$((missed + 1))
done
printf '%s\n' "measure|value|goal|verdict" "${lines[@]}" | column -t -s '|'
echo
if [ "$missed" -eq 0 ]; then echo "Every goal met (${#lines[@]} measures)."; else echo "$missed of ${#lines[@]} goals missed."; fi
[ "$missed" -eq 0 ]
