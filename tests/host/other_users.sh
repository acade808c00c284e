#!/usr/bin/env bash
# A host database shared between users, as two users of its own (setpriv; run as root,
# else skipped): one that owns the database, and another who only reads it.
#   - In a folder the other user may not write, he reads it: the tool's dump, and the
#     editor in open mode "r"; his save is refused as one that cannot be written.
#   - In a shared folder (mode 1777), his dump leaves nothing beside the database, and
#     the owner saves after it.
# Both on a database in write-ahead-log mode, as made, and on one in the ordinary journal.
#   tests/host/other_users.sh PALIMOR_HOST TEST_UI PALIMOR
set -uo pipefail
tool=$1 ui_test=$2 editor=$3
owner=64101 other=64102

if [ "$(id -u)" != 0 ] || ! command -v setpriv >/dev/null; then
  echo "skipped: switching users needs root and setpriv"
  exit 77
fi
as() {
  local uid=$1
  shift
  local home=$work/home-$uid
  setpriv --reuid="$uid" --regid="$uid" --clear-groups env QT_QPA_PLATFORM=offscreen HOME="$home" \
    XDG_RUNTIME_DIR="$home" XDG_CONFIG_HOME="$home" XDG_DATA_HOME="$home" PALIMOR_LOG_DIR="$home/log" \
    PALIMOR_HOST_DUMP_DIR="$home/dumps" PALIMOR_REGISTRY="$home/registry.json" \
    PALIMOR_USER_SETTINGS="$home/user-settings.json" "$@"
}
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
for uid in $owner $other; do
  install -d -o "$uid" -g "$uid" -m 700 "$work/home-$uid"
  [ "$(as "$uid" id -u)" = "$uid" ] || { echo "FAILED: cannot run as user $uid"; exit 1; }
done
# A build in a folder other users cannot reach (root's home): the programs run from a
# copy; the test program, which needs its build around it, then does not run.
if ! as $other test -x "$tool" -a -x "$editor"; then
  install -d -m 755 "$work/bin"
  install -m 755 "$tool" "$editor" "$work/bin/"
  tool=$work/bin/$(basename "$tool") editor=$work/bin/$(basename "$editor")
fi
if ! as $other test -x "$ui_test"; then
  echo "open mode \"r\" not tried: $ui_test cannot be run by other users"
  ui_test=
fi

# The start record of a demo form, as the host client passes it.
record() { printf 'te kwy %-9s 2 2 2 7.6  a3 dev  %-8s  1%s,Demo form %s' "$1" "" "$2" "$1"; }
beside() { (cd "$(dirname "$1")" && echo $(ls -A)); }
# The level olditemd is stored at: 7, or 10 once an unattended run stored its upgrade.
level() { as $owner "$tool" dump "$1" olditemd | sed -n 's/^qxzrn315 grpi=1 .* za_revi=\([0-9]*\) .*/\1/p'; }
# A database that no program has open, made in write-ahead-log mode; or switched to the
# ordinary journal, as one made before the log was used: the header's write and read
# versions 1.
journalAtRest() { printf '\001\001' | dd of="$1" bs=1 seek=18 conv=notrunc status=none; }

for kind in journal wal; do
  # The owner's database in his own folder, which the other user may read, not write.
  private="$work/private-$kind"
  install -d -o $owner -g $owner -m 755 "$private"
  as $owner "$tool" init "$private/host.sqlite" >/dev/null || fail "$kind: init"
  expected=$(as $owner "$tool" dump "$private/host.sqlite" simpled)
  [ $kind = journal ] && journalAtRest "$private/host.sqlite"
  dumped=$(as $other "$tool" dump "$private/host.sqlite" simpled 2>&1)
  [ "$dumped" = "$expected" ] || fail "$kind: the other user's dump in a folder he cannot write: $dumped"
  if [ -n "$ui_test" ]; then
    out=$(as $other env PALIMOR_HOST_DB="$private/host.sqlite" "$ui_test" --gtest_also_run_disabled_tests \
      --gtest_filter=ProgramExitChild.DISABLED_LeavesAfterEveryWindow "r exit" 2>&1)
    [ $? = 0 ] && [[ $out == *leaving* ]] ||
      fail "$kind: open mode \"r\" in a folder the user cannot write: $(echo "$out" | grep -v '^\[' | tail -n 5)"
  fi
  out=$(as $other env PALIMOR_HOST_DB="$private/host.sqlite" "$editor" "$(record olditemd i)" 2>&1)
  status=$?
  [ $status = 2 ] && [[ $out == *"cannot be written"* ]] ||
    fail "$kind: a save in a folder the user cannot write (status $status): $out"
  [ "$(beside "$private/host.sqlite")" = host.sqlite ] || fail "$kind: beside the database: $(beside "$private/host.sqlite")"
  [ "$(level "$private/host.sqlite")" = 7 ] || fail "$kind: the refused save stored something"

  # The owner's database in a folder all may write, the file his alone.
  shared="$work/shared-$kind"
  install -d -m 1777 "$shared"
  as $owner "$tool" init "$shared/host.sqlite" >/dev/null || fail "$kind: init"
  [ $kind = journal ] && journalAtRest "$shared/host.sqlite"
  as $other "$tool" dump "$shared/host.sqlite" simpled >/dev/null || fail "$kind: the other user's dump in a shared folder"
  [ "$(beside "$shared/host.sqlite")" = host.sqlite ] ||
    fail "$kind: the other user's dump left $(beside "$shared/host.sqlite")"
  out=$(as $owner env PALIMOR_HOST_DB="$shared/host.sqlite" "$editor" "$(record olditemd i)" 2>&1) ||
    fail "$kind: the owner's save after another user's read: $out"
  [ "$(level "$shared/host.sqlite")" = 10 ] || fail "$kind: the owner's save was not stored"
  [ "$(beside "$shared/host.sqlite")" = host.sqlite ] || fail "$kind: the owner's save left $(beside "$shared/host.sqlite")"
done

[ $failures = 0 ] || exit 1
echo "passed"
