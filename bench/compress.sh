#!/usr/bin/env bash
# Throughput and peak memory of the Huffman engine on 32 MiB inputs
# (English-like text and skewed random bytes), one thread, and the engine
# against huff0 (libzstd's single-stream coder) on the same inputs in the same
# run, when the static libzstd was found at configure time.
#
# CountFrequencies also runs on 128 MiB of text, where it counts on every
# core (wall time; compare with the one-thread figure above it).
#
# Targets: CountFrequencies >= 3000 MB/s, Encode >= 1000 MB/s,
#          Decode >= 650 MB/s; Encode >= 1.5 x huff0's compress and
#          Decode >= 1.2 x huff0's decompress (medians of the same run);
#          peak memory of Encode and Decode at most input + output + 1 MiB.
#
# Usage: bench/compress.sh [REPETITIONS] [BUILD_DIR]
#   REPETITIONS  runs of each benchmark (default 5); the best and the median
#                are printed, since other work on the machine makes single
#                runs noisy
#   BUILD_DIR    default build/engine-release (configured as a Release build
#                of the engine and the benchmarks when missing)
# MB/s are decimal (10^6 bytes) per second of the benchmark thread's CPU time.
set -euo pipefail
cd "$(dirname "$0")/.."

Repetitions=${1:-5}
Build=${2:-build/engine-release}

. bench/engine-build.sh
EngineBuild "$Build" CompressBench
Bench=$Build/bench/CompressBench

Csv=$(mktemp "${TMPDIR:-/tmp}/qv-compress-bench.XXXXXX")
trap 'rm -f "$Csv"' EXIT

echo "Huffman engine, 32 MiB inputs, $Repetitions runs each (CPU time of one thread)"
# Repetitions of all benchmarks run interleaved in random order, so that a
# change of load on the machine falls on the engine and huff0 alike.
"$Bench" --benchmark_repetitions="$Repetitions" --benchmark_format=csv \
  --benchmark_enable_random_interleaving=true \
  --benchmark_report_aggregates_only=false 2>/dev/null >"$Csv"

# Rows: name,iterations,real_time,cpu_time,time_unit,bytes_per_second,...
awk -F, '
  /^"BM_/ && $1 !~ /_(mean|median|stddev|cv)"$/ {
    Name = $1; gsub(/"/, "", Name)
    sub(/^BM_/, "", Name); sub(/\/skewed:0$/, " text", Name); sub(/\/skewed:1$/, " skewed", Name)
    sub(/Parallel\/real_time$/, " 128 MiB, all cores", Name)
    Rate[Name] = Rate[Name] " " $6 / 1e6
  }
  END {
    Target["CountFrequencies"] = 3000; Target["Encode"] = 1000; Target["Decode"] = 650
    Count = split("CountFrequencies text|CountFrequencies skewed|" \
                  "CountFrequencies 128 MiB, all cores|Encode text|Encode skewed|Decode text|" \
                  "Decode skewed|Huff0Compress text|Huff0Compress skewed|Huff0Decompress text|" \
                  "Huff0Decompress skewed", Order, "|")
    printf "%-36s %10s %10s %8s\n", "benchmark", "best MB/s", "median", "target"
    for (I = 1; I <= Count; ++I) {
      Name = Order[I]
      if (!(Name in Rate)) continue
      N = split(Rate[Name], V, " ")
      for (A = 1; A <= N; ++A) for (B = A + 1; B <= N; ++B) if (V[B] < V[A]) { T = V[A]; V[A] = V[B]; V[B] = T }
      Median[Name] = (N % 2) ? V[(N + 1) / 2] : (V[N / 2] + V[N / 2 + 1]) / 2
      Kind = Name; sub(/ .*/, "", Kind)
      printf "%-36s %10.0f %10.0f %8s\n", Name, V[N], Median[Name], (Kind in Target) ? ">= " Target[Kind] : ""
    }
    if (!("Huff0Compress text" in Median)) {
      print "\nhuff0 comparison skipped: libzstd.a was not found when the benchmarks were configured"
      print "(install libzstd-dev, then reconfigure)."
      exit
    }
    printf "\nEngine against huff0, medians of this run:\n"
    printf "%-28s %8s %8s\n", "", "ratio", "target"
    split("text skewed", Kinds, " ")
    for (K = 1; K <= 2; ++K) {
      printf "%-28s %8.2f %8s\n", "Encode / compress " Kinds[K], Median["Encode " Kinds[K]] / Median["Huff0Compress " Kinds[K]], ">= 1.5"
      printf "%-28s %8.2f %8s\n", "Decode / decompress " Kinds[K], Median["Decode " Kinds[K]] / Median["Huff0Decompress " Kinds[K]], ">= 1.2"
    }
  }' "$Csv"

echo
echo "Peak memory of one call beyond its input and output (target <= 1024 KiB):"
Status=0
for Operation in encode decode; do
  for Kind in text skewed; do
    "$Bench" --peak "$Operation" "$Kind" || Status=1
  done
done
exit $Status
