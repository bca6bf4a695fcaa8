#!/usr/bin/env bash
# A 200-file import through the directory-browse camera (import --camera disk:CARD) against a card
# import of the same tree (import --from CARD): medians of RUNS runs each, alternating, each into a
# fresh home, and their ratio (target <= 1.3: the download is one more copy).
# Usage: bench/usb_vs_card.sh [BUILD_DIR (Release)] [RUNS]
set -euo pipefail
source "$(dirname "$0")/common.sh"
bench_start usb-bench 5 "$@"
bench_need_built orrivan-cli
src=$(cd "$(dirname "$0")/.." && pwd)
cli="$build/bin/orrivan-cli"
mkdir -p "$work/card/DCIM/100TEST"
mapfile -t samples < <(find "$src/samples" -iname '*.jpg' | sort)
for i in $(seq 1 200); do
  cp "${samples[$(( (i - 1) % ${#samples[@]} ))]}" "$work/card/DCIM/100TEST/$(printf 'ABCD%04d.JPG' "$i")"
done
export LSAN_OPTIONS="suppressions=$src/tests/lsan.supp:print_suppressions=0"
flags=(--copy --by-date --undated file-date --no-open --yes)
one() {  # $1: card|usb; prints seconds
  rm -rf "$work/home" && mkdir "$work/home"
  local source=(--from "$work/card")
  [ "$1" = usb ] && source=(--camera "disk:$work/card")
  local t0 t1
  t0=$(date +%s.%N)
  if ! "$cli" --home "$work/home" import "${source[@]}" "${flags[@]}" </dev/null >"$work/out" 2>&1; then
    echo "the $1 import failed:" >&2
    cat "$work/out" >&2
    exit 1
  fi
  t1=$(date +%s.%N)
  echo "$t1 - $t0" | bc
}
card=() usb=()
for _ in $(seq 1 "$runs"); do
  card+=("$(one card)")
  usb+=("$(one usb)")
done
python3 - "${card[*]}" "${usb[*]}" <<'PY'
import statistics, sys
card = [float(x) for x in sys.argv[1].split()]
usb = [float(x) for x in sys.argv[2].split()]
c, u = statistics.median(card), statistics.median(usb)
print(f"card import   median {c:.3f} s  ({' '.join(f'{x:.3f}' for x in card)})")
print(f"camera import median {u:.3f} s  ({' '.join(f'{x:.3f}' for x in usb)})")
print(f"ratio {u / c:.2f} (target <= 1.3)")
PY
