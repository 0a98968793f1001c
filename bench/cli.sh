#!/usr/bin/env bash
# quorvant-cli encode/decode of a large text-like file against the engine's
# own in-memory throughput, and the program's peak memory.
#
# Targets: time(encode) <= 1.3 * engine encode + read input + write output,
#          the same for decode; peak RSS <= input + output + 64 MiB.
# Times are given twice: wall clock (the target) and processor time (user +
# system), which other processes on a shared machine do not inflate.
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

calc() { echo "$1" | bc -l; }
min() { calc "if ($1 < $2) $1 else $2"; }
max() { if [ "$1" -gt "$2" ]; then echo "$1"; else echo "$2"; fi; }
field() { awk -v K="$1" '$1 == K {print $2}' "$2"; }

# Runs a command under /usr/bin/time; sets Wall and Cpu (s) and Rss (KiB).
measure() {
  /usr/bin/time -f '%e %U %S %M' -o "$Work/time" "$@" >/dev/null
  read -r Wall User Sys Rss <"$Work/time"
  Cpu=$(calc "$User + $Sys")
}

echo "quorvant-cli benchmark, $Size bytes of text-like data, best of $Runs runs"
"$Gen" "$Size" >"$In"
sync

Big=1000000000
for V in EngEnc EngEncCpu EngDec EngDecCpu ReadIn ReadInCpu ReadCoded ReadCodedCpu \
         WriteCoded WriteCodedCpu WriteBack WriteBackCpu EncWall EncCpu DecWall DecCpu; do
  printf -v "$V" %s "$Big"
done
EncRss=0 DecRss=0 EngineRss=0
for Run in $(seq "$Runs"); do
  # The engine alone; its load of the input is the time to read the input
  # into memory.
  "$Timing" "$In" >"$Work/engine"
  E=$Work/engine
  EngEnc=$(min "$EngEnc" "$(field encode_seconds "$E")")
  EngEncCpu=$(min "$EngEncCpu" "$(field encode_cpu_seconds "$E")")
  EngDec=$(min "$EngDec" "$(field decode_seconds "$E")")
  EngDecCpu=$(min "$EngDecCpu" "$(field decode_cpu_seconds "$E")")
  ReadIn=$(min "$ReadIn" "$(field load_seconds "$E")")
  ReadInCpu=$(min "$ReadInCpu" "$(field load_cpu_seconds "$E")")
  EngineRss=$(max "$EngineRss" "$(field peak_rss_kib "$E")")

  rm -f "$Coded" "$Back"
  measure "$Cli" encode "$In" "$Coded"
  EncWall=$(min "$EncWall" "$Wall") EncCpu=$(min "$EncCpu" "$Cpu") EncRss=$(max "$EncRss" "$Rss")
  # Writing a file of the output's size, flushed to disk as quorvant-cli does.
  measure dd if="$Coded" of="$Copy" bs=8M conv=fsync status=none
  WriteCoded=$(min "$WriteCoded" "$Wall") WriteCodedCpu=$(min "$WriteCodedCpu" "$Cpu")
  rm -f "$Copy"

  "$Timing" --load-only "$Coded" >"$Work/load"
  ReadCoded=$(min "$ReadCoded" "$(field load_seconds "$Work/load")")
  ReadCodedCpu=$(min "$ReadCodedCpu" "$(field load_cpu_seconds "$Work/load")")
  measure "$Cli" decode "$Coded" "$Back"
  DecWall=$(min "$DecWall" "$Wall") DecCpu=$(min "$DecCpu" "$Cpu") DecRss=$(max "$DecRss" "$Rss")
  measure dd if="$Back" of="$Copy" bs=8M conv=fsync status=none
  WriteBack=$(min "$WriteBack" "$Wall") WriteBackCpu=$(min "$WriteBackCpu" "$Cpu")
  rm -f "$Copy"
done
cmp -s "$In" "$Back" && Same=yes || Same=NO
CodedSize=$(stat -c %s "$Coded")

verdict() { [ "$(calc "$1 <= $2")" = 1 ] && echo ok || echo OVER; }

report() { # name wall cpu engine engine-cpu read read-cpu write write-cpu rss in out
  local Budget CpuBudget MemBudget
  Budget=$(calc "1.3 * $4 + $6 + $8")
  CpuBudget=$(calc "1.3 * $5 + $7 + $9")
  MemBudget=$(( (${11} + ${12}) / 1024 + 65536 ))
  printf '%s: wall %.2f s (engine %.2f s, read %.2f s, write %.2f s; budget %.2f s) %s\n' \
    "$1" "$2" "$4" "$6" "$8" "$Budget" "$(verdict "$2" "$Budget")"
  printf '%s: cpu  %.2f s (engine %.2f s, read %.2f s, write %.2f s; budget %.2f s) %s\n' \
    "$1" "$3" "$5" "$7" "$9" "$CpuBudget" "$(verdict "$3" "$CpuBudget")"
  printf '%s: %.1f MB/s through the program, %.1f MB/s in the engine (wall, %d data bytes)\n' \
    "$1" "$(calc "$Size / $2 / 1000000")" "$(calc "$Size / $4 / 1000000")" "$Size"
  printf '%s: peak RSS %d MiB (budget %d MiB) %s\n' "$1" $(( ${10} / 1024 )) $(( MemBudget / 1024 )) \
    "$([ "${10}" -le "$MemBudget" ] && echo ok || echo OVER)"
}

printf 'engine in memory: encode %.2f s (cpu %.2f s), decode %.2f s (cpu %.2f s), peak RSS %d MiB\n' \
  "$EngEnc" "$EngEncCpu" "$EngDec" "$EngDecCpu" $((EngineRss / 1024))
echo "coded size: $CodedSize bytes ($(calc "100 * $CodedSize / $Size" | cut -c1-5) %)"
report encode "$EncWall" "$EncCpu" "$EngEnc" "$EngEncCpu" "$ReadIn" "$ReadInCpu" \
  "$WriteCoded" "$WriteCodedCpu" "$EncRss" "$Size" "$CodedSize"
report decode "$DecWall" "$DecCpu" "$EngDec" "$EngDecCpu" "$ReadCoded" "$ReadCodedCpu" \
  "$WriteBack" "$WriteBackCpu" "$DecRss" "$CodedSize" "$Size"
echo "decoded equals input: $Same"
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg) on $(nproc) cores"
