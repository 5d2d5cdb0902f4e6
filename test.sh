#!/usr/bin/env bash
# Builds the project and runs every test: the whole suite on the default build, again under the
# address and undefined-behaviour sanitizers, and the threaded subsystems under the thread sanitizer.
# Then every fuzz target runs for TAVRIN_FUZZ_SECONDS (20) on its seed corpus.
# TAVRIN_SANITIZERS=0 runs the default build only; TAVRIN_FUZZ_SECONDS=0 skips the fuzz targets.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
jobs=$(nproc)

run_preset() {
  local preset=$1
  shift
  echo "== $preset build"
  cmake --preset "$preset" -DTAVRIN_WARNINGS_AS_ERRORS=ON >/dev/null
  cmake --build --preset "$preset" -j "$jobs"
  ctest --preset "$preset" -j "$jobs" "$@"
}

run_preset default
if [ "${TAVRIN_SANITIZERS:-1}" != 0 ]; then
  run_preset asan
  # Labels whose code runs on more than one thread.
  run_preset tsan -L 'platform|control|link|sim|sequencing'
fi
if [ "${TAVRIN_FUZZ_SECONDS:-20}" != 0 ]; then
  echo "== fuzz targets"
  scripts/run-fuzzers.sh "${TAVRIN_FUZZ_SECONDS:-20}"
fi
