#!/usr/bin/env bash
# Builds the project and runs the dry run of a control device on the example attribute map: the records
# that one request pass would send to the sonar, each decoded on one line.
set -euo pipefail
cd "$(dirname "$0")"

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default

example=examples/range-and-power.json
host=build/default/bin/tavrin-host
echo
echo "Dry run of one request pass on $example (head 0 = device identifier 7000):"
"$host" apply --attributes "$example" --decode
echo
echo "The same as JSON (records in hex, then the device's attributes):"
"$host" apply --attributes "$example"
echo
echo "One request for every request operation, while the host is logging (examples/every-request.json):"
"$host" apply --attributes examples/every-request.json --head 0=7000 --head 1=7001 --host-logging --decode
