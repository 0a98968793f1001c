// The designer's loop: the limits table and a code evaluated on files,
// against counts made here.
#include "Designer.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <queue>
#include <random>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

// The Huffman code's total bits: the sum of every merged weight.
int64_t HuffmanBits(const std::vector<int64_t>& Counts) {
  std::priority_queue<int64_t, std::vector<int64_t>, std::greater<>> Q;
  for (const int64_t C : Counts)
    if (C > 0) Q.push(C);
  if (Q.size() == 1) return Q.top();  // one value: one bit each
  int64_t Bits = 0;
  while (Q.size() > 1) {
    const int64_t A = Q.top();
    Q.pop();
    const int64_t B = Q.top();
    Q.pop();
    Bits += A + B;
    Q.push(A + B);
  }
  return Bits;
}

TEST(Designer, LimitRowsGoFromSixteenDownToTheFewestBits) {
  std::vector<int32_t> Table(300, 0);
  int64_t Fib[12] = {1, 1};
  for (int K = 2; K < 12; ++K) Fib[K] = Fib[K - 1] + Fib[K - 2];
  for (int K = 0; K < 12; ++K) Table[static_cast<size_t>(K * 3)] = static_cast<int32_t>(Fib[K]);
  Table[290] = 1000;  // beyond the code's data: not counted
  const TLimitTable T = LimitTable(Table);
  EXPECT_EQ(T.Total, 376);
  EXPECT_EQ(T.Distinct, 12);
  ASSERT_EQ(T.Rows.size(), 16u - 4 + 1);
  const std::vector<int64_t> Counts(Fib, Fib + 12);
  for (size_t I = 0; I < T.Rows.size(); ++I) {
    const TLimitRow& R = T.Rows[I];
    EXPECT_EQ(R.MaxBits, 16 - static_cast<int32_t>(I));
    EXPECT_LE(R.OptimalBits, R.RepairBits);
    if (R.MaxBits >= 11) {  // the code fits
      EXPECT_EQ(R.RepairBits, HuffmanBits(Counts));
    }
    if (I > 0) {
      EXPECT_GE(R.OptimalBits, T.Rows[I - 1].OptimalBits);
    }
  }
  double Entropy = 0;
  for (const int64_t C : Counts) Entropy -= C / 376.0 * std::log2(C / 376.0);
  EXPECT_NEAR(T.Entropy, Entropy, 1e-12);
  const std::string Csv = LimitsText(T, {"f"}, TFigureFormat::Csv);
  EXPECT_EQ(Csv.substr(0, Csv.find('\n')),
            "max_bits,repair_total_bits,optimal_total_bits,repair_average_bits,"
            "optimal_average_bits,entropy_bits");
  EXPECT_EQ(std::count(Csv.begin(), Csv.end(), '\n'), 14);

  // One value: rows down to 1, each its one-bit code; no data: no rows.
  std::vector<int32_t> One(256, 0);
  One[7] = 9;
  const TLimitTable Single = LimitTable(One);
  ASSERT_EQ(Single.Rows.size(), 16u);
  EXPECT_EQ(Single.Rows.back().MaxBits, 1);
  for (const TLimitRow& R : Single.Rows) EXPECT_EQ(R.OptimalBits, 9);
  const TLimitTable None = LimitTable(std::vector<int32_t>(256, 0));
  EXPECT_TRUE(None.Rows.empty());
  EXPECT_NE(LimitsText(None, {"z"}, TFigureFormat::Json).find("\"rows\":[]"), std::string::npos);
}

class DesignerFiles : public ::testing::Test {
protected:
  void SetUp() override {
    Dir = fs::temp_directory_path() / ("qvdesign-" + std::to_string(::getpid()));
    fs::create_directories(Dir);
  }
  void TearDown() override { fs::remove_all(Dir); }
  std::string File(const std::string& Name, const std::string& Bytes) {
    std::ofstream(Dir / Name, std::ios::binary) << Bytes;
    return (Dir / Name).string();
  }
  fs::path Dir;
};

TEST_F(DesignerFiles, EvaluationMatchesACountMadeHere) {
  // a:1 b:2 c:3 d:3 bits; 'x' and 'y' have no code.
  TDesignedCode Code;
  Code.Symbols = {{'a', 1, {}}, {'b', 2, {}}, {'c', 3, {}}, {'d', 3, {}}};
  int32_t Length[256] = {};
  Length['a'] = 1;
  Length['b'] = 2;
  Length['c'] = Length['d'] = 3;
  std::mt19937 Random(7);
  std::vector<std::string> Files;
  std::vector<std::string> Contents = {"", "aaaa", "abcdabca", std::string()};
  for (int K = 0; K < 5000; ++K) Contents[3] += "aaabbcdxy"[Random() % (K % 2 ? 9 : 7)];
  for (size_t I = 0; I < Contents.size(); ++I)
    Files.push_back(File("f" + std::to_string(I), Contents[I]));
  const auto E = Evaluate(Code, {"code", "c.json"}, Files);
  ASSERT_TRUE(E.has_value());
  ASSERT_EQ(E->Files.size(), Files.size());
  int64_t AllBits = 0;
  for (size_t I = 0; I < Files.size(); ++I) {
    const TEvaluationRow& R = E->Files[I];
    std::vector<int64_t> Counts(256, 0);
    int64_t Bits = 0, Uncodable = 0;
    for (const char C : Contents[I]) {
      ++Counts[static_cast<uint8_t>(C)];
      Bits += Length[static_cast<uint8_t>(C)];
      Uncodable += Length[static_cast<uint8_t>(C)] == 0;
    }
    double Entropy = 0;
    for (const int64_t C : Counts)
      if (C > 0) Entropy += C * std::log2(static_cast<double>(Contents[I].size()) / C);
    EXPECT_EQ(R.Bytes, static_cast<int64_t>(Contents[I].size()));
    EXPECT_EQ(R.CodedBits, Bits);
    EXPECT_EQ(R.Uncodable, Uncodable);
    EXPECT_EQ(R.OwnBits, Contents[I].empty() ? 0 : HuffmanBits(Counts));
    EXPECT_NEAR(R.EntropyTotalBits, Entropy, 1e-6);
    EXPECT_EQ(R.OverheadPercent, R.OwnBits ? 100.0 * (double(Bits) / double(R.OwnBits) - 1) : 0);
    EXPECT_EQ(R.CodedBytes.has_value(), Uncodable == 0);
    if (R.CodedBytes) {
      // What the coder itself writes with this code.
      THuffman H;
      H.SetCode(std::vector<uint8_t>{'a', 'b', 'c', 'd'}, std::vector<int32_t>{1, 2, 3, 3});
      H.InStream().Write(Contents[I].data(), static_cast<int32_t>(Contents[I].size()));
      H.EncodeData();
      EXPECT_EQ(*R.CodedBytes, H.OutStream().Size()) << I;
    }
    AllBits += Bits;
  }
  EXPECT_EQ(E->Files[3].UncodableValues, (std::vector<int32_t>{'x', 'y'}));
  EXPECT_EQ(E->Total.CodedBits, AllBits);
  EXPECT_EQ(E->Total.UncodableValues, (std::vector<int32_t>{'x', 'y'}));
  EXPECT_FALSE(E->Total.CodedBytes.has_value());
  const std::string Text = EvaluationText(*E, TFigureFormat::Text);
  EXPECT_NE(Text.find(Files[3] + ": " + std::to_string(E->Files[3].Uncodable) +
                      " uncodable bytes, values $78 $79\n"),
            std::string::npos)
      << Text;

  // A hook that says stop: nothing.
  TEvaluateHooks Stop;
  Stop.Progress = [](size_t, size_t, int64_t, int64_t) { return false; };
  EXPECT_FALSE(Evaluate(Code, {"code", "c.json"}, {Files[3]}, Stop).has_value());
}

}  // namespace
