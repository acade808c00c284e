#!/usr/bin/env bash
# Shows the windows once more under a real X server with a window manager: starts its
# own Xvfb and openbox on it, runs the tests that compare what the screen shows over
# each window with the window's own picture, and ends both again. Exits 77 (skipped)
# when Xvfb or openbox is not installed.
set -euo pipefail
test_ui=${1:?usage: windows-under-openbox.sh PATH/TO/test_ui}
for tool in Xvfb openbox; do
  command -v "$tool" >/dev/null || { echo "windows-under-openbox: $tool is not installed; skipped" >&2; exit 77; }
done

work=$(mktemp -d)
server= manager=
stop() {
  for pid in $manager $server; do
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  rm -rf "$work"
}
trap stop EXIT

# Waits up to ten seconds for a file to appear while the process lives.
await() {
  local file=$1 pid=$2
  for _ in $(seq 100); do
    [ -s "$file" ] && return 0
    kill -0 "$pid" 2>/dev/null || return 1
    sleep 0.1
  done
  [ -s "$file" ]
}

# The server takes a free display and writes its number once it accepts clients.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" 2>"$work/server.log" &
server=$!
await "$work/display" "$server" || { echo "windows-under-openbox: Xvfb did not start" >&2; cat "$work/server.log" >&2; exit 1; }
export DISPLAY=":$(tr -d '[:space:]' <"$work/display")"

# openbox runs its start-up command once it manages the screen.
HOME="$work" openbox --sm-disable --startup "sh -c 'echo yes >$work/managing'" >"$work/manager.log" 2>&1 &
manager=$!
await "$work/managing" "$manager" || { echo "windows-under-openbox: openbox did not start" >&2; cat "$work/manager.log" >&2; exit 1; }

status=0
QT_QPA_PLATFORM=xcb "$test_ui" --gtest_filter='OnScreen.*' 2>&1 | tee "$work/tests.log" || status=$?
# Every test ran here, none skipped itself.
if ! grep -q '^\[  PASSED  \] [1-9]' "$work/tests.log" && ! grep -q '^\[  FAILED  \]' "$work/tests.log" \
  || grep -q '^\[  SKIPPED \]' "$work/tests.log"; then
  echo "windows-under-openbox: the tests did not run under the X server" >&2
  status=1
fi
for pid in $server $manager; do
  kill -0 "$pid" 2>/dev/null || { echo "windows-under-openbox: the X server or openbox ended during the test" >&2; status=1; }
done
exit $status
