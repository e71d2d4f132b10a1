#!/usr/bin/env bash
# Installs what is missing, builds Orelia in Release and makes its Debian package;
# prints the package's path. Install it with: apt-get install ./build-release/orelia_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup-debian.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DORELIA_BUILD_TESTS=OFF -DORELIA_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build build-release
rm -f build-release/orelia_*.deb
(cd build-release && cpack -G DEB >/dev/null)
realpath build-release/orelia_*.deb
