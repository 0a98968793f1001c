#!/usr/bin/env bash
# The test command: installs what is missing, checks the layout of the
# sources, builds everything warning-free, runs the whole suite, checks that
# the fuzz targets still build, then runs the whole suite again under ASan +
# UBSan (window tests offscreen).  Ends with one line naming each stage and
# its result.
set -euo pipefail
cd "$(dirname "$0")/.."
Jobs=$(nproc)

Stages=()
Current=""
Summary() {
  local Status=$?
  [ -n "$Current" ] && Stages+=("$Current FAILED")
  local IFS=,
  echo
  if [ $Status -eq 0 ]; then
    echo "All stages passed:${Stages[*]/#/ }"
  else
    echo "Stages:${Stages[*]/#/ } (stopped)"
  fi
}
trap Summary EXIT
Stage() { Current=$1; }
Passed() { Stages+=("$Current ${1:-passed}"); Current=""; }

# Skipped tests with their reasons, from the last ctest log of a build folder.
SkipReasons() {
  local Log=$1/Testing/Temporary/LastTest.log
  [ -f "$Log" ] || return 0
  awk '/^[0-9]+\/[0-9]+ Test: /{Name=$3} / Skipped$/{getline Why; print "  skipped: " Name " (" Why ")"}' "$Log"
}

Stage "dependencies"
scripts/install-deps.sh
Passed

# Every C++ source as .clang-format lays it out.
Stage "format"
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
Passed

Stage "build (dev, -Werror)"
cmake --preset dev -DQV_WERROR=ON
cmake --build --preset dev -j "$Jobs"
Passed

Stage "tests"
ctest --preset dev -j "$Jobs"
SkipReasons build/dev
Passed "passed ($(grep -c '^[0-9]*/[0-9]* Test: ' build/dev/Testing/Temporary/LastTest.log) tests)"

# The fuzz targets must keep building (clang, libFuzzer); they run from fuzz/run.sh.
Stage "fuzz build"
cmake --preset fuzz -DQV_WERROR=ON
cmake --build --preset fuzz -j "$Jobs"
Passed

Stage "sanitizers"
cmake --preset asan -DQV_WERROR=ON
cmake --build --preset asan -j "$Jobs"
ctest --preset asan -j "$Jobs"
SkipReasons build/asan
Passed
