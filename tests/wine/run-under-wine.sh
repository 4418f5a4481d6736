#!/usr/bin/env bash
# Runs a Windows program under Wine in a throwaway prefix, never the user's own, on a private X
# server of its own, so that a test may make windows and open menus without touching a desktop.
set -euo pipefail
prefix=$(mktemp -d "${TMPDIR:-/tmp}/hv-wine-XXXXXX")
Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3>"$prefix/display" 2>/dev/null &
xvfb=$!
cleanup() { WINEPREFIX="$prefix" wineserver -k 2>/dev/null || true; kill "$xvfb" 2>/dev/null || true; rm -rf "$prefix"; }
trap cleanup EXIT
until [ -s "$prefix/display" ]; do kill -0 "$xvfb" || exit 1; sleep 0.05; done
export DISPLAY=":$(cat "$prefix/display")"
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wine "$@"
