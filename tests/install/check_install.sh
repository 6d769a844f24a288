#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks what a desktop needs
# there; then builds the Debian package and checks its dependencies.
# Usage: check_install.sh BUILD_DIR
set -euo pipefail
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "check_install: $*" >&2; exit 1; }

prefix=$tmp/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null

for f in bin/snaprio lib/snaprio/snaprio lib/snaprio/snaprio-capture lib/snaprio/snaprio-wlcapture lib/snaprio/snaprio-keeper lib/snaprio/SNAPRO.HLP share/applications/snaprio.desktop \
         share/snaprio/autostart/snaprio.desktop share/icons/hicolor/scalable/apps/snaprio.svg; do
  [ -e "$prefix/$f" ] || fail "missing $f"
done
for s in 16 22 24 32 48 64 128 256; do
  png=$prefix/share/icons/hicolor/${s}x${s}/apps/snaprio.png
  [ -e "$png" ] || fail "missing icon $s"
  file "$png" | grep -q "$s x $s" || fail "icon $s has the wrong size: $(file "$png")"
done
# bin/snaprio leads to the program's folder, where its help file lies.
[ "$(readlink -f "$prefix/bin/snaprio")" = "$(readlink -f "$prefix/lib/snaprio/snaprio")" ] ||
  fail "bin/snaprio does not lead to lib/snaprio/snaprio"
"$prefix/bin/snaprio" --version | grep -q "^Snaprio 2000 " || fail "the installed program does not run"

for d in share/applications/snaprio.desktop share/snaprio/autostart/snaprio.desktop; do
  out=$(desktop-file-validate "$prefix/$d" 2>&1) || fail "$d: $out"
  if grep -qE "error|warning" <<<"$out"; then fail "$d: $out"; fi
done
grep -qx "Name=Snaprio 2000" "$prefix/share/applications/snaprio.desktop" || fail "Name"
grep -qx "Categories=Utility;Graphics;" "$prefix/share/applications/snaprio.desktop" || fail "Categories"
# KWin grants its screenshot interface to the executable that calls, by the
# entry whose Exec names it: the desktop program itself, where it is installed.
grep -qx "Exec=$prefix/lib/snaprio/snaprio-desktop" "$prefix/share/applications/snaprio.desktop" ||
  fail "the desktop entry's Exec is not the installed desktop program"
grep -qx "X-KDE-DBUS-Restricted-Interfaces=org.kde.KWin.ScreenShot2" \
  "$prefix/share/applications/snaprio.desktop" || fail "the desktop entry does not ask for KWin's screenshots"

cpack -G DEB -B "$tmp/deb" --config "$build/CPackConfig.cmake" >/dev/null
deb=$(ls "$tmp"/deb/*.deb)
info=$(dpkg-deb -I "$deb")
depends=$(grep '^ Depends:' <<<"$info") || fail "no Depends in the package"
for p in libqt6widgets6 libqt6gui6 libqt6network6 libqt6dbus6 libx11-6 libxext6 libjpeg62-turbo \
         libc-ares2 fonts-liberation2 qt6-wayland libwayland-client0; do
  grep -q "\b$p\b" <<<"$depends" || fail "the package does not depend on $p: $depends"
done
contents=$(dpkg-deb -c "$deb")
for f in ./usr/lib/snaprio/snaprio ./usr/lib/snaprio/snaprio-capture ./usr/lib/snaprio/snaprio-wlcapture ./usr/lib/snaprio/snaprio-keeper ./usr/lib/snaprio/SNAPRO.HLP ./usr/share/applications/snaprio.desktop \
         "./usr/bin/snaprio -> ../lib/snaprio/snaprio"; do
  grep -qF "$f" <<<"$contents" || fail "the package lacks $f"
done
entry=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/snaprio.desktop)
grep -qx "Exec=/usr/lib/snaprio/snaprio-desktop" <<<"$entry" ||
  fail "the package's desktop entry does not name /usr/lib/snaprio/snaprio-desktop"
entry=$(dpkg-deb --fsys-tarfile "$deb" | tar -xO ./usr/share/applications/snaprio-wlcapture.desktop)
grep -qx "Exec=/usr/lib/snaprio/snaprio-wlcapture" <<<"$entry" && grep -q "KWin.ScreenShot2" <<<"$entry" ||
  fail "the package's entry for the Wayland capture command does not name it and grant KWin's screenshots"
echo "check_install: installed and packaged"
