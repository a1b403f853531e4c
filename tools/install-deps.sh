#!/usr/bin/env bash
# Installs what Quillby needs to build, test and run on Debian 12 (as root or through sudo).
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-svg-dev qt6-qpa-plugins qtkeychain-qt6-dev
  libhidapi-dev libudev-dev libsdl2-dev libxss-dev libx11-dev libfontconfig-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-comic-neue fonts-liberation2 fonts-wqy-microhei
  qt6-wayland libwayland-dev wayland-protocols
  tzdata xvfb xauth xdotool x11-utils openbox trayer x11-apps imagemagick
  sway wtype grim dbus python3-dbus python3-gi
  dovecot-pop3d dovecot-imapd openssl
  python3-dbusmock libqt6network6 faketime gnome-keyring
  desktop-file-utils appstream dpkg-dev file libxml2-utils polkitd
  clang libclang-rt-14-dev
  qt6-l10n-tools qt6-tools-dev qt6-translations-l10n
  at-spi2-core python3-pyatspi
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then
  sudo="sudo"
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ "${#missing[@]}" -eq 0 ]; then
  exit 0
fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
