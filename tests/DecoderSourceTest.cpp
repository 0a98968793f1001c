// The generated C decoder, compiled with gcc and clang in several ways, held
// to the engine's Decode on round trips and on damaged and hand-made
// streams: the same verdict, the same bytes, and the capacity respected.
// Each variant is one run of a small C driver over one batch of streams.
#include "Compress.h"
#include "DecoderSource.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<uint8_t>;

// Reads batch records (u32 input size, u32 capacity, input bytes) and
// writes, per record, i32 result, u32 output size, the output bytes.
// Input and output get blocks of exactly their size, so that a sanitizer
// sees any access beyond them.
constexpr const char* SDriver = R"(#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <stdint.h>
int qv_decode(const uint8_t *in, size_t in_size, uint8_t *out, size_t out_capacity,
              size_t *out_size);
static uint32_t get32(FILE *f) {
  unsigned char b[4];
  if (fread(b, 1, 4, f) != 4) return 0xFFFFFFFFu;
  return (uint32_t)b[0] | (uint32_t)b[1] << 8 | (uint32_t)b[2] << 16 | (uint32_t)b[3] << 24;
}
static void put32(FILE *f, uint32_t v) {
  unsigned char b[4];
  b[0] = (unsigned char)v; b[1] = (unsigned char)(v >> 8);
  b[2] = (unsigned char)(v >> 16); b[3] = (unsigned char)(v >> 24);
  fwrite(b, 1, 4, f);
}
int main(int argc, char **argv) {
  FILE *in, *out;
  uint32_t size;
  if (argc != 3) return 2;
  in = fopen(argv[1], "rb");
  out = fopen(argv[2], "wb");
  if (in == NULL || out == NULL) return 2;
  while ((size = get32(in)) != 0xFFFFFFFFu) {
    uint32_t capacity = get32(in);
    uint8_t *data = (uint8_t *)malloc(size ? size : 1);
    uint8_t *result = (uint8_t *)malloc(capacity ? capacity : 1);
    size_t written = 12345;
    int rc;
    if (data == NULL || result == NULL || fread(data, 1, size, in) != size) return 2;
    rc = qv_decode(size ? data : NULL, size, capacity ? result : NULL, capacity, &written);
    put32(out, (uint32_t)rc);
    put32(out, (uint32_t)written);
    if (written <= capacity) fwrite(result, 1, written, out);
    free(data);
    free(result);
  }
  return fclose(out) == 0 ? 0 : 2;
}
)";

struct TCase {
  TBytes Stream;
  uint32_t Capacity;
};

// What the engine makes of a stream: 0, -1 or -2 and the bytes decoded
// (before the error, for -2).
struct TVerdict {
  int32_t Result;
  TBytes Output;
};

TVerdict EngineDecode(const TBytes& Stream) {
  THuffman H;
  if (!Stream.empty()) H.InStream().Write(Stream.data(), static_cast<int32_t>(Stream.size()));
  int32_t Result = 0;
  try {
    H.Decode();
  } catch (const Exception& E) {
    Result = std::string(E.what()) == "Data error .  Not Huffman encoded data ." ? -1 : -2;
    EXPECT_TRUE(Result == -1 || std::string(E.what()) == "Data error .  Can not decode .")
        << E.what();
  }
  const auto* P = static_cast<const uint8_t*>(H.OutStream().Memory());
  return TVerdict{Result, TBytes(P, P + H.OutStream().Size())};
}

// splitmix64: the same inputs on every run.
class TRandom {
public:
  explicit TRandom(uint64_t Seed) : FState(Seed) {}
  uint64_t Next() {
    uint64_t Z = (FState += 0x9E3779B97F4A7C15ull);
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ull;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBull;
    return Z ^ (Z >> 31);
  }
  uint32_t Below(uint32_t Limit) { return static_cast<uint32_t>(Next() % Limit); }

private:
  uint64_t FState;
};

// Data of a few shapes: text-like, skewed, uniform, long-tailed.
TBytes SampleData(TRandom& R, size_t Size, int Shape) {
  TBytes Data(Size);
  for (size_t I = 0; I < Size; ++I) {
    switch (Shape) {
      case 0: Data[I] = static_cast<uint8_t>("etaoin shrdlu\n"[R.Below(14)]); break;
      case 1: Data[I] = static_cast<uint8_t>(__builtin_ctzll(R.Next() | (1ull << 40))); break;
      case 2: Data[I] = static_cast<uint8_t>(R.Next()); break;
      default: {
        // Fibonacci-like weights give codes of the full 16 bits.
        uint32_t V = 0;
        while (V < 22 && R.Below(8) < 5) ++V;
        Data[I] = static_cast<uint8_t>(V * 11);
      }
    }
  }
  return Data;
}

// The coded form of Data with codes of at most MaxBits, or Encode's choice.
TBytes EngineEncode(const TBytes& Data, int32_t MaxBits, bool ForceCoded) {
  THuffman H;
  H.SetMaxBitLength(MaxBits);
  if (!Data.empty()) H.InStream().Write(Data.data(), static_cast<int32_t>(Data.size()));
  if (ForceCoded && !Data.empty()) {
    H.CountFrequencies();
    H.BuildTree();
    H.AssignCodes();
    H.EncodeData();
  } else {
    H.Encode();
  }
  const auto* P = static_cast<const uint8_t*>(H.OutStream().Memory());
  return TBytes(P, P + H.OutStream().Size());
}

// A coded form written field by field from random values: N entries, W
// bits per count (often large enough for counts that overflow 16 bits or
// wrap), a random payload; its size always agrees with its header.
TBytes CraftedStream(TRandom& R) {
  const uint32_t N = 1 + R.Below(R.Below(2) ? 8 : 256);
  const uint32_t W = R.Below(32);
  const uint32_t PayloadBits = R.Below(300);
  TBytes S;
  std::vector<bool> Bits;
  const auto Put = [&Bits](uint64_t V, uint32_t Count) {
    for (uint32_t K = 0; K < Count; ++K) Bits.push_back(((V >> K) & 1) != 0);
  };
  Put((PayloadBits / 8) * 4 + 1 + 2 * R.Below(2), 32);
  Put(PayloadBits % 8, 3);
  Put(W, 5);
  Put(N & 0xFF, 8);
  for (uint32_t K = 0; K < N; ++K) Put(R.Below(256), 8);
  for (int L = 1; L <= 16; ++L) {
    // Small counts most of the time, anything W bits hold otherwise.
    const uint64_t Count = R.Below(3) ? R.Below(4) : R.Next();
    Put(W == 0 ? 0 : Count & ((uint64_t{1} << W) - 1), W);
  }
  for (uint32_t K = 0; K < PayloadBits; ++K) Put(R.Below(4) == 0, 1);
  // Bits past the payload's end in its last byte are junk.
  while (Bits.size() % 8 != 0) Put(R.Below(2), 1);
  S.assign(Bits.size() / 8, 0);
  for (size_t K = 0; K < Bits.size(); ++K)
    if (Bits[K]) S[K / 8] = static_cast<uint8_t>(S[K / 8] | (1u << (K % 8)));
  return S;
}

std::vector<TCase> Cases() {
  std::vector<TCase> Cases;
  TRandom R(20261209);
  const auto AddCapacities = [&Cases](const TBytes& Stream) {
    const TVerdict V = EngineDecode(Stream);
    const uint32_t Size = static_cast<uint32_t>(V.Output.size());
    for (uint32_t Capacity : {Size + 100, Size, Size > 0 ? Size - 1 : 0u, Size / 2, 0u})
      Cases.push_back(TCase{Stream, Capacity});
  };
  // Round trips: the worked examples, each shape at sizes around the fast
  // loop's edges, code limits below 16.
  const std::string Abra = "abracadabra";
  AddCapacities(EngineEncode(TBytes(Abra.begin(), Abra.end()), 16, true));
  AddCapacities(EngineEncode(TBytes(1000, 0x41), 16, false));
  AddCapacities(EngineEncode(TBytes(), 16, false));
  for (int Shape = 0; Shape < 4; ++Shape)
    for (size_t Size : {1, 7, 9, 40, 300, 5000, 70000})
      for (int32_t MaxBits : {16, 11, 9}) {
        const TBytes Data = SampleData(R, Size, Shape);
        AddCapacities(EngineEncode(Data, MaxBits, true));
        if (MaxBits == 16) AddCapacities(EngineEncode(Data, 16, false));
      }
  // Damaged coded streams: flipped bits anywhere, one byte more or less.
  for (int K = 0; K < 300; ++K) {
    TBytes S = EngineEncode(SampleData(R, 1 + R.Below(400), static_cast<int>(R.Below(4))),
                            16, true);
    switch (R.Below(4)) {
      case 0: S.push_back(static_cast<uint8_t>(R.Next())); break;
      case 1: S.pop_back(); break;
      default:
        for (uint32_t Flips = 1 + R.Below(3); Flips > 0; --Flips)
          S[R.Below(static_cast<uint32_t>(S.size()))] ^= static_cast<uint8_t>(1u << R.Below(8));
    }
    AddCapacities(S);
  }
  for (int K = 0; K < 400; ++K) AddCapacities(CraftedStream(R));
  // Short and stored streams.
  for (const TBytes& S : {TBytes{}, TBytes{0}, TBytes{1, 0, 0}, TBytes{1, 0, 0, 0},
                          TBytes{1, 0, 0, 0, 0}, TBytes{1, 0, 0, 0, 0, 0}, TBytes{0, 0, 0, 0},
                          TBytes{8, 0, 0, 0, 'a', 'b'}, TBytes{4, 0, 0, 0, 'a'},
                          TBytes{4, 0, 0, 0, 'a', 'b'}})
    AddCapacities(S);
  return Cases;
}

void Put32(std::string& Text, uint32_t V) {
  for (int K = 0; K < 4; ++K) Text += static_cast<char>((V >> (8 * K)) & 0xFF);
}

uint32_t Get32(const std::string& Text, size_t& At) {
  uint32_t V = 0;
  for (int K = 0; K < 4; ++K)
    V |= static_cast<uint32_t>(static_cast<uint8_t>(Text.at(At++))) << (8 * K);
  return V;
}

std::string ReadWhole(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

void WriteWhole(const fs::path& Path, const std::string& Text) {
  std::ofstream Out(Path, std::ios::binary);
  Out << Text;
  Out.close();
  ASSERT_TRUE(Out.good()) << Path;
}

struct TVariant {
  const char* Name;
  const char* Compiler;  // a compile definition naming the program, or empty
  const char* Flags;
};

class GeneratedDecoder : public ::testing::TestWithParam<TVariant> {
protected:
  void SetUp() override {
    const char* Base = std::getenv("TMPDIR");
    std::string Pattern = std::string(Base != nullptr && *Base ? Base : "/tmp") + "/qvdec-XXXXXX";
    ASSERT_NE(::mkdtemp(Pattern.data()), nullptr);
    FDir = Pattern;
  }
  void TearDown() override {
    std::error_code Ignored;
    fs::remove_all(FDir, Ignored);
  }
  fs::path FDir;
};

TEST_P(GeneratedDecoder, CompilesCleanlyAndAgreesWithTheEngine) {
  const TVariant& V = GetParam();
  if (std::string(V.Compiler).empty()) GTEST_SKIP() << V.Name << ": compiler not found";
  WriteWhole(FDir / "qv_decode.c", DecoderSource("1.0"));
  WriteWhole(FDir / "driver.c", SDriver);
  // Warnings are errors for the decoder itself; the driver only needs to build.
  const std::string Dir = FDir.string();
  const std::string Compile =
      std::string(V.Compiler) + " -std=c99 -Wall -Wextra -pedantic -Werror " + V.Flags + " -c " +
      Dir + "/qv_decode.c -o " + Dir + "/qv_decode.o > " + Dir + "/cc.log 2>&1 && " + V.Compiler +
      " -std=c99 " + V.Flags + " " + Dir + "/driver.c " + Dir + "/qv_decode.o -o " + Dir +
      "/driver >> " + Dir + "/cc.log 2>&1";
  ASSERT_EQ(std::system(Compile.c_str()), 0) << ReadWhole(FDir / "cc.log");

  const std::vector<TCase> All = Cases();
  std::string Batch;
  for (const TCase& C : All) {
    Put32(Batch, static_cast<uint32_t>(C.Stream.size()));
    Put32(Batch, C.Capacity);
    Batch.append(C.Stream.begin(), C.Stream.end());
  }
  WriteWhole(FDir / "batch.in", Batch);
  const std::string Run = "ASAN_OPTIONS=detect_leaks=0 " + Dir + "/driver " + Dir + "/batch.in " +
                          Dir + "/batch.out > " + Dir + "/run.log 2>&1";
  ASSERT_EQ(std::system(Run.c_str()), 0) << ReadWhole(FDir / "run.log");

  const std::string Results = ReadWhole(FDir / "batch.out");
  size_t At = 0;
  int Seen[4] = {};
  for (size_t I = 0; I < All.size(); ++I) {
    const TCase& C = All[I];
    const int32_t Result = static_cast<int32_t>(Get32(Results, At));
    const uint32_t Written = Get32(Results, At);
    ASSERT_LE(Written, C.Capacity) << "case " << I;
    const TBytes Output(Results.begin() + static_cast<std::ptrdiff_t>(At),
                        Results.begin() + static_cast<std::ptrdiff_t>(At + Written));
    At += Written;
    // The engine's verdict with the capacity applied: output beyond it
    // (before any undecodable code) is -3 with the first bytes written.
    const TVerdict E = EngineDecode(C.Stream);
    int32_t Expected = E.Result;
    TBytes ExpectedOutput = E.Output;
    if (E.Result != -1 && E.Output.size() > C.Capacity) {
      Expected = -3;
      ExpectedOutput.resize(C.Capacity);
    }
    ASSERT_EQ(Result, Expected) << "case " << I << ", " << C.Stream.size() << " bytes";
    ASSERT_EQ(Output, ExpectedOutput) << "case " << I;
    ++Seen[-Expected];
  }
  EXPECT_EQ(At, Results.size());
  // Every verdict occurs, so none of the comparisons above was vacuous.
  for (int K = 0; K < 4; ++K) EXPECT_GT(Seen[K], 20) << "verdict " << -K;
}

INSTANTIATE_TEST_SUITE_P(
    Variants, GeneratedDecoder,
    ::testing::Values(TVariant{"GccO0", QV_TEST_GCC, "-O0"}, TVariant{"GccO2", QV_TEST_GCC, "-O2"},
                      TVariant{"ClangO0", QV_TEST_CLANG, "-O0"},
                      TVariant{"ClangO2", QV_TEST_CLANG, "-O2"},
                      TVariant{"ClangO2SmallTable", QV_TEST_CLANG, "-O2 -DQV_FAST_BITS=8"},
                      TVariant{"GccO2Sanitized", QV_TEST_GCC,
                               "-O2 -fsanitize=address,undefined -fno-sanitize-recover=all"}),
    [](const ::testing::TestParamInfo<TVariant>& Info) { return std::string(Info.param.Name); });

TEST(DecoderSourceText, NamesItsVersionAndTheThreeResultCodes) {
  const std::string Text = DecoderSource("2.5 */ x");
  EXPECT_NE(Text.find("quorvant-cli 2.5 * / x"), std::string::npos);
  for (const char* Line : {"#define QV_NOT_HUFFMAN_DATA (-1)", "#define QV_CANNOT_DECODE (-2)",
                           "#define QV_OUTPUT_TOO_SMALL (-3)"})
    EXPECT_NE(Text.find(Line), std::string::npos) << Line;
  // Nothing beyond the three headers the file promises.
  size_t Includes = 0;
  for (size_t P = Text.find("#include"); P != std::string::npos; P = Text.find("#include", P + 1))
    ++Includes;
  EXPECT_EQ(Includes, 3u);
}

}  // namespace
