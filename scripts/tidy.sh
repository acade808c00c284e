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
# The build's precompiled headers are gcc's, which clang cannot read: clang-tidy is given
# the same compile commands with each of them included as a plain header instead.
db=$(mktemp -d /tmp/palimor-tidy-db.XXXXXX)
trap 'rm -f "$log"; rm -rf "$db"' EXIT
find "$build" -name cmake_pch.hxx -exec sh -c 'cp "$1" "$1.tidy.h"' _ {} \;
sed 's@/cmake_pch\.hxx\([" ]\)@/cmake_pch.hxx.tidy.h\1@g' "$build/compile_commands.json" > "$db/compile_commands.json"
# gcc's own warning options mean nothing to clang.
"$runner" -p "$db" -quiet -j "$jobs" -extra-arg=-Wno-unknown-warning-option "$root/(src|host)/" 2>&1 | tee "$log"
status=${PIPESTATUS[0]}
# A header's finding is shown once for each file that includes it; each counts once.
findings=$(sed 's/\x1b\[[0-9;]*m//g' "$log" | grep -E '(warning|error): .*\[[a-z][a-z.-]*\]$' | sort -u | wc -l)
echo "clang-tidy findings: $findings"
[ "$status" -eq 0 ] && [ "$findings" -eq 0 ]
