#!/usr/bin/env bash
# One entry point for newcomers and CI:
#   tools/dev.sh run   install packages, build, start Vemla with a simulated meter
#   tools/dev.sh test  install packages, build, run every test through ctest
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
cd "$here"
mode=${1:-}
build=${VEMLA_BUILD_DIR:-build}

install_packages() {
    local pkgs missing=()
    pkgs=$(grep -v -E '^\s*(#|$)' tools/debian-packages.txt)
    for p in $pkgs; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local sudo=""
    [ "$(id -u)" -ne 0 ] && sudo=sudo
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -qq
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

configure_and_build() {
    local gen=()
    command -v ninja >/dev/null && gen=(-G Ninja)
    cmake -S . -B "$build" "${gen[@]}" -DCMAKE_BUILD_TYPE="${CMAKE_BUILD_TYPE:-RelWithDebInfo}" "$@"
    cmake --build "$build" --parallel "$(nproc)"
}

case "$mode" in
run)
    install_packages
    configure_and_build
    shift
    exec "$build/app/vemla" --simulate "$@"
    ;;
test)
    install_packages
    configure_and_build
    QT_QPA_PLATFORM=offscreen ctest --test-dir "$build" --output-on-failure --timeout 300 -j "$(nproc)"
    ;;
*)
    echo "usage: $0 run|test" >&2
    exit 2
    ;;
esac
