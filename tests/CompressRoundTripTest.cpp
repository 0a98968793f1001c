// Round trips and damaged streams, generated from a fixed seed so that every
// run sees the same inputs.  Each input is held to the slow literal model in
// CompressModel.h (the code, the form, the decoded bytes and table) and
// to properties checked without it (counts, ordering, a complete canonical
// code within 16 bits).
#include "CompressKernels.h"
#include "CompressModel.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <numeric>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace {

using namespace CompressModel;

// splitmix64: small, fast, and the same sequence everywhere.
class TRandom {
public:
  explicit TRandom(uint64_t Seed) : FState(Seed) {}
  uint64_t Next() {
    uint64_t Z = (FState += 0x9E3779B97F4A7C15ull);
    Z = (Z ^ (Z >> 30)) * 0xBF58476D1CE4E5B9ull;
    Z = (Z ^ (Z >> 27)) * 0x94D049BB133111EBull;
    return Z ^ (Z >> 31);
  }
  // 0..Limit-1 (Limit > 0).
  uint32_t Below(uint32_t Limit) { return static_cast<uint32_t>(Next() % Limit); }
  // Lo..Hi inclusive.
  uint32_t Between(uint32_t Lo, uint32_t Hi) { return Lo + Below(Hi - Lo + 1); }
  uint8_t Byte() { return static_cast<uint8_t>(Next()); }
  template <class T>
  void Shuffle(std::vector<T>& V) {
    for (size_t i = V.size(); i > 1; --i) std::swap(V[i - 1], V[Below(static_cast<uint32_t>(i))]);
  }

private:
  uint64_t FState;
};

// --------------------------------------------------------------------------
// Input generators.

std::vector<uint8_t> Permutation(TRandom& R) {
  std::vector<uint8_t> V(256);
  std::iota(V.begin(), V.end(), 0);
  R.Shuffle(V);
  return V;
}

// Size bytes drawn from Alphabet random values with a skew: Skew 0 is
// uniform, larger values favour the first symbols geometrically.
TBytes Skewed(TRandom& R, size_t Size, uint32_t Alphabet, uint32_t Skew) {
  const std::vector<uint8_t> Values = Permutation(R);
  TBytes B(Size);
  for (auto& X : B) {
    uint32_t k = 0;
    if (Skew == 0) {
      k = R.Below(Alphabet);
    } else {
      // Moves on to the next symbol with probability 1/(Skew+1), and now
      // and then picks any symbol, so rare ones still occur.
      while (k + 1 < Alphabet && R.Below(Skew + 1) == 0) ++k;
      if (R.Below(8) == 0) k = R.Below(Alphabet);
    }
    X = Values[k];
  }
  return B;
}

// Values with the given frequencies (in value order of a random permutation),
// laid out shuffled, in order, or in reverse order.
TBytes WithFrequencies(TRandom& R, const std::vector<uint32_t>& Freq, int Layout) {
  const std::vector<uint8_t> Values = Permutation(R);
  TBytes B;
  for (size_t k = 0; k < Freq.size(); ++k) B.insert(B.end(), Freq[k], Values[k]);
  if (Layout == 0) R.Shuffle(B);
  if (Layout == 2) std::reverse(B.begin(), B.end());
  return B;
}

std::vector<uint32_t> Fibonacci(size_t Count, uint32_t Scale) {
  std::vector<uint32_t> F;
  uint32_t A = 1, B = 1;
  for (size_t k = 0; k < Count; ++k) {
    F.push_back(A * Scale);
    const uint32_t C = A + B;
    A = B;
    B = C;
  }
  return F;
}

TBytes Runs(TRandom& R, size_t Size, uint32_t Alphabet, uint32_t MaxRun) {
  const std::vector<uint8_t> Values = Permutation(R);
  TBytes B;
  while (B.size() < Size) {
    const uint8_t V = Values[R.Below(Alphabet)];
    const size_t Run = std::min<size_t>(R.Between(1, MaxRun), Size - B.size());
    B.insert(B.end(), Run, V);
  }
  return B;
}

TBytes TextLike(TRandom& R, size_t Size) {
  static const char* const Words[] = {
      "the",  "of",   "and",  "a",       "to",   "in",     "is",    "you",    "that", "it", "he",
      "was",  "for",  "on",   "are",     "as",   "with",   "his",   "they",   "I",    "at", "be",
      "this", "have", "from", "Huffman", "code", "length", "table", "stream", "\r\n", ",",  "."};
  TBytes B;
  while (B.size() < Size) {
    const char* W = Words[R.Below(sizeof Words / sizeof Words[0])];
    B.insert(B.end(), W, W + std::char_traits<char>::length(W));
    B.push_back(' ');
  }
  B.erase(B.begin() + static_cast<std::ptrdiff_t>(Size), B.end());
  return B;
}

// --------------------------------------------------------------------------
// Round trips.

struct TRoundTripStats {
  int Cases = 0;
  int Coded = 0;
  int Stored = 0;
  int CodedAtInputSize = 0;  // coded form exactly as large as the input
  int AllValuesCoded = 0;    // coded with 256 entries (N written as 0)
  int Limited = 0;           // the tree was deeper than 16
};

void RoundTrip(THuffman& H, const TBytes& Input, TRoundTripStats& Stats, const std::string& Label) {
  ++Stats.Cases;
  if (!Input.empty()) {
    TTable Tree = CountLeaves(Input.data(), Input.size());
    BuildTree(Tree);
    int32_t Depth = 0;
    for (const auto& Leaf : Tree) Depth = std::max(Depth, Leaf.BitLength);
    Stats.Limited += Depth > 16;
    const TBytes Form =
        EncodedForm(BuildCode(Input.data(), Input.size()), Input.data(), Input.size());
    if ((Form[0] & 3) != 0) {
      ++Stats.Coded;
      Stats.CodedAtInputSize += Form.size() == Input.size();
      Stats.AllValuesCoded += Form[5] == 0;
    } else {
      ++Stats.Stored;
    }
  }
  EXPECT_EQ(CheckRoundTrip(H, Input.data(), Input.size()), "") << Label;
}

void RoundTrip(const TBytes& Input, TRoundTripStats& Stats, const std::string& Label) {
  THuffman H;
  RoundTrip(H, Input, Stats, Label);
}

TEST(CompressRoundTrip, EmptyAndSingleValueInputs) {
  TRoundTripStats Stats;
  RoundTrip({}, Stats, "empty");
  const size_t Sizes[] = {1,  2,  3,  7,  8,  9,   15,  16,  17,   31,   32,  33,
                          40, 41, 63, 64, 65, 255, 256, 257, 1000, 4096, 4097};
  for (uint8_t Value : {0x00, 0x01, 0x41, 0x7F, 0x80, 0xFE, 0xFF})
    for (size_t Size : Sizes)
      RoundTrip(TBytes(Size, Value), Stats, std::to_string(Size) + " x " + std::to_string(Value));
  EXPECT_GT(Stats.Coded, 0);
  EXPECT_GT(Stats.Stored, 0);
}

TEST(CompressRoundTrip, AllByteValues) {
  TRandom R(0x256);
  TRoundTripStats Stats;
  TBytes Ascending(256);
  std::iota(Ascending.begin(), Ascending.end(), 0);
  RoundTrip(Ascending, Stats, "0..255");
  RoundTrip(TBytes(Ascending.rbegin(), Ascending.rend()), Stats, "255..0");
  for (int Round = 0; Round < 60; ++Round) {
    // Equal frequencies: the tie order decides every code.
    TBytes B;
    const uint32_t Copies = R.Between(1, 6);
    for (uint32_t c = 0; c < Copies; ++c) B.insert(B.end(), Ascending.begin(), Ascending.end());
    if (Round % 3 != 0) R.Shuffle(B);
    RoundTrip(B, Stats,
              "256 values x " + std::to_string(Copies) + ", round " + std::to_string(Round));
  }
  for (int Round = 0; Round < 100; ++Round) {
    std::vector<uint32_t> Freq(256);
    for (auto& F : Freq) F = R.Between(1, Round % 2 ? 4 : 40);
    Freq[0] = R.Between(1, 20000);  // one dominant value makes coding pay
    RoundTrip(WithFrequencies(R, Freq, static_cast<int>(R.Below(3))), Stats,
              "256 values, random frequencies, round " + std::to_string(Round));
  }
  EXPECT_GT(Stats.AllValuesCoded, 10);
  EXPECT_GT(Stats.Stored, 10);
}

TEST(CompressRoundTrip, SkewedAndRandomInputs) {
  TRandom R(0x5EED);
  TRoundTripStats Stats;
  for (int Round = 0; Round < 2500; ++Round) {
    // Mostly small inputs, where coded and stored forms compete closely.
    const size_t Size = Round % 4 == 0 ? R.Between(1, 3000) : R.Between(1, 60);
    const uint32_t Alphabet = R.Below(4) == 0 ? 256 : R.Between(1, 24);
    const uint32_t Skew = R.Below(3) == 0 ? 0 : R.Between(1, 12);
    RoundTrip(Skewed(R, Size, Alphabet, Skew), Stats,
              "size " + std::to_string(Size) + ", alphabet " + std::to_string(Alphabet) +
                  ", skew " + std::to_string(Skew) + ", round " + std::to_string(Round));
  }
  for (int Round = 0; Round < 200; ++Round) {
    TBytes B(R.Between(1, 600));
    for (auto& X : B) X = R.Byte();
    RoundTrip(B, Stats, "uniform random, round " + std::to_string(Round));
  }
  for (int Round = 0; Round < 60; ++Round)
    RoundTrip(TextLike(R, R.Between(1, 5000)), Stats, "text, round " + std::to_string(Round));
  EXPECT_GT(Stats.Coded, 500);
  EXPECT_GT(Stats.Stored, 500);
  EXPECT_GT(Stats.CodedAtInputSize, 0);
}

TEST(CompressRoundTrip, DeepTreesHitTheSixteenBitLimit) {
  TRandom R(0xF1B);
  TRoundTripStats Stats;
  int Deep = 0;
  for (size_t Count = 18; Count <= 24; ++Count) {
    for (uint32_t Scale : {1u, 2u, 3u}) {
      if (Scale > 1 && Count > 22) continue;
      for (int Layout = 0; Layout < 3; ++Layout) {
        RoundTrip(WithFrequencies(R, Fibonacci(Count, Scale), Layout), Stats,
                  "Fibonacci " + std::to_string(Count) + " x " + std::to_string(Scale) +
                      ", layout " + std::to_string(Layout));
        ++Deep;
      }
    }
  }
  // Doubling frequencies give the deepest tree for their size.
  for (size_t Count = 18; Count <= 19; ++Count) {
    std::vector<uint32_t> Freq{1};
    for (size_t k = 1; k < Count; ++k) Freq.push_back(1u << (k - 1));
    RoundTrip(WithFrequencies(R, Freq, 0), Stats, "doubling " + std::to_string(Count));
    ++Deep;
  }
  // A block of Rare values seen once stands in for the least frequent
  // Fibonacci value: a deep chain whose bottom holds many leaves, so that
  // the repair moves dozens of them to length 16.
  const std::pair<uint32_t, size_t> Blocks[] = {{64, 12},  {128, 11}, {128, 12},
                                                {200, 10}, {200, 11}, {240, 10}};
  for (const auto& [Rare, Chain] : Blocks) {
    for (int Layout = 0; Layout < 3; ++Layout) {
      std::vector<uint32_t> Freq(Rare, 1);
      const std::vector<uint32_t> Fib = Fibonacci(Chain, Rare);
      Freq.insert(Freq.end(), Fib.begin() + 1, Fib.end());
      RoundTrip(WithFrequencies(R, Freq, Layout), Stats,
                std::to_string(Rare) + " rare values under a Fibonacci chain of " +
                    std::to_string(Chain) + ", layout " + std::to_string(Layout));
      ++Deep;
    }
  }
  EXPECT_EQ(Stats.Limited, Deep);
}

TEST(CompressRoundTrip, LongRunsAndPowerOfTwoSizes) {
  TRandom R(0x2A2A);
  TRoundTripStats Stats;
  for (int Round = 0; Round < 150; ++Round)
    RoundTrip(Runs(R, R.Between(1, 20000), R.Between(1, 256), R.Between(1, 5000)), Stats,
              "runs, round " + std::to_string(Round));
  for (int Power = 0; Power <= 16; ++Power) {
    for (int Delta = -1; Delta <= 1; ++Delta) {
      const size_t Size = (size_t{1} << Power) + static_cast<size_t>(Delta);
      if (Size == 0) continue;
      const std::string Label = "size " + std::to_string(Size);
      RoundTrip(Skewed(R, Size, 256, 3), Stats, Label + ", skewed");
      RoundTrip(TextLike(R, Size), Stats, Label + ", text");
      if (Power <= 13) RoundTrip(Skewed(R, Size, 256, 0), Stats, Label + ", uniform");
    }
  }
  EXPECT_GT(Stats.Coded, 50);
}

// Inputs of a few hundred KiB, where a fast coder may switch to wider steps:
// sizes on and just off 2^18, codes of 1 to 16 bits.
TEST(CompressRoundTrip, LargeInputs) {
  TRandom R(0x1A46E);
  TRoundTripStats Stats;
  const size_t Sizes[] = {262143, 262144, 262145, 262151, 300001};
  for (size_t k = 0; k < std::size(Sizes); ++k) {
    const size_t Size = Sizes[k];
    const std::string Label = "size " + std::to_string(Size);
    RoundTrip(Skewed(R, Size, 256, static_cast<uint32_t>(k % 3)), Stats, Label + ", skewed");
    RoundTrip(TextLike(R, Size), Stats, Label + ", text");
  }
  RoundTrip(Runs(R, 280000, 2, 9000), Stats, "two values in long runs");
  RoundTrip(TBytes(270000, 0x5A), Stats, "one value");
  // Lengths up to 16 with many long codes in a large input.
  std::vector<uint32_t> Freq(200, 1);
  const std::vector<uint32_t> Fib = Fibonacci(12, 200);
  Freq.insert(Freq.end(), Fib.begin() + 1, Fib.end());
  for (auto& F : Freq) F *= 4;
  RoundTrip(WithFrequencies(R, Freq, 0), Stats, "deep code, 300 KiB");
  // Equally frequent values first seen deep into the input, around multiples
  // of 2^17: their order of first occurrence decides their codes, so a
  // counter that works block by block must still find that order.
  for (int Round = 0; Round < 4; ++Round) {
    TBytes B(400000 + static_cast<size_t>(Round), R.Byte());
    std::vector<size_t> Firsts;
    for (size_t Block = 1; Block <= 3; ++Block)
      for (size_t Offset : {size_t{0}, size_t{1}, size_t{2}, size_t{5}})
        Firsts.push_back(Block * 131072 + Offset - 2);
    R.Shuffle(Firsts);
    const std::vector<uint8_t> Values = Permutation(R);
    size_t k = 0;
    for (uint8_t V : Values) {
      if (V == B[0]) continue;
      if (k == Firsts.size()) break;
      // Three of each: the first at its place, two near the end.
      B[Firsts[k]] = V;
      B[B.size() - 1 - 2 * k] = V;
      B[B.size() - 2 - 2 * k] = V;
      ++k;
    }
    RoundTrip(B, Stats, "values first seen late, round " + std::to_string(Round));
  }
  EXPECT_EQ(Stats.Limited, 1);
  EXPECT_GT(Stats.Coded, 10);
}

// Three common values throughout, and equally frequent values (five each)
// seen first at, just before and just after the chunk borders of every
// thread count up to 8, their other copies at the end: a count that merges
// per-chunk orders wrongly gives these ties other codes.
TBytes LateFirstOccurrences(TRandom& R, size_t Size) {
  const std::vector<uint8_t> Values = Permutation(R);
  TBytes B(Size);
  for (auto& X : B) X = Values[R.Below(3)];
  std::vector<size_t> Firsts;
  for (size_t Threads = 2; Threads <= 8; ++Threads)
    for (size_t K = 1; K < Threads; ++K)
      for (size_t At : {Size / Threads * K - 1, Size / Threads * K, Size / Threads * K + 1})
        Firsts.push_back(At);
  std::sort(Firsts.begin(), Firsts.end());
  Firsts.erase(std::unique(Firsts.begin(), Firsts.end()), Firsts.end());
  R.Shuffle(Firsts);
  for (size_t k = 0; k < Firsts.size(); ++k) {
    B[Firsts[k]] = Values[3 + k];
    for (size_t Copy = 0; Copy < 4; ++Copy) B[Size - 1 - 4 * k - Copy] = Values[3 + k];
  }
  return B;
}

std::string TableDifference(const TTable& Got, const TTable& Expected) {
  if (Got.size() != Expected.size())
    return std::to_string(Got.size()) + " entries, expected " + std::to_string(Expected.size());
  for (size_t k = 0; k < Got.size(); ++k)
    if (!SameNode(Got[k], Expected[k]))
      return "entry " + std::to_string(k) + ": " + Describe(Got[k]) + ", expected " +
             Describe(Expected[k]);
  return "";
}

// The counting kernel gives one result for every number of threads.
TEST(CompressRoundTrip, CountingOnSeveralThreadsKeepsTheFirstOccurrenceOrder) {
  TRandom R(0x7C0);
  const TBytes B = LateFirstOccurrences(R, (size_t{1} << 20) + 7);
  uint32_t Expected[256] = {};
  std::vector<uint8_t> ExpectedOrder;
  for (uint8_t X : B)
    if (Expected[X]++ == 0) ExpectedOrder.push_back(X);
  for (unsigned Threads : {1u, 2u, 3u, 5u, 8u, 64u}) {
    uint32_t Counts[256];
    uint8_t Order[256];
    const int32_t Found =
        CompressKernels::CountInOrderOn(B.data(), B.size(), Counts, Order, Threads);
    EXPECT_EQ(std::vector<uint8_t>(Order, Order + std::max(Found, 0)), ExpectedOrder)
        << Threads << " threads";
    EXPECT_TRUE(std::equal(Counts, Counts + 256, Expected)) << Threads << " threads";
  }
}

// From 64 MiB on the engine counts on every core; the table is the one
// counted on one, through InStream and from the caller's block alike.
TEST(CompressRoundTrip, LargeInputsCountedOnEveryCoreGiveTheSameTable) {
  TRandom R(0x64C0DE);
  const size_t Size = (size_t{64} << 20) + 5;
  THuffman H;
  H.InStream().Write(LateFirstOccurrences(R, Size).data(), static_cast<int32_t>(Size));
  const auto* P = static_cast<const uint8_t*>(H.InStream().Memory());
  H.CountFrequencies();
  EXPECT_EQ(TableDifference(EngineTable(H), CountLeaves(P, Size)), "");
  THuffman FromBytes;
  EXPECT_EQ(FromBytes.BuildFromBytes(P, static_cast<int64_t>(Size)), H.Count());
  EXPECT_EQ(TableDifference(EngineTable(FromBytes), BuildCode(P, Size)), "");
  EXPECT_EQ(FromBytes.InStream().Size() + FromBytes.OutStream().Size(), 0);
}

// Counting in pieces (as an open that shows its progress does) gives the
// table of one count, whatever the pieces.
TEST(CompressRoundTrip, CountingInPiecesGivesTheTableOfOneCount) {
  TRandom R(0x91ECE);
  const TBytes B = LateFirstOccurrences(R, (size_t{1} << 20) + 3);
  for (size_t Piece : {size_t{1} << 10, size_t{333331}, B.size()}) {
    TByteCount Count;
    for (size_t At = 0; At < B.size(); At += Piece)
      Count.Add(B.data() + At, static_cast<int64_t>(std::min(Piece, B.size() - At)));
    THuffman H;
    EXPECT_EQ(H.CountFromPieces(Count), Count.Distinct());
    EXPECT_EQ(TableDifference(EngineTable(H), CountLeaves(B.data(), B.size())), "") << Piece;
  }
}

// One coder through many inputs, with failed decodes in between: no state of
// one job leaks into the next.
TEST(CompressRoundTrip, OneCoderReusedAcrossInputs) {
  TRandom R(0xC0DE);
  TRoundTripStats Stats;
  THuffman H;
  const TBytes Garbage{0x0D, 0x00, 0x00, 0x00, 0x0F, 0x02, 0x41, 0x42, 0xFF, 0xFF};
  for (int Round = 0; Round < 400; ++Round) {
    TBytes B;
    switch (Round % 5) {
      case 0: B = Skewed(R, R.Between(1, 3000), R.Between(1, 256), R.Between(0, 8)); break;
      case 1: B = TBytes(R.Between(1, 100), R.Byte()); break;
      case 2: break;  // empty: the previous code stays
      case 3: B = TextLike(R, R.Between(1, 400)); break;
      case 4: B = WithFrequencies(R, Fibonacci(R.Between(2, 20), 1), 0); break;
    }
    RoundTrip(H, B, Stats, "round " + std::to_string(Round));
    if (Round % 7 == 0) {
      H.InStream().Clear();
      H.InStream().Write(Garbage.data(), static_cast<int32_t>(Garbage.size()));
      EXPECT_THROW(H.Decode(), Exception);
    }
  }
  EXPECT_GT(Stats.Coded, 100);
}

// --------------------------------------------------------------------------
// Damaged streams.

struct TDamageStats {
  int Cases = 0;
  int Decoded = 0;
  int NotHuffman = 0;
  int CannotDecode = 0;
  int ZeroLength = 0;
  int Overfull = 0;
};

void Damaged(const TBytes& Stream, TDamageStats& Stats, const std::string& Label) {
  ++Stats.Cases;
  const TDecoded Model = Decode(Stream.data(), Stream.size());
  Stats.ZeroLength += Model.ZeroLength;
  Stats.Overfull += Model.Overfull;
  Stats.Decoded += Model.Outcome == TOutcome::Decoded;
  Stats.NotHuffman += Model.Outcome == TOutcome::NotHuffman;
  Stats.CannotDecode += Model.Outcome == TOutcome::CannotDecode;
  EXPECT_EQ(CheckDecode(Stream.data(), Stream.size()), "") << Label;
}

// The fields of a coded form, as its header states them.
struct TLayout {
  uint64_t Bytes;
  uint64_t Tail;
  int32_t W;
  uint64_t Entries;
  uint64_t Size() const {
    return Entries + 6 + 2 * static_cast<uint64_t>(W) + Bytes + (Tail ? 1 : 0);
  }
};

TLayout LayoutOf(const TBytes& S) {
  TLayout L{};
  L.Bytes = GetBits(S.data(), S.size(), 0, 32) >> 2;
  L.Tail = GetBits(S.data(), S.size(), 32, 3);
  L.W = static_cast<int32_t>(GetBits(S.data(), S.size(), 35, 5));
  L.Entries = GetBits(S.data(), S.size(), 40, 8);
  if (L.Entries == 0) L.Entries = 256;
  return L;
}

// Brings the size in line with the header again: cut, or pad with random
// bytes, so that the damage reaches the table and payload.
void FitToHeader(TRandom& R, TBytes& S) {
  const uint64_t Size = LayoutOf(S).Size();
  while (S.size() < Size) S.push_back(R.Byte());
  S.erase(S.begin() + static_cast<std::ptrdiff_t>(Size), S.end());
}

void SetCount(TBytes& S, int32_t Length, uint64_t Value) {
  const TLayout L = LayoutOf(S);
  PutBits(S, (6 + L.Entries) * 8 + static_cast<uint64_t>((Length - 1) * L.W), Value, L.W);
}

uint64_t GetCount(const TBytes& S, int32_t Length) {
  const TLayout L = LayoutOf(S);
  return GetBits(S.data(), S.size(),
                 (6 + L.Entries) * 8 + static_cast<uint64_t>((Length - 1) * L.W), L.W);
}

// A valid coded form of a random small input (coded even where storing would
// be smaller), built by the model.
TBytes CodedSample(TRandom& R) {
  TBytes Input;
  switch (R.Below(4)) {
    case 0: Input = Skewed(R, R.Between(1, 200), R.Between(1, 12), R.Between(0, 6)); break;
    case 1: Input = Skewed(R, R.Between(1, 400), 256, R.Between(0, 3)); break;
    case 2: Input = TBytes(R.Between(1, 64), R.Byte()); break;
    case 3: Input = WithFrequencies(R, Fibonacci(R.Between(2, 19), 1), 0); break;
  }
  return CodedForm(BuildCode(Input.data(), Input.size()), Input.data(), Input.size());
}

TBytes StoredSample(TRandom& R) {
  const TBytes Input = Skewed(R, R.Between(0, 80), 256, 0);
  return StoredForm(Input.data(), Input.size());
}

void FlipBit(TRandom& R, TBytes& S, uint64_t FromBit, uint64_t ToBit) {
  if (ToBit <= FromBit) return;
  const uint64_t Bit = FromBit + R.Next() % (ToBit - FromBit);
  S[Bit / 8] ^= static_cast<uint8_t>(1u << (Bit % 8));
}

// One kind of damage: its seed and rounds, the stream of a round (none to
// skip the round; What may name the damage), and the least each outcome must
// have been seen: the counts must exceed the bounds that are not negative.
struct TDamageCase {
  const char* Name;
  uint64_t Seed;
  int Rounds;
  std::function<std::optional<TBytes>(TRandom& R, int Round, std::string& What)> Make;
  TDamageStats MoreThan;  // Cases unused
  bool EveryZeroLength = false;
};

// The case's name, not its bytes (pointers among them): stable test names.
void PrintTo(const TDamageCase& Case, std::ostream* Out) { *Out << Case.Name; }

class CompressDecodeDamage : public testing::TestWithParam<TDamageCase> {};

TEST_P(CompressDecodeDamage, Rounds) {
  const TDamageCase& Case = GetParam();
  TRandom R(Case.Seed);
  TDamageStats Stats;
  for (int Round = 0; Round < Case.Rounds; ++Round) {
    std::string What;
    const std::optional<TBytes> S = Case.Make(R, Round, What);
    if (S) Damaged(*S, Stats, What + " round " + std::to_string(Round));
  }
  const std::tuple<const char*, int, int> Seen[] = {
      {"decoded", Stats.Decoded, Case.MoreThan.Decoded},
      {"not Huffman", Stats.NotHuffman, Case.MoreThan.NotHuffman},
      {"cannot decode", Stats.CannotDecode, Case.MoreThan.CannotDecode},
      {"zero length", Stats.ZeroLength, Case.MoreThan.ZeroLength},
      {"overfull", Stats.Overfull, Case.MoreThan.Overfull}};
  for (const auto& [Outcome, Count, Bound] : Seen)
    if (Bound >= 0) {
      EXPECT_GT(Count, Bound) << Outcome;
    }
  if (Case.EveryZeroLength) {
    EXPECT_EQ(Stats.ZeroLength, Stats.Cases);
  }
}

const TDamageCase DamageCases[] = {
    {"BitFlipsAnywhere",
     0xB17,
     600,
     [](TRandom& R, int Round, std::string&) -> std::optional<TBytes> {
       TBytes S = Round % 4 == 3 ? StoredSample(R) : CodedSample(R);
       const uint32_t Flips = R.Between(1, 3);
       for (uint32_t f = 0; f < Flips; ++f) FlipBit(R, S, 0, S.size() * 8);
       return S;
     },
     {0, 50, 50, 0, -1, -1}},
    // Flips behind a sound header: in the data values, the counts or the payload.
    {"BitFlipsInTableAndPayload",
     0x7AB1E,
     600,
     [](TRandom& R, int Round, std::string&) -> std::optional<TBytes> {
       TBytes S = CodedSample(R);
       const TLayout L = LayoutOf(S);
       const uint64_t Counts = (6 + L.Entries) * 8;
       const uint64_t Payload = Counts + 16 * static_cast<uint64_t>(L.W);
       switch (Round % 3) {
         case 0: FlipBit(R, S, 48, Counts); break;
         case 1: FlipBit(R, S, Counts, Payload); break;
         case 2:
           for (uint32_t f = R.Between(1, 4); f > 0; --f) FlipBit(R, S, Payload, S.size() * 8);
           break;
       }
       return S;
     },
     {0, 200, -1, 20, 10, 10}},
    // Cut or extended, then every stream shorter than 4 bytes, the empty one
    // included (rounds 600 on).
    {"TruncatedAndExtendedStreams",
     0x7E0,
     680,
     [](TRandom& R, int Round, std::string& What) -> std::optional<TBytes> {
       if (Round >= 600) {
         What = "short stream";
         TBytes S(static_cast<size_t>(Round - 600) / 20);
         for (auto& X : S) X = R.Byte();
         return S;
       }
       TBytes S = Round % 3 == 2 ? StoredSample(R) : CodedSample(R);
       if (R.Below(2) == 0) {
         const size_t Cut = std::min<size_t>(S.size(), R.Between(1, 8));
         S.erase(S.end() - static_cast<std::ptrdiff_t>(Cut), S.end());
       } else {
         for (uint32_t k = R.Between(1, 8); k > 0; --k) S.push_back(R.Byte());
       }
       return S;
     },
     {0, -1, 600, -1, -1, -1}},
    // Header fields changed and the size fitted to them, so that decoding
    // reads a payload or table of another extent.
    {"ChangedHeaderFields",
     0x4EAD,
     700,
     [](TRandom& R, int Round, std::string& What) -> std::optional<TBytes> {
       TBytes S = CodedSample(R);
       const TLayout L = LayoutOf(S);
       switch (Round % 5) {
         case 0:
           What = "byte count";
           PutBits(S, 2, R.Below(static_cast<uint32_t>(2 * L.Bytes + 9)), 30);
           break;
         case 1:
           What = "tail";
           PutBits(S, 32, R.Below(8), 3);
           break;
         case 2:
           What = "W";
           PutBits(S, 35, R.Below(4) == 0 ? R.Below(32) : R.Below(12), 5);
           break;
         case 3:
           What = "N";
           PutBits(S, 40, R.Below(4) == 0 ? R.Below(256) : R.Between(1, 24), 8);
           break;
         case 4:
           What = "form tag";
           PutBits(S, 0, R.Between(1, 3), 2);
           break;
       }
       if (R.Below(8) != 0) FitToHeader(R, S);
       return S;
     },
     {0, 100, 50, 50, 20, 20}},
    // Counts that give fewer than N entries a length: entries of length 0
    // must never be matched (they would consume no bits).
    {"CountsCoveringFewerThanNEntries",
     0xC0,
     600,
     [](TRandom& R, int Round, std::string&) -> std::optional<TBytes> {
       TBytes S;
       if (Round % 2 == 0) {
         S = CodedSample(R);
       } else {
         // A payload that never uses the last entry's code, so a decoder that
         // ignores the gap could succeed.
         TBytes Input = Skewed(R, R.Between(2, 200), R.Between(2, 40), R.Between(0, 5));
         const TTable Code = BuildCode(Input.data(), Input.size());
         if (Code.size() < 2) return std::nullopt;
         TBytes Used;
         for (uint8_t B : Input)
           if (B != Code.back().Data) Used.push_back(B);
         S = CodedForm(Code, Used.data(), Used.size());
       }
       switch (Round % 4) {
         case 0:
         case 1: {
           // Lower the count of one length in use by 1..all.
           std::vector<int32_t> InUse;
           for (int32_t Len = 1; Len <= 16; ++Len)
             if (GetCount(S, Len) > 0) InUse.push_back(Len);
           const int32_t Len = InUse[R.Below(static_cast<uint32_t>(InUse.size()))];
           const uint64_t Old = GetCount(S, Len);
           SetCount(S, Len, Old - R.Between(1, static_cast<uint32_t>(Old)));
           break;
         }
         case 2:
           for (int32_t Len = 1; Len <= 16; ++Len) SetCount(S, Len, 0);
           break;
         case 3:
           PutBits(S, 35, 0, 5);  // W 0: no counts at all
           FitToHeader(R, S);
           break;
       }
       return S;
     },
     {0, 10, -1, 100, -1, -1},
     true},
    // Counts that promise more codes than fit: either the extra entries lie
    // beyond N and change nothing, or codes run past 16 bits.
    {"CountsPromisingTooManyCodes",
     0x0F,
     400,
     [](TRandom& R, int, std::string&) -> std::optional<TBytes> {
       TBytes S = CodedSample(R);
       const TLayout L = LayoutOf(S);
       const int32_t Len = static_cast<int32_t>(R.Between(1, 16));
       const uint64_t Limit = (uint64_t{1} << L.W) - 1;
       const uint64_t Old = GetCount(S, Len);
       SetCount(S, Len,
                R.Below(2) == 0 ? std::min(Limit, Old + R.Between(1, 3)) : R.Next() % (Limit + 1));
       return S;
     },
     {0, 50, -1, -1, -1, 60}},
    {"StoredFormLengths",
     0x570,
     400,
     [](TRandom& R, int Round, std::string&) -> std::optional<TBytes> {
       TBytes S = StoredSample(R);
       const uint64_t Length = S.size() - 4;
       PutBits(S, 2, R.Below(static_cast<uint32_t>(Length + 9)), 30);
       if (Round % 2 == 0) {
         const uint64_t Fit = (GetBits(S.data(), S.size(), 0, 32) >> 2) + 4;
         while (S.size() < Fit) S.push_back(R.Byte());
         S.erase(S.begin() + static_cast<std::ptrdiff_t>(Fit), S.end());
       }
       return S;
     },
     {0, 150, 150, -1, -1, -1}},
    // Random bytes, some under a header whose sizes fit them.
    {"RandomBytes",
     0x5A5A,
     800,
     [](TRandom& R, int Round, std::string&) -> std::optional<TBytes> {
       TBytes S(R.Between(0, 80));
       for (auto& X : S) X = R.Byte();
       if (Round % 2 == 0 && S.size() >= 6) {
         PutBits(S, 0, R.Between(1, 3), 2);
         PutBits(S, 2, R.Below(40), 30);
         PutBits(S, 35, R.Below(10), 5);
         PutBits(S, 40, R.Below(3) == 0 ? R.Below(256) : R.Between(1, 8), 8);
         FitToHeader(R, S);
       }
       return S;
     },
     {0, 10, 300, 50, -1, -1}},
};

INSTANTIATE_TEST_SUITE_P(Damage, CompressDecodeDamage, testing::ValuesIn(DamageCases),
                         [](const auto& Info) { return std::string(Info.param.Name); });

// --------------------------------------------------------------------------
// The model itself against the documented forms, so that a disagreement
// above points at the engine.

TEST(CompressModel, ReproducesTheDocumentedForms) {
  const std::string Text = "abracadabra";
  const TBytes Abra(Text.begin(), Text.end());
  const TBytes Coded = CodedForm(BuildCode(Abra.data(), Abra.size()), Abra.data(), Abra.size());
  EXPECT_EQ(Hex(Coded.data(), Coded.size()),
            "09 00 00 00 1F 05 61 62 72 63 64 01 01 00 00 00 00 52 73 29");
  EXPECT_EQ(EncodedForm(BuildCode(Abra.data(), Abra.size()), Abra.data(), Abra.size()).size(), 15u);

  const TBytes Run(1000, 0x41);
  const TBytes RunForm = EncodedForm(BuildCode(Run.data(), Run.size()), Run.data(), Run.size());
  ASSERT_EQ(RunForm.size(), 134u);
  EXPECT_EQ(Hex(RunForm.data(), 9), "F5 01 00 00 08 01 41 01 00");
  const TDecoded Back = Decode(RunForm.data(), RunForm.size());
  EXPECT_EQ(Back.Outcome, TOutcome::Decoded);
  EXPECT_EQ(Back.Data, Run);

  std::vector<uint32_t> Fib = Fibonacci(20, 1);
  TBytes FibInput;
  for (uint8_t v = 0; v < 20; ++v) FibInput.insert(FibInput.end(), Fib[v], v);
  const auto Counts = LengthCounts(BuildCode(FibInput.data(), FibInput.size()));
  const std::array<uint64_t, 17> Documented{0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 1, 6};
  EXPECT_EQ(Counts, Documented);
}

}  // namespace
