#!/usr/bin/env bash
# Builds the Windows .zip and checks that it holds the program, hv-copies.exe, its short text file
# and the licence.
set -euo pipefail
build_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$build_dir" && cpack -G ZIP -B "$work" >/dev/null)
listing=$(/usr/bin/python3 -m zipfile -l "$work"/*.zip)
for member in HV-TEST-PROCESS-V1.exe hv-copies.exe README.txt LICENSE.txt; do
  grep -q "^$member " <<<"$listing" || { echo "FAIL: the zip lacks $member"; echo "$listing"; exit 1; }
done
echo "1 passed, 0 failed"
