#!/usr/bin/env bash
# Whole-process preview speed and quality: `orrivan-cli preview` of one 12 MP picture (4000 x 3000,
# quality 92, 4:2:0) against `djpeg -scale 1/8 | cjpeg -quality 75` of the same file, one process
# each, run alternately in the same loop (so both see the same machine load; both started through
# sh -c), and the PSNR of each result against a Lanczos-3 reduction of the full picture to that
# result's own size.
# Usage: bench/preview_vs_djpeg.sh [BUILD_DIR (Release, with bin/preview_tool)] [RUNS]
# Needs libjpeg-turbo-progs and python3.
set -euo pipefail
source "$(dirname "$0")/common.sh"
bench_start preview-bench 15 "$@"
bench_need djpeg cjpeg python3
bench_need_built orrivan-cli preview_tool
cd "$work"
"$build/bin/preview_tool" make big.jpg 4000 3000 7

python3 - "$build" "$runs" <<'PY'
import statistics, subprocess, sys, time
build, runs = sys.argv[1], int(sys.argv[2])
commands = {
    "ours": f"'{build}/bin/orrivan-cli' preview big.jpg ours.jpg",
    "peer": "djpeg -scale 1/8 big.jpg | cjpeg -quality 75 > peer.jpg",
}
times = {name: [] for name in commands}
for i in range(runs + 3):  # the first three rounds warm the caches and are not counted
    for name, command in commands.items():
        start = time.perf_counter()
        subprocess.run(["sh", "-c", command], check=True)
        if i >= 3:
            times[name].append(time.perf_counter() - start)
psnr = {name: subprocess.run([f"{build}/bin/preview_tool", "psnr", "big.jpg", f"{name}.jpg"], check=True,
                             capture_output=True, text=True).stdout.strip() for name in commands}
ours, peer = statistics.median(times["ours"]), statistics.median(times["peer"])
print(f"orrivan-cli preview   median {ours * 1000:7.2f} ms   PSNR {psnr['ours']} dB (320 x 240)")
print(f"djpeg | cjpeg         median {peer * 1000:7.2f} ms   PSNR {psnr['peer']} dB (500 x 375)")
print(f"ratio ours / peer     {ours / peer:.2f}   (target <= 1.5; {runs} runs each, alternated)")
PY
