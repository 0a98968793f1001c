// The optimal length limit: package-merge against an exhaustive search, and
// the builder's limit rule.
#include "Compress.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <random>
#include <vector>

namespace {

// The least sum of W[k] * L[k] over every length vector (each 1..MaxBits)
// whose Kraft sum is at most 1: tried one by one.
int64_t ExhaustiveLeast(const std::vector<int64_t>& W, int32_t MaxBits) {
  int64_t Best = std::numeric_limits<int64_t>::max();
  std::vector<int32_t> L(W.size(), 1);
  for (;;) {
    double Kraft = 0;
    int64_t Cost = 0;
    for (size_t K = 0; K < W.size(); ++K) {
      Kraft += 1.0 / static_cast<double>(1 << L[K]);
      Cost += W[K] * L[K];
    }
    if (Kraft <= 1.0) Best = std::min(Best, Cost);
    size_t K = 0;
    while (K < L.size() && L[K] == MaxBits) L[K++] = 1;
    if (K == L.size()) return Best;
    ++L[K];
  }
}

int64_t Cost(const std::vector<int64_t>& W, const std::vector<int32_t>& L) {
  int64_t C = 0;
  for (size_t K = 0; K < W.size(); ++K) C += W[K] * L[K];
  return C;
}

// Small alphabets: skewed ones (the limit binds) and random ones.
std::vector<std::vector<int64_t>> SmallAlphabets() {
  std::vector<std::vector<int64_t>> Sets = {{7},
                                            {1, 1},
                                            {1, 2, 4, 8, 16, 32},
                                            {1, 1, 2, 3, 5, 8, 13},
                                            {100, 1, 1, 1, 1, 1, 1},
                                            {5, 5, 5, 5, 5},
                                            {3, 1, 4, 1, 5, 9, 2}};
  std::mt19937 Random(19);
  for (int I = 0; I < 12; ++I) {
    std::vector<int64_t> W(2 + Random() % 6);
    for (auto& V : W) V = 1 + Random() % (I % 2 ? 1000 : 9);
    Sets.push_back(W);
  }
  return Sets;
}

TEST(LimitedLengths, OptimalMatchesExhaustiveSearch) {
  for (const auto& W : SmallAlphabets()) {
    for (int32_t MaxBits = SmallestMaxBitLength(static_cast<int32_t>(W.size())); MaxBits <= 6;
         ++MaxBits) {
      const std::vector<int32_t> L = OptimalLimitedLengths(W, MaxBits);
      ASSERT_EQ(L.size(), W.size());
      EXPECT_EQ(Cost(W, L), ExhaustiveLeast(W, MaxBits)) << W.size() << " at " << MaxBits;
      int64_t Kraft = 0;
      for (size_t K = 0; K < W.size(); ++K) {
        EXPECT_GE(L[K], 1);
        EXPECT_LE(L[K], MaxBits);
        Kraft += int64_t{1} << (16 - L[K]);
        for (size_t J = 0; J < W.size(); ++J)
          if (W[J] > W[K]) {
            EXPECT_LE(L[J], L[K]) << "a heavier weight got a longer code";
          }
      }
      EXPECT_EQ(Kraft, W.size() == 1 ? 32768 : 65536);
    }
  }
}

TEST(LimitedLengths, RefusesWhatNoCodeCanHold) {
  const std::vector<int64_t> Five(5, 1);
  EXPECT_THROW(OptimalLimitedLengths(Five, 2), ERangeError);
  EXPECT_THROW(OptimalLimitedLengths(Five, 0), ERangeError);
  EXPECT_THROW(OptimalLimitedLengths(Five, 17), ERangeError);
  EXPECT_THROW(OptimalLimitedLengths(std::vector<int64_t>{3, 0}, 4), ERangeError);
  EXPECT_TRUE(OptimalLimitedLengths({}, 4).empty());
}

// The builder under each rule: (lengths in table order, total coded bits).
std::pair<std::vector<int32_t>, int64_t> Build(const std::vector<int32_t>& Table, int32_t MaxBits,
                                               TLimitRule Rule) {
  THuffman H;
  H.SetMaxBitLength(MaxBits);
  H.SetLimitRule(Rule);
  for (const int32_t F : Table) H.InStream().Write(&F, 4);
  H.BuildFromTable();
  std::vector<int32_t> Lengths;
  int64_t Bits = 0;
  THuffmanNode Leaf{};
  for (int32_t I = 0; I < H.Count(); ++I) {
    H.GetNode(I, Leaf);
    Lengths.push_back(Leaf.BitLength);
    Bits += int64_t{Leaf.Frequency} * Leaf.BitLength;
  }
  return {Lengths, Bits};
}

TEST(LimitedLengths, BuilderRuleIsOptimalAndKeepsACodeThatFits) {
  std::vector<int32_t> Fib{1, 1};
  while (Fib.size() < 9) Fib.push_back(Fib[Fib.size() - 1] + Fib[Fib.size() - 2]);
  const std::vector<int64_t> Weights(Fib.begin(), Fib.end());
  for (int32_t MaxBits = 4; MaxBits <= 16; ++MaxBits) {
    const auto [RepairLengths, Repair] = Build(Fib, MaxBits, TLimitRule::Repair);
    const auto [OptimalLengths, Optimal] = Build(Fib, MaxBits, TLimitRule::Optimal);
    EXPECT_TRUE(std::is_sorted(OptimalLengths.begin(), OptimalLengths.end()));
    EXPECT_LE(*std::max_element(OptimalLengths.begin(), OptimalLengths.end()), MaxBits);
    if (MaxBits <= 5) {
      EXPECT_EQ(Optimal, ExhaustiveLeast(Weights, MaxBits)) << MaxBits;
    }
    if (MaxBits >= 8) {
      EXPECT_EQ(OptimalLengths, RepairLengths) << "the code fits: unchanged";
    }
    EXPECT_LE(Optimal, Repair);
  }
  // Somewhere the repair rule pays for being quick.
  EXPECT_LT(Build(Fib, 5, TLimitRule::Optimal).second, Build(Fib, 5, TLimitRule::Repair).second);
}

}  // namespace
