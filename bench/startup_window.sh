#!/usr/bin/env bash
# Time from starting orrivan in a fresh home folder to its first window being mapped on the X server
# (the welcome dialog with a fresh profile, the main window with an existing one), median of N runs,
# under Xvfb. Usage: bench/startup_window.sh [build-dir] [runs]   (needs xvfb, x11-utils)
set -euo pipefail
build=${1:-build}
runs=${2:-5}
program=$(realpath "$build/bin/orrivan")
if [ -z "${DISPLAY:-}" ]; then exec xvfb-run -a -s "-screen 0 1280x1024x24" "$0" "$@"; fi
export QT_QPA_PLATFORM=xcb ASAN_OPTIONS=detect_leaks=0

# Milliseconds until a window titled $1 is viewable, for one start of the program.
time_to_window() {
  local title=$1 profile=$2 dir start now pid
  dir=$(mktemp -d)
  [ "$profile" = existing ] && printf '[Settings]\nDisplayMethod=0\nMailName=x\n' >"$dir/Orrivan.conf"
  start=$(date +%s%N)
  TMPDIR=$dir "$program" --home "$dir/home" --config "$dir/Orrivan.conf" &
  pid=$!
  until xwininfo -root -tree 2>/dev/null | grep -q "\"$title\""; do
    kill -0 $pid 2>/dev/null || { echo "orrivan ended early" >&2; exit 1; }
  done
  now=$(date +%s%N)
  kill $pid; wait $pid 2>/dev/null || true
  rm -rf "$dir"
  echo $(( (now - start) / 1000000 ))
}

median() { sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

for profile in fresh existing; do
  title=Orrivan; [ $profile = fresh ] && title="Orrivan 2.39"
  samples=$(for _ in $(seq "$runs"); do time_to_window "$title" $profile; done)
  echo "$profile profile: median $(echo "$samples" | median) ms to a shown window (runs: $(echo $samples))"
done
