#!/usr/bin/env bash
# quorvant-cli encode/decode of a large text-like file against the engine's
# own in-memory throughput, and the program's peak memory.
#
# Targets: time(encode) <= 1.3 * engine encode + read input + write output,
#          the same for decode; peak RSS <= input + output + 64 MiB.
#
# Usage: bench/cli.sh [SIZE_BYTES] [BUILD_DIR]
#   SIZE_BYTES  default 1073741824 (1 GiB)
#   BUILD_DIR   default build/release (configured with the release preset
#               when missing; only the three programs needed are built)
# The work folder is $TMPDIR (default /tmp); every file is removed at the end.
# QV_BENCH_RUNS (default 2): runs of each measurement; the best one counts.
set -euo pipefail
cd "$(dirname "$0")/.."

Size=${1:-1073741824}
Build=${2:-build/release}
Runs=${QV_BENCH_RUNS:-2}
Work=$(mktemp -d "${TMPDIR:-/tmp}/qv-cli-bench.XXXXXX")
trap 'rm -rf "$Work"' EXIT

if [ ! -f "$Build/build.ninja" ]; then
  cmake -S . -B "$Build" -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
ninja -C "$Build" quorvant-cli CliTextGen CliCoderTiming >/dev/null
Cli=$Build/bin/quorvant-cli
[ -x "$Cli" ] || Cli=$(find "$Build" -name quorvant-cli -type f -perm -u+x | head -n1)
Gen=$Build/bench/CliTextGen
Timing=$Build/bench/CliCoderTiming

In=$Work/input.txt
Coded=$Work/input.qv
Back=$Work/back.txt
Copy=$Work/copy

seconds() { # wall seconds of a command, its output discarded
  local T0 T1
  T0=$(date +%s.%N)
  "$@" >/dev/null
  T1=$(date +%s.%N)
  echo "$T1 - $T0" | bc -l
}

# Runs the program under /usr/bin/time; sets Wall (s) and Rss (KiB).
measure() {
  /usr/bin/time -f '%e %M' -o "$Work/time" "$@"
  read -r Wall Rss <"$Work/time"
}

min() { echo "if ($1 < $2) $1 else $2" | bc -l; }
max() { if [ "$1" -gt "$2" ]; then echo "$1"; else echo "$2"; fi; }

echo "quorvant-cli benchmark, $Size bytes of text-like data, best of $Runs runs"
"$Gen" "$Size" >"$In"
sync

# The machine is shared: every figure is the best of Runs runs (peak memory
# the worst), so that another process's burst does not count against one side.
Big=1000000000
EngineEncode=$Big EngineDecode=$Big ReadIn=$Big ReadCoded=$Big WriteCoded=$Big WriteBack=$Big
EncWall=$Big DecWall=$Big EncRss=0 DecRss=0 EngineRss=0
for Run in $(seq "$Runs"); do
  # The engine alone; its load of the input is the time to read the input
  # into memory.
  "$Timing" "$In" >"$Work/engine"
  EngineEncode=$(min "$EngineEncode" "$(awk '/^encode_seconds/ {print $2}' "$Work/engine")")
  EngineDecode=$(min "$EngineDecode" "$(awk '/^decode_seconds/ {print $2}' "$Work/engine")")
  ReadIn=$(min "$ReadIn" "$(awk '/^load_seconds/ {print $2}' "$Work/engine")")
  EngineRss=$(max "$EngineRss" "$(awk '/^peak_rss_kib/ {print $2}' "$Work/engine")")

  rm -f "$Coded" "$Back"
  measure "$Cli" encode "$In" "$Coded"
  EncWall=$(min "$EncWall" "$Wall") EncRss=$(max "$EncRss" "$Rss")
  # Writing a file of the output's size, flushed to disk as quorvant-cli does.
  WriteCoded=$(min "$WriteCoded" "$(seconds dd if="$Coded" of="$Copy" bs=8M conv=fsync status=none)")
  rm -f "$Copy"

  ReadCoded=$(min "$ReadCoded" "$("$Timing" --load-only "$Coded" | awk '/^load_seconds/ {print $2}')")
  measure "$Cli" decode "$Coded" "$Back"
  DecWall=$(min "$DecWall" "$Wall") DecRss=$(max "$DecRss" "$Rss")
  WriteBack=$(min "$WriteBack" "$(seconds dd if="$Back" of="$Copy" bs=8M conv=fsync status=none)")
  rm -f "$Copy"
done
CodedSize=$(stat -c %s "$Coded")
printf 'engine in memory: encode %.2f s, decode %.2f s, peak RSS %d MiB\n' \
  "$EngineEncode" "$EngineDecode" $((EngineRss / 1024))
cmp -s "$In" "$Back" && Same=yes || Same=NO

report() { # name wall engine read write rss in out
  local Budget MemBudget
  Budget=$(echo "1.3 * $3 + $4 + $5" | bc -l)
  MemBudget=$(( ($7 + $8) / 1024 + 65536 ))
  printf '%s: %.2f s (engine %.2f s, read %.2f s, write %.2f s; budget %.2f s) %s\n' \
    "$1" "$2" "$3" "$4" "$5" "$Budget" "$(echo "$2 <= $Budget" | bc -l | sed 's/1/ok/;s/0/OVER/')"
  printf '%s: %.1f MB/s through the program, %.1f MB/s in the engine (of the %d data bytes)\n' \
    "$1" "$(echo "$Size / $2 / 1000000" | bc -l)" "$(echo "$Size / $3 / 1000000" | bc -l)" "$Size"
  printf '%s: peak RSS %d MiB (budget %d MiB) %s\n' "$1" $(( $6 / 1024 )) $(( MemBudget / 1024 )) \
    "$([ "$6" -le "$MemBudget" ] && echo ok || echo OVER)"
}

echo "coded size: $CodedSize bytes ($(echo "100 * $CodedSize / $Size" | bc -l | cut -c1-5) %)"
report encode "$EncWall" "$EngineEncode" "$ReadIn" "$WriteCoded" "$EncRss" "$Size" "$CodedSize"
report decode "$DecWall" "$EngineDecode" "$ReadCoded" "$WriteBack" "$DecRss" "$CodedSize" "$Size"
echo "decoded equals input: $Same"
