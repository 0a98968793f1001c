#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a while on a copy
# of the seed corpus, one job at a time.
#
#   fuzz/run.sh [seconds per target, default 60] [target ...]
#
# Environment: QV_FUZZ_BUILD (build folder, default build/fuzz-h),
# QV_FUZZ_WORK (corpus copies, findings and logs, default that folder/work).
# Prints each target's executions, coverage and findings; exits non-zero when
# a target found something.
set -euo pipefail
cd "$(dirname "$0")/.."
Seconds=${1:-60}
shift || true
Targets=("$@")
[ ${#Targets[@]} -eq 0 ] && Targets=(FuzzDecode FuzzRoundTrip FuzzCodeFile FuzzRecentList)
Build=${QV_FUZZ_BUILD:-build/fuzz-h}
Work=${QV_FUZZ_WORK:-$Build/work}

# Warnings are scripts/test.sh's concern; a stray one must not stop a run.
cmake -S . -B "$Build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DQV_FUZZ=ON -DQV_WITH_QT=OFF -DQV_TESTS=OFF \
  -DQV_BENCH=OFF -DQV_WERROR=OFF >/dev/null
ninja -C "$Build" "${Targets[@]}"

Status=0
for Target in "${Targets[@]}"; do
  Corpus=$Work/$Target/corpus
  Findings=$Work/$Target/findings
  Log=$Work/$Target/fuzz.log
  rm -rf "$Corpus"
  mkdir -p "$Corpus" "$Findings"
  [ -d "fuzz/corpus/$Target" ] && cp fuzz/corpus/"$Target"/* "$Corpus"/ 2>/dev/null || true
  echo "== $Target: ${Seconds}s on $(ls "$Corpus" | wc -l) seeds"
  set +e
  # One job in this process (the machine is shared; -jobs would fork a worker
  # that logs to the current folder).  -timeout catches hangs, -rss_limit_mb
  # runaway allocation.
  "$Build/fuzz/$Target" "$Corpus" -max_total_time="$Seconds" -timeout=10 -rss_limit_mb=2048 \
    -max_len=8192 -print_final_stats=1 -artifact_prefix="$Findings/" >"$Log" 2>&1
  Result=$?
  set -e
  Runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$Log" | tail -1)
  Rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$Log" | tail -1)
  Last=$(grep -E '^#[0-9]+' "$Log" | tail -1 || true)
  Cov=$(sed -n 's/.* cov: \([0-9]*\).*/\1/p' <<<"$Last")
  Ft=$(sed -n 's/.* ft: \([0-9]*\).*/\1/p' <<<"$Last")
  Units=$(sed -n 's/.* corp: \([0-9]*\/[0-9a-zA-Z]*\).*/\1/p' <<<"$Last")
  Found=$(ls "$Findings" | wc -l)
  echo "   executions ${Runs:-?} (${Rate:-?}/s), coverage ${Cov:-?} edges, ${Ft:-?} features, corpus ${Units:-?}"
  if [ "$Result" -ne 0 ] || [ "$Found" -ne 0 ]; then
    Status=1
    echo "   FINDINGS ($Found) in $Findings; log $Log:"
    grep -E 'ERROR|Fuzz(Decode|RoundTrip):|SUMMARY' "$Log" | head -5 | sed 's/^/     /'
  else
    echo "   no findings"
  fi
done
exit $Status
