#!/usr/bin/env bash
# Builds the .deb from an existing build tree, installs it with apt (which resolves its
# dependencies), starts the installed program offscreen with the simulated meter, and lets it quit.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEMLA_BUILD_DIR:-build}
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls -t "$build"/vemla_*.deb | head -n 1)
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo
$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
test -x /usr/bin/vemla
test -f /usr/share/applications/vemla.desktop
test -f /usr/share/icons/hicolor/scalable/apps/vemla.svg
test -f /usr/share/metainfo/net.vemla.Vemla.metainfo.xml
tmp=$(mktemp -d)
(cd "$tmp" && QT_QPA_PLATFORM=offscreen timeout 30 /usr/bin/vemla --simulate --quit-after 1500)
rm -rf "$tmp"
echo "package check: installed and started $(basename "$deb")"
