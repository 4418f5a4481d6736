#!/usr/bin/env bash
# Runs a Windows program under Wine in a throwaway prefix, never the user's own.
set -euo pipefail
prefix=$(mktemp -d "${TMPDIR:-/tmp}/hv-wine-XXXXXX")
cleanup() { WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; rm -rf "$prefix"; }
trap cleanup EXIT
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine "$@"
