#!/usr/bin/env bash
# The test command: installs what is missing, builds everything warning-free,
# runs the whole suite, checks that the fuzz targets still build, then runs
# the engine suite again under ASan + UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."
Jobs=$(nproc)

scripts/install-deps.sh

cmake --preset dev -DQV_WERROR=ON
cmake --build --preset dev -j "$Jobs"
ctest --preset dev -j "$Jobs"

# The fuzz targets must keep building (clang, libFuzzer); they run from fuzz/run.sh.
cmake --preset fuzz -DQV_WERROR=ON
cmake --build --preset fuzz -j "$Jobs"

cmake --preset asan -DQV_WERROR=ON
cmake --build --preset asan -j "$Jobs"
ctest --preset asan -L engine -j "$Jobs"

