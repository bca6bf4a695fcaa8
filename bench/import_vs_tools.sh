#!/usr/bin/env bash
# A 200-file card import (4000 x 3000 pictures, three in ten portraits, copy mode) against the same
# work scripted with outside tools (`cp -r`, `jpegtran` on the portraits, one `vipsthumbnail` over
# every file), and against the machine's floor measured with outside tools:
#   max(cp -r + sync, CPU time of `djpeg -scale 1/8 | cjpeg -quality 75` over every file plus
#   `jpegtran -rotate 90` over the portraits, divided by the cores).
# Every round runs each contender once, in turn, so all see the same machine; medians of RUNS rounds.
# The import runs once on worker threads (the default) and once with ORRIVAN_IMPORT_THREADS=1.
# Targets: import / script <= 0.5, import / floor <= 1.3.
# Usage: bench/import_vs_tools.sh [BUILD_DIR (Release, with bin/preview_tool)] [RUNS]
# Needs libjpeg-turbo-progs, libvips-tools and python3.
set -euo pipefail
source "$(dirname "$0")/common.sh"
bench_start import-vs 5 "$@"
bench_need djpeg cjpeg jpegtran vipsthumbnail python3
bench_need_built orrivan-cli preview_tool
mkdir -p "$work/card/DCIM/100TEST" "$work/pictures"
for seed in $(seq 1 10); do
  orientation=1
  [ $((seed % 3)) -eq 0 ] && orientation=6
  "$build/bin/preview_tool" make "$work/pictures/$seed.jpg" 4000 3000 "$seed" "$orientation"
done
: > "$work/portraits"
for i in $(seq 1 200); do
  seed=$(( (i - 1) % 10 + 1 ))
  name=$(printf 'ABCD%04d.JPG' "$i")
  cp "$work/pictures/$seed.jpg" "$work/card/DCIM/100TEST/$name"
  [ $((seed % 3)) -eq 0 ] && echo "$name" >> "$work/portraits"
done

python3 - "$build" "$runs" "$work" <<'PY'
import os, resource, statistics, subprocess, sys, time
build, runs, work = sys.argv[1], int(sys.argv[2]), sys.argv[3]
card = f"{work}/card"
files = sorted(os.listdir(f"{card}/DCIM/100TEST"))
portraits = open(f"{work}/portraits").read().split()
cores = os.cpu_count() or 1

def run(command, env=None):
    start = time.perf_counter()
    subprocess.run(["sh", "-c", command], check=True, env=env, stdout=subprocess.DEVNULL)
    return time.perf_counter() - start

def ours(threads):
    subprocess.run(["rm", "-rf", f"{work}/home"], check=True)
    os.mkdir(f"{work}/home")
    env = dict(os.environ)
    if threads:
        env["ORRIVAN_IMPORT_THREADS"] = str(threads)
    return run(f"'{build}/bin/orrivan-cli' --home '{work}/home' import --from '{card}' --copy --by-date "
               f"--undated file-date --no-open --yes </dev/null", env)

def script():
    subprocess.run(["rm", "-rf", f"{work}/out"], check=True)
    folder = f"{work}/out/DCIM/100TEST"
    turns = " && ".join(f"jpegtran -rotate 90 -copy all -outfile {folder}/t.jpg {folder}/{p} && mv {folder}/t.jpg {folder}/{p}"
                        for p in portraits)
    return run(f"cp -r '{card}' '{work}/out' && {turns} && mkdir {folder}/PREVIEW && "
               f"vipsthumbnail --no-rotate -s 320 -o '{folder}/PREVIEW/%s.JPG[Q=75]' {folder}/*.JPG")

def copy_floor():
    subprocess.run(["rm", "-rf", f"{work}/copy"], check=True)
    return run(f"cp -r '{card}' '{work}/copy' && sync")

def cpu_floor():
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    folder = f"{card}/DCIM/100TEST"
    for f in files:
        subprocess.run(["sh", "-c", f"djpeg -scale 1/8 '{folder}/{f}' | cjpeg -quality 75 > /dev/null"], check=True)
    for p in portraits:
        subprocess.run(["jpegtran", "-rotate", "90", "-copy", "all", "-outfile", "/dev/null", f"{folder}/{p}"], check=True)
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    return (after.ru_utime - before.ru_utime + after.ru_stime - before.ru_stime) / cores

times = {name: [] for name in ("threads", "one", "script", "copy", "cpu")}
ours(0)  # warms the page cache and the program
for _ in range(runs):
    times["threads"].append(ours(0))
    times["script"].append(script())
    times["one"].append(ours(1))
    times["copy"].append(copy_floor())
    times["cpu"].append(cpu_floor())
m = {name: statistics.median(v) for name, v in times.items()}
floor = max(m["copy"], m["cpu"])
def row(label, name):
    print(f"{label:<34} median {m[name]:6.3f} s  ({' '.join(f'{x:.3f}' for x in times[name])})")
print(f"200 files of 4000 x 3000, {len(portraits)} portraits, {cores} cores, {runs} rounds")
row("orrivan-cli import (workers)", "threads")
row("orrivan-cli import (one thread)", "one")
row("cp -r + jpegtran + vipsthumbnail", "script")
row("floor: cp -r + sync", "copy")
row("floor: decode/encode/turn CPU / cores", "cpu")
print(f"floor {floor:.3f} s")
print(f"import / script {m['threads'] / m['script']:.2f} (target <= 0.5)")
print(f"import / floor  {m['threads'] / floor:.2f} (target <= 1.3)")
print(f"one thread / workers {m['one'] / m['threads']:.2f}")
PY
