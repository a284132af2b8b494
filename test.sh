#!/usr/bin/env bash
# Builds incrementally and runs the whole test suite: once in the normal build,
# once more in build-asan/ under AddressSanitizer and UBSan.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)

[ -f build/build.ninja ] || cmake -G Ninja -B build -S . -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
[ -f build-asan/build.ninja ] || cmake -G Ninja -B build-asan -S . -DCMAKE_BUILD_TYPE=Debug -DZEL_SANITIZE=ON
cmake --build build-asan

status=0
(cd build-asan && ctest --output-on-failure -j "$jobs") || status=1
(cd build && ctest --output-on-failure -j "$jobs") || status=1
exit $status
