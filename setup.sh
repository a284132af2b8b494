#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need (only those missing),
# then configures and builds in build/. Under CI (CI set) warnings are errors.
set -euo pipefail
cd "$(dirname "$0")"

packages=(build-essential cmake ninja-build pkg-config
  libx11-dev libxrandr-dev libxrender-dev libcairo2-dev libpango1.0-dev
  libpng-dev libjpeg62-turbo-dev libgif-dev libtiff-dev
  libcurl4-openssl-dev libssl-dev libgtest-dev
  xvfb xauth fonts-dejavu-core python3 unicode-data imagemagick
  clang libclang-rt-dev)  # the lexer fuzzer; clang only recommends its fuzzing runtime

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

cmake -G Ninja -B build -S . -DCMAKE_BUILD_TYPE=RelWithDebInfo ${CI:+-DZEL_WERROR=ON}
cmake --build build
