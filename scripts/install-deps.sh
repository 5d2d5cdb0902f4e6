#!/usr/bin/env bash
# Installs the Debian packages the build needs, when any of them is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++
  nlohmann-json3-dev libcli11-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  libboost1.81-dev libpugixml-dev pkg-config
  clang libclang-rt-dev lld
  chromium
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' || missing+=("$package")
done
# Node.js and npm count as there when their commands are, whoever installed them: a Node.js from
# elsewhere brings its own npm, which Debian's npm package would conflict with.
if ! command -v node >/dev/null || ! command -v npm >/dev/null; then missing+=(nodejs npm); fi
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
if [ "$(id -u)" -eq 0 ]; then sudo=(); else sudo=(sudo); fi
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
