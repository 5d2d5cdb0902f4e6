#!/usr/bin/env bash
# Builds the fuzz targets (in the `asan` build: clang, libFuzzer, address and undefined-behaviour
# sanitizers) and runs each for a while on its seed corpus in fuzz/corpus/<target>/, as many at a time
# as there are processors (TAVRIN_FUZZ_JOBS to choose). New inputs go to a scratch folder, so the
# corpus kept in the repository stays as it is. Prints the executions each target ran; fails when a
# target finds a crash, after the targets already running have finished.
# Usage: scripts/run-fuzzers.sh [seconds per target, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
jobs=${TAVRIN_FUZZ_JOBS:-$(nproc)}
targets=()
for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done

cmake --preset fuzz -DTAVRIN_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
findings=build/asan/findings
mkdir -p "$findings"

fuzz() {
  local target=$1
  mkdir -p "$scratch/$target"
  build/asan/bin/"$target" -max_total_time="$seconds" -print_final_stats=1 \
    -artifact_prefix="$findings/$target-" "$scratch/$target" "fuzz/corpus/$target" >"$scratch/$target.log" 2>&1
}

failed=0
declare -A running=() # process id -> target
# Waits for one running target to end and says how it went.
reap() {
  local pid status=0
  wait -n -p pid "${!running[@]}" || status=$?
  local target=${running[$pid]}
  unset "running[$pid]"
  if [ "$status" -ne 0 ]; then
    tail -n 40 "$scratch/$target.log"
    echo "== fuzz $target: FINDING, input kept in $findings/"
    failed=1
    return
  fi
  local runs
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$scratch/$target.log" | grep -oE '[0-9]+$' || echo '?')
  echo "== fuzz $target: $runs executions in ${seconds} s, no finding"
}

for target in "${targets[@]}"; do
  while [ "${#running[@]}" -ge "$jobs" ]; do reap; done
  [ "$failed" -eq 0 ] || break
  fuzz "$target" &
  running[$!]=$target
done
while [ "${#running[@]}" -gt 0 ]; do reap; done
exit "$failed"
