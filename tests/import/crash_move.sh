#!/usr/bin/env bash
# Kills `orrivan-cli import --move` with SIGKILL at random moments while it moves a card on another
# file system (tmpfs), and checks after each kill that no picture was lost: every file of the card is
# still on the card or lies byte-identical in the library, and the album still opens.
# Usage: crash_move.sh <orrivan-cli> <make_sample_card> [rounds]
set -euo pipefail
cli=${1:?orrivan-cli}
maker=${2:?make_sample_card}
rounds=${3:-20}
shm=$(mktemp -d /dev/shm/orrivan-crash.XXXXXX)
work=$(mktemp -d /tmp/orrivan-crash.XXXXXX)
trap 'rm -rf "$shm" "$work"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

"$maker" "$work/reference"
lost=0
during=0
for round in $(seq 1 "$rounds"); do
  rm -rf "$shm/card" "$work/home" "$work/xdg"
  cp -a "$work/reference" "$shm/card"
  mkdir -p "$work/home"
  export ORRIVAN_CONFIG="$work/home/Orrivan.conf" XDG_DATA_HOME="$work/xdg"
  # Pictures stay as the camera wrote them, so "byte-identical" is the test.
  printf '[CameraImage]\nImageRotation=1\n' > "$ORRIVAN_CONFIG"
  "$cli" --home "$work/home" import --from "$shm/card" --move --undated file-date --yes --no-open \
    >/dev/null 2>&1 &
  pid=$!
  sleep "$(awk -v r="$RANDOM" 'BEGIN { printf "%.3f", (r % 700) / 1000 }')"
  kill -KILL "$pid" 2>/dev/null || true
  wait "$pid" 2>/dev/null || true

  left=$(find "$shm/card" -type f | wc -l)
  placed=0
  [ -d "$work/home/Image Library" ] && placed=$(find "$work/home/Image Library" -type f -not -path '*/PREVIEW/*' | wc -l)
  # Killed during the run: something was placed and the card still holds files.
  if [ "$placed" -gt 0 ] && [ "$left" -gt 0 ]; then during=$((during + 1)); fi
  while IFS= read -r -d '' original; do
    rel=${original#"$work/reference/"}
    if [ -f "$shm/card/$rel" ] && cmp -s "$original" "$shm/card/$rel"; then continue; fi
    found=0
    if [ -d "$work/home/Image Library" ]; then
      while IFS= read -r -d '' candidate; do
        if cmp -s "$original" "$candidate"; then found=1; break; fi
      done < <(find "$work/home/Image Library" -type f -not -path '*/PREVIEW/*' -print0)
    fi
    if [ "$found" = 0 ]; then
      echo "round $round: lost $rel" >&2
      lost=1
    fi
  done < <(find "$work/reference" -type f -print0)
  if ! "$cli" --home "$work/home" list >/dev/null 2>&1; then
    echo "round $round: the album does not open" >&2
    lost=1
  fi
done
[ "$lost" = 0 ] && echo "crash_move: $rounds rounds ($during killed in the middle of the run), nothing lost"
exit "$lost"
