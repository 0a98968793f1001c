// The code file: every refusal of a bad one, and the code read back as the
// views built it.
#include "CodeFile.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace fs = std::filesystem;

// "abracadabra"'s code written by hand; "r" without frequency and code.
const std::string Valid =
    R"({"format":"quorvant-code","version":1,"max_bits":16,"limit_rule":"repair",)"
    R"("files":["a.txt"],"total":11,"symbols":[)"
    R"({"datum":97,"frequency":5,"bit_length":1,"code":"0"},)"
    R"({"datum":98,"bit_length":3,"code":"100"},{"datum":114,"bit_length":3},)"
    R"({"datum":99,"bit_length":3,"code":"110"},{"datum":100,"bit_length":3,"code":"111"}]})";

std::string Replaced(std::string Text, const std::string& From, const std::string& To) {
  const size_t At = Text.find(From);
  EXPECT_NE(At, std::string::npos) << From;
  return At == std::string::npos ? Text : Text.replace(At, From.size(), To);
}

TEST(CodeFile, ValidFileReadsAsWritten) {
  const TDesignedCode Code = ParseCodeFile(Valid, "c.json");
  EXPECT_EQ(Code.MaxBits, 16);
  EXPECT_EQ(Code.LimitRule, "repair");
  EXPECT_EQ(Code.Files, std::vector<std::string>{"a.txt"});
  EXPECT_EQ(Code.Total, 11);
  const std::vector<std::tuple<int32_t, int32_t, std::optional<int64_t>>> Want = {
      {97, 1, 5}, {98, 3, {}}, {114, 3, {}}, {99, 3, {}}, {100, 3, {}}};
  ASSERT_EQ(Code.Symbols.size(), Want.size());
  for (size_t K = 0; K < Want.size(); ++K)
    EXPECT_EQ(
        std::make_tuple(Code.Symbols[K].Datum, Code.Symbols[K].Length, Code.Symbols[K].Frequency),
        Want[K]);
  // The writer's text reads back to the same code.
  EXPECT_EQ(CodeFileText(ParseCodeFile(CodeFileText(Code), "again")), CodeFileText(Code));
}

TEST(CodeFile, EachProblemIsRefusedNamingFileAndProblem) {
  std::string Many = R"({"format":"quorvant-code","version":1,"max_bits":16,"limit_rule":"repair",)"
                     R"("files":[],"total":0,"symbols":[)";
  for (int K = 0; K <= 10240; ++K)
    Many += (K ? "," : "") + std::string(R"({"datum":)") + std::to_string(K % 10240) +
            R"(,"bit_length":16})";
  Many += "]}";
  const std::vector<std::pair<std::string, std::string>> Bad = {
      {Valid.substr(0, 40), "not JSON: "},
      {Valid + "x", "not JSON: text after the document"},
      {"[1]", "not a Quorvant code file: the document is an array"},
      {Replaced(Valid, "quorvant-code", "zip"), R"("format" is "zip", not "quorvant-code")"},
      {Replaced(Valid, R"("version":1)", R"("version":2)"), R"("version" 2 is newer)"},
      {Replaced(Valid, R"("max_bits":16,)", ""), R"(the key "max_bits" is missing)"},
      {Replaced(Valid, R"("total":11)", R"("total":11,"x":1)"), R"(unknown key "x")"},
      {Replaced(Valid, R"("total":11)", R"("total":11,"total":11)"), R"(key "total" appears)"},
      {Replaced(Valid, "repair", "best"), R"(not "repair" or "optimal")"},
      {Replaced(Valid, R"("datum":98)", R"("datum":10240)"),
       "symbol 2: datum 10240 is outside 0..10239"},
      {Replaced(Valid, R"("datum":98)", R"("datum":-1)"), "datum -1 is outside"},
      {Replaced(Valid, R"("datum":98)", R"("datum":9.5)"), "datum must be a whole number"},
      {Replaced(Valid, R"("datum":98)", R"("datum":97)"), "symbol 2: datum 97 appears twice"},
      {Replaced(Valid, R"("datum":99,"bit_length":3)", R"("datum":99,"bit_length":17)"),
       "symbol 4: bit_length 17 is outside 1..16"},
      {Replaced(Valid, R"("datum":97,"frequency":5,"bit_length":1)",
                R"("datum":97,"frequency":5,"bit_length":0)"),
       "bit_length 0 is outside 1..16"},
      {Replaced(Valid, R"("max_bits":16)", R"("max_bits":2)"), "bit_length 3 is above max_bits 2"},
      {Replaced(Valid, R"("datum":100,"bit_length":3)", R"("datum":100,"bit_length":2)"),
       "symbol 5: bit_length 2 is shorter than the 3 before it"},
      {Replaced(Valid, R"("datum":98,"bit_length":3)", R"("datum":98,"bit_length":2)"),
       "Kraft sum is 1.125, above 1"},
      {Replaced(Valid, R"("code":"110")", R"("code":"011")"),
       R"(symbol 4: code "011" is not the canonical code "110")"},
      {Replaced(Valid, R"({"datum":98,)", R"({)"), R"(symbol 2: the key "datum" is missing)"},
      {Replaced(Valid, R"("frequency":5)", R"("frequency":-5)"), "frequency -5 is outside"},
      {Replaced(Valid, Valid.substr(Valid.find("{\"datum\":97")), "]}"), "\"symbols\" is empty"},
      {Many, "more than 10240 symbols"},
  };
  for (const auto& [Text, Problem] : Bad) {
    try {
      ParseCodeFile(Text, "bad.json");
      ADD_FAILURE() << "accepted, expected: " << Problem;
    } catch (const ECodeFileError& E) {
      const std::string Message = E.what();
      EXPECT_EQ(Message.rfind("bad.json: ", 0), 0u) << Message;
      EXPECT_NE(Message.find(Problem), std::string::npos) << Message;
    }
  }
}

TEST(CodeFile, FilesAreReadWithTheirBound) {
  const fs::path Dir = fs::temp_directory_path() / ("qvcode-" + std::to_string(::getpid()));
  fs::create_directories(Dir);
  std::ofstream(Dir / "big.json") << std::string(MaxCodeFileBytes + 1, ' ');
  std::ofstream(Dir / "ok.json") << Valid;
  EXPECT_EQ(ReadCodeFile((Dir / "ok.json").string()).Symbols.size(), 5u);
  for (const char* Name : {"big.json", "missing.json", ""}) {
    const std::string Path = (Dir / Name).string();
    try {
      ReadCodeFile(Path);
      ADD_FAILURE() << Name;
    } catch (const ECodeFileError& E) {
      EXPECT_EQ(std::string(E.what()).rfind(Path + ": ", 0), 0u) << E.what();
    }
  }
  fs::remove_all(Dir);
}

TEST(CodeFile, CodeReadBackGivesTheViewsTables) {
  std::vector<int32_t> Table(256, 0);
  for (int V = 0; V < 40; ++V) Table[static_cast<size_t>(V * 5)] = 1 + V * V * V;
  for (const auto& [MaxBits, Rule] : {std::pair{16, TLimitRule::Repair},
                                      {7, TLimitRule::Repair},
                                      {7, TLimitRule::Optimal},
                                      {6, TLimitRule::Optimal}}) {
    const auto Code = DesignCode(Table, MaxBits, Rule, {"t.bin"});
    ASSERT_TRUE(Code.has_value());
    const TCodeTables Read =
        CodeTablesOfCode(ParseCodeFile(CodeFileText(*Code), "c.json"), "一致長");
    const auto Built = CodeTablesOf(Table, 256, "一致長", MaxBits, Rule);
    EXPECT_EQ(Read.Frequency, Built->Frequency);
    EXPECT_EQ(Read.PatternName, "mlPat");
    // Every table a decoder needs, as the arrays print them.
    TArrayOptions C;
    C.Language = TArrayLanguage::C;
    C.DecoderArrays = true;
    EXPECT_EQ(ArraySource(Read, C), ArraySource(*Built, C));
    EXPECT_EQ(ArraySource(Read, {}), ArraySource(*Built, {}));
  }
  // A 32-bit table's code may name data beyond a byte.
  const TCodeTables Wide = CodeTablesOfCode(
      ParseCodeFile(Replaced(Valid, R"("datum":114)", R"("datum":10239)"), "w.json"), "");
  EXPECT_EQ(Wide.Symbol.back(), 10239);
  TArrayOptions C;
  C.Language = TArrayLanguage::C;
  C.DecoderArrays = true;
  EXPECT_NE(ArraySource(Wide, C).find("static const unsigned short Symbol[5]"), std::string::npos);
}

}  // namespace
