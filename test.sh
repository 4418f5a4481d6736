#!/usr/bin/env bash
# Installs what is missing, builds both programs, and runs every test with ctest: the Windows
# build's unit tests under Wine, then the Linux suites, which include the .exe under Wine.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh

cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows

cmake --preset linux -DHV_WINDOWS_PROGRAM="$PWD/build/windows/HV-TEST-PROCESS-V1.exe" >/dev/null
cmake --build --preset linux
ctest --preset linux -j "$(nproc)" "$@"
