#!/usr/bin/env bash
# All the speed and memory figures: the engine on 32 MiB inputs (and against
# huff0 on the same inputs, when libzstd-dev is installed), opening a
# 1 GiB file and a full 32-bit table in the window, and quorvant-cli on 1 GiB.
# Each script prints its own targets beside its figures.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
echo "== engine";       bench/compress.sh
echo "== window open";  bench/open.sh
echo "== quorvant-cli"; bench/cli.sh
