#!/usr/bin/env bash
# The idle cost of the card watcher: CPU time it spends over a quiet minute (no mount changes) and its
# resident memory. Targets: under 10 ms of CPU per 60 s, under 15 MB resident. Not part of CI.
#
#   bench/orauto_idle.sh [BUILD_DIR] [SECONDS]
#
# BUILD_DIR is a build without sanitizers (default build-release, configured and built here when
# missing); SECONDS defaults to 60. Keep the machine free of mounts and unmounts meanwhile: each one
# wakes the watcher and is counted.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build-release}
seconds=${2:-60}

if [ ! -x "$build/lib/orrivan/orauto" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORRIVAN_TESTS=OFF -DORRIVAN_BENCH=OFF >/dev/null
  cmake --build "$build" --target orauto
fi
orauto=$build/lib/orrivan/orauto

work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
mkdir -p "$work/home" "$work/run"

XDG_RUNTIME_DIR=$work/run TMPDIR=$work/run "$orauto" --home "$work/home" --config "$work/Orrivan.conf" \
  --program /bin/true 2>"$work/log" &
pid=$!
# Watching once the lock holds its pid.
for _ in $(seq 200); do
  [ "$(cat "$work/run/orrivan-orauto.lock" 2>/dev/null)" = "$pid" ] && break
  sleep 0.05
done
[ "$(cat "$work/run/orrivan-orauto.lock" 2>/dev/null)" = "$pid" ] || { echo "orauto did not start" >&2; exit 1; }
sleep 1  # start-up work is not idle work

# Time on the CPU in nanoseconds (schedstat), else user + system ticks.
cpu_ns() {
  local run
  run=$(cut -d' ' -f1 "/proc/$pid/schedstat" 2>/dev/null || echo 0)
  if [ "$run" != 0 ]; then echo "$run"; return; fi
  local ticks hz
  ticks=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  hz=$(getconf CLK_TCK)
  echo $((ticks * 1000000000 / hz))
}
wakeups() { awk '/^voluntary_ctxt_switches/ {print $2}' "/proc/$pid/status"; }

cpu0=$(cpu_ns)
wake0=$(wakeups)
sleep "$seconds"
cpu1=$(cpu_ns)
wake1=$(wakeups)
rss=$(awk '/^VmRSS/ {print $2}' "/proc/$pid/status")
hwm=$(awk '/^VmHWM/ {print $2}' "/proc/$pid/status")

awk -v ns=$((cpu1 - cpu0)) -v s="$seconds" -v w=$((wake1 - wake0)) -v rss="$rss" -v hwm="$hwm" 'BEGIN {
  printf "orauto idle over %d s: CPU %.3f ms (target < 10 ms per 60 s), %d wake-ups\n", s, ns / 1e6, w
  printf "resident memory: %.1f MB now, %.1f MB peak (target < 15 MB)\n", rss / 1024, hwm / 1024
}'
