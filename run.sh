#!/usr/bin/env bash
# Builds the project and starts the host on the embedded default: one vessel with two simulated sonars
# (shallow and deep water) on their own loopback links, and the JSON API on 127.0.0.1:8080. It prints
# where the API is and three example calls, then every 5 s the pings per second of the sonar group in
# which the two sonars take turns, and runs until Ctrl-C. Extra arguments go to tavrin-host
# (see build/default/bin/tavrin-host --help), e.g. ./run.sh --http 127.0.0.1:9090 --ping-log pings.jsonl
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
scripts/install-web-deps.sh
cmake --preset default -DTAVRIN_BUILD_BENCHMARKS=ON >/dev/null
cmake --build --preset default

host=build/default/bin/tavrin-host
echo
echo "Dry run of one request pass on examples/range-and-power.json (what the control device sends):"
"$host" apply --attributes examples/range-and-power.json --decode
echo
exec "$host" "$@"
