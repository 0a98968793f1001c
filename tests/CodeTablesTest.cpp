// The chosen code-length limit, the code as data, and its array texts
// (compiled as C, C++ and Rust and read back against the node table).
#include "AbracadabraGolden.h"
#include "CodeTables.h"
#include "Compress.h"
#include "DesignedCodes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
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
  for (const int32_t F : Table) H.InStream().Write(&F, 4);  // little-endian host
  H.BuildFromTable();
  std::vector<THuffmanNode> Nodes(static_cast<size_t>(H.Count()));
  for (int32_t I = 0; I < H.Count(); ++I) H.GetNode(I, Nodes[static_cast<size_t>(I)]);
  return Nodes;
}

// Lengths 1..MaxBits, ascending along the table, a complete Kraft sum, and
// no code (read from the stored patterns) the beginning of another.
void CheckPrefixCode(const std::vector<THuffmanNode>& Nodes, int32_t MaxBits) {
  int64_t Kraft = 0;
  for (size_t I = 0; I < Nodes.size(); ++I) {
    const THuffmanNode& A = Nodes[I];
    ASSERT_TRUE(A.BitLength >= 1 && A.BitLength <= MaxBits) << A.BitLength;
    ASSERT_TRUE(I == 0 || A.BitLength >= Nodes[I - 1].BitLength);
    Kraft += int64_t{1} << (16 - A.BitLength);
    for (size_t J = 0; J < Nodes.size(); ++J)
      ASSERT_TRUE(I == J || Nodes[J].BitLength < A.BitLength ||
                  (Nodes[J].BitPattern & ((1 << A.BitLength) - 1)) != A.BitPattern)
          << I << " begins " << J;
  }
  EXPECT_EQ(Kraft, Nodes.size() >= 2 ? 65536 : 32768);
}

TEST(LengthLimit, TheSmallestLimitAndLimitsOutsideTheRange) {
  const int32_t Cases[][2] = {{0, 1}, {2, 1}, {3, 2}, {4, 2}, {5, 3}, {129, 8}, {256, 8}, {257, 9}};
  for (const auto& C : Cases) EXPECT_EQ(SmallestMaxBitLength(C[0]), C[1]) << C[0];
  THuffman H;
  EXPECT_THROW(H.SetMaxBitLength(0), ERangeError);
  EXPECT_THROW(H.SetMaxBitLength(17), ERangeError);
  EXPECT_EQ(H.MaxBitLength(), 16);
  H.SetMaxBitLength(4);
  const std::vector<int32_t> Table(17, 1);  // 17 values need 5 bits
  for (const int32_t F : Table) H.InStream().Write(&F, 4);
  try {
    H.BuildFromTable();
    ADD_FAILURE() << "17 values built with 4-bit codes";
  } catch (const ERangeError& E) {
    EXPECT_STREQ(E.what(), "4 is not within the valid range of 5..16");
  }
  EXPECT_THROW(CodeTablesOf(Table, 256, "", 4), ERangeError);
  EXPECT_THROW(CodeTablesOf(Table, 256, "", 17), ERangeError);
}

TEST(LengthLimit, FibonacciAtElevenBitsIsRepairedByTheSixteenBitRule) {
  // Depths 1..18 and two at 19; clamped to 11: one each at 1..10, ten at 11,
  // eight too many (units of 2^-11).  The eight repair steps take lengths
  // 10, 9, 10, 10, 8, 9, 10, 10: one each at 1..7, one at 9, twelve at 11.
  const std::vector<THuffmanNode> Nodes = Build(Fibonacci(20), 11);
  std::vector<int32_t> Lengths;
  for (const THuffmanNode& N : Nodes) Lengths.push_back(N.BitLength);
  std::vector<int32_t> Expected{1, 2, 3, 4, 5, 6, 7, 9};
  Expected.resize(20, 11);
  EXPECT_EQ(Lengths, Expected);
  CheckPrefixCode(Nodes, 11);
  // The leaf table report of the limited code: twelve rows of length 11.
  const std::string Text = HuffmanTableText(Fibonacci(20), 256, 11), Eleven = "  :  11  :  ";
  size_t Rows = 0;
  for (size_t P = Text.find(Eleven); P != std::string::npos; P = Text.find(Eleven, P + 1)) ++Rows;
  EXPECT_EQ(Rows, 12u) << Text;
}

TEST(LengthLimit, EveryLimitGivesACompletePrefixCodeWithinIt) {
  std::mt19937 Rng(11);
  for (int Round = 0; Round < 40; ++Round) {
    // Frequencies up to 10^6, every seventh value far above the rest.
    std::vector<int32_t> Table(256, 0);
    const int Distinct = 2 + static_cast<int>(Rng() % 255);
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

TEST(CodeTables, AbracadabraGivesTheWorkedExampleAsData) {
  const auto T = CodeTablesOf(AbracadabraTable(), 256, "");
  ASSERT_TRUE(T.has_value());
  EXPECT_EQ(T->Symbol, (std::vector<uint16_t>{'a', 'b', 'c', 'd', 'r'}));
  EXPECT_EQ(T->Pattern, (std::vector<int32_t>{0, 1, 3, 7, 5}));
  EXPECT_EQ(T->Length, (std::vector<int32_t>{1, 3, 3, 3, 3}));
  EXPECT_EQ(T->Frequency, (std::vector<int32_t>{5, 2, 1, 1, 2}));
  EXPECT_EQ(T->CodeSymbol, (std::vector<uint16_t>{'a', 'b', 'r', 'c', 'd'}));
  EXPECT_EQ(T->CodeCount, (std::array<int32_t, 17>{0, 1, 0, 4}));
  EXPECT_EQ(T->LargestPattern, 7);
  EXPECT_EQ(T->LargestLength, 3);
  EXPECT_EQ(T->DataName, "データ");
  EXPECT_EQ(T->CodeSymbolName, "CodeSymbol");
  EXPECT_EQ(ArraySource(*T, {}), AbracadabraGolden::ArraySource);
  EXPECT_FALSE(CodeTablesOf(std::vector<int32_t>(300, 0), 256, "").has_value());
}

TEST(CodeTables, CTextKeepsTheCliLayoutAndMsbFirstSendsCodesAsSent) {
  const auto T = CodeTablesOf(AbracadabraTable(), 256, "一致長");
  EXPECT_EQ(T->SymbolName, "mlSymbol");
  EXPECT_EQ(ArraySource(*T, {}), HuffmanArraySource(AbracadabraTable(), 256, "一致長"));
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
  // As sent: a 0, b 100, c 110, d 111, r 101.
  EXPECT_NE(ArraySource(*T, O).find("  0, 4, 6, 7, 5\r\n"), std::string::npos);
}

std::string ReadWhole(const fs::path& Path) {
  std::ifstream In(Path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// The arrays compiled in each language, printed back name by name, are the
// node table of an independent build.
TEST(CodeTables, CAndCppAndRustArraysHoldTheNodeTable) {
  const char* Base = std::getenv("TMPDIR");
  std::string Folder = std::string(Base != nullptr && *Base ? Base : "/tmp") + "/qvarr-XXXXXX";
  ASSERT_NE(::mkdtemp(Folder.data()), nullptr);
  // 200 values over a wide range of frequencies: codes up to 16 bits, so
  // patterns need 16-bit elements.
  std::vector<int32_t> Table(256, 0);
  for (int K = 0; K < 200; ++K)
    Table[static_cast<size_t>(K + 40)] = 1 + K * K * K % 50000 / (1 + K % 9);
  const std::vector<THuffmanNode> Nodes = Build(Table, 16);
  ASSERT_GE(Nodes.back().BitLength, 12);
  std::map<int, THuffmanNode> ByData;
  std::array<int, 17> Counts{};
  for (const THuffmanNode& N : Nodes) {
    ByData[N.Data] = N;
    ++Counts[static_cast<size_t>(N.BitLength)];
  }
  std::ostringstream Expected;
  for (const char* Name : {"BitPattern", "BitLength", "Symbol"}) {
    Expected << Name;
    for (const auto& [Data, N] : ByData)
      Expected << ' ' << (Name[0] == 'S' ? Data : Name[3] == 'P' ? N.BitPattern : N.BitLength);
    Expected << '\n';
  }
  Expected << "CodeCount";
  for (int L = 1; L <= 16; ++L) Expected << ' ' << Counts[static_cast<size_t>(L)];
  Expected << "\nCodeSymbol";
  for (const THuffmanNode& N : Nodes) Expected << ' ' << static_cast<int>(N.Data);
  Expected << '\n';

  const std::string Print = "P(BitPattern) P(BitLength) P(Symbol) P(CodeCount) P(CodeSymbol)";
  const struct {
    TArrayLanguage Language;
    const char* Header;
    std::string Main, Build;
  } Cases[] = {
      {TArrayLanguage::C, "arrays.h",
       "#include <stdio.h>\n#include \"arrays.h\"\n#define P(A) { size_t i; printf(#A); "
       "for (i = 0; i < sizeof A / sizeof A[0]; ++i) printf(\" %lu\", (unsigned long)A[i]); "
       "printf(\"\\n\"); }\nint main(void) { " +
           Print + " return 0; }\n",
       std::string(QV_TEST_CC) + " -std=c99 -Wall -Wextra -pedantic -Werror -x c main -o prog"},
      // The header twice: it guards itself.
      {TArrayLanguage::Cpp, "arrays.hpp",
       "#include \"arrays.hpp\"\n#include \"arrays.hpp\"\n#include <cstdio>\n#define P(A) { "
       "std::printf(#A); for (auto v : A) std::printf(\" %lu\", static_cast<unsigned long>(v)); "
       "std::printf(\"\\n\"); }\nint main() { " +
           Print + " }\n",
       std::string(QV_TEST_CXX) +
           " -std=c++17 -Wall -Wextra -pedantic -Werror -x c++ main -o prog"},
      {TArrayLanguage::Rust, "arrays.rs",
       "include!(\"arrays.rs\");\nmacro_rules! p { ($a:ident) => { print!(stringify!($a)); "
       "for v in $a.iter() { print!(\" {}\", v); } println!(); }; }\nfn main() { "
       "p!(BitPattern); p!(BitLength); p!(Symbol); p!(CodeCount); p!(CodeSymbol); }\n",
       std::string(QV_TEST_RUSTC) + " -D warnings --edition 2021 -o prog main"}};
  for (const auto& C : Cases) {
    if (C.Language == TArrayLanguage::Rust && std::string(QV_TEST_RUSTC).empty()) continue;
    TArrayOptions O;
    O.Language = C.Language;
    O.DecoderArrays = true;
    O.HeadLines = {"head line"};
    std::ofstream(Folder + "/" + C.Header, std::ios::binary)
        << ArraySource(*CodeTablesOf(Table, 256, ""), O);
    std::ofstream(Folder + "/main", std::ios::binary) << C.Main;
    const std::string Command = "cd " + Folder + " && rm -f prog out.txt && " + C.Build +
                                " > build.log 2>&1 && ./prog > out.txt";
    EXPECT_EQ(std::system(Command.c_str()), 0) << C.Header << ReadWhole(Folder + "/build.log");
    EXPECT_EQ(ReadWhole(Folder + "/out.txt"), Expected.str()) << C.Header;
  }
  fs::remove_all(Folder);
}

// A temporary folder of a test's own.
class GeneratedCode : public ::testing::Test {
protected:
  void SetUp() override {
    const char* Base = std::getenv("TMPDIR");
    std::string Pattern = std::string(Base != nullptr && *Base ? Base : "/tmp") + "/qvgen-XXXXXX";
    ASSERT_NE(::mkdtemp(Pattern.data()), nullptr);
    FDir = Pattern;
  }
  void TearDown() override { fs::remove_all(FDir); }
  // Runs Command in the folder; its output is in "log" there.
  bool Run(const std::string& Command) {
    return std::system(("cd " + FDir + " && (" + Command + ") > log 2>&1").c_str()) == 0;
  }
  std::string FDir;
};

// The Python module imports and holds what the C arrays hold: the tables.
TEST_F(GeneratedCode, PythonTablesImportAndEqualTheCArrays) {
  if (std::string(QV_TEST_PYTHON).empty()) GTEST_SKIP() << "python3 not found";
  for (const TTestCode& Code : DesignedCodes()) {
    TArrayOptions O;
    O.DecoderArrays = true;
    O.MsbFirst = Code.Name == "skewed";
    O.HeadLines = {"ファイル名 = a\nb.txt", "圧縮率 = 50%"};
    O.Language = TArrayLanguage::Python;
    std::ofstream(FDir + "/tables.py", std::ios::binary) << ArraySource(Code.Tables, O);
    O.Language = TArrayLanguage::C;
    std::ofstream(FDir + "/tables.h", std::ios::binary) << ArraySource(Code.Tables, O);
    std::ofstream(FDir + "/main.c", std::ios::binary)
        << "#include <stdio.h>\n#include \"tables.h\"\n#define P(A) { size_t i; for (i = 0; i < "
           "sizeof A / sizeof A[0]; ++i) printf(i ? \" %lu\" : \"%lu\", (unsigned long)A[i]); "
           "printf(\"\\n\"); }\nint main(void) { P(BitPattern) P(BitLength) P(Symbol) "
           "P(CodeCount) P(CodeSymbol) return 0; }\n";
    ASSERT_TRUE(
        Run(std::string(QV_TEST_CC) + " -std=c99 -Wall -Werror main.c -o main && ./main > c.txt"))
        << ReadWhole(FDir + "/log");
    const std::string C = ReadWhole(FDir + "/c.txt");
    ASSERT_EQ(std::count(C.begin(), C.end(), '\n'), 5) << C;
    ASSERT_TRUE(Run(std::string(QV_TEST_PYTHON) +
                    " -c 'import tables as t\nfor a in (t.BIT_PATTERN, t.BIT_LENGTH, t.SYMBOL, "
                    "t.CODE_COUNT, t.CODE_SYMBOL): print(*a)' > py.txt"))
        << ReadWhole(FDir + "/log");
    EXPECT_EQ(ReadWhole(FDir + "/py.txt"), C) << Code.Name;
  }
}

// Every window of 16 bits through the simulated module: the code it begins
// with, found here by comparing bits, or valid 0.
TEST_F(GeneratedCode, VerilogDecoderAnswersEveryWindow) {
  if (std::string(QV_TEST_IVERILOG).empty() || std::string(QV_TEST_VVP).empty())
    GTEST_SKIP() << "Icarus Verilog (iverilog, vvp) not found";
  for (const TTestCode& Code : DesignedCodes()) {
    const TCodeTables& T = Code.Tables;
    const std::string Module = T.DataName == "データ" ? "qv_decode" : T.DataName + "_decode";
    const bool Wide = *std::max_element(T.Symbol.begin(), T.Symbol.end()) > 255;
    TArrayOptions O;
    O.Language = TArrayLanguage::Verilog;
    O.HeadLines = {"ファイル名 = " + Code.Name};
    std::ofstream(FDir + "/decoder.v", std::ios::binary) << ArraySource(T, O);
    std::ofstream(FDir + "/bench.v", std::ios::binary)
        << std::string("module bench;\n  reg [15:0] w;\n  wire [") + (Wide ? "13" : "7") +
               ":0] s;\n  wire [4:0] l;\n  wire v;\n  integer i, f;\n  " + Module +
               " d (.window(w), .symbol(s), .length(l), .valid(v));\n  initial begin\n"
               "    f = $fopen(\"out.txt\", \"w\");\n"
               "    for (i = 0; i < 65536; i = i + 1) begin\n      w = i;\n      #1;\n"
               "      $fwrite(f, \"%0d %0d %0d\\n\", s, l, v);\n    end\n"
               "    $fclose(f);\n    $finish;\n  end\nendmodule\n";
    ASSERT_TRUE(Run(std::string(QV_TEST_IVERILOG) + " -g2001 -Wall -o sim bench.v decoder.v && " +
                    QV_TEST_VVP + " -n sim"))
        << ReadWhole(FDir + "/log");
    EXPECT_EQ(ReadWhole(FDir + "/log").find("warning"), std::string::npos)
        << ReadWhole(FDir + "/log");
    std::string Expected;
    for (uint32_t W = 0; W < 65536; ++W) {
      std::string Line = "0 0 0\n";
      for (size_t J = 0; J < T.Symbol.size(); ++J) {
        bool Match = true;
        for (int32_t K = 0; K < T.Length[J]; ++K)
          Match = Match && ((W >> (15 - K)) & 1) == static_cast<uint32_t>((T.Pattern[J] >> K) & 1);
        if (Match) Line = std::to_string(T.Symbol[J]) + " " + std::to_string(T.Length[J]) + " 1\n";
      }
      Expected += Line;
    }
    EXPECT_EQ(ReadWhole(FDir + "/out.txt"), Expected) << Code.Name;
  }
}

}  // namespace
