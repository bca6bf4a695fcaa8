#!/usr/bin/env bash
# Kills `orrivan-cli import --move` with SIGKILL at random moments while it moves a card on another
# file system (tmpfs), and checks after each kill that no picture was lost: every file of the card is
# still on the card or lies byte-identical in the library, and the album still opens.
# Usage: [CRASH_PAD_BYTES=N] [CRASH_MAX_MS=700] crash_move.sh <orrivan-cli> <make_sample_card> [rounds]
set -euo pipefail
cli=${1:?orrivan-cli}
maker=${2:?make_sample_card}
rounds=${3:-20}
shm=$(mktemp -d /dev/shm/orrivan-crash.XXXXXX)
work=$(mktemp -d /tmp/orrivan-crash.XXXXXX)
trap 'rm -rf "$shm" "$work"' EXIT
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}

"$maker" "$work/reference"
# CRASH_PAD_BYTES makes every picture that much larger (zeros after its end of image), so the run
# lasts long enough for most kills to land in the middle of it.
if [ "${CRASH_PAD_BYTES:-0}" -gt 0 ]; then
  find "$work/reference" -type f -iname '*.jpg' -print0 |
    while IFS= read -r -d '' f; do head -c "$CRASH_PAD_BYTES" /dev/zero >> "$f"; done
fi
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
  sleep "$(awk -v r="$RANDOM" -v m="${CRASH_MAX_MS:-700}" 'BEGIN { printf "%.3f", (r % m) / 1000 }')"
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
