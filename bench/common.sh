# The start every whole-run bench shares; source it, then call bench_start.
#   bench_start NAME DEFAULT_RUNS [BUILD_DIR] [RUNS]
# sets `build` (absolute), `runs` and `work` (a fresh folder, removed at exit).
#   bench_need TOOL...      stops (exit 2) unless every TOOL is on PATH
#   bench_need_built PROG...  stops unless every PROG is in $build/bin
bench_start() {
  local name=$1 default_runs=$2
  build=$(cd "${3:-build-rel}" && pwd)
  runs=${4:-$default_runs}
  work=$(mktemp -d "/tmp/orrivan-$name.XXXXXX")
  trap 'rm -rf "$work"' EXIT
}

bench_need() {
  local tool
  for tool in "$@"; do
    command -v "$tool" >/dev/null || { echo "needs $tool" >&2; exit 2; }
  done
}

bench_need_built() {
  local program
  for program in "$@"; do
    [ -x "$build/bin/$program" ] || { echo "needs $build/bin/$program (cmake --build $build --target $program)" >&2; exit 2; }
  done
}
