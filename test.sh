#!/usr/bin/env bash
# Builds incrementally and runs the whole test suite: once in the normal build, once more
# in build-asan/ under AddressSanitizer and UBSan. `./test.sh --quick` builds and runs the
# normal build only, for the edit loop. Under CI (CI set) warnings are errors.
set -euo pipefail
cd "$(dirname "$0")"
jobs=$(nproc)

quick=false
case "${1:-}" in
  "") ;;
  --quick) quick=true ;;
  *) echo "usage: $0 [--quick]" >&2; exit 2 ;;
esac

# Configures a build tree the first time it is built, and on every run under CI.
configure() {
  local dir=$1
  shift
  if [ -n "${CI:-}" ]; then
    cmake -G Ninja -B "$dir" -S . "$@" -DZEL_WERROR=ON
  elif [ ! -f "$dir/build.ninja" ]; then
    cmake -G Ninja -B "$dir" -S . "$@"
  fi
}

configure build -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build
if ! $quick; then
  configure build-asan -DCMAKE_BUILD_TYPE=Debug -DZEL_SANITIZE=ON
  cmake --build build-asan
fi

status=0
if ! $quick; then
  (cd build-asan && ctest --output-on-failure -j "$jobs") || status=1
fi
(cd build && ctest --output-on-failure -j "$jobs") || status=1
exit $status
