#!/usr/bin/env bash
# Installs what is missing, builds both programs, and runs every test with ctest: the Windows
# build's tests under Wine, the Linux suites (which include the .exe under Wine), a minute of
# fuzzing, then the unit and end-to-end suites again under AddressSanitizer and
# UndefinedBehaviorSanitizer.
set -euo pipefail
cd "$(dirname "$0")"

./tools/install-deps.sh

cmake --preset windows >/dev/null
cmake --build --preset windows
ctest --preset windows

cmake --preset linux -DHV_WINDOWS_PROGRAM="$PWD/build/windows/HV-TEST-PROCESS-V1.exe" >/dev/null
cmake --build --preset linux
ctest --preset linux -j "$(nproc)" "$@"

# A minute of fuzzing the settings text and the number conversions (clang's libFuzzer).
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
ctest --preset fuzz

# The package, the heaviest stress run and the desktops beyond openbox and icewm (the same program
# code under other window managers) prove nothing more when sanitized; the program under strace
# cannot run there (LeakSanitizer refuses to work under a tracer).
cmake --preset linux-sanitize >/dev/null
cmake --build --preset linux-sanitize
ctest --preset linux-sanitize -j "$(nproc)" \
  -E 'DebianPackage|SixtyFourWriters|ArtworkIsInStep|AWholeSession|ExitStoresTwice|xfwm4|metacity|xwayland' "$@"
