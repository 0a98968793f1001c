#!/usr/bin/env bash
# The test command: installs what is missing, builds everything warning-free,
# runs the whole suite, then the engine suite again under ASan + UBSan, and
# checks that the fuzz targets still build.
set -euo pipefail
cd "$(dirname "$0")/.."
Jobs=$(nproc)

scripts/install-deps.sh

cmake --preset dev -DQV_WERROR=ON
cmake --build --preset dev -j "$Jobs"
ctest --preset dev -j "$Jobs"

cmake --preset asan -DQV_WERROR=ON
cmake --build --preset asan -j "$Jobs"
ctest --preset asan -L engine -j "$Jobs"

cmake --preset fuzz -DQV_WERROR=ON
cmake --build --preset fuzz -j "$Jobs"
