// Throughput of the engine's data-sized work on 64 MiB inputs, one thread:
// CountFrequencies, Encode (the whole driver) and Decode (the whole driver
// from the coded form), on English-like text and on skewed random bytes.
//
// With "--peak <encode|decode> <text|skewed>" the program instead runs one
// Encode or Decode and prints its peak memory beyond input and output: the
// peak resident set (VmHWM, reset through /proc/self/clear_refs just before
// the call; getrusage's maxrss when that is not possible) minus the resident
// set before the call (which holds the input) minus the output's size.
#include "Compress.h"

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr size_t InputSize = size_t{64} << 20;

// Words with Zipf-like frequencies, capitals, punctuation and line breaks.
std::vector<uint8_t> EnglishLikeText(size_t Size) {
  static const char* const Words[] = {
      "the", "of", "and", "to", "a", "in", "is", "it", "that", "was", "for", "on", "are", "with",
      "as", "his", "they", "be", "at", "one", "have", "this", "from", "or", "had", "by", "word",
      "but", "what", "some", "we", "can", "out", "other", "were", "all", "there", "when", "up",
      "use", "your", "how", "said", "an", "each", "she", "which", "do", "their", "time", "if",
      "will", "way", "about", "many", "then", "them", "write", "would", "like", "so", "these",
      "her", "long", "make", "thing", "see", "him", "two", "has", "look", "more", "day", "could",
      "go", "come", "did", "number", "sound", "no", "most", "people", "my", "over", "know",
      "water", "than", "call", "first", "who", "may", "down", "side", "been", "now", "find",
      "quickly", "jumping", "zephyr", "vexing", "oxygen", "kilometre", "question", "1998", "42"};
  constexpr size_t Count = sizeof Words / sizeof Words[0];
  std::mt19937 Rng(1234);
  std::vector<double> Weights(Count);
  for (size_t I = 0; I < Count; ++I) Weights[I] = 1.0 / double(I + 1);
  std::discrete_distribution<size_t> Pick(Weights.begin(), Weights.end());
  std::vector<uint8_t> Text;
  Text.reserve(Size + 32);
  bool Capital = true;
  while (Text.size() < Size) {
    std::string W = Words[Pick(Rng)];
    if (Capital) W[0] = char(std::toupper(static_cast<unsigned char>(W[0])));
    Capital = false;
    Text.insert(Text.end(), W.begin(), W.end());
    const unsigned R = Rng() % 100;
    if (R < 6) {
      Text.push_back('.');
      Capital = true;
    } else if (R < 10) {
      Text.push_back(',');
    } else if (R == 10) {
      Text.push_back(';');
    }
    Text.push_back(Rng() % 14 == 0 ? '\n' : ' ');
  }
  Text.resize(Size);
  return Text;
}

// Bytes of a geometric distribution: a few values dominate, all 256 occur.
std::vector<uint8_t> SkewedBytes(size_t Size) {
  std::mt19937 Rng(99);
  std::geometric_distribution<int> Skew(0.08);
  std::vector<uint8_t> Bytes(Size);
  for (auto& B : Bytes) B = uint8_t(std::min(Skew(Rng), 255) * 37 % 256);
  return Bytes;
}

const std::vector<uint8_t>& Input(int Kind) {
  static const std::vector<uint8_t> Text = EnglishLikeText(InputSize);
  static const std::vector<uint8_t> Skewed = SkewedBytes(InputSize);
  return Kind == 0 ? Text : Skewed;
}

void Load(TMemoryStream& Stream, const std::vector<uint8_t>& Bytes) {
  Stream.Clear();
  Stream.Write(Bytes.data(), int32_t(Bytes.size()));
  Stream.SetPosition(0);
}

void SetRate(benchmark::State& State, size_t Bytes) {
  State.SetBytesProcessed(int64_t(State.iterations()) * int64_t(Bytes));
}

void BM_CountFrequencies(benchmark::State& State) {
  THuffman Huffman;
  Load(Huffman.InStream(), Input(int(State.range(0))));
  for (auto _ : State) benchmark::DoNotOptimize(Huffman.CountFrequencies());
  SetRate(State, InputSize);
}

void BM_Encode(benchmark::State& State) {
  THuffman Huffman;
  Load(Huffman.InStream(), Input(int(State.range(0))));
  for (auto _ : State) benchmark::DoNotOptimize(Huffman.Encode());
  SetRate(State, InputSize);
}

void BM_Decode(benchmark::State& State) {
  THuffman Huffman;
  Load(Huffman.InStream(), Input(int(State.range(0))));
  Huffman.Encode();
  Huffman.SwapStreams();
  for (auto _ : State) benchmark::DoNotOptimize(Huffman.Decode());
  if (Huffman.OutStream().Size() != int64_t(InputSize)) State.SkipWithError("decode mismatch");
  SetRate(State, InputSize);
}

BENCHMARK(BM_CountFrequencies)->Arg(0)->Arg(1)->ArgName("skewed")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->Arg(0)->Arg(1)->ArgName("skewed")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->Arg(0)->Arg(1)->ArgName("skewed")->Unit(benchmark::kMillisecond);

// Resident set and its high-water mark from /proc/self/status, in KiB.
long StatusKiB(const char* Field) {
  std::ifstream Status("/proc/self/status");
  std::string Line;
  while (std::getline(Status, Line))
    if (Line.rfind(Field, 0) == 0) return std::atol(Line.c_str() + std::strlen(Field));
  return -1;
}

bool ResetPeak() {
  std::FILE* F = std::fopen("/proc/self/clear_refs", "w");
  if (F == nullptr) return false;
  const bool Ok = std::fputs("5", F) >= 0;
  return std::fclose(F) == 0 && Ok;
}

int RunPeak(const std::string& Operation, const std::string& Kind) {
  const int KindIndex = Kind == "skewed" ? 1 : 0;
  THuffman Huffman;
  {
    const std::vector<uint8_t>& Bytes = Input(KindIndex);
    Load(Huffman.InStream(), Bytes);
    if (Operation == "decode") {
      Huffman.Encode();
      Huffman.SwapStreams();
      Huffman.OutStream().Clear();
    }
  }
  // The generator's copies are static; only the engine's streams and the
  // work of the call should change the resident set from here on.
  const bool Reset = ResetPeak();
  struct rusage Before {};
  getrusage(RUSAGE_SELF, &Before);
  const long RssBefore = StatusKiB("VmRSS:");
  if (Operation == "decode")
    Huffman.Decode();
  else
    Huffman.Encode();
  struct rusage After {};
  getrusage(RUSAGE_SELF, &After);
  const long Peak = Reset ? StatusKiB("VmHWM:") : After.ru_maxrss;
  const long InKiB = long(Huffman.InStream().Size() / 1024);
  const long OutKiB = long(Huffman.OutStream().Size() / 1024);
  const long Extra = Peak - RssBefore - OutKiB;
  std::printf("peak %s %s: input %ld KiB, output %ld KiB, peak beyond input+output %ld KiB "
              "(%s)\n",
              Operation.c_str(), Kind.c_str(), InKiB, OutKiB, Extra,
              Reset ? "VmHWM reset before the call" : "maxrss");
  return Extra <= 1024 ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 4 && std::string(argv[1]) == "--peak") return RunPeak(argv[2], argv[3]);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
