#!/bin/sh
# Two users of one group adding words, in turn, to a word list in a folder
# the group may write (not set-group-ID), each with umask 077: the first
# addition makes the lock file and a new slow.12, and the other user must
# still be able to take the lock and replace the file, and so on. Every word
# must end up in the file, with its right count. Then root adds to a folder
# of the first user's own, and the user after it.
#
#   addword_shared_test.sh ADDWORD_HARNESS
# Exits 77 (skipped) unless run as root with groupadd, useradd and runuser or
# setpriv. The users and the group it makes are removed at the end.
set -u
harness="$1"

[ "$(id -u)" -eq 0 ] || { echo "skip: not root, cannot make users"; exit 77; }
for tool in groupadd groupdel useradd userdel; do
  command -v "$tool" >/dev/null 2>&1 || { echo "skip: no $tool"; exit 77; }
done

tag=$$
group="wypg$tag"
first="wypa$tag"
second="wypb$tag"
work=$(mktemp -d)
cleanup() {
  userdel "$first" 2>/dev/null
  userdel "$second" 2>/dev/null
  groupdel "$group" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

groupadd "$group" || { echo "skip: groupadd failed"; exit 77; }
for user in "$first" "$second"; do
  useradd -M -N -G "$group" -s /bin/sh "$user" || { echo "skip: useradd failed"; exit 77; }
done

as_user() {  # as_user USER COMMAND...: with the user's groups and umask 077
  user="$1"
  shift
  if command -v runuser >/dev/null 2>&1; then
    runuser -u "$user" -- sh -c 'umask 077; exec "$@"' sh "$@"
  else
    setpriv --reuid="$user" --regid="$(id -g "$user")" --init-groups sh -c 'umask 077; exec "$@"' sh "$@"
  fi
}

chmod 755 "$work"
cp "$harness" "$work/harness"
chmod 755 "$work/harness"
mkdir "$work/slow"
printf '1\r\naaaaaaaaaaaa\r\n' > "$work/slow/slow.12"
chgrp -R "$group" "$work/slow"
chmod 775 "$work/slow"
chmod 664 "$work/slow/slow.12"

failed=0
for turn in "$first bbbbbbbbbbbb" "$second cccccccccccc" "$first dddddddddddd" "$second eeeeeeeeeeee"; do
  set -- $turn
  out=$(as_user "$1" "$work/harness" "$work" "$2" 2>&1)
  case "$out" in
    dodany) echo "ok $1 added $2" ;;
    *) echo "FAIL $1 adding $2: $out"; failed=1 ;;
  esac
done

# Root adds first to a folder of the first user's own, making the lock file
# there; the user must still be able to add.
mkdir "$work/own" "$work/own/slow"
printf '1\r\naaaaaaaaaaaa\r\n' > "$work/own/slow/slow.12"
chown -R "$first" "$work/own"
out=$("$work/harness" "$work/own" bbbbbbbbbbbb 2>&1)
[ "$out" = dodany ] || { echo "FAIL root adding to the user's folder: $out"; failed=1; }
out=$(as_user "$first" "$work/harness" "$work/own" cccccccccccc 2>&1)
case "$out" in
  dodany) echo "ok $first added after root" ;;
  *) echo "FAIL $first adding after root: $out"; failed=1 ;;
esac

expected=$(printf '5\r\naaaaaaaaaaaa\r\nbbbbbbbbbbbb\r\ncccccccccccc\r\ndddddddddddd\r\neeeeeeeeeeee\r\n')
if [ "$(cat "$work/slow/slow.12")" != "$expected" ]; then
  echo "FAIL the list is not the five words:"
  od -c "$work/slow/slow.12" | head
  failed=1
fi
ls -lna "$work/slow"
[ -e "$work/slow/~slow.12" ] && { echo "FAIL ~slow.12 left behind"; failed=1; }
exit $failed
