#!/usr/bin/env bash
# Whole-process preview speed and quality: `orrivan-cli preview` of one 12 MP picture (4000 x 3000,
# quality 92, 4:2:0) against `djpeg -scale 1/8 | cjpeg -quality 75` of the same file, one process
# each, timed by hyperfine in the same run (shell start-up subtracted for both), and the PSNR of
# each result against a Lanczos-3 reduction of the full picture to that result's own size.
# Usage: bench/preview_vs_djpeg.sh [BUILD_DIR (Release, with bin/preview_tool)] [RUNS]
# Needs hyperfine (apt-get install hyperfine) and libjpeg-turbo-progs.
set -euo pipefail
build=$(cd "${1:-build-rel}" && pwd)
runs=${2:-15}
for tool in hyperfine djpeg cjpeg python3; do
  command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 2; }
done
for program in orrivan-cli preview_tool; do
  [ -x "$build/bin/$program" ] || { echo "needs $build/bin/$program (cmake --build $build --target $program)" >&2; exit 2; }
done
work=$(mktemp -d /tmp/orrivan-preview-bench.XXXXXX)
trap 'rm -rf "$work"' EXIT
cd "$work"
"$build/bin/preview_tool" make big.jpg 4000 3000 7

ours="'$build/bin/orrivan-cli' preview big.jpg ours.jpg"
peer="djpeg -scale 1/8 big.jpg | cjpeg -quality 75 > peer.jpg"
hyperfine --style basic -w 3 -r "$runs" --export-json times.json -n ours "$ours" -n djpeg+cjpeg "$peer" >&2

psnr_ours=$("$build/bin/preview_tool" psnr big.jpg ours.jpg)
psnr_peer=$("$build/bin/preview_tool" psnr big.jpg peer.jpg)
python3 - "$psnr_ours" "$psnr_peer" <<'PY'
import json, sys
results = {r["command"]: r for r in json.load(open("times.json"))["results"]}
ours, peer = results["ours"]["median"], results["djpeg+cjpeg"]["median"]
print(f"orrivan-cli preview   median {ours * 1000:7.2f} ms   PSNR {sys.argv[1]} dB (320 x 240)")
print(f"djpeg | cjpeg         median {peer * 1000:7.2f} ms   PSNR {sys.argv[2]} dB (500 x 375)")
print(f"ratio ours / peer     {ours / peer:.2f}   (target <= 1.5)")
PY
