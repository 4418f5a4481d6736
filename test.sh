#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test with ctest.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh
cmake --preset linux >/dev/null
cmake --build --preset linux
ctest --preset linux -j "$(nproc)" "$@"
