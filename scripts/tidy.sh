#!/usr/bin/env bash
# clang-tidy (.clang-tidy) over the editor and the local host, with the compile commands
# of a build: every finding is shown, and any finding fails the run.
#   scripts/tidy.sh BUILD_DIR JOBS
set -uo pipefail
build=$1
jobs=$2
runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy) \
  || { echo "tidy: run-clang-tidy is not installed (Debian package clang-tidy)" >&2; exit 1; }
root=$(cd "$(dirname "$0")/.." && pwd)
log=$(mktemp /tmp/palimor-tidy.XXXXXX)
trap 'rm -f "$log"' EXIT
# gcc's own warning options mean nothing to clang.
"$runner" -p "$build" -quiet -j "$jobs" -extra-arg=-Wno-unknown-warning-option "$root/(src|host)/" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
# A header's finding is shown once for each file that includes it; each counts once.
findings=$(sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '(warning|error): .*\[[a-z][a-z.-]*\]$' | sort -u | wc -l)
echo "clang-tidy findings: $findings"
[ "$status" -eq 0 ] && [ "$findings" -eq 0 ]
