#!/usr/bin/env bash
# run_fuzzer.sh FUZZER SEED_CORPUS SECONDS: fuzzes from the committed seeds plus a 10 MB settings
# file made here (too big to keep in the repository), in a scratch corpus.
set -euo pipefail
fuzzer=$1 seeds=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp "$seeds"/* "$work"/
# A 10 MB file of sections and keys, behind the few bytes the target takes for its arguments.
{ printf 'HV-TEST-PROCESS-V1\0copy\0\0001000\0'; for i in $(seq 1 160000); do printf '[copy-%d]\nMAIN_Left=%d\nMAIN_Top=-1\n\n' "$i" "$i"; done; } | head -c 10485760 >"$work/ten-megabytes"
"$fuzzer" -max_total_time="$seconds" -max_len=11000000 -rss_limit_mb=4096 -print_final_stats=1 "$work" 2>&1 | tail -n 12
