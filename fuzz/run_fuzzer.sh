#!/usr/bin/env bash
# run_fuzzer.sh FUZZER SEED_CORPUS SECONDS: runs a 10 MB settings file made here (too big to keep
# in the repository) through the target once, then fuzzes from the committed seeds in a scratch
# corpus. Inputs are capped at 100 KB while fuzzing: mutating megabyte inputs would leave a
# handful of runs a second.
set -euo pipefail
fuzzer=$1 seeds=$2 seconds=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/corpus"
cp "$seeds"/* "$work/corpus/"
# A 10 MB file of sections and keys, behind the few bytes the target takes for its arguments.
{ printf 'HV-TEST-PROCESS-V1\0copy\0\0001000\0'; for i in $(seq 1 160000); do printf '[copy-%d]\nMAIN_Left=%d\nMAIN_Top=-1\n\n' "$i" "$i"; done; } | head -c 10485760 >"$work/ten-megabytes"
"$fuzzer" "$work/ten-megabytes" >"$work/big.log" 2>&1 || { cat "$work/big.log"; exit 1; }
echo "the 10 MB file ran through the target cleanly"
set +e
"$fuzzer" -max_total_time="$seconds" -max_len=100000 -print_final_stats=1 "$work/corpus" >"$work/fuzz.log" 2>&1
status=$?
grep -E '^(stat::|Done)' "$work/fuzz.log"
# A crash or a sanitizer report: show it whole.
[[ $status -eq 0 ]] || tail -n 60 "$work/fuzz.log"
exit "$status"
