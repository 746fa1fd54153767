#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a bounded time from its seed corpus.
# Any finding fails the run; the crashing input is left in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${FUZZ_SECONDS:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DVEMLA_FUZZ=ON -DVEMLA_BUILD_TESTS=OFF -DVEMLA_BUILD_BENCH=OFF >/dev/null
cmake --build build-fuzz --parallel "$(nproc)" --target FuzzReply FuzzText
mkdir -p build-fuzz/findings
for target in FuzzReply FuzzText; do
    work=build-fuzz/corpus/$target
    mkdir -p "$work"
    cp -n tests/fuzz/corpus/$target/* "$work"/ 2>/dev/null || true
    echo "fuzzing $target for ${seconds}s"
    build-fuzz/tests/fuzz/$target -max_total_time="$seconds" -max_len=4096 \
        -artifact_prefix=build-fuzz/findings/$target- "$work" 2>build-fuzz/$target.log ||
        { tail -n 40 build-fuzz/$target.log; exit 1; }
    grep -E 'Done [0-9]+ runs' build-fuzz/$target.log | tail -n 1
done
