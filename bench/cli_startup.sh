#!/usr/bin/env bash
# Start-up of orrivan-cli: `--version` and `jpeg info` of one picture against /bin/true, medians of
# 15 runs (hyperfine, no shell), and the libraries the program loads at start.
# Usage: bench/cli_startup.sh [BUILD_DIR (Release, with bin/preview_tool)] [RUNS]
# Needs hyperfine (apt-get install hyperfine).
set -euo pipefail
source "$(dirname "$0")/common.sh"
bench_start startup-bench 15 "$@"
bench_need hyperfine
bench_need_built orrivan-cli preview_tool
cli="$build/bin/orrivan-cli"
"$build/bin/preview_tool" make "$work/one.jpg" 4000 3000 3
hyperfine --style basic -N -w 3 -r "$runs" --export-json "$work/times.json" \
  -n version "$cli --version" -n "jpeg info" "$cli jpeg info $work/one.jpg" -n /bin/true /bin/true >&2
python3 - "$work/times.json" <<'PY'
import json, sys
for r in json.load(open(sys.argv[1]))["results"]:
    print(f"{r['command']:10s} median {r['median'] * 1000:6.2f} ms  (min {r['min'] * 1000:.2f}, max {r['max'] * 1000:.2f})")
PY
echo "libraries loaded at start: $(LD_DEBUG=files "$cli" --version 2>&1 >/dev/null | grep -c 'file=.*\[0\];  needed by')"
LD_DEBUG=files "$cli" --version 2>&1 >/dev/null | sed -n 's/.*file=\([^ ]*\) \[0\];  needed by.*/  \1/p' | sort -u | tr '\n' ' '
echo
