// The chosen code-length limit, the code as data, and its array texts
// (compiled as C, C++ and Rust and read back against the node table).
#include "AbracadabraGolden.h"
#include "CodeTables.h"
#include "Compress.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

std::vector<int32_t> Fibonacci(int Count) {
  std::vector<int32_t> F{1, 1};
  while (static_cast<int>(F.size()) < Count) F.push_back(F[F.size() - 1] + F[F.size() - 2]);
  return F;
}

std::vector<int32_t> AbracadabraTable() {
  std::vector<int32_t> F(256, 0);
  for (const char C : std::string("abracadabra")) ++F[static_cast<uint8_t>(C)];
  return F;
}

// The leaves of the code built from Table with codes of at most MaxBits.
std::vector<THuffmanNode> Build(const std::vector<int32_t>& Table, int32_t MaxBits) {
  THuffman H;
  H.SetMaxBitLength(MaxBits);
  for (const int32_t F : Table) {
    const uint8_t B[4] = {static_cast<uint8_t>(F), static_cast<uint8_t>(F >> 8),
                          static_cast<uint8_t>(F >> 16), static_cast<uint8_t>(F >> 24)};
    H.InStream().Write(B, 4);
  }
  H.BuildFromTable();
  std::vector<THuffmanNode> Nodes(static_cast<size_t>(H.Count()));
  for (int32_t I = 0; I < H.Count(); ++I) H.GetNode(I, Nodes[static_cast<size_t>(I)]);
  return Nodes;
}

// Kraft sum in units of 2^-16, and whether no code (read from the stored
// patterns, first bit in bit 0) begins another.
void CheckPrefixCode(const std::vector<THuffmanNode>& Nodes, int32_t MaxBits) {
  int64_t Kraft = 0;
  for (size_t I = 0; I < Nodes.size(); ++I) {
    const THuffmanNode& A = Nodes[I];
    ASSERT_GE(A.BitLength, 1);
    ASSERT_LE(A.BitLength, MaxBits);
    if (I > 0) {
      ASSERT_GE(A.BitLength, Nodes[I - 1].BitLength);
    }
    Kraft += int64_t{1} << (16 - A.BitLength);
    for (size_t J = 0; J < Nodes.size(); ++J) {
      const THuffmanNode& B = Nodes[J];
      if (I == J || B.BitLength < A.BitLength) continue;
      ASSERT_NE(B.BitPattern & ((1 << A.BitLength) - 1), A.BitPattern) << I << " begins " << J;
    }
  }
  EXPECT_LE(Kraft, 65536);
  if (Nodes.size() >= 2) {
    EXPECT_EQ(Kraft, 65536);  // repaired codes stay complete
  }
}

TEST(LengthLimit, SmallestLimitHoldsTheDistinctValues) {
  const struct {
    int32_t Distinct, Bits;
  } Cases[] = {{0, 1}, {1, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {128, 7}, {129, 8}, {256, 8},
               {257, 9}, {65536, 16}};
  for (const auto& C : Cases) EXPECT_EQ(SmallestMaxBitLength(C.Distinct), C.Bits) << C.Distinct;
}

TEST(LengthLimit, FibonacciAtElevenBitsIsRepairedByTheSixteenBitRule) {
  // Depths 1..18 and two at 19; clamped to 11: one each at 1..10, ten at 11,
  // eight too many (units of 2^-11).  The eight repair steps take lengths
  // 10, 9, 10, 10, 8, 9, 10, 10: one each at 1..7, one at 9, twelve at 11.
  const std::vector<THuffmanNode> Nodes = Build(Fibonacci(20), 11);
  std::vector<int32_t> Lengths;
  for (const THuffmanNode& N : Nodes) Lengths.push_back(N.BitLength);
  const std::vector<int32_t> Expected{1,  2,  3,  4,  5,  6,  7,  9,  11, 11,
                                      11, 11, 11, 11, 11, 11, 11, 11, 11, 11};
  EXPECT_EQ(Lengths, Expected);
  CheckPrefixCode(Nodes, 11);
  // The leaf table report of the limited code: twelve rows of length 11.
  const std::string Text = HuffmanTableText(Fibonacci(20), 256, 11);
  const std::string Eleven = "  :  11  :  ";
  size_t Rows = 0;
  for (size_t P = Text.find(Eleven); P != std::string::npos; P = Text.find(Eleven, P + 1)) ++Rows;
  EXPECT_EQ(Rows, 12u) << Text;
}

TEST(LengthLimit, EveryLimitGivesACompletePrefixCodeWithinIt) {
  std::mt19937 Rng(11);
  for (int Round = 0; Round < 40; ++Round) {
    std::vector<int32_t> Table(256, 0);
    const int Distinct = 2 + static_cast<int>(Rng() % 255);
    // Frequencies up to 10^6, a few values far above the rest: deep trees.
    for (int K = 0; K < Distinct; ++K)
      Table[static_cast<size_t>(K)] =
          (1 + static_cast<int32_t>(Rng() % (Round % 2 ? 1000 : 30))) * (K % 7 == 0 ? 1000 : 1);
    for (int32_t Bits = SmallestMaxBitLength(Distinct); Bits <= 16; ++Bits) {
      SCOPED_TRACE(testing::Message() << "round " << Round << ", limit " << Bits);
      const std::vector<THuffmanNode> Nodes = Build(Table, Bits);
      ASSERT_EQ(static_cast<int>(Nodes.size()), Distinct);
      CheckPrefixCode(Nodes, Bits);
    }
  }
}

TEST(LengthLimit, ALimitedCodedFormDecodesWithTheOrdinaryDecode) {
  std::mt19937 Rng(5);
  std::vector<uint8_t> Data(20000);
  for (uint8_t& B : Data)
    B = static_cast<uint8_t>(std::min<uint32_t>(__builtin_ctz(Rng() | 1u << 30) * 9, 255));
  for (const int32_t Bits : {5, 9, 12}) {
    THuffman H;
    H.SetMaxBitLength(Bits);
    H.InStream().Write(Data.data(), static_cast<int32_t>(Data.size()));
    ASSERT_LT(H.Encode(), static_cast<int32_t>(Data.size()));  // coded, not stored
    THuffmanNode Last;
    H.GetNode(H.Count() - 1, Last);
    EXPECT_EQ(Last.BitLength, Bits);  // the limit binds
    H.SwapStreams();
    H.Decode();
    const auto* Out = static_cast<const uint8_t*>(H.OutStream().Memory());
    EXPECT_EQ(std::vector<uint8_t>(Out, Out + H.OutStream().Size()), Data) << Bits;
  }
}

TEST(LengthLimit, LimitsOutsideTheirRangeAreRangeErrors) {
  THuffman H;
  EXPECT_THROW(H.SetMaxBitLength(0), ERangeError);
  EXPECT_THROW(H.SetMaxBitLength(17), ERangeError);
  EXPECT_EQ(H.MaxBitLength(), 16);
  H.SetMaxBitLength(4);
  const std::vector<int32_t> Table(17, 1);  // 17 values need 5 bits
  for (const int32_t F : Table) H.InStream().Write(&F, 4);
  try {
    H.BuildFromTable();
    FAIL() << "17 values built with 4-bit codes";
  } catch (const ERangeError& E) {
    EXPECT_STREQ(E.what(), "4 is not within the valid range of 5..16");
  }
  EXPECT_THROW(CodeTablesOf(Table, 256, "", 4), ERangeError);
  EXPECT_THROW(CodeTablesOf(Table, 256, "", 17), ERangeError);
}

TEST(CodeTables, AbracadabraGivesTheWorkedExampleAsData) {
  const auto T = CodeTablesOf(AbracadabraTable(), 256, "");
  ASSERT_TRUE(T.has_value());
  EXPECT_EQ(T->Symbol, (std::vector<uint8_t>{'a', 'b', 'c', 'd', 'r'}));
  EXPECT_EQ(T->Pattern, (std::vector<int32_t>{0, 1, 3, 7, 5}));
  EXPECT_EQ(T->Length, (std::vector<int32_t>{1, 3, 3, 3, 3}));
  EXPECT_EQ(T->Frequency, (std::vector<int32_t>{5, 2, 1, 1, 2}));
  EXPECT_EQ(T->CodeSymbol, (std::vector<uint8_t>{'a', 'b', 'r', 'c', 'd'}));
  std::array<int32_t, 17> Counts{};
  Counts[1] = 1;
  Counts[3] = 4;
  EXPECT_EQ(T->CodeCount, Counts);
  EXPECT_EQ(T->LargestPattern, 7);
  EXPECT_EQ(T->LargestLength, 3);
  EXPECT_EQ(ArraySource(*T, {}), AbracadabraGolden::ArraySource);
  EXPECT_FALSE(CodeTablesOf(std::vector<int32_t>(300, 0), 256, "").has_value());
}

TEST(CodeTables, TheDataNameSelectsCommentsAndArrayNames) {
  const struct {
    const char* Given;
    const char* Name;
    const char* Prefix;
    const char* Pattern;
    const char* Length;
    const char* Symbol;
  } Cases[] = {{"", "データ", "", "BitPattern", "BitLength", "Symbol"},
               {"音", "音", "", "BitPattern", "BitLength", "Symbol"},
               {"一致長", "一致長", "データを LZ77 符号化した時の一致データの", "mlPat", "mlLen",
                "mlSymbol"},
               {"一致位置のビット数", "一致位置のビット数",
                "データを LZ77 符号化した時の一致データの", "diPat", "diLen", "diSymbol"}};
  for (const auto& C : Cases) {
    const auto T = CodeTablesOf(AbracadabraTable(), 256, C.Given);
    ASSERT_TRUE(T.has_value());
    EXPECT_EQ(T->DataName, C.Name);
    EXPECT_EQ(T->CommentPrefix, C.Prefix);
    EXPECT_EQ(T->PatternName, C.Pattern);
    EXPECT_EQ(T->LengthName, C.Length);
    EXPECT_EQ(T->SymbolName, C.Symbol);
    EXPECT_EQ(ArraySource(*T, {}), HuffmanArraySource(AbracadabraTable(), 256, C.Given));
  }
}

TEST(CodeTables, CTextKeepsTheCliLayoutAndMsbFirstSendsCodesAsSent) {
  const auto T = CodeTablesOf(AbracadabraTable(), 256, "一致長");
  TArrayOptions O;
  O.Language = TArrayLanguage::C;
  O.HeadLines = {"ファイル名 = a*/b", "line"};
  EXPECT_EQ(ArraySource(*T, O),
            "/* ファイル名 = a* /b */\r\n"
            "/* line */\r\n"
            "\r\n"
            "/* データを LZ77 符号化した時の一致データの一致長のハフマン分布の BitPattern */\r\n"
            "static const unsigned char mlPat[5] = {\r\n"
            "  0, 1, 3, 7, 5\r\n"
            "};\r\n"
            "\r\n"
            "/* データを LZ77 符号化した時の一致データの一致長のハフマン分布の BitLength */\r\n"
            "static const unsigned char mlLen[5] = {\r\n"
            "  1, 3, 3, 3, 3\r\n"
            "};\r\n");
  O.MsbFirst = true;
  O.HeadLines.clear();
  const std::string Msb = ArraySource(*T, O);
  // As sent: a 0, b 100, c 110, d 111, r 101.
  EXPECT_NE(Msb.find("  0, 4, 6, 7, 5\r\n"), std::string::npos) << Msb;
}

std::string ReadWhole(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// Every array compiled in each language and printed back as numbers, name
// by name, must be the node table of an independent build.
class CompiledArrays : public ::testing::Test {
protected:
  void SetUp() override {
    const char* Base = std::getenv("TMPDIR");
    std::string Pattern = std::string(Base != nullptr && *Base ? Base : "/tmp") + "/qvarr-XXXXXX";
    ASSERT_NE(::mkdtemp(Pattern.data()), nullptr);
    FDir = Pattern;
    // 200 values over a wide range of frequencies: codes up to 16 bits,
    // patterns above 255, a length with more than 255 codes impossible here.
    for (int K = 0; K < 200; ++K)
      FTable[static_cast<size_t>(K + 40)] = 1 + (K * K * K) % 50000 / (1 + K % 9);
    std::ostringstream Expected;
    const std::vector<THuffmanNode> Nodes = Build(FTable, 16);
    std::array<const THuffmanNode*, 256> ByData{};
    std::array<int, 17> Counts{};
    for (const THuffmanNode& N : Nodes) {
      ByData[N.Data] = &N;
      ++Counts[static_cast<size_t>(N.BitLength)];
    }
    const auto Line = [&](const char* Name, auto Value) {
      Expected << Name;
      for (const THuffmanNode* N : ByData)
        if (N != nullptr) Expected << ' ' << Value(*N);
      Expected << '\n';
    };
    Line("BitPattern", [](const THuffmanNode& N) { return N.BitPattern; });
    Line("BitLength", [](const THuffmanNode& N) { return N.BitLength; });
    Line("Symbol", [](const THuffmanNode& N) { return static_cast<int>(N.Data); });
    Expected << "CodeCount";
    for (int L = 1; L <= 16; ++L) Expected << ' ' << Counts[static_cast<size_t>(L)];
    Expected << "\nCodeSymbol";
    for (const THuffmanNode& N : Nodes) Expected << ' ' << static_cast<int>(N.Data);
    Expected << '\n';
    FExpected = Expected.str();
    FLongest = Nodes.back().BitLength;
  }
  void TearDown() override {
    std::error_code Ignored;
    fs::remove_all(FDir, Ignored);
  }
  // Writes the arrays and a main printing them, builds and runs it.
  std::string Run(TArrayLanguage Language, const std::string& Header, const std::string& Main,
                  const std::string& Build) {
    TArrayOptions O;
    O.Language = Language;
    O.DecoderArrays = true;
    O.HeadLines = {"head line"};
    const auto T = CodeTablesOf(FTable, 256, "");
    std::ofstream(FDir / Header, std::ios::binary) << ArraySource(*T, O);
    std::ofstream(FDir / "main", std::ios::binary) << Main;
    const std::string Command =
        "cd " + FDir.string() + " && " + Build + " > build.log 2>&1 && ./prog > out.txt";
    EXPECT_EQ(std::system(Command.c_str()), 0) << ReadWhole(FDir / "build.log");
    return ReadWhole(FDir / "out.txt");
  }
  fs::path FDir;
  std::vector<int32_t> FTable = std::vector<int32_t>(256, 0);
  std::string FExpected;
  int32_t FLongest = 0;
};

const char* const SPrintArrays =
    "P(BitPattern) P(BitLength) P(Symbol) P(CodeCount) P(CodeSymbol)";

TEST_F(CompiledArrays, CAndCppAndRustHoldTheNodeTable) {
  ASSERT_GE(FLongest, 12);  // patterns need 16-bit elements
  const std::string CMain =
      std::string("#include <stdio.h>\n#include \"arrays.h\"\n") +
      "#define P(A) { size_t i; printf(#A); for (i = 0; i < sizeof A / sizeof A[0]; ++i) "
      "printf(\" %lu\", (unsigned long)A[i]); printf(\"\\n\"); }\n"
      "int main(void) { " +
      SPrintArrays + " return 0; }\n";
  EXPECT_EQ(
      Run(TArrayLanguage::C, "arrays.h", CMain,
          std::string(QV_TEST_CC) + " -std=c99 -Wall -Wextra -pedantic -Werror -x c main -o prog"),
      FExpected);
  const std::string CppMain =
      std::string("#include \"arrays.hpp\"\n#include \"arrays.hpp\"\n#include <cstdio>\n") +
      "#define P(A) { std::printf(#A); for (auto v : A) std::printf(\" %lu\", "
      "static_cast<unsigned long>(v)); std::printf(\"\\n\"); }\n"
      "int main() { " +
      SPrintArrays + " }\n";
  EXPECT_EQ(Run(TArrayLanguage::Cpp, "arrays.hpp", CppMain,
                std::string(QV_TEST_CXX) +
                    " -std=c++17 -Wall -Wextra -pedantic -Werror -x c++ main -o prog"),
            FExpected);
  if (std::string(QV_TEST_RUSTC).empty()) GTEST_SKIP() << "rustc not found";
  const std::string RustMain =
      std::string("include!(\"arrays.rs\");\n") +
      "macro_rules! p { ($a:ident) => { print!(stringify!($a)); "
      "for v in $a.iter() { print!(\" {}\", v); } println!(); }; }\n"
      "fn main() { p!(BitPattern); p!(BitLength); p!(Symbol); p!(CodeCount); "
      "p!(CodeSymbol); }\n";
  EXPECT_EQ(Run(TArrayLanguage::Rust, "arrays.rs", RustMain,
                std::string(QV_TEST_RUSTC) + " -D warnings --edition 2021 -o prog main"),
            FExpected);
}

}  // namespace
