#!/usr/bin/env bash
# Opening a large file against a plain read of it, and a full 32-bit table:
#   - a 1 GiB text-like file in the page cache: `quorvant-cli distribution
#     FILE` and the window's 8-bit open (offscreen, from the click on "開く"
#     to the drawn graph, views and detail line) each in at most 3 x the wall
#     time of `cat FILE > /dev/null`, medians of alternating runs; the peak
#     memory of each at most the file's size + 100 MiB;
#     `quorvant-cli stats FILE` is measured beside them;
#   - the window's 32-bit open of a table of 10240 words: under 10 ms
#     (median of 20 opens).
# What cannot run here is skipped with the reason (no window build, no room
# for the file, no offscreen display).
#
# Environment: QUORVANT_BUILD the build folder (default: the release
# preset's, configured when missing); QUORVANT_BENCH_FILE the large file
# (made when missing, kept for reruns); QUORVANT_BENCH_BYTES its size
# (default 1 GiB); QUORVANT_BENCH_RUNS the alternating runs (default 5).
# Exit status 1 when a target is missed.
set -euo pipefail
cd "$(dirname "$0")/.."
Build=${QUORVANT_BUILD:-build/release}
Runs=${QUORVANT_BENCH_RUNS:-5}
Bytes=${QUORVANT_BENCH_BYTES:-1073741824}
File=${QUORVANT_BENCH_FILE:-${TMPDIR:-/tmp}/quorvant-open-bench-$Bytes.txt}

if [ ! -f "$Build/build.ninja" ]; then
  if [ -z "${QUORVANT_BUILD:-}" ]; then cmake --preset release >/dev/null
  else echo "no build in $Build"; exit 1; fi
fi
Window=no Cli=no
grep -q '^build bench/OpenBench:' "$Build/build.ninja" && Window=yes
grep -q '^build quorvant-cli:' "$Build/build.ninja" && Cli=yes
WindowBuilt=$Window
Targets=(RunTimed CliTextGen)
[ $Window = yes ] && Targets+=(OpenBench)
[ $Cli = yes ] && Targets+=(quorvant-cli)
cmake --build "$Build" --target "${Targets[@]}" >/dev/null
Timed=$Build/bench/RunTimed
Program=$Build/bin/quorvant-cli
Bench=$Build/bench/OpenBench

Field() { sed -n "s/.*$1=\([0-9.]*\).*/\1/p"; }
Median() { sort -g | awk '{ V[NR] = $1 } END { print (NR % 2) ? V[(NR + 1) / 2] : (V[NR / 2] + V[NR / 2 + 1]) / 2 }'; }
Max() { sort -g | tail -n 1; }
# (Called in command substitutions: a miss is remembered in a file.)
Met() { if awk "BEGIN { exit !($1) }"; then echo "met"; else echo "NOT met"; : >"$Runtime/missed"; fi; }

# The bench's windows keep to a private runtime folder.
Runtime=$(mktemp -d)
trap 'rm -rf "$Runtime"' EXIT
export XDG_RUNTIME_DIR=$Runtime QT_QPA_PLATFORM=offscreen

Large=yes
[ $Cli = no ] && echo "quorvant-cli skipped: $Build was configured without it"
if [ $Cli = no ] && [ $Window = no ]; then
  echo "large open skipped: $Build has neither quorvant-cli nor the window"
  Large=no
elif [ "$(stat -c %s "$File" 2>/dev/null || echo 0)" != "$Bytes" ]; then
  Free=$(( $(df -Pk "$(dirname "$File")" | awk 'NR == 2 { print $4 }') * 1024 ))
  if [ "$Free" -lt $(( Bytes + (1 << 30) )) ]; then
    echo "large open skipped: $(dirname "$File") has $((Free >> 20)) MiB free, the file needs $((Bytes >> 20)) MiB and 1 GiB to spare"
    Large=no
  else
    echo "Writing $Bytes text-like bytes to $File"
    "$Build/bench/CliTextGen" "$Bytes" >"$File"
  fi
fi
if [ $Large = yes ]; then
  Cached=$(awk '/^MemAvailable:/ { printf "%d", $2 * 1024 }' /proc/meminfo)
  [ "$Cached" -lt $(( Bytes * 2 )) ] &&
    echo "warning: $((Cached >> 20)) MiB available: the file may not stay in the page cache"
  cat "$File" >/dev/null  # into the page cache
  if [ $Window = yes ] && ! "$Bench" open "$File" >/dev/null 2>"$Runtime/err"; then
    echo "window open skipped: OpenBench could not open the file offscreen: $(head -n 2 "$Runtime/err")"
    Window=no
  fi
  [ $WindowBuilt = no ] && echo "window open skipped: $Build was configured without the window (QV_WITH_QT=OFF)"

  Cat=() CatMiB=() Dist=() DistMiB=() Stats=() StatsMiB=() Open=() OpenMiB=()
  for _ in $(seq "$Runs"); do
    # One round: the plain read, then each opener, so that a change of load
    # on the shared machine falls on all of them alike.
    Out=$("$Timed" cat "$File"); Cat+=("$(Field seconds <<<"$Out")"); CatMiB+=("$(Field peak_mib <<<"$Out")")
    if [ $Cli = yes ]; then
      Out=$("$Timed" "$Program" distribution "$File")
      Dist+=("$(Field seconds <<<"$Out")"); DistMiB+=("$(Field peak_mib <<<"$Out")")
    fi
    if [ $Window = yes ]; then
      Out=$("$Bench" open "$File"); Open+=("$(Field seconds <<<"$Out")"); OpenMiB+=("$(Field peak_mib <<<"$Out")")
    fi
    if [ $Cli = yes ]; then
      Out=$("$Timed" "$Program" stats "$File")
      Stats+=("$(Field seconds <<<"$Out")"); StatsMiB+=("$(Field peak_mib <<<"$Out")")
    fi
  done
fi

Table=""
if [ $WindowBuilt = yes ]; then
  if Out=$("$Bench" table 2>"$Runtime/err"); then
    Table=$(Field median <<<"$Out") TableBest=$(Field seconds <<<"$Out")
  else
    echo "32-bit open skipped: OpenBench could not open the table offscreen: $(head -n 2 "$Runtime/err")"
  fi
else
  echo "32-bit open skipped: $Build was configured without the window (QV_WITH_QT=OFF)"
fi

echo
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) processors"
if [ $Large = yes ]; then
  FileMiB=$(awk -v B="$Bytes" 'BEGIN { printf "%.1f", B / 1048576 }')
  Budget=$(awk -v F="$FileMiB" 'BEGIN { printf "%.1f", F + 100 }')
  echo "file: $File ($FileMiB MiB, page cache), medians of $Runs alternating runs"
  echo "runs (s): cat ${Cat[*]}"
  [ $Cli = yes ] && echo "          distribution ${Dist[*]}"
  [ $Window = yes ] && echo "          window ${Open[*]}"
  [ $Cli = yes ] && echo "          stats ${Stats[*]}"
  CatM=$(printf '%s\n' "${Cat[@]}" | Median)
  Row() { # name median-seconds peak-mib [no-target]
    local Ratio
    Ratio=$(awk -v O="$2" -v R="$CatM" 'BEGIN { printf "%.2f", O / R }')
    if [ -z "${4:-}" ]; then
      printf '%-34s %8.3f s %6s x cat   <= 3 x      %s\n' "$1" "$2" "$Ratio" "$(Met "$Ratio <= 3")"
      printf '%-34s %8.1f MiB          <= %s MiB %s\n' "  peak memory" "$3" "$Budget" "$(Met "$3 <= $Budget")"
    else
      printf '%-34s %8.3f s %6s x cat   (no target)\n' "$1" "$2" "$Ratio"
      printf '%-34s %8.1f MiB\n' "  peak memory" "$3"
    fi
  }
  printf '%-34s %10s %13s %10s\n' "" "measured" "" "target"
  printf '%-34s %8.3f s %8.1f MiB\n' "cat FILE > /dev/null" "$CatM" "$(printf '%s\n' "${CatMiB[@]}" | Max)"
  [ $Cli = yes ] && Row "quorvant-cli distribution FILE" "$(printf '%s\n' "${Dist[@]}" | Median)" \
    "$(printf '%s\n' "${DistMiB[@]}" | Max)"
  [ $Window = yes ] && Row "window open, 8 bit (offscreen)" "$(printf '%s\n' "${Open[@]}" | Median)" \
    "$(printf '%s\n' "${OpenMiB[@]}" | Max)"
  [ $Cli = yes ] && Row "quorvant-cli stats FILE" "$(printf '%s\n' "${Stats[@]}" | Median)" \
    "$(printf '%s\n' "${StatsMiB[@]}" | Max)" no-target
fi
if [ -n "$Table" ]; then
  printf '%-34s %8.2f ms (best %.2f)    < 10 ms    %s\n' "window open, 32 bit, 10240 words" \
    "$(awk -v T="$Table" 'BEGIN { print T * 1000 }')" "$(awk -v T="$TableBest" 'BEGIN { print T * 1000 }')" \
    "$(Met "$Table < 0.010")"
fi
[ ! -e "$Runtime/missed" ]
