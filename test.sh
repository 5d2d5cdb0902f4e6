#!/usr/bin/env bash
# Builds the project and runs every test: the whole suite on the default build, again under the
# address and undefined-behaviour sanitizers, and the threaded subsystems under the thread sanitizer.
# Then every fuzz target (built with the sanitizers) runs for TAVRIN_FUZZ_SECONDS (5) on its seed
# corpus. TAVRIN_SANITIZERS=0 runs the default build only; TAVRIN_FUZZ_SECONDS=0 skips the fuzz targets.
# The benchmarks are left out (./run.sh builds them, and so does TAVRIN_BENCHMARKS=1 here): they measure
# rather than test, and building them would take half a minute of the ten this script may take.
# Ends with the time each stage took.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
scripts/install-web-deps.sh
jobs=$(nproc)
fuzz_seconds=${TAVRIN_FUZZ_SECONDS:-5}

timings=()
current=
stage() {
  current=$1
  shift
  echo "== $current"
  local start=$SECONDS
  "$@"
  timings+=("$(printf '%-14s %5d s' "$current" $((SECONDS - start)))")
  current=
}
print_timings() {
  echo
  echo "== time per stage"
  local line
  for line in "${timings[@]}"; do echo "$line"; done
  if [ -n "$current" ]; then printf '%-14s failed\n' "$current"; fi
  printf '%-14s %5d s\n' total "$SECONDS"
}
trap print_timings EXIT

benchmarks=OFF
if [ "${TAVRIN_BENCHMARKS:-0}" != 0 ]; then benchmarks=ON; fi
build() {
  local preset=$1
  shift
  cmake --preset "$preset" -DTAVRIN_WARNINGS_AS_ERRORS=ON "$@" >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
}
run_tests() {
  ctest --preset "$1" -j "$jobs"
}

stage "default build" build default -DTAVRIN_BUILD_BENCHMARKS=$benchmarks
stage "default tests" run_tests default
if [ "${TAVRIN_SANITIZERS:-1}" != 0 ]; then
  # The asan build holds the fuzz targets too.
  stage "asan build" build asan
  stage "asan tests" run_tests asan
  # Only the test programs of the threaded subsystems (the tsan presets name them).
  stage "tsan build" build tsan
  stage "tsan tests" run_tests tsan
fi
if [ "$fuzz_seconds" != 0 ]; then
  stage "fuzz" scripts/run-fuzzers.sh "$fuzz_seconds"
fi
