#!/usr/bin/env bash
# Installs the browser tests' npm packages (playwright-core, as package-lock.json pins it) when
# node_modules is missing or older than the lock file. The page itself needs none of them.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -d node_modules ] || [ package-lock.json -nt node_modules ]; then
  npm ci --no-audit --no-fund
  touch node_modules
fi
