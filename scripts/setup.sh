#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Quorvel.
# Safe to run again: apt-get skips what is already there.
set -euo pipefail
packages=(
  build-essential g++ cmake ninja-build pkg-config ccache
  libplist-dev libsqlite3-dev sqlite3 libpng-dev libcairo2-dev libpango1.0-dev
  fonts-liberation2 fonts-dejavu-core fonts-wqy-microhei
  libgtest-dev libgmock-dev googletest libbenchmark-dev libcli11-dev
  libglib2.0-dev libglib2.0-dev-bin libmm-glib-dev modemmanager modemmanager-dev
  dbus dbus-daemon python3 python3-dbusmock dpkg-dev file
  # the real ModemManager's tests: polkitd on their private bus; unshare, mount, setpriv
  polkitd util-linux mount
  # the browser page: its HTTP server, and headless Chromium driven by selenium for its test
  libcpp-httplib-dev chromium chromium-driver python3-selenium
  # the Debian package (scripts/package.sh) and the user unit's check (systemd-analyze)
  debhelper lintian systemd
  # clang and its libFuzzer runtime, for scripts/fuzz.sh
  clang libclang-rt-14-dev
  # the GTK app and the lock-screen plugin, their desktop files, and their tests under Xvfb
  libgtk-4-dev libadwaita-1-dev libgtk-3-dev libhandy-1-dev phosh-dev phoc
  appstream desktop-file-utils librsvg2-bin
  xvfb xauth x11-apps x11-utils libx11-6 imagemagick at-spi2-core gir1.2-atspi-2.0
  python3-gi python3-pyatspi python3-dogtail gir1.2-gtk-3.0 gir1.2-gtk-4.0
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
