#!/usr/bin/env bash
# The designer's commands against the plain statistics of the same corpus:
#   - `quorvant-cli limits -r DIR` and `quorvant-cli evaluate --code CODE -r
#     DIR` on a 1 GiB text-like corpus of 8 files in the page cache, each in
#     at most 1.2 x the wall time of `quorvant-cli stats -r DIR` (medians of
#     alternating runs), with their peak memory;
#   - the optimal length limit for 256 values at every limit 16..8: under
#     1 ms in all (median of many runs), beside the whole limits table.
# What cannot run here is skipped with the reason.
#
# Environment: QUORVANT_BUILD the build folder (default: the release
# preset's, configured when missing); QUORVANT_BENCH_BYTES the corpus size
# (default 1 GiB); QUORVANT_BENCH_RUNS the alternating runs (default 5).
# The corpus lives in $TMPDIR (default /tmp) and is removed at the end.
# Exit status 1 when a target is missed.
set -euo pipefail
cd "$(dirname "$0")/.."
Build=${QUORVANT_BUILD:-build/release}
Runs=${QUORVANT_BENCH_RUNS:-5}
Bytes=${QUORVANT_BENCH_BYTES:-1073741824}

if [ ! -f "$Build/build.ninja" ]; then
  if [ -z "${QUORVANT_BUILD:-}" ]; then cmake --preset release >/dev/null
  else echo "no build in $Build"; exit 1; fi
fi
Cli=no
grep -q '^build quorvant-cli:' "$Build/build.ninja" && Cli=yes
Targets=(RunTimed CliTextGen LimitRuleTiming)
[ $Cli = yes ] && Targets+=(quorvant-cli)
cmake --build "$Build" --target "${Targets[@]}" >/dev/null
Timed=$Build/bench/RunTimed
Program=$Build/bin/quorvant-cli

Field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
Median() { sort -g | awk '{ V[NR] = $1 } END { print (NR % 2) ? V[(NR + 1) / 2] : (V[NR / 2] + V[NR / 2 + 1]) / 2 }'; }
Max() { sort -g | tail -n 1; }
Missed=no
Met() { if awk "BEGIN { exit !($1) }"; then echo "met"; else echo "NOT met"; fi; }

echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
echo "optimal length limit, 256 values, medians (target: under 1000 us at every limit 16..8 in all):"
if ! "$Build/bench/LimitRuleTiming"; then Missed=yes; fi

if [ $Cli = no ]; then
  echo "corpus commands skipped: $Build was configured without quorvant-cli"
else
  Work=$(mktemp -d "${TMPDIR:-/tmp}/qv-designer-bench.XXXXXX")
  trap 'rm -rf "$Work"' EXIT
  Free=$(( $(df -Pk "$Work" | awk 'NR == 2 { print $4 }') * 1024 ))
  if [ "$Free" -lt $(( Bytes + (1 << 30) )) ]; then
    echo "corpus commands skipped: $Work has $((Free >> 20)) MiB free, the corpus needs $((Bytes >> 20)) MiB and 1 GiB to spare"
  else
    mkdir "$Work/corpus"
    "$Build/bench/CliTextGen" "$Bytes" >"$Work/all.txt"
    split -n 8 -d "$Work/all.txt" "$Work/corpus/part-"
    rm "$Work/all.txt"
    Corpus=$Work/corpus
    "$Program" code -r "$Corpus" -o "$Work/code.json"
    cat "$Corpus"/* >/dev/null  # into the page cache
    Stats=() StatsMiB=() StatsCpu=() Limits=() LimitsMiB=() LimitsCpu=() Eval=() EvalMiB=() EvalCpu=()
    for _ in $(seq "$Runs"); do
      # One round each, so that a change of load falls on all alike.
      Out=$("$Timed" "$Program" stats -r "$Corpus")
      Stats+=("$(Field seconds <<<"$Out")"); StatsMiB+=("$(Field peak_mib <<<"$Out")")
      StatsCpu+=("$(Field cpu <<<"$Out")")
      Out=$("$Timed" "$Program" limits -r "$Corpus")
      Limits+=("$(Field seconds <<<"$Out")"); LimitsMiB+=("$(Field peak_mib <<<"$Out")")
      LimitsCpu+=("$(Field cpu <<<"$Out")")
      Out=$("$Timed" "$Program" evaluate --code "$Work/code.json" -r "$Corpus")
      Eval+=("$(Field seconds <<<"$Out")"); EvalMiB+=("$(Field peak_mib <<<"$Out")")
      EvalCpu+=("$(Field cpu <<<"$Out")")
    done
    echo
    echo "corpus: 8 files, $((Bytes >> 20)) MiB in all (page cache), medians of $Runs alternating runs"
    echo "runs (s): stats ${Stats[*]}"
    echo "          limits ${Limits[*]}"
    echo "          evaluate ${Eval[*]}"
    StatsM=$(printf '%s\n' "${Stats[@]}" | Median)
    StatsC=$(printf '%s\n' "${StatsCpu[@]}" | Median)
    printf '%-40s %8s %9s %10s %12s\n' "" "wall" "cpu" "peak" "wall ratio"
    printf '%-40s %6.3f s %7.3f s %6.1f MiB\n' "quorvant-cli stats -r DIR" "$StatsM" "$StatsC" \
      "$(printf '%s\n' "${StatsMiB[@]}" | Max)"
    Row() { # name seconds-array cpu-array mib-array
      local -n S=$2 C=$3 M=$4
      local Median_ Cpu_ Ratio
      Median_=$(printf '%s\n' "${S[@]}" | Median)
      Cpu_=$(printf '%s\n' "${C[@]}" | Median)
      Ratio=$(awk -v A="$Median_" -v B="$StatsM" 'BEGIN { printf "%.2f", A / B }')
      printf '%-40s %6.3f s %7.3f s %6.1f MiB %5s x stats  <= 1.2 x  %s\n' "$1" "$Median_" "$Cpu_" \
        "$(printf '%s\n' "${M[@]}" | Max)" "$Ratio" "$(Met "$Ratio <= 1.2")"
      awk "BEGIN { exit !($Ratio <= 1.2) }" || Missed=yes
    }
    Row "quorvant-cli limits -r DIR" Limits LimitsCpu LimitsMiB
    Row "quorvant-cli evaluate --code CODE -r DIR" Eval EvalCpu EvalMiB
  fi
fi
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
[ $Missed = no ]
