// Throughput of the engine's data-sized work on 32 MiB inputs, one thread:
// CountFrequencies, Encode (the whole driver) and Decode (the whole driver
// from the coded form), on English-like text and on skewed random bytes.
// When libzstd.a was found (QV_HAVE_HUFF0), huff0 codes and decodes the same
// inputs in the same run, block by block as it must (Huff0Compress: count,
// build and code every block afresh; Huff0Decompress: read each block's table
// and decode it with the two-symbol decoder).
//
// With "--peak <encode|decode> <text|skewed>" the program instead runs one
// Encode or Decode and prints its peak memory beyond input and output: the
// peak resident set (VmHWM, reset through /proc/self/clear_refs just before
// the call; getrusage's maxrss when that is not possible) minus the resident
// set before the call (which holds the input) minus the output's size.
#include "Compress.h"
#ifdef QV_HAVE_HUFF0
#include "Huff0.h"
#endif

#include <benchmark/benchmark.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

// Below the size from which CountFrequencies counts on every core: the
// figures are those of one thread.
constexpr size_t InputSize = size_t{32} << 20;

// Words with Zipf-like frequencies, capitals, punctuation and line breaks.
std::vector<uint8_t> EnglishLikeText(size_t Size) {
  static const char* const Words[] = {
      "the",     "of",      "and",    "to",     "a",      "in",        "is",       "it",
      "that",    "was",     "for",    "on",     "are",    "with",      "as",       "his",
      "they",    "be",      "at",     "one",    "have",   "this",      "from",     "or",
      "had",     "by",      "word",   "but",    "what",   "some",      "we",       "can",
      "out",     "other",   "were",   "all",    "there",  "when",      "up",       "use",
      "your",    "how",     "said",   "an",     "each",   "she",       "which",    "do",
      "their",   "time",    "if",     "will",   "way",    "about",     "many",     "then",
      "them",    "write",   "would",  "like",   "so",     "these",     "her",      "long",
      "make",    "thing",   "see",    "him",    "two",    "has",       "look",     "more",
      "day",     "could",   "go",     "come",   "did",    "number",    "sound",    "no",
      "most",    "people",  "my",     "over",   "know",   "water",     "than",     "call",
      "first",   "who",     "may",    "down",   "side",   "been",      "now",      "find",
      "quickly", "jumping", "zephyr", "vexing", "oxygen", "kilometre", "question", "1998",
      "42"};
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

// CountFrequencies from the size on which it counts on every core: 128 MiB
// (the text input four times), wall time, since the work is shared.
void BM_CountFrequenciesParallel(benchmark::State& State) {
  THuffman Huffman;
  const std::vector<uint8_t>& Text = Input(0);
  for (int Copy = 0; Copy < 4; ++Copy) Huffman.InStream().Write(Text.data(), int32_t(Text.size()));
  for (auto _ : State) benchmark::DoNotOptimize(Huffman.CountFrequencies());
  SetRate(State, 4 * InputSize);
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

#ifdef QV_HAVE_HUFF0
int Huff0Flags() { return __builtin_cpu_supports("bmi2") ? Huff0::FlagBmi2 : 0; }

// One input coded by huff0: the blocks' coded bytes back to back, and per
// block its coded size (0: stored raw, as huff0 refuses it).
struct THuff0Coded {
  std::vector<uint8_t> Bytes;
  std::vector<size_t> Sizes;
};

// Codes Input block by block with a fresh table each; false on an error.
bool Huff0Compress(const std::vector<uint8_t>& Input, THuff0Coded& Coded) {
  alignas(8) static uint64_t Work[8192];
  size_t Table[260];
  Coded.Bytes.resize(Input.size() + Input.size() / 16 + 4096);
  Coded.Sizes.clear();
  size_t Used = 0;
  for (size_t At = 0; At < Input.size(); At += Huff0::BlockSize) {
    const size_t Block = std::min(Huff0::BlockSize, Input.size() - At);
    int Repeat = 0;
    const size_t Size = HUF_compress1X_repeat(Coded.Bytes.data() + Used, Coded.Bytes.size() - Used,
                                              Input.data() + At, Block, 255, 11, Work, sizeof Work,
                                              Table, &Repeat, Huff0Flags());
    if (HUF_isError(Size) || Size == 1) return false;  // 1: a single-value block
    if (Size == 0) std::memcpy(Coded.Bytes.data() + Used, Input.data() + At, Block);
    Used += Size == 0 ? Block : Size;
    Coded.Sizes.push_back(Size);
  }
  return true;
}

bool Huff0Decompress(const THuff0Coded& Coded, std::vector<uint8_t>& Output) {
  alignas(8) static uint64_t Work[8192];
  static uint32_t DTable[1 + (1 << Huff0::TableLogMax)];
  size_t From = 0;
  size_t At = 0;
  for (const size_t Size : Coded.Sizes) {
    const size_t Block = std::min(Huff0::BlockSize, Output.size() - At);
    if (Size == 0) {
      std::memcpy(Output.data() + At, Coded.Bytes.data() + From, Block);
    } else {
      DTable[0] = Huff0::TableLogMax * 0x01000001u;
      const size_t Got =
          HUF_decompress1X2_DCtx_wksp(DTable, Output.data() + At, Block, Coded.Bytes.data() + From,
                                      Size, Work, sizeof Work, Huff0Flags());
      if (HUF_isError(Got) || Got != Block) return false;
    }
    From += Size == 0 ? Block : Size;
    At += Block;
  }
  return true;
}

void BM_Huff0Compress(benchmark::State& State) {
  const std::vector<uint8_t>& In = Input(int(State.range(0)));
  THuff0Coded Coded;
  for (auto _ : State)
    if (!Huff0Compress(In, Coded)) State.SkipWithError("huff0 compress failed");
  SetRate(State, InputSize);
}

void BM_Huff0Decompress(benchmark::State& State) {
  const std::vector<uint8_t>& In = Input(int(State.range(0)));
  THuff0Coded Coded;
  if (!Huff0Compress(In, Coded)) State.SkipWithError("huff0 compress failed");
  std::vector<uint8_t> Out(In.size());
  for (auto _ : State)
    if (!Huff0Decompress(Coded, Out)) State.SkipWithError("huff0 decompress failed");
  if (Out != In) State.SkipWithError("huff0 round trip mismatch");
  SetRate(State, InputSize);
}
#endif

BENCHMARK(BM_CountFrequencies)->Arg(0)->Arg(1)->ArgName("skewed")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CountFrequenciesParallel)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Encode)->Arg(0)->Arg(1)->ArgName("skewed")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode)->Arg(0)->Arg(1)->ArgName("skewed")->Unit(benchmark::kMillisecond);
#ifdef QV_HAVE_HUFF0
BENCHMARK(BM_Huff0Compress)->Arg(0)->Arg(1)->ArgName("skewed")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Huff0Decompress)->Arg(0)->Arg(1)->ArgName("skewed")->Unit(benchmark::kMillisecond);
#endif

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
  std::printf(
      "peak %s %s: input %ld KiB, output %ld KiB, peak beyond input+output %ld KiB "
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
