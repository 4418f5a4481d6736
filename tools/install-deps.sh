#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing need, where they are missing.
set -euo pipefail

packages=(
  # build
  cmake ninja-build g++ pkg-config libfltk1.3-dev libx11-dev libxtst-dev libxrandr-dev libxres-dev libxcursor-dev libxinerama-dev libx11-xcb-dev libfontconfig-dev libsystemd-dev zlib1g-dev libgtest-dev libgmock-dev
  # a private X session for run.sh and the end-to-end tests
  xvfb openbox icewm xdotool wmctrl x11-utils imagemagick
  # the desktops testers use: Xfce's and GNOME Flashback's window managers (xfwm4 reads its settings
  # through xfconf on a session bus), and GNOME's mutter as a Wayland compositor with XWayland
  xfwm4 xfconf dbus-daemon metacity mutter xwayland
  # the accessibility bus, its registry and a real AT-SPI client for the end-to-end tests
  at-spi2-core python3-pyatspi dbus-bin procps
  # a screen reader as its users run it, and a GTK dialog to hold it against
  orca zenity
  # the window's faces ("Arial" is the metric-compatible Liberation Sans), a desktop's font set
  # beside them (Noto, as Ubuntu, Fedora and KDE have it) and a Chinese face, for names in other scripts
  fonts-liberation fonts-dejavu-core fonts-noto-core fonts-wqy-microhei
  # a locale with a decimal comma, for the number-format tests
  locales
  # the Windows program: cross-built, checked and run under Wine
  mingw-w64 wine wine64 python3-pefile
  # packaging checks: Debian's package checker, menu entry and AppStream validators, man
  dpkg-dev file lintian desktop-file-utils appstream man-db
  # what the program touches on disk, traced end to end
  strace
  # the fuzzer, and callgrind and xtrace for the benchmark
  clang-14 libclang-rt-14-dev valgrind xtrace
)

missing=()
for package in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$package")
done

as_root() { if [[ $(id -u) -eq 0 ]]; then "$@"; else sudo "$@"; fi; }

if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# de_DE.UTF-8 writes numbers with a comma; the tests check that such files read back anywhere.
if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  as_root sed -i 's/^# *\(de_DE.UTF-8 UTF-8\)/\1/' /etc/locale.gen
  as_root locale-gen >/dev/null
fi
