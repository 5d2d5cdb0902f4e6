#!/usr/bin/env bash
# Builds the fuzz targets (preset `fuzz`: clang, libFuzzer, address and undefined-behaviour
# sanitizers) and runs each for a while on its seed corpus in fuzz/corpus/<target>/. New inputs go to
# a scratch folder, so the corpus kept in the repository stays as it is. Prints the executions each
# target ran; fails when a target finds a crash.
# Usage: scripts/run-fuzzers.sh [seconds per target, default 20]
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-20}
targets=()
for corpus in fuzz/corpus/*/; do targets+=("$(basename "$corpus")"); done

cmake --preset fuzz -DTAVRIN_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build --preset fuzz -j "$(nproc)" --target "${targets[@]}"

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
findings=build/fuzz/findings
mkdir -p "$findings"
for target in "${targets[@]}"; do
  mkdir -p "$scratch/$target"
  log="$scratch/$target.log"
  if ! build/fuzz/bin/"$target" -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$findings/$target-" "$scratch/$target" "fuzz/corpus/$target" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "== fuzz $target: FINDING, input kept in $findings/"
    exit 1
  fi
  runs=$(grep -oE 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -oE '[0-9]+$' || echo '?')
  echo "== fuzz $target: $runs executions in ${seconds} s, no finding"
done
