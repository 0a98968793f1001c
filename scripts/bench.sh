#!/usr/bin/env bash
# All the speed and memory figures, each script printing its targets beside
# its figures (a few minutes in all):
#   - the engine on 32 MiB inputs, and against huff0 on the same inputs when
#     libzstd-dev is installed;
#   - the generated C decoders beside the engine's Decode: qv_decode, and
#     the raw-stream decoders of decoder --code beside it;
#   - opening a 1 GiB cached file (quorvant-cli distribution and stats, the
#     window) against `cat` of it, and the window's 32-bit open;
#   - quorvant-cli encode and decode of 1 GiB;
#   - quorvant-cli limits and evaluate on a 1 GiB corpus against stats of
#     it, and the optimal length limit's time for 256 values.
# Every part runs even when one misses a target; the exit status is 1 when
# any did.
set -uo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh || exit 1
uptime
Status=0
echo "== engine";            bench/compress.sh || Status=1
echo; echo "== generated decoders"; bench/decoder.sh || Status=1
echo; echo "== open";        bench/open.sh || Status=1
echo; echo "== quorvant-cli encode and decode"; bench/cli.sh || Status=1
echo; echo "== designer: limits, evaluate, the optimal limit"; bench/designer.sh || Status=1
echo; uptime
exit $Status
