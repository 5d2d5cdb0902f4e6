#!/usr/bin/env bash
# Builds the project and runs every test: the whole suite on the default build, then again under the
# address and undefined-behaviour sanitizers. TAVRIN_SANITIZERS=0 skips the sanitizer run.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
jobs=$(nproc)

cmake --preset default -DTAVRIN_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build --preset default -j "$jobs"
ctest --preset default -j "$jobs"

if [ "${TAVRIN_SANITIZERS:-1}" != 0 ]; then
  cmake --preset asan -DTAVRIN_WARNINGS_AS_ERRORS=ON >/dev/null
  cmake --build --preset asan -j "$jobs"
  ctest --preset asan -j "$jobs"
fi
