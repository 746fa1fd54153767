#!/usr/bin/env bash
# Builds the .deb from an existing build tree and holds it to Debian's checks: lintian (any E: or
# W: tag fails), desktop-file-validate and appstreamcli on what it installs. Then installs it with
# apt (which resolves its dependencies), asks the installed program for help and version with no
# display at all, and starts it offscreen with the simulated meter.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEMLA_BUILD_DIR:-build}
rm -f "$build"/vemla_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/vemla_*.deb)
sudo=""
[ "$(id -u)" -ne 0 ] && sudo=sudo

echo "lintian $(basename "$deb"):"
lintian --fail-on error,warning --display-info --pedantic "$deb"

$sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "./$deb" >/dev/null
test -x /usr/bin/vemla
test -f /usr/share/icons/hicolor/scalable/apps/vemla.svg
desktop-file-validate /usr/share/applications/vemla.desktop
appstreamcli validate --no-net /usr/share/metainfo/net.vemla.Vemla.metainfo.xml

# --help and --version are answered before any window exists, so no display is needed.
help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/vemla --help)
for option in --simulate --records --service --quit-after --screenshot --version; do
    grep -q -e "$option" <<<"$help" || { echo "vemla --help does not mention $option" >&2; exit 1; }
done
version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/vemla --version)
packaged=$(dpkg-query -W -f='${Version}' vemla)
if [ "$version" != "Vemla $packaged" ]; then
    echo "vemla --version says '$version', the package is $packaged" >&2
    exit 1
fi

# The command-line tool: installed with its manual, and answering with no display.
test -x /usr/bin/vemla-cli
test -f /usr/share/man/man1/vemla-cli.1.gz
cli_version=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/vemla-cli --version)
if [ "$cli_version" != "vemla-cli $packaged" ]; then
    echo "vemla-cli --version says '$cli_version', the package is $packaged" >&2
    exit 1
fi

# The certificate program vemla-cli runs for --pdf: beside it, with its manual, and writing a
# certificate with no display.
test -x /usr/bin/vemla-pdf
test -f /usr/share/man/man1/vemla-pdf.1.gz
tmp=$(mktemp -d)
cat >"$tmp/upload.json" <<'JSON'
{"language":"en","header":{"company":"ACME"},"generated":"2026-12-08T10:00:00",
 "certification":{"enabled":true,"limits":[{"wavelength":1310,"kind":"fixed","max_loss_dB":3}]},
 "records":[{"index":0,"texts":["1","1310","-2.00dBm","-2.00dB","0.00dBm","",""],
             "wavelength_nm":1310,"power_dBm":-2,"reference_dBm":0,"relative":true}]}
JSON
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM /usr/bin/vemla-pdf \
    --in "$tmp/upload.json" --out "$tmp/certificate.pdf"
head -c 5 "$tmp/certificate.pdf" | grep -q '%PDF-'
rm -rf "$tmp"

tmp=$(mktemp -d)
(cd "$tmp" && QT_QPA_PLATFORM=offscreen timeout 30 /usr/bin/vemla --simulate --quit-after 1500)
rm -rf "$tmp"
echo "package check: $(basename "$deb") passes lintian, installs, answers '$version' and starts"
