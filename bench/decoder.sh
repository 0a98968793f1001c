#!/usr/bin/env bash
# The generated C decoders beside the engine's Decode on the same coded
# forms, 32 MiB each, one thread: quorvant-cli decoder's qv_decode, and the
# raw-stream decoders of decoder --code on each payload in both bit orders.
# Targets: qv_decode at least half the engine's MB/s on every input; the raw
# decoders at least qv_decode's.
#
# Usage: bench/decoder.sh [REPETITIONS] [BUILD_DIR]
#   REPETITIONS  runs of each decoder (default 5; the best counts)
#   BUILD_DIR    default build/engine-release (configured as a Release build
#                of the engine and the benchmarks when missing)
set -euo pipefail
cd "$(dirname "$0")/.."

Repetitions=${1:-5}
Build=${2:-build/engine-release}

if ! command -v cc >/dev/null && ! command -v gcc >/dev/null; then
  echo "generated decoder skipped: no C compiler for its source"
  exit 0
fi
. bench/engine-build.sh
EngineBuild "$Build" DecoderBench
Out=$("$Build/bench/DecoderBench" "$Repetitions")
echo "$Out"
! grep -q "NOT met" <<<"$Out"
