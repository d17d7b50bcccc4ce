#!/bin/sh
# The addition against a real full disk (a small tmpfs, mounted in a private
# mount namespace) and real permissions (run as the user nobody, since root
# may write anything). The word-list file must stay byte for byte as it was,
# with no temporary file left, and the user must be told why.
#
#   real_disk_test.sh ADDWORD_HARNESS
# Exits 77 (skipped) where namespaces or runuser are not to be had.
set -u
harness="$1"
word=qqqqqqqqqqqq
failed=0

check() {  # check FOLDER BEFORE_SUM OUTPUT EXPECTED_TEXT WHAT
  after=$(md5sum "$1/slow/slow.12" | cut -d' ' -f1)
  if [ "$after" != "$2" ]; then echo "FAIL $5: slow.12 changed"; failed=1; fi
  if [ -e "$1/slow/~slow.12" ]; then echo "FAIL $5: ~slow.12 left behind"; failed=1; fi
  case "$3" in
    *"$4"*) echo "ok $5: $3" ;;
    *) echo "FAIL $5: the message was: $3"; failed=1 ;;
  esac
}

make_list() {  # 50000 twelve-letter words, 700 KB
  mkdir -p "$1/slow"
  awk 'BEGIN { printf "50000\r\n"; for (i = 0; i < 50000; i++) printf "%012d\r\n", i }' > "$1/slow/slow.12"
}

ran=0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# A full disk: a 1 MiB tmpfs holding a 700 KB file has no room for the new one.
if unshare -rm true 2>/dev/null; then
  ran=1
  out=$(unshare -rm sh -c '
    mount -t tmpfs -o size=1m tmpfs "$1" || exit 1
    mkdir -p "$1/slow"
    awk "BEGIN { printf \"50000\r\n\"; for (i = 0; i < 50000; i++) printf \"%012d\r\n\", i }" > "$1/slow/slow.12"
    before=$(md5sum "$1/slow/slow.12" | cut -d" " -f1)
    msg=$("$2" "$1" "$3")
    after=$(md5sum "$1/slow/slow.12" | cut -d" " -f1)
    left=no; [ -e "$1/slow/~slow.12" ] && left=yes
    echo "$before $after $left $msg"
  ' sh "$work" "$harness" "$word")
  set -- $out
  before=$1 after=$2 left=$3
  shift 3
  msg="$*"
  if [ "$before" != "$after" ]; then echo "FAIL full disk: slow.12 changed"; failed=1; fi
  if [ "$left" = yes ]; then echo "FAIL full disk: ~slow.12 left behind"; failed=1; fi
  case "$msg" in
    *"brak miejsca na dysku"*"nie został zmieniony"*) echo "ok full disk: $msg" ;;
    *) echo "FAIL full disk: the message was: $msg"; failed=1 ;;
  esac
else
  echo "skip full disk: no private mount namespace here"
fi

# Permissions: as nobody, a read-only folder, then a read-only file in a
# folder nobody may write.
if [ "$(id -u)" -eq 0 ] && command -v runuser >/dev/null 2>&1 && runuser -u nobody -- true 2>/dev/null; then
  ran=1
  chmod 755 "$work"
  # A copy nobody may run: the build folder may lie where nobody cannot reach.
  cp "$harness" "$work/harness"
  chmod 755 "$work/harness"
  harness="$work/harness"
  make_list "$work/ro-folder"
  chmod -R a+r "$work/ro-folder"
  before=$(md5sum "$work/ro-folder/slow/slow.12" | cut -d' ' -f1)
  msg=$(runuser -u nobody -- "$harness" "$work/ro-folder" "$word")
  check "$work/ro-folder" "$before" "$msg" "brak uprawnień dostępu" "read-only folder"

  make_list "$work/ro-file"
  chown nobody "$work/ro-file/slow"
  chmod 444 "$work/ro-file/slow/slow.12"
  before=$(md5sum "$work/ro-file/slow/slow.12" | cut -d' ' -f1)
  msg=$(runuser -u nobody -- "$harness" "$work/ro-file" "$word")
  check "$work/ro-file" "$before" "$msg" "brak uprawnień dostępu" "read-only file"
else
  echo "skip permissions: not root, or no runuser"
fi

[ $ran -eq 1 ] || exit 77
exit $failed
