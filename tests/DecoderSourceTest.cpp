// The generated C decoder, compiled with gcc and clang in several ways and
// held to the engine's Decode on round trips, damaged and hand-made streams:
// the same verdict, the same bytes, the capacity respected.  Each variant is
// one run of a small C driver over one batch of streams.
#include "Compress.h"
#include "DecoderSource.h"
#include "DesignedCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using TBytes = std::vector<uint8_t>;

// Per record of the batch (u32 size, u32 capacity, bytes) it writes i32
// result, u32 output size, the output.  Blocks of exactly the sizes given,
// so that the sanitizers see any access beyond them.
constexpr const char* SDriver = R"(#include <stdio.h>
#include <stdlib.h>
#include <stdint.h>
int qv_decode(const uint8_t *, size_t, uint8_t *, size_t, size_t *);
static uint32_t get(FILE *f) {
  uint32_t v;
  return fread(&v, 4, 1, f) ? v : 0xFFFFFFFFu;
}
int main(int argc, char **argv) {
  FILE *in = argc == 3 ? fopen(argv[1], "rb") : NULL, *out = in ? fopen(argv[2], "wb") : NULL;
  uint32_t size, capacity, head[2];
  if (in == NULL || out == NULL) return 2;
  while ((size = get(in)) != 0xFFFFFFFFu) {
    uint8_t *data = malloc(size ? size : 1), *result = malloc((capacity = get(in)) ? capacity : 1);
    size_t written = 12345;
    if (data == NULL || result == NULL || fread(data, 1, size, in) != size) return 2;
    head[0] = (uint32_t)qv_decode(size ? data : NULL, size, capacity ? result : NULL, capacity,
                                  &written);
    head[1] = (uint32_t)written;
    fwrite(head, 4, 2, out);
    if (written <= capacity) fwrite(result, 1, written, out);
    free(data);
    free(result);
  }
  return fclose(out) == 0 ? 0 : 2;
}
)";

// The engine's verdict (0, -1 or -2) and the bytes it decoded (before the
// error, for -2).
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
  }
  const auto* P = static_cast<const uint8_t*>(H.OutStream().Memory());
  return TVerdict{Result, TBytes(P, P + H.OutStream().Size())};
}

// The coded form (or Encode's choice) of Data with codes of at most MaxBits.
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

// Text-like, skewed, uniform, or long-tailed (codes of the full 16 bits).
TBytes SampleData(std::mt19937_64& R, size_t Size, int Shape) {
  TBytes Data(Size);
  for (uint8_t& B : Data) {
    uint32_t V = 0;
    while (Shape == 3 && V < 22 && R() % 8 < 5) ++V;
    B = Shape == 0   ? static_cast<uint8_t>("etaoin shrdlu\n"[R() % 14])
        : Shape == 1 ? static_cast<uint8_t>(__builtin_ctzll(R() | (1ull << 40)))
        : Shape == 2 ? static_cast<uint8_t>(R())
                     : static_cast<uint8_t>(V * 11);
  }
  return Data;
}

// A coded form written field by field from random values whose size agrees
// with its header: counts often oversubscribed or short of N, sometimes as
// large as W (0..31) bits hold; junk after the payload's last bit.
TBytes CraftedStream(std::mt19937_64& R) {
  const uint32_t N = 1 + static_cast<uint32_t>(R() % (R() % 2 ? 8 : 256));
  const uint32_t W = R() % 32, PayloadBits = R() % 300;
  std::vector<bool> Bits;
  const auto Put = [&Bits](uint64_t V, uint32_t Count) {
    for (uint32_t K = 0; K < Count; ++K) Bits.push_back(((V >> K) & 1) != 0);
  };
  Put((PayloadBits / 8) * 4 + 1 + 2 * (R() % 2), 32);
  Put(PayloadBits % 8, 3);
  Put(W, 5);
  Put(N & 0xFF, 8);
  for (uint32_t K = 0; K < N; ++K) Put(R(), 8);
  for (int L = 1; L <= 16; ++L) Put(R() % 3 ? R() % 4 : R(), W);
  for (uint32_t K = 0; K < PayloadBits; ++K) Put(R() % 4 == 0, 1);
  while (Bits.size() % 8 != 0) Put(R(), 1);
  TBytes S(Bits.size() / 8, 0);
  for (size_t K = 0; K < Bits.size(); ++K)
    S[K / 8] = static_cast<uint8_t>(S[K / 8] | Bits[K] << K % 8);
  return S;
}

// Every stream with the capacities around its decoded size.
std::vector<std::pair<TBytes, uint32_t>> Cases() {
  std::vector<std::pair<TBytes, uint32_t>> Cases;
  std::mt19937_64 R(20261209);
  const auto Add = [&Cases](const TBytes& Stream) {
    const uint32_t Size = static_cast<uint32_t>(EngineDecode(Stream).Output.size());
    for (uint32_t Capacity : {Size + 100, Size, Size > 0 ? Size - 1 : 0u, Size / 2, 0u})
      Cases.emplace_back(Stream, Capacity);
  };
  const std::string Abra = "abracadabra";
  Add(EngineEncode(TBytes(Abra.begin(), Abra.end()), 16, true));
  Add(EngineEncode(TBytes(1000, 0x41), 16, false));
  // Round trips, also with codes limited below 16 bits.
  for (int Shape = 0; Shape < 4; ++Shape)
    for (size_t Size : {1, 7, 9, 40, 300, 5000, 70000})
      for (int32_t MaxBits : {16, 11, 8}) {
        const TBytes Data = SampleData(R, Size, Shape);
        const TBytes Stream = EngineEncode(Data, MaxBits, MaxBits != 8);
        EXPECT_EQ(EngineDecode(Stream).Output, Data) << Shape << " " << Size << " " << MaxBits;
        Add(Stream);
      }
  // Damaged coded streams: a byte more or less, or flipped bits anywhere.
  for (int K = 0; K < 300; ++K) {
    TBytes S = EngineEncode(SampleData(R, 1 + R() % 400, static_cast<int>(R() % 4)), 16, true);
    if (K % 4 == 0) S.push_back(static_cast<uint8_t>(R()));
    if (K % 4 == 1) S.pop_back();
    for (int Flips = K % 4 < 2 ? 0 : 1 + K % 3; Flips > 0; --Flips)
      S[R() % S.size()] ^= static_cast<uint8_t>(1u << R() % 8);
    Add(S);
  }
  for (int K = 0; K < 400; ++K) Add(CraftedStream(R));
  for (const TBytes& S :
       {TBytes{}, TBytes{0}, TBytes{1, 0, 0}, TBytes{1, 0, 0, 0}, TBytes{1, 0, 0, 0, 0},
        TBytes{0, 0, 0, 0}, TBytes{8, 0, 0, 0, 'a', 'b'}, TBytes{4, 0, 0, 0, 'a', 'b'}})
    Add(S);
  return Cases;
}

std::string ReadWhole(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

struct TVariant {
  const char* Name;
  const char* Compiler;  // empty when not found
  const char* Flags;
};

// The variant's name, not its bytes (pointers): stable test names.
void PrintTo(const TVariant& V, std::ostream* Out) { *Out << V.Name; }

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
  std::ofstream(FDir / "qv_decode.c", std::ios::binary) << DecoderSource("1.0");
  std::ofstream(FDir / "driver.c", std::ios::binary) << SDriver;
  // Warnings are errors for the decoder; the driver only needs to build.
  const std::string Cc = std::string(V.Compiler) + " -std=c99 " + V.Flags;
  const std::string Build = "cd " + FDir.string() + " && " + Cc +
                            " -Wall -Wextra -pedantic -Werror -c qv_decode.c > log 2>&1 && " + Cc +
                            " driver.c qv_decode.o -o driver >> log 2>&1";
  ASSERT_EQ(std::system(Build.c_str()), 0) << ReadWhole(FDir / "log");

  const auto All = Cases();
  std::string Batch;
  for (const auto& [Stream, Capacity] : All) {
    const uint32_t Head[2] = {static_cast<uint32_t>(Stream.size()), Capacity};
    Batch.append(reinterpret_cast<const char*>(Head), 8).append(Stream.begin(), Stream.end());
  }
  std::ofstream(FDir / "batch.in", std::ios::binary) << Batch;
  const std::string Run = "cd " + FDir.string() +
                          " && ASAN_OPTIONS=detect_leaks=0 ./driver batch.in batch.out > log 2>&1";
  ASSERT_EQ(std::system(Run.c_str()), 0) << ReadWhole(FDir / "log");

  const std::string Results = ReadWhole(FDir / "batch.out");
  size_t At = 0;
  int Seen[4] = {};
  for (size_t I = 0; I < All.size(); ++I) {
    const auto& [Stream, Capacity] = All[I];
    int32_t Result = 0;
    uint32_t Written = 0;
    ASSERT_LE(At + 8, Results.size());
    std::memcpy(&Result, Results.data() + At, 4);
    std::memcpy(&Written, Results.data() + At + 4, 4);
    ASSERT_LE(Written, Capacity) << "case " << I;
    const TBytes Output(Results.begin() + static_cast<std::ptrdiff_t>(At + 8),
                        Results.begin() + static_cast<std::ptrdiff_t>(At + 8 + Written));
    At += 8 + Written;
    // The engine's verdict with the capacity applied: output beyond it
    // (before any undecodable code) is -3 with the first bytes written.
    TVerdict E = EngineDecode(Stream);
    if (E.Result != -1 && E.Output.size() > Capacity) {
      E.Result = -3;
      E.Output.resize(Capacity);
    }
    ASSERT_EQ(Result, E.Result) << "case " << I << ", " << Stream.size() << " bytes";
    ASSERT_EQ(Output, E.Output) << "case " << I;
    ++Seen[-E.Result];
  }
  EXPECT_EQ(At, Results.size());
  for (int K = 0; K < 4; ++K) EXPECT_GT(Seen[K], 20) << "verdict " << -K;  // none vacuous
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

TEST(DecoderSourceText, NamesItsVersionSafelyAndTheResultCodes) {
  const std::string Text = DecoderSource("2.5 */ x");
  EXPECT_NE(Text.find("quorvant-cli 2.5 * / x"), std::string::npos);
  for (const char* Line : {"#define QV_NOT_HUFFMAN_DATA (-1)", "#define QV_CANNOT_DECODE (-2)",
                           "#define QV_OUTPUT_TOO_SMALL (-3)"})
    EXPECT_NE(Text.find(Line), std::string::npos) << Line;
  size_t Includes = 0;  // <stddef.h>, <stdint.h>, <string.h> and nothing else
  for (size_t P = Text.find("#include"); P != std::string::npos; P = Text.find("#include", P + 1))
    ++Includes;
  EXPECT_EQ(Includes, 3u);
}

// The raw decoders of one code, lsb0 and msb0, on a batch of records (u32
// order, u32 in_bits, u32 count, the bytes): i32 result, u32 used_bits, count
// symbols as u32 (entries not decoded hold what they held: 0xABAB..).
// Blocks of exactly the bytes given, so that ASan sees reads beyond them.
constexpr const char* SRawDriver = R"(#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <stdint.h>
int lsb_decode(const uint8_t *, size_t, OUT_T *, size_t, size_t *);
int msb_decode(const uint8_t *, size_t, OUT_T *, size_t, size_t *);
int main(int argc, char **argv) {
  FILE *in = fopen(argv[1], "rb"), *out = fopen(argv[2], "wb");
  uint32_t h[3], k, v[2];
  while (argc == 3 && fread(h, 4, 3, in) == 3) {
    uint8_t *data = malloc(h[1] ? (h[1] + 7) / 8 : 1);
    OUT_T *s = malloc(h[2] ? h[2] * sizeof *s : 1);
    size_t used = 12345;
    if (fread(data, 1, (h[1] + 7) / 8, in) != (h[1] + 7) / 8) return 2;
    memset(s, 0xAB, h[2] * sizeof *s);
    v[0] = (uint32_t)(h[0] ? msb_decode : lsb_decode)(data, h[1], s, h[2], &used);
    v[1] = (uint32_t)used;
    fwrite(v, 4, 2, out);
    for (k = 0; k < h[2]; ++k) fwrite((v[0] = s[k], v), 4, 1, out);
    free(data);
    free(s);
  }
  return fclose(out) == 0 ? 0 : 2;
}
)";

using TBits = std::vector<bool>;  // as sent

// The result, the bits used and the symbols decoded.
struct TRawVerdict {
  int32_t Result = 0;
  uint32_t Used = 0;
  std::vector<uint32_t> Symbols;
};

// A reference decoder: each code's bits compared at each position.
TRawVerdict ReferenceDecode(const TCodeTables& T, const std::vector<TBits>& Codes, const TBits& In,
                            size_t Count) {
  TRawVerdict V;
  size_t Pos = 0;
  for (; V.Symbols.size() < Count; V.Used = static_cast<uint32_t>(Pos)) {
    int32_t Verdict = Pos == In.size() ? -4 : -2;
    for (size_t J = 0; J < T.Symbol.size() && Verdict == -2; ++J) {
      const TBits& Code = Codes[J];
      const size_t Have = std::min(Code.size(), In.size() - Pos);
      if (!std::equal(Code.begin(), Code.begin() + static_cast<std::ptrdiff_t>(Have),
                      In.begin() + static_cast<std::ptrdiff_t>(Pos)))
        continue;
      if (Have < Code.size()) {
        Verdict = -4;
      } else {
        V.Symbols.push_back(static_cast<uint32_t>(T.Symbol[J]));
        Pos += Code.size();
        Verdict = 0;
      }
    }
    if (Verdict != 0) {
      V.Result = Verdict;
      return V;
    }
  }
  return V;
}

// Bits into bytes by an order, the unused end of the last byte random.
std::vector<uint8_t> Packed(const TBits& Bits, bool Msb0, std::mt19937_64& R) {
  std::vector<uint8_t> Bytes((Bits.size() + 7) / 8);
  for (size_t B = 0; B < Bytes.size() * 8; ++B) {
    const bool Bit = B < Bits.size() ? Bits[B] : R() % 2 == 1;
    if (Bit) Bytes[B / 8] = static_cast<uint8_t>(Bytes[B / 8] | 1u << (Msb0 ? 7 - B % 8 : B % 8));
  }
  return Bytes;
}

class RawDecoder : public GeneratedDecoder {};

TEST_P(RawDecoder, DecodesEveryDesignedCodeInBothBitOrders) {
  const TVariant& V = GetParam();
  if (std::string(V.Compiler).empty()) GTEST_SKIP() << V.Name << ": compiler not found";
  const std::string Cc = std::string(V.Compiler) + " -std=c99 " + V.Flags;
  std::mt19937_64 R(77);
  int Seen[5] = {};
  for (const TTestCode& Code : DesignedCodes()) {
    SCOPED_TRACE(Code.Name);
    const TCodeTables& T = Code.Tables;
    std::vector<TBits> Codes;
    for (size_t J = 0; J < T.Symbol.size(); ++J)  // the first bit sent first
      for (int32_t K = 0; K < T.Length[J]; ++K)
        (K ? Codes.back() : Codes.emplace_back()).push_back(((T.Pattern[J] >> K) & 1) != 0);
    const bool Wide = std::any_of(T.Symbol.begin(), T.Symbol.end(),
                                  [](auto D) { return static_cast<int32_t>(D) > 255; });
    const std::string Lsb0 = RawDecoderSource(T, "lsb", TBitOrder::Lsb0, {"code */ " + Code.Name});
    ASSERT_NE(Lsb0.find(" * code * / " + Code.Name + "\n"), std::string::npos);
    ASSERT_NE(Lsb0.find("#define LSB_TRUNCATED (-4)\n"), std::string::npos);
    EXPECT_THROW(RawDecoderSource(T, "a-b", TBitOrder::Lsb0, {}), Exception);
    std::ofstream(FDir / "lsb.c", std::ios::binary) << Lsb0;
    std::ofstream(FDir / "msb.c", std::ios::binary)
        << RawDecoderSource(T, "msb", TBitOrder::Msb0, {});
    std::ofstream(FDir / "driver.c", std::ios::binary) << SRawDriver;
    const std::string Build = "cd " + FDir.string() + " && rm -f driver && " + Cc +
                              " -Wall -Wextra -pedantic -Werror -c lsb.c msb.c > log 2>&1 && " +
                              Cc + " -DOUT_T=" + (Wide ? "uint16_t" : "uint8_t") +
                              " driver.c lsb.o msb.o -o driver >> log 2>&1";
    ASSERT_EQ(std::system(Build.c_str()), 0) << ReadWhole(FDir / "log");

    // Whole streams and a prefix of them, cut ones, damaged ones, random bits.
    struct TCase {
      bool Msb0;
      TBits Bits;
      size_t Count;
    };
    std::vector<TCase> Cases;
    if (T.Symbol.back() < 256) {
      // The payload of the coded form of data under this code, as encode
      // --code writes it (lsb0).
      std::vector<uint8_t> Data, Table;
      std::vector<int32_t> Lengths;
      for (const auto& S : Code.Code.Symbols) {
        Table.push_back(static_cast<uint8_t>(S.Datum));
        Lengths.push_back(S.Length);
      }
      for (int K = 0; K < 5000; ++K) Data.push_back(Table[R() % Table.size()]);
      THuffman H;
      H.InStream().Write(Data.data(), static_cast<int32_t>(Data.size()));
      H.SetCode(Table, Lengths);
      H.EncodeData();
      const auto* F = static_cast<const uint8_t*>(H.OutStream().Memory());
      const size_t Head = 6 + (F[5] ? F[5] : 256) + 2 * (F[4] >> 3);
      TBits Payload((F[0] >> 2 | F[1] << 6 | F[2] << 14 | size_t{F[3]} << 22) * 8 + (F[4] & 7));
      for (size_t B = 0; B < Payload.size(); ++B) Payload[B] = (F[Head + B / 8] >> B % 8) & 1;
      ASSERT_EQ(ReferenceDecode(T, Codes, Payload, Data.size()).Symbols,
                std::vector<uint32_t>(Data.begin(), Data.end()));
      Cases.push_back({false, Payload, Data.size()});
    }
    for (size_t Symbols : {0, 1, 5, 13, 40, 700, 3000}) {
      TBits Bits;
      for (size_t K = 0; K < Symbols; ++K) {
        const TBits& Next = Codes[R() % Codes.size()];
        Bits.insert(Bits.end(), Next.begin(), Next.end());
      }
      for (const bool Msb0 : {false, true}) {
        Cases.push_back({Msb0, Bits, Symbols});
        Cases.push_back({Msb0, Bits, Symbols / 2});
        for (int K = 0; K < 6 && !Bits.empty(); ++K) {
          const size_t Cut = K == 0 ? Bits.size() - 1 : R() % Bits.size();
          Cases.push_back(
              {Msb0, TBits(Bits.begin(), Bits.begin() + static_cast<long>(Cut)), Symbols});
          TBits Damaged = Bits;
          for (int Flip = 0; Flip <= K % 3; ++Flip) Damaged[R() % Damaged.size()].flip();
          Cases.push_back({Msb0, Damaged, Symbols});
        }
        TBits Noise(Symbols * 4);
        for (size_t B = 0; B < Noise.size(); ++B) Noise[B] = R() % 3 == 0;
        Cases.push_back({Msb0, Noise, Symbols});
      }
    }
    std::string Batch;
    for (const TCase& C : Cases) {
      const uint32_t Head[3] = {C.Msb0, static_cast<uint32_t>(C.Bits.size()),
                                static_cast<uint32_t>(C.Count)};
      const std::vector<uint8_t> Bytes = Packed(C.Bits, C.Msb0, R);
      Batch.append(reinterpret_cast<const char*>(Head), 12).append(Bytes.begin(), Bytes.end());
    }
    std::ofstream(FDir / "batch.in", std::ios::binary) << Batch;
    const std::string Run =
        "cd " + FDir.string() +
        " && ASAN_OPTIONS=detect_leaks=0 ./driver batch.in batch.out > log 2>&1";
    ASSERT_EQ(std::system(Run.c_str()), 0) << ReadWhole(FDir / "log");
    const std::string Results = ReadWhole(FDir / "batch.out");
    size_t At = 0;
    for (size_t I = 0; I < Cases.size(); ++I) {
      const TRawVerdict E = ReferenceDecode(T, Codes, Cases[I].Bits, Cases[I].Count);
      TRawVerdict Got;
      ASSERT_LE(At + 8 + 4 * Cases[I].Count, Results.size());
      std::memcpy(&Got.Result, Results.data() + At, 4);
      std::memcpy(&Got.Used, Results.data() + At + 4, 4);
      for (size_t K = 0; K < E.Symbols.size(); ++K)
        std::memcpy(&Got.Symbols.emplace_back(), Results.data() + At + 8 + 4 * K, 4);
      At += 8 + 4 * Cases[I].Count;
      ASSERT_EQ(Got.Result, E.Result) << "case " << I << (Cases[I].Msb0 ? " msb0" : " lsb0");
      ASSERT_EQ(Got.Used, E.Used) << "case " << I;
      ASSERT_EQ(Got.Symbols, E.Symbols) << "case " << I;
      ++Seen[-E.Result];
    }
  }
  for (const int K : {0, 2, 4}) EXPECT_GT(Seen[K], 50) << "verdict " << -K;  // none vacuous
}

INSTANTIATE_TEST_SUITE_P(
    Variants, RawDecoder,
    ::testing::Values(TVariant{"ClangO2", QV_TEST_CLANG, "-O2"},
                      TVariant{"GccO2Sanitized", QV_TEST_GCC,
                               "-O2 -fsanitize=address,undefined -fno-sanitize-recover=all"}),
    [](const ::testing::TestParamInfo<TVariant>& Info) { return std::string(Info.param.Name); });

}  // namespace
