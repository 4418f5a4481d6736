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
for size in 16 24 32 48 128; do
  [[ -f "$root/usr/share/icons/hicolor/${size}x${size}/apps/$icon.png" ]] || fail "no ${size}px icon $icon"
done
grep -q '<svg' "$root/usr/share/icons/hicolor/scalable/apps/$icon.svg" || fail "no scalable icon $icon"
for page in HV-TEST-PROCESS-V1 hv-copies; do
  [[ -f "$root/usr/share/man/man1/$page.1.gz" ]] || fail "no manual page for $page"
done
appstreamcli validate --no-net "$root"/usr/share/metainfo/*.metainfo.xml >/dev/null ||
  fail "no valid AppStream metadata"
depends=$(dpkg-deb -f "$deb" Depends)
for package in libx11-6 libxft2 fonts-liberation fonts-dejavu-core; do
  grep -q "\b$package\b" <<<"$depends" || fail "Depends lacks $package: $depends"
done

# The installed program starts and stores on close, found and closed by the installed hv-copies.
[[ -x "$root/usr/bin/hv-copies" ]] || fail "hv-copies is not installed"
exec 3< <(exec Xvfb -displayfd 1 -screen 0 1280x1024x24 -nolisten tcp 2>/dev/null)
read -r display <&3 || fail "Xvfb did not start"
xvfb=$!  # the process substitution, which became Xvfb
trap 'kill "$xvfb" 2>/dev/null; rm -rf "$work"' EXIT
copies() { HV_PROGRAM= DISPLAY=":$display" XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work" "$root/usr/bin/hv-copies" "$@"; }
copies start --wait 1 DEB >/dev/null || fail "the installed program did not show its window"
copies stop DEB >/dev/null || fail "hv-copies could not close the installed program"
grep -qx '\[DEB-1\]' "$work/config/HV_TEST_PROCESS/settings.ini" || fail "the installed program stored nothing"
dpkg --root="$root" -s hv-test-process | grep -q '^Status: install ok installed' || fail "dpkg does not list it"
echo "1 passed, 0 failed"
