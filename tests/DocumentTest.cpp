// The document computations of the workbench window, without a window.
#include "AbracadabraGolden.h"
#include "Document.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

// ---- independent helpers ---------------------------------------------------

std::vector<uint8_t> LittleEndianWords(const std::vector<int64_t>& Words) {
  std::vector<uint8_t> Bytes;
  for (int64_t W : Words) {
    const uint32_t U = static_cast<uint32_t>(W);
    for (int Shift = 0; Shift < 32; Shift += 8) Bytes.push_back(static_cast<uint8_t>(U >> Shift));
  }
  return Bytes;
}

void FillStream(TMemoryStream& S, const std::vector<uint8_t>& Bytes) {
  S.Clear();
  if (!Bytes.empty()) S.Write(Bytes.data(), static_cast<int32_t>(Bytes.size()));
}

std::vector<uint8_t> StreamBytes(const TMemoryStream& S) {
  const auto* P = static_cast<const uint8_t*>(S.Memory());
  return P ? std::vector<uint8_t>(P, P + S.Size()) : std::vector<uint8_t>();
}

// One row of the frequency table, composed with iostreams rather than printf.
std::string TableRow(int64_t Datum, int32_t Frequency) {
  std::ostringstream Row;
  Row << std::setw(8) << Datum << "  =  $" << std::uppercase << std::hex << Datum << "     | "
      << std::dec << std::setw(8) << Frequency << "  =  $" << std::hex
      << static_cast<uint32_t>(Frequency) << "\r\n";
  return Row.str();
}

const std::string TableHead =
    "================================================\r\n"
    "        Data:       |      Frequency:\r\n"
    "================================================\r\n";

std::string ExpectedTableBlock(const std::vector<int32_t>& A) {
  std::string T = TableHead;
  for (size_t I = 0; I < A.size(); ++I) T += TableRow(static_cast<int64_t>(I), A[I]);
  return T + "\r\n";
}

// The views of the 11 bytes "abracadabra" opened as abra.txt.
const std::string& AbraDistribution = AbracadabraGolden::DistributionView;
const std::string& AbraArrays = AbracadabraGolden::ArrayView;

std::vector<int32_t> AbraFrequencies() {
  std::vector<int32_t> F(256, 0);
  for (char C : std::string("abracadabra")) ++F[static_cast<uint8_t>(C)];
  return F;
}

// Counts Bytes with the engine's counting build (the window's 8-bit open).
void CountInto(THuffman& H, const std::string& Bytes) {
  FillStream(H.InStream(), std::vector<uint8_t>(Bytes.begin(), Bytes.end()));
  H.Encode();
}

// A THuffman whose leaves a test sets directly.
class TLeafHuffman : public THuffman {
public:
  void SetLeaves(const std::vector<THuffmanNode>& Leaves) {
    Nodes() = Leaves;
    SetCount(static_cast<int32_t>(Leaves.size()));
  }
};

THuffmanNode Leaf(uint8_t Data, int32_t Frequency, int32_t BitLength) {
  return THuffmanNode{0, Data, Frequency, BitLength, 0, -1, -1, -1};
}

// Each test works in a folder of its own.
class FrameDocFiles : public ::testing::Test {
protected:
  void SetUp() override {
    const char* Base = std::getenv("TMPDIR");
    std::string Pattern = std::string(Base && *Base ? Base : "/tmp") + "/framedoc-XXXXXX";
    ASSERT_NE(::mkdtemp(Pattern.data()), nullptr);
    Dir = Pattern;
  }
  void TearDown() override { fs::remove_all(Dir); }

  std::string Write(const std::string& Name, const std::string& Bytes) {
    const std::string Path = (Dir / Name).string();
    std::ofstream(Path, std::ios::binary) << Bytes;
    return Path;
  }
  std::string Write(const std::string& Name, const std::vector<uint8_t>& Bytes) {
    return Write(Name, std::string(Bytes.begin(), Bytes.end()));
  }

  fs::path Dir;
};

}  // namespace

// ---- ReadExtendedData --------------------------------------------------------

TEST(FrameDocExtendedRead, TwoWordsGiveTableScanAndOrder) {
  TMemoryStream In;
  FillStream(In, LittleEndianWords({0, 5}));
  std::vector<int32_t> F;
  TTableScan Scan;
  ASSERT_TRUE(ReadExtendedData(In, F, Scan));
  EXPECT_EQ(F, (std::vector<int32_t>{0, 5}));
  EXPECT_EQ(Scan.DataCount, 2);
  EXPECT_EQ(Scan.MaxFrequency, 5);
  EXPECT_EQ(Scan.MaxData, 1);
  std::vector<int32_t> Sorted;
  int32_t OrderCount = -1;
  ASSERT_TRUE(BuildFrequencyOrder(F, Sorted, OrderCount));
  EXPECT_EQ(Sorted, (std::vector<int32_t>{5, 0}));
  EXPECT_EQ(OrderCount, 1);
}

// A file that qualifies: its bytes, where the stream stands before the read,
// and the table and scan the read must give (the scan by its definition).
struct TExtendedReadCase {
  const char* Name;
  std::vector<uint8_t> Bytes;
  int64_t Position;
  std::vector<int32_t> Frequency;
  TTableScan Scan;
};

TEST(FrameDocExtendedRead, QualifyingFilesGiveTheirTableAndScan) {
  std::vector<int32_t> Largest(10240, 0);
  Largest[10239] = 7;
  const std::vector<TExtendedReadCase> Cases = {
      // A short last word keeps the previous word's high bytes.
      {"short last word", {0x05, 0x00, 0x01, 0x00, 0x07, 0x00}, 0, {65541, 65543}, {2, 65543, 1}},
      {"shorter than a word", {0x01, 0x02, 0x03}, 0, {0x030201}, {1, 0x030201, 0}},
      {"read from the start", LittleEndianWords({3, 4}), 8, {3, 4}, {2, 4, 1}},
      {"10240 words",
       LittleEndianWords({Largest.begin(), Largest.end()}),
       0,
       Largest,
       {10240, 7, 10239}},
      {"largest frequency", LittleEndianWords({1048576}), 0, {1048576}, {1, 1048576, 0}},
      {"all zero", LittleEndianWords({0, 0, 0}), 0, {0, 0, 0}, {0, 0, 0}},
      {"lowest of equal maxima", LittleEndianWords({1, 8, 3, 8, 0}), 0, {1, 8, 3, 8, 0}, {4, 8, 1}},
  };
  for (const auto& Case : Cases) {
    SCOPED_TRACE(Case.Name);
    TMemoryStream In;
    FillStream(In, Case.Bytes);
    In.SetPosition(Case.Position);
    std::vector<int32_t> F;
    TTableScan Scan;
    ASSERT_TRUE(ReadExtendedData(In, F, Scan));
    EXPECT_EQ(F, Case.Frequency);
    EXPECT_EQ(Scan.DataCount, Case.Scan.DataCount);
    EXPECT_EQ(Scan.MaxFrequency, Case.Scan.MaxFrequency);
    EXPECT_EQ(Scan.MaxData, Case.Scan.MaxData);
  }
}

TEST(FrameDocExtendedRead, RefusedFilesLeaveNoData) {
  std::vector<int64_t> TooLong(10240, 0);
  auto TooLongBytes = LittleEndianWords(TooLong);
  ASSERT_EQ(TooLongBytes.size(), 40960u);
  TooLongBytes.push_back(0);
  // The file, then entries of the table known after the read: a bad word
  // stops the read, the words before it stay, those after are never read.
  const std::vector<std::pair<std::vector<uint8_t>, std::vector<std::pair<size_t, int32_t>>>>
      Cases = {{TooLongBytes, {}},
               {LittleEndianWords({9, 1048577, 4}), {{0, 9}, {2, 0}}},
               {LittleEndianWords({1, 0x80000000LL}), {}}};
  for (const auto& [Bytes, Known] : Cases) {
    SCOPED_TRACE(Bytes.size());
    TMemoryStream In;
    FillStream(In, Bytes);
    std::vector<int32_t> F;
    TTableScan Scan{9, 9, 9};
    EXPECT_FALSE(ReadExtendedData(In, F, Scan));
    EXPECT_EQ(Scan.DataCount, 0);
    if (!Known.empty()) {
      ASSERT_EQ(F.size(), Bytes.size() / 4);
    }
    for (const auto& [Index, Value] : Known) EXPECT_EQ(F[Index], Value) << Index;
  }
}

TEST(FrameDocExtendedRead, EmptyStreamDoesNotQualify) {
  TMemoryStream In;
  std::vector<int32_t> F{1, 2};
  TTableScan Scan{5, 5, 5};
  EXPECT_FALSE(ReadExtendedData(In, F, Scan));
  EXPECT_TRUE(F.empty());
  EXPECT_EQ(Scan.DataCount, 0);
  EXPECT_EQ(Scan.MaxFrequency, 0);
}

// ---- TakeFrequencies, StoreFrequencies -----------------------------------------

TEST(FrameDocTakeFrequencies, CountedBytesFillTheTable) {
  THuffman H;
  CountInto(H, "abca");
  std::vector<int32_t> F(256, 0);
  TTableScan Scan;
  ASSERT_TRUE(TakeFrequencies(H, F, Scan));
  std::vector<int32_t> Expected(256, 0);
  Expected[97] = 2;
  Expected[98] = 1;
  Expected[99] = 1;
  EXPECT_EQ(F, Expected);
  EXPECT_EQ(Scan.DataCount, 100);
  EXPECT_EQ(Scan.MaxFrequency, 2);
  EXPECT_EQ(Scan.MaxData, 97);
  std::vector<int32_t> Sorted;
  int32_t OrderCount = 0;
  ASSERT_TRUE(BuildFrequencyOrder(F, Sorted, OrderCount));
  EXPECT_EQ(OrderCount, 3);
}

TEST(FrameDocTakeFrequencies, RefusedCodesChangeNothing) {
  // The code's leaves (none, more than the table has entries, one beyond the
  // table), and the table before.
  const std::vector<std::pair<std::vector<THuffmanNode>, std::vector<int32_t>>> Cases = {
      {{}, {4, 5}},
      {{Leaf(0, 3, 1), Leaf(1, 2, 2), Leaf(2, 1, 2)}, {0, 0}},
      {{Leaf(200, 3, 1), Leaf(1, 2, 1)}, std::vector<int32_t>(4, 0)},
  };
  for (const auto& [Leaves, Before] : Cases) {
    TLeafHuffman H;
    H.SetLeaves(Leaves);
    std::vector<int32_t> F = Before;
    TTableScan Scan{9, 8, 7};
    EXPECT_FALSE(TakeFrequencies(H, F, Scan)) << Leaves.size() << " leaves";
    EXPECT_EQ(F, Before);
    EXPECT_EQ(Scan.DataCount, 9);
    EXPECT_EQ(Scan.MaxFrequency, 8);
    EXPECT_EQ(Scan.MaxData, 7);
  }
}

TEST(FrameDocStoreFrequencies, WritesEveryEntryAsLittleEndianWords) {
  THuffman H;
  CountInto(H, "previous content");
  std::vector<int32_t> F(300, 0);
  F[1] = 0x01020304;
  F[40] = 9;
  F[299] = 1;
  TTableScan Scan;
  ASSERT_TRUE(StoreFrequencies(H, F, Scan));
  EXPECT_EQ(H.Count(), 0);
  std::vector<int64_t> Words(F.begin(), F.end());
  EXPECT_EQ(StreamBytes(H.InStream()), LittleEndianWords(Words));
  EXPECT_EQ(Scan.DataCount, 300);
  EXPECT_EQ(Scan.MaxFrequency, 0x01020304);
  EXPECT_EQ(Scan.MaxData, 1);
}

TEST(FrameDocStoreFrequencies, RebuildCoversOnlyTheFirst256Data) {
  THuffman H;
  std::vector<int32_t> F(400, 0);
  F[3] = 5;
  F[255] = 2;
  F[256] = 100;
  TTableScan Scan;
  ASSERT_TRUE(StoreFrequencies(H, F, Scan));
  H.BuildFromTable();
  ASSERT_EQ(H.Count(), 2);
  THuffmanNode N{};
  H.GetNode(0, N);
  EXPECT_EQ(N.Data, 3);
  H.GetNode(1, N);
  EXPECT_EQ(N.Data, 255);
  EXPECT_EQ(Scan.DataCount, 257);
  EXPECT_EQ(Scan.MaxData, 256);
}

TEST(FrameDocStoreFrequencies, EmptyTableClearsTheCodeAndKeepsTheScan) {
  THuffman H;
  CountInto(H, "xyz");
  TTableScan Scan{3, 1, 120};
  EXPECT_FALSE(StoreFrequencies(H, std::vector<int32_t>{}, Scan));
  EXPECT_EQ(H.Count(), 0);
  EXPECT_EQ(H.InStream().Size(), 0);
  EXPECT_EQ(Scan.DataCount, 3);
  EXPECT_EQ(Scan.MaxData, 120);
}

// ---- frequency order -------------------------------------------------------------

TEST(FrameDocFrequencyOrder, SortsDescendingLikeAReferenceSort) {
  std::mt19937 Random(7);
  for (int Round = 0; Round < 200; ++Round) {
    const size_t Size = 1 + Random() % 600;
    const int32_t Range = Round % 3 == 0 ? 3 : 1000000;  // many ties, few ties
    std::vector<int32_t> A(Size);
    for (auto& V : A) V = static_cast<int32_t>(Random() % Range);
    std::vector<int32_t> Expected = A;
    std::sort(Expected.begin(), Expected.end(), [](int32_t X, int32_t Y) { return X > Y; });
    SortFrequencies(A, 0, static_cast<int32_t>(A.size()) - 1);
    ASSERT_EQ(A, Expected) << "round " << Round;
  }
}

TEST(FrameDocFrequencyOrder, SortsOnlyTheGivenRange) {
  std::vector<int32_t> A{1, 2, 3, 4, 5, 6};
  SortFrequencies(A, 1, 4);
  EXPECT_EQ(A, (std::vector<int32_t>{1, 5, 4, 3, 2, 6}));
}

TEST(FrameDocFrequencyOrder, AlreadySortedAndReversedInputs) {
  std::vector<int32_t> Up(10240), Down(10240);
  for (int32_t I = 0; I < 10240; ++I) {
    Up[static_cast<size_t>(I)] = I;
    Down[static_cast<size_t>(I)] = 10240 - I;
  }
  SortFrequencies(Up, 0, 10239);
  SortFrequencies(Down, 0, 10239);
  EXPECT_TRUE(std::is_sorted(Up.rbegin(), Up.rend()));
  EXPECT_TRUE(std::is_sorted(Down.rbegin(), Down.rend()));
}

TEST(FrameDocFrequencyOrder, EmptyTableLeavesTheOrderAlone) {
  std::vector<int32_t> Sorted{9, 8};
  int32_t OrderCount = 2;
  EXPECT_FALSE(BuildFrequencyOrder(std::vector<int32_t>{}, Sorted, OrderCount));
  EXPECT_EQ(Sorted, (std::vector<int32_t>{9, 8}));
  EXPECT_EQ(OrderCount, 2);
}

TEST(FrameDocFrequencyOrder, OrderCountIsTheNumberOfNonZeroEntries) {
  std::vector<int32_t> Sorted;
  int32_t OrderCount = -1;
  ASSERT_TRUE(BuildFrequencyOrder(std::vector<int32_t>{0, 4, 0, 0, 1, 4, 0}, Sorted, OrderCount));
  EXPECT_EQ(Sorted, (std::vector<int32_t>{4, 4, 1, 0, 0, 0, 0}));
  EXPECT_EQ(OrderCount, 3);
  ASSERT_TRUE(BuildFrequencyOrder(std::vector<int32_t>{0, 0}, Sorted, OrderCount));
  EXPECT_EQ(OrderCount, 0);
}

// ---- statistics, curve, ranges, tails --------------------------------------------

TEST(FrameDocStatistics, MeanAndVarianceOfBothOrders) {
  const std::vector<int32_t> F{0, 10, 20, 10};
  std::vector<int32_t> Sorted;
  int32_t OrderCount = 0;
  ASSERT_TRUE(BuildFrequencyOrder(F, Sorted, OrderCount));
  const TStatistics S = ComputeStatistics(F, 4, Sorted, OrderCount);
  EXPECT_EQ(S.DataMean, 2);
  EXPECT_EQ(S.DataVariance, 0);
  // Order 20, 10, 10: mean 30 div 40 = 0, variance (10 + 40) div 40 = 1.
  EXPECT_EQ(S.OrderMean, 0);
  EXPECT_EQ(S.OrderVariance, 1);
}

TEST(FrameDocStatistics, VarianceIsTakenAboutTheTruncatedMean) {
  // N 4, moment 6: mean 1 (not 1.5); about 1 the variance is 4 div 4 = 1,
  // about 1.5 it would be 0.
  const std::vector<int32_t> F{1, 0, 3};
  const TStatistics S = ComputeStatistics(F, 3, F, 3);
  EXPECT_EQ(S.DataMean, 1);
  EXPECT_EQ(S.DataVariance, (1 * 1 + 3 * 1) / 4);
}

TEST(FrameDocStatistics, NoDataGivesZeros) {
  const std::vector<int32_t> F{0, 0, 0};
  const TStatistics S = ComputeStatistics(F, 0, F, 0);
  EXPECT_EQ(S.DataMean, 0);
  EXPECT_EQ(S.DataVariance, 0);
  EXPECT_EQ(S.OrderMean, 0);
  EXPECT_EQ(S.OrderVariance, 0);
}

TEST(FrameDocStatistics, LargeTablesDoNotOverflow) {
  std::vector<int32_t> F(10240, 1048576);
  const TStatistics S = ComputeStatistics(F, 10240, F, 10240);
  EXPECT_EQ(S.DataMean, 5119);  // (10239 * 10240 / 2) div 10240
  EXPECT_GT(S.DataVariance, 8000000);
}

TEST(FrameDocNormalCurve, CentredAtZero) {
  const auto C = ComputeNormalCurve(256, 0, 10, 100);
  ASSERT_EQ(C.size(), 256u);
  const std::vector<int32_t> Head{100, 95, 82, 64, 45, 29, 17, 9, 4, 2, 1};
  EXPECT_EQ(std::vector<int32_t>(C.begin(), C.begin() + 11), Head);
  EXPECT_TRUE(std::all_of(C.begin() + 11, C.end(), [](int32_t V) { return V == 0; }));
}

TEST(FrameDocNormalCurve, ZeroVarianceCountsAsOne) {
  const auto C = ComputeNormalCurve(256, 5, 0, 50);
  const std::vector<int32_t> Head{0, 0, 1, 7, 30, 50, 30, 7, 1};
  EXPECT_EQ(std::vector<int32_t>(C.begin(), C.begin() + 9), Head);
  EXPECT_TRUE(std::all_of(C.begin() + 9, C.end(), [](int32_t V) { return V == 0; }));
}

TEST(FrameDocNormalCurve, ZeroPeakAndZeroVarianceIsFlat) {
  const auto C = ComputeNormalCurve(20, 3, 0, 0);
  EXPECT_EQ(C, std::vector<int32_t>(20, 0));
  EXPECT_TRUE(ComputeNormalCurve(0, 0, 10, 100).empty());
}

TEST(FrameDocNormalCurve, CentreLeftOfTheTable) {
  // 100 e^-4.5 = 1.1 at position 0, then nothing.
  const auto C = ComputeNormalCurve(10, -3, 1, 100);
  EXPECT_EQ(C, (std::vector<int32_t>{1, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(FrameDocRanges, BadRangesGiveMinusOne) {
  const std::vector<int32_t> A{1, 2, 3};
  EXPECT_EQ(RangeTotal(A, -1, 2), -1);
  EXPECT_EQ(RangeTotal(A, 0, 3), -1);
  EXPECT_EQ(RangeTotal(A, 2, 1), -1);
  EXPECT_EQ(RangeMean(A, 0, 3), -1);
  EXPECT_EQ(RangeVariance(A, -1, 0, 0), -1);
  EXPECT_EQ(RangeTotal(std::vector<int32_t>{}, 0, 0), -1);
}

TEST(FrameDocRanges, TotalMeanAndVariance) {
  const std::vector<int32_t> A{0, 10, 20, 10, 7};
  EXPECT_EQ(RangeTotal(A, 0, 3), 40);
  EXPECT_EQ(RangeTotal(A, 4, 4), 7);
  EXPECT_EQ(RangeMean(A, 0, 3), 2);
  EXPECT_EQ(RangeVariance(A, 0, 3, 2), 0);
  EXPECT_EQ(RangeVariance(A, 0, 3, 0), (10 * 1 + 20 * 4 + 10 * 9) / 40);
  EXPECT_EQ(RangeTotal(std::vector<int32_t>(10240, 1048576), 0, 10239), 10240LL * 1048576);
}

TEST(FrameDocRanges, ZeroTotalGivesMinusOneInsteadOfDividingByZero) {
  const std::vector<int32_t> A{0, 0, 5};
  EXPECT_EQ(RangeMean(A, 0, 1), -1);
  EXPECT_EQ(RangeVariance(A, 0, 1, 0), -1);
}

TEST(FrameDocTails, SingleDatumIsBothTailsAtEveryPercentage) {
  std::vector<int32_t> A(256, 0);
  A[77] = 12;
  const TTableScan Scan = ScanTable(A);
  for (int32_t P = 1; P <= 49; ++P) {
    const int32_t Lo = LowerTailIndex(A, P, Scan.MaxData);
    const int32_t Hi = UpperTailIndex(A, P, Scan.MaxData);
    ASSERT_EQ(Lo, 77) << P;
    ASSERT_EQ(Hi, 77) << P;
    EXPECT_EQ(RangeMean(A, Lo, Hi), 77);
    EXPECT_EQ(RangeVariance(A, Lo, Hi, 77), 0);
  }
}

TEST(FrameDocTails, PercentOutsideOneToFortyNine) {
  const std::vector<int32_t> A{1, 2, 3};
  EXPECT_EQ(LowerTailIndex(A, 0, 2), -1);
  EXPECT_EQ(LowerTailIndex(A, 50, 2), -1);
  EXPECT_EQ(UpperTailIndex(A, 0, 2), -1);
  EXPECT_EQ(UpperTailIndex(A, 50, 2), -1);
}

TEST(FrameDocTails, ScanStopsAtMaxData) {
  const std::vector<int32_t> A(10, 10);  // MaxData 0: the first of equal maxima
  EXPECT_EQ(LowerTailIndex(A, 5, 0), 0);
  EXPECT_EQ(LowerTailIndex(A, 20, 0), 1);  // limit reached: MaxData + 1
  EXPECT_EQ(UpperTailIndex(A, 5, 0), 9);
  EXPECT_EQ(UpperTailIndex(A, 20, 0), 8);
  EXPECT_EQ(UpperTailIndex(A, 20, 9), 8);  // limit reached: MaxData - 1
}

TEST(FrameDocTails, EmptyOrZeroTableGivesMinusOne) {
  EXPECT_EQ(LowerTailIndex(std::vector<int32_t>{}, 10, 0), -1);
  EXPECT_EQ(UpperTailIndex(std::vector<int32_t>{0, 0}, 10, 0), -1);
}

// ---- ratio, table block, views -----------------------------------------------

TEST(FrameDocRatio, OneDecimalRoundedHalfUp) {
  EXPECT_EQ(FormatCompressionRatio(49, 400, '.'), "12.3");  // 12.25
  EXPECT_EQ(FormatCompressionRatio(3, 24, '.'), "12.5");
  EXPECT_EQ(FormatCompressionRatio(23, 88, '.'), "26.1");  // 26.136...
  EXPECT_EQ(FormatCompressionRatio(16, 8, '.'), "200.0");
  EXPECT_EQ(FormatCompressionRatio(0, 8, '.'), "0.0");
}

TEST(FrameDocRatio, UsesTheGivenDecimalSeparator) {
  EXPECT_EQ(FormatCompressionRatio(3, 24, ','), "12,5");
}

TEST(FrameDocRatio, NoPlainSizeShowsNoNumber) {
  EXPECT_EQ(FormatCompressionRatio(0, 0, '.'), NoRatioText);
  THuffman Empty;
  EXPECT_EQ(CompressionRatioText(Empty, '.'), NoRatioText);
}

TEST(FrameDocRatio, SumsOverTheLeaves) {
  TLeafHuffman H;
  H.SetLeaves({Leaf(1, 2, 1), Leaf(2, 1, 1)});
  EXPECT_EQ(CompressionRatioText(H, '.'), "12.5");
  // 64-bit sums: 256 leaves of 2^20 at 16 bits would overflow 32 bits.
  std::vector<THuffmanNode> Big;
  for (int I = 0; I < 256; ++I) Big.push_back(Leaf(static_cast<uint8_t>(I), 1048576, 16));
  H.SetLeaves(Big);
  EXPECT_EQ(CompressionRatioText(H, '.'), "200.0");
}

TEST(FrameDocRatio, OneDistinctByteCodesAtOneBit) {
  THuffman H;
  CountInto(H, std::string(1000, 'A'));
  EXPECT_EQ(CompressionRatioText(H, '.'), "12.5");
}

TEST(FrameDocFrequencyTable, RowsMatchTheColumnLayout) {
  std::vector<int32_t> A(11, 0);
  A[10] = 300;
  const std::string T = FrequencyTableText(A, 11);
  EXPECT_NE(T.find("      10  =  $A     |      300  =  $12C\r\n"), std::string::npos);
  EXPECT_EQ(T, ExpectedTableBlock(A));
}

TEST(FrameDocFrequencyTable, WideValuesAreNotCut) {
  const std::vector<int32_t> A{123456789, 0};
  EXPECT_EQ(FrequencyTableText(A, 2), ExpectedTableBlock(A));
  EXPECT_NE(FrequencyTableText(A, 2).find("123456789  =  $75BCD15"), std::string::npos);
}

TEST(FrameDocFrequencyTable, LimitCutsAndIsCut) {
  const std::vector<int32_t> A{5, 6, 7};
  EXPECT_EQ(FrequencyTableText(A, 2), ExpectedTableBlock({5, 6}));
  EXPECT_EQ(FrequencyTableText(A, 99), ExpectedTableBlock(A));
  EXPECT_EQ(FrequencyTableText(A, 0), TableHead + "\r\n");
  EXPECT_EQ(FrequencyTableText(std::vector<int32_t>{}, 5), "");
}

TEST(FrameDocViews, AbracadabraInAllThreeViews) {
  THuffman H;
  CountInto(H, "abracadabra");
  const auto F = AbraFrequencies();
  const TViewTexts V = BuildViewTexts("abra.txt", ScanTable(F).DataCount, F, H, '.');
  EXPECT_EQ(V.HuffmanText, AbraDistribution);
  EXPECT_EQ(V.ArrayText, AbraArrays);
  EXPECT_EQ(V.TableText,
            "ファイル名 = abra.txt\r\n\r\n<データの頻度テーブル>   10 進  =  16 進表現\r\n" +
                ExpectedTableBlock(F));
}

TEST(FrameDocViews, NoCodeSaysSoAndStillListsTheTable) {
  THuffman H;
  const std::vector<int32_t> F(3, 0);
  const TViewTexts V = BuildViewTexts("zero.bin", 0, F, H, '.');
  const std::string Head = "ファイル名 = zero.bin\r\n\r\nハフマン符号が作成出来ない為、\r\n\r\n";
  EXPECT_EQ(V.HuffmanText, Head + "ハフマン分布は表示出来ません。");
  EXPECT_EQ(V.ArrayText, Head + "ハフマン配列は表示出来ません。");
  EXPECT_EQ(V.TableText,
            "ファイル名 = zero.bin\r\n\r\n<データの頻度テーブル>   10 進  =  16 進表現\r\n" +
                ExpectedTableBlock(F));
}

TEST(FrameDocViews, DataOnlyBeyond255GivesNoRatioAndEmptyReports) {
  std::vector<int32_t> F(300, 0);
  F[299] = 4;
  THuffman H;
  TTableScan Scan;
  ASSERT_TRUE(StoreFrequencies(H, F, Scan));
  H.BuildFromTable();
  ASSERT_EQ(H.Count(), 0);
  const TViewTexts V = BuildViewTexts("", Scan.DataCount, F, H, '.');
  const std::string Head = "ファイル名 = \r\nハフマン符号による圧縮率 = --- %\r\n\r\n";
  EXPECT_EQ(V.HuffmanText, Head + "<データのハフマン分布>\r\n");
  EXPECT_EQ(V.ArrayText, Head);
}

TEST(FrameDocViews, FileNameLineShowsTheNameOnly) {
  EXPECT_EQ(ExtractFileName("/home/user/data/abra.txt"), "abra.txt");
  EXPECT_EQ(ExtractFileName("abra.txt"), "abra.txt");
  EXPECT_EQ(ExtractFileName(""), "");
  EXPECT_EQ(ExtractFileName("dir/"), "");
}

// ---- the open road -----------------------------------------------------------------

TEST_F(FrameDocFiles, OpenAbracadabraGivesTheViews) {
  const std::string Path = Write("abra.txt", "abracadabra");
  THuffman H;
  TDocument Doc;
  int Busy = 0;
  const TOpenResult R = OpenDocumentFile(Path, false, H, Doc, '.', {[&] { ++Busy; }, {}, {}});
  ASSERT_EQ(R.Status, TOpenStatus::Opened);
  EXPECT_FALSE(R.FellBack);
  EXPECT_EQ(Busy, 1);
  EXPECT_EQ(Doc.FileName, Path);
  EXPECT_EQ(Doc.Frequency, AbraFrequencies());
  EXPECT_EQ(Doc.Scan.DataCount, 115);
  EXPECT_EQ(Doc.Scan.MaxData, 97);
  EXPECT_EQ(Doc.OrderCount, 5);
  EXPECT_EQ(Doc.Texts.HuffmanText, AbraDistribution);
  EXPECT_EQ(Doc.Texts.ArrayText, AbraArrays);
  EXPECT_EQ(H.Count(), 5);
  EXPECT_EQ(H.InStream().Size(), 0);
  EXPECT_EQ(H.OutStream().Size(), 0);
}

TEST_F(FrameDocFiles, MissingFileOrFolderIsNotFound) {
  THuffman H;
  TDocument Doc;
  Doc.FileName = "kept";
  const std::string Missing = (Dir / "nothing.bin").string();
  TOpenResult R = OpenDocumentFile(Missing, false, H, Doc, '.');
  EXPECT_EQ(R.Status, TOpenStatus::NotFound);
  EXPECT_EQ(R.Message, Missing + " は見つかりません。");
  R = OpenDocumentFile(Dir.string(), true, H, Doc, '.');
  EXPECT_EQ(R.Status, TOpenStatus::NotFound);
  EXPECT_EQ(R.Message, Dir.string() + " は見つかりません。");
  EXPECT_EQ(Doc.FileName, "kept");
}

TEST_F(FrameDocFiles, EmptyFileIsRefusedAndTheDocumentKept) {
  THuffman H;
  TDocument Doc;
  ASSERT_EQ(OpenDocumentFile(Write("abra.txt", "abracadabra"), false, H, Doc, '.').Status,
            TOpenStatus::Opened);
  int Busy = 0;
  const TOpenResult R =
      OpenDocumentFile(Write("empty", ""), false, H, Doc, '.', {[&] { ++Busy; }, {}, {}});
  EXPECT_EQ(R.Status, TOpenStatus::Empty);
  EXPECT_EQ(R.Message, "サイズが 0 のファイルは表示出来ません。");
  EXPECT_EQ(Busy, 0);
  EXPECT_EQ(Doc.Texts.HuffmanText, AbraDistribution);
}

TEST_F(FrameDocFiles, FileBeyondTwoGibibytesIsRefusedWithoutReading) {
  const std::string Path = (Dir / "huge.bin").string();
  { std::ofstream(Path, std::ios::binary); }
  // Sparse: takes no disk space.
  ASSERT_EQ(::truncate(Path.c_str(), 2147483648LL), 0);
  THuffman H;
  TDocument Doc;
  const TOpenResult R = OpenDocumentFile(Path, false, H, Doc, '.');
  EXPECT_EQ(R.Status, TOpenStatus::TooLarge);
  EXPECT_EQ(R.Message, Path + " は大きすぎて表示出来ません。");
  EXPECT_EQ(H.InStream().Size(), 0);
}

TEST_F(FrameDocFiles, FileChangedDuringTheOpenIsRefusedAndTheDocumentKept) {
  // The new size the file gets once it is open (Busy comes before the
  // read), the mode, and the refusal.
  const std::vector<std::tuple<int64_t, bool, TOpenStatus, std::string>> Cases{
      {3, false, TOpenStatus::Changed, " は読み込みの途中で変更されたので表示出来ません。"},
      {0, false, TOpenStatus::Changed, " は読み込みの途中で変更されたので表示出来ません。"},
      {3, true, TOpenStatus::Changed, " は読み込みの途中で変更されたので表示出来ません。"},
      {2147483648LL, false, TOpenStatus::TooLarge, " は大きすぎて表示出来ません。"},
  };
  for (const auto& [Size, Extended, Status, Message] : Cases) {
    THuffman H;
    TDocument Doc;
    ASSERT_EQ(OpenDocumentFile(Write("abra.txt", "abracadabra"), false, H, Doc, '.').Status,
              TOpenStatus::Opened);
    const std::string Path = Write("changing", std::string(40, 'z'));
    const auto Cut = [&, Size = Size] { ASSERT_EQ(::truncate(Path.c_str(), Size), 0); };
    const TOpenResult R = OpenDocumentFile(Path, Extended, H, Doc, '.', {Cut, {}, {}});
    EXPECT_EQ(R.Status, Status) << Size;
    EXPECT_EQ(R.Message, Path + Message);
    EXPECT_EQ(Doc.Texts.HuffmanText, AbraDistribution);
    EXPECT_EQ(H.Count(), 5) << Size;  // the code of abracadabra
  }
}

TEST_F(FrameDocFiles, UnreadableFileRaisesTheOpenError) {
  if (::geteuid() == 0) GTEST_SKIP() << "root reads every file";
  const std::string Path = Write("locked", "data");
  ASSERT_EQ(::chmod(Path.c_str(), 0), 0);
  THuffman H;
  TDocument Doc;
  EXPECT_THROW(OpenDocumentFile(Path, false, H, Doc, '.'), EFOpenError);
}

TEST_F(FrameDocFiles, PipeIsRefusedWithoutWaitingForAWriter) {
  const std::string Path = (Dir / "pipe").string();
  ASSERT_EQ(::mkfifo(Path.c_str(), 0600), 0);
  THuffman H;
  TDocument Doc;
  try {
    OpenDocumentFile(Path, false, H, Doc, '.');
    ADD_FAILURE() << "no error";
  } catch (const EFOpenError& E) {
    EXPECT_EQ(E.Message(), "ファイル " + Path + " は開けません");
  }
}

TEST_F(FrameDocFiles, ExtendedTableIsReadAsWords) {
  std::vector<int64_t> Words(10240, 0);
  Words[0] = 3;
  Words[1] = 1;
  Words[300] = 9;
  const std::string Path = Write("table.bin", LittleEndianWords(Words));
  THuffman H;
  TDocument Doc;
  int Fallbacks = 0;
  const TOpenResult R =
      OpenDocumentFile(Path, true, H, Doc, '.', {{}, [&](const std::string&) { ++Fallbacks; }, {}});
  ASSERT_EQ(R.Status, TOpenStatus::Opened);
  EXPECT_FALSE(R.FellBack);
  EXPECT_EQ(Fallbacks, 0);
  EXPECT_EQ(Doc.Frequency.size(), 10240u);
  EXPECT_EQ(Doc.Scan.DataCount, 301);
  EXPECT_EQ(Doc.Scan.MaxData, 300);
  EXPECT_EQ(H.Count(), 2);  // data 0 and 1; 300 lies beyond the code
  // One table row per word.
  const std::string& T = Doc.Texts.TableText;
  EXPECT_NE(T.find(TableRow(10239, 0)), std::string::npos);
  EXPECT_EQ(T.find(TableRow(10240, 0)), std::string::npos);
}

TEST_F(FrameDocFiles, UnqualifiedTableFallsBackToBytes) {
  auto Bytes = LittleEndianWords(std::vector<int64_t>(10240, 1));
  Bytes.push_back(1);  // 40961 bytes
  const std::string Path = Write("big.bin", Bytes);
  THuffman H;
  TDocument Doc;
  std::string Shown;
  const TOpenResult R =
      OpenDocumentFile(Path, true, H, Doc, '.', {{}, [&](const std::string& M) { Shown = M; }, {}});
  ASSERT_EQ(R.Status, TOpenStatus::Opened);
  EXPECT_TRUE(R.FellBack);
  const std::string Expected = "\r\nファイル " + Path +
                               "\r\n\r\nに含まれるデータは 32 bit の拡張データとして扱えない特性"
                               "\r\n\r\nを持っていますので、8 bit の通常データとして扱います。\r\n";
  EXPECT_EQ(R.FallbackMessage, Expected);
  EXPECT_EQ(Shown, Expected);
  std::vector<int32_t> Counted(256, 0);
  Counted[0] = 40960 - 10240;
  Counted[1] = 10241;
  EXPECT_EQ(Doc.Frequency, Counted);
}

TEST_F(FrameDocFiles, AllZeroTableOpensWithoutACode) {
  const std::string Path = Write("zero.bin", LittleEndianWords({0, 0}));
  THuffman H;
  TDocument Doc;
  const TOpenResult R = OpenDocumentFile(Path, true, H, Doc, '.');
  ASSERT_EQ(R.Status, TOpenStatus::Opened);
  EXPECT_FALSE(R.FellBack);
  EXPECT_EQ(Doc.Scan.DataCount, 0);
  EXPECT_EQ(Doc.Texts.HuffmanText,
            "ファイル名 = zero.bin\r\n\r\nハフマン符号が作成出来ない為、\r\n\r\n"
            "ハフマン分布は表示出来ません。");
}

TEST_F(FrameDocFiles, ReopeningReplacesTheWholeDocument) {
  THuffman H;
  TDocument Doc;
  ASSERT_EQ(OpenDocumentFile(Write("a", LittleEndianWords({0, 0, 0, 4})), true, H, Doc, '.').Status,
            TOpenStatus::Opened);
  ASSERT_EQ(OpenDocumentFile(Write("b", "zz"), false, H, Doc, '.').Status, TOpenStatus::Opened);
  EXPECT_EQ(Doc.Frequency.size(), 256u);
  EXPECT_EQ(Doc.Scan.DataCount, 'z' + 1);
  EXPECT_EQ(Doc.Scan.MaxFrequency, 2);
  EXPECT_EQ(H.Count(), 1);
}
