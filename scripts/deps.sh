#!/usr/bin/env bash
# Installs the Debian packages that building and testing need, when missing.
# Idempotent: a machine that has them all runs no apt-get at all.
set -euo pipefail

PACKAGES=(
  # build
  cmake ninja-build g++ clang pkg-config qt6-base-dev libjpeg62-turbo-dev libx11-dev
  libxext-dev libc-ares-dev libssl-dev libsecret-1-dev libgtest-dev libbenchmark-dev
  libspng-dev libdeflate-dev libpng-dev
  fonts-liberation2 ccache
  # test peers
  xvfb xdotool libxtst-dev x11-utils x11-xserver-utils openbox xcompmgr python3-aiosmtpd python3-pil
  python3-dbus python3-gi
  giflib-tools libgif-dev libjpeg-turbo-progs poppler-utils xclip sharutils media-types
  imagemagick x11-apps scrot curl xterm trayer gnome-keyring dbus dbus-x11 libsecret-tools
  desktop-file-utils xbindkeys python3-cryptography file dpkg-dev openssl bc pngcheck
  # the Wayland session: the build's client library, wayland-scanner and xdg-output's XML;
  # the resident program's platform plugin; the tests' headless sway with its background
  # colours (swaybg), pictures, clipboard and keys; the Screenshot portal, which needs
  # PipeWire for its wlroots back-end and the GTK back-end's Access dialog to be offered
  libwayland-dev libwayland-bin wayland-protocols qt6-wayland
  sway swaybg grim slurp wl-clipboard wtype
  xdg-desktop-portal xdg-desktop-portal-wlr xdg-desktop-portal-gtk pipewire xwayland
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "deps: installing ${missing[*]}" >&2
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
