#!/usr/bin/env bash
# The long run, outside the default test suite:
#   bench/soak.sh             a million records through the window, memory and throughput per upload
#   bench/soak.sh --valgrind  a short run under valgrind's leak checker
set -euo pipefail
cd "$(dirname "$0")/.."
build=${VEMLA_SOAK_BUILD:-build-bench}
if [ ! -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEMLA_BUILD_TESTS=OFF >/dev/null
fi
cmake --build "$build" --parallel "$(nproc)" --target vemla_soak >/dev/null
export QT_QPA_PLATFORM=offscreen
if [ "${1:-}" = "--valgrind" ]; then
    # Leaks of our own code fail the run; what Qt and fontconfig keep for the process is "still
    # reachable" and not counted.
    exec valgrind --leak-check=full --errors-for-leak-kinds=definite --error-exitcode=1 \
        --suppressions=bench/valgrind-qt.supp \
        "$build/bench/soak/vemla_soak" 6000 2000
fi
exec "$build/bench/soak/vemla_soak" "$@"
