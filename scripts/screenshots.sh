#!/usr/bin/env bash
# Takes the web front end's screenshots for the README (docs/img/web-*.png): a host on the embedded
# default and headless chromium. TAVRIN_HOST_BINARY names the host (default: the default build's).
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-web-deps.sh
mkdir -p docs/img
export TAVRIN_HOST_BINARY=${TAVRIN_HOST_BINARY:-build/default/bin/tavrin-host}
export ZQ_SONAR_SIM_BINARY=${ZQ_SONAR_SIM_BINARY:-build/default/bin/zq-sonar-sim}
node scripts/screenshots.mjs
ls -l docs/img/web-*.png
