#!/usr/bin/env bash
# Builds the .deb, has Debian's own checker look at it, installs it into a throwaway root and checks that the files stand where its .desktop file says.
set -euo pipefail
build_dir=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "FAIL: $*"; exit 1; }

(cd "$build_dir" && cpack -G DEB -B "$work/out" >/dev/null)
deb=$(ls "$work"/out/*.deb)
# Informational tags may stay; an error or a warning may not.
findings=$(lintian --allow-root "$deb" 2>&1 | grep -E '^[EW]: ' || true)
[[ -z "$findings" ]] || fail "lintian: $findings"

root=$work/root
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status"
dpkg --root="$root" --force-depends --force-not-root --log=/dev/null -i "$deb" >/dev/null 2>&1

desktop=$root/usr/share/applications/hv-test-process.desktop
[[ -f "$desktop" ]] || fail "no .desktop file"
desktop-file-validate "$desktop" || fail "the .desktop file is not valid"
exec_path=$(sed -n 's/^Exec=\([^ ]*\).*/\1/p' "$desktop")
icon=$(sed -n 's/^Icon=//p' "$desktop")
[[ -x "$root$exec_path" ]] || fail "Exec=$exec_path is not an installed program"
for size in 16 24 32 48; do
  [[ -f "$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png" ]] || fail "no ${size}px icon $icon"
done
[[ -x "$root/usr/bin/hv-copies" ]] || fail "hv-copies is not installed"
HV_PROGRAM= XDG_CONFIG_HOME="$work/config" "$root/usr/bin/hv-copies" list >/dev/null ||
  fail "the installed hv-copies does not find the program installed beside it"
dpkg --root="$root" -s hv-test-process | grep -q '^Status: install ok installed' || fail "dpkg does not list it"
echo "1 passed, 0 failed"
