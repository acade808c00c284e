#!/usr/bin/env bash
# Runs the sanitizer build's tests, then shows every report a program of the run wrote
# (the programs a test starts included); one report fails the run.
#   tests/fuzz/run-sanitized-tests.sh BUILD_DIR JOBS
set -uo pipefail
build=$1
jobs=$2
reports=$build/sanitizer-reports
rm -rf "$reports"
mkdir -p "$reports"
(cd "$build" && ctest --output-on-failure -j "$jobs")
status=$?
shopt -s nullglob
found=("$reports"/*)
if [ ${#found[@]} -gt 0 ]; then
  for report in "${found[@]}"; do
    echo "==== $report"
    cat "$report"
  done
  echo "Sanitizer reports: ${#found[@]}"
  exit 1
fi
echo "Sanitizer reports: none"
exit "$status"
