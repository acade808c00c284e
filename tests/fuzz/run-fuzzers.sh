#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for a while, as many at once as there are cores.
#   tests/fuzz/run-fuzzers.sh BUILD_DIR SECONDS [TARGET...]
# Each starts from its kept corpus (tests/fuzz/corpus/<target>) and keeps what it finds
# in BUILD_DIR/fuzz/<target>/corpus; an input that crashes is saved as
# BUILD_DIR/fuzz/<target>/crash-*. After mending the fault, put that input into the kept
# corpus: the sanitizer build replays it from then on.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$1
seconds=$2
shift 2
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(start_record call_text query_parser update_set structure_xml)

export ASAN_OPTIONS=${ASAN_OPTIONS:-halt_on_error=1:detect_leaks=1}
export LSAN_OPTIONS=${LSAN_OPTIONS:-print_suppressions=0:suppressions=$here/suppressions/lsan.supp}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1:suppressions=$here/suppressions/ubsan.supp}
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}

run() {
  local target=$1 out=$build/fuzz/$1
  mkdir -p "$out/corpus" "$out/earlier"
  # What an earlier run found is kept apart, so that this run counts its own finds.
  find "$out" -maxdepth 1 -type f \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) \
    -exec mv -t "$out/earlier" {} +
  local dict=()
  [ -f "$here/dict/$target.dict" ] && dict=(-dict="$here/dict/$target.dict")
  "$build/tests/fuzz/fuzz_$target" "$out/corpus" "$here/corpus/$target" "${dict[@]}" \
    -max_total_time="$seconds" -timeout=10 -print_final_stats=1 -artifact_prefix="$out/" >"$out/log" 2>&1
}

pids=()
for target in "${targets[@]}"; do
  while [ "$(jobs -rp | wc -l)" -ge "$(nproc)" ]; do sleep 1; done
  echo "fuzz_$target: $seconds s"
  run "$target" &
  pids+=($!)
done
status=0
for i in "${!targets[@]}"; do
  target=${targets[$i]}
  wait "${pids[$i]}" || status=1
  out=$build/fuzz/$target
  runs=$(grep -m1 -oE 'stat::number_of_executed_units: *[0-9]+' "$out/log" | grep -oE '[0-9]+$')
  crashes=$(find "$out" -maxdepth 1 \( -name 'crash-*' -o -name 'leak-*' -o -name 'timeout-*' -o -name 'oom-*' \) | wc -l)
  echo "fuzz_$target: ${runs:-?} inputs, $crashes found, $(ls "$out/corpus" | wc -l) inputs kept in $out/corpus; log $out/log"
  if [ "$crashes" -gt 0 ]; then
    grep -m5 -E 'ERROR|runtime error|broken:' "$out/log"
    status=1
  fi
done
exit "$status"
