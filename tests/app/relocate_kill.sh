#!/bin/sh
# Interrupts `orrivan-cli relocate` in the middle of moving a library to another file system, first
# with Ctrl-C (SIGINT: the run must put everything back, or have finished whole), then with SIGKILL
# (no file may be lost: every picture must still be in the old tree or the new one, and the saved
# album must name a tree that holds all of them).
# Usage: tests/app/relocate_kill.sh [build-dir]   (needs /dev/shm on another file system)
set -eu
BUILD=${1:-build}
CLI=$(cd "$BUILD" && pwd)/bin/orrivan-cli
SAMPLES=$(cd "$(dirname "$0")/../../samples/card" && pwd)
WORK=$(mktemp -d /tmp/orrivan-kill.XXXXXX)
SHM=$(mktemp -d /dev/shm/orrivan-kill.XXXXXX)
trap 'rm -rf "$WORK" "$SHM"' EXIT
export XDG_DATA_HOME="$WORK/xdg"
fail() { echo "FAIL: $*" >&2; exit 1; }

# A library of sizeable pictures: the samples with 20 MB appended after their end of image.
make_library() {
  rm -rf "$WORK/card" "$WORK/home" "$WORK/o.conf" "$SHM/target"
  mkdir -p "$WORK/card/DCIM/100RKCAM"
  for f in "$SAMPLES"/DCIM/100RKCAM/*.JPG; do
    { cat "$f"; head -c 20000000 /dev/zero; } > "$WORK/card/DCIM/100RKCAM/$(basename "$f")"
  done
  "$CLI" --home "$WORK/home" --config "$WORK/o.conf" import --from "$WORK/card" --copy --by-date --yes \
      --no-open --undated file-date >/dev/null
  (cd "$WORK/home/Image Library" && find . -name '*.JPG' ! -path '*/PREVIEW/*' | sort) > "$WORK/pictures"
  [ -s "$WORK/pictures" ] || fail "the import made no library"
}

# Every picture of the list is in the tree the album names (and the album's folders exist).
check_consistent() {
  root=$(sed -n 's/^SaveFolder=//p' "$WORK/o.conf")
  [ -n "$root" ] || root="$WORK/home/Image Library"
  while read -r p; do
    [ -f "$root/$p" ] || fail "$p is missing from $root (the tree the settings name)"
  done < "$WORK/pictures"
  "$CLI" --home "$WORK/home" --config "$WORK/o.conf" list | cut -f5 | sed '$d' | while read -r folder; do
    [ -d "$folder" ] || fail "the album names $folder, which does not exist"
    case "$folder" in "$root"/*) ;; *) fail "the album names $folder outside $root" ;; esac
  done
}

# SIGINT after a short while: cancelled and put back, or finished.
make_library
"$CLI" --home "$WORK/home" --config "$WORK/o.conf" relocate "$SHM/target" >/dev/null 2>&1 &
pid=$!
sleep 0.4
kill -INT "$pid" 2>/dev/null || true
status=0
wait "$pid" || status=$?
case $status in
  0) echo "SIGINT: the relocation had finished" ;;
  130) echo "SIGINT: cancelled"
       [ ! -e "$SHM/target/Image Library" ] || [ -z "$(find "$SHM/target/Image Library" -type f)" ] \
         || fail "files left in the target after a cancel" ;;
  *) fail "relocate ended with $status after SIGINT" ;;
esac
check_consistent

# SIGKILL: nothing may be lost, and the album and the settings still agree with the files.
make_library
"$CLI" --home "$WORK/home" --config "$WORK/o.conf" relocate "$SHM/target" >/dev/null 2>&1 &
pid=$!
sleep 0.4
kill -KILL "$pid" 2>/dev/null || true
wait "$pid" || true
check_consistent
echo "PASS"
