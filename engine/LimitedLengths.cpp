// The optimal length-limited code lengths: package-merge.
//
// Level MaxBits lists the weights ascending; each level above lists the
// weights merged with the packages (pairs of neighbours) of the level
// below.  The 2n-2 lightest items of the top level are the optimal choice;
// a leaf's length is the number of levels at which it is chosen, and at each
// level the chosen items are a prefix of that level's list (the chosen
// packages a prefix of the packages, so of the level below).  Each level
// therefore keeps only which of its items are leaves.
#include "Compress.h"

#include <algorithm>
#include <numeric>

std::vector<int32_t> OptimalLimitedLengths(std::span<const int64_t> Weights, int32_t MaxBits) {
  const size_t N = Weights.size();
  const int32_t Smallest = SmallestMaxBitLength(static_cast<int32_t>(std::min<size_t>(N, 65536)));
  if (MaxBits < 1 || MaxBits > 16 || N > (size_t{1} << MaxBits))
    throw ERangeError(Format(SRangeError, MaxBits, std::max(Smallest, 1), 16));
  for (const int64_t W : Weights)
    if (W <= 0) throw ERangeError(Format(SRangeError, static_cast<int32_t>(W), 1, INT32_MAX));
  std::vector<int32_t> Lengths(N, 0);
  if (N == 0) return Lengths;
  if (N == 1) {
    Lengths[0] = 1;
    return Lengths;
  }
  // Leaves lightest first; among equal weights the later entry first, so
  // that of equal weights an earlier one is never the longer.
  std::vector<uint32_t> Order(N);
  std::iota(Order.begin(), Order.end(), 0u);
  std::stable_sort(Order.begin(), Order.end(), [&](uint32_t A, uint32_t B) {
    return Weights[A] < Weights[B] || (Weights[A] == Weights[B] && A > B);
  });
  std::vector<int64_t> Leaf(N);
  for (size_t I = 0; I < N; ++I) Leaf[I] = Weights[Order[I]];

  // IsLeaf[L-1][j]: item j of level L is a leaf (else a package).
  std::vector<std::vector<uint8_t>> IsLeaf(static_cast<size_t>(MaxBits));
  std::vector<int64_t> Below = Leaf;  // the item weights of the level below
  std::vector<int64_t> Here;
  IsLeaf[static_cast<size_t>(MaxBits - 1)].assign(N, 1);
  for (int32_t Level = MaxBits - 1; Level >= 1; --Level) {
    const size_t Packages = Below.size() / 2;
    std::vector<uint8_t>& Flags = IsLeaf[static_cast<size_t>(Level - 1)];
    Here.clear();
    Here.reserve(N + Packages);
    Flags.reserve(N + Packages);
    size_t I = 0;
    size_t P = 0;
    while (I < N || P < Packages) {
      // On equal weights the leaf first: either choice is optimal.
      if (P == Packages || (I < N && Leaf[I] <= Below[2 * P] + Below[2 * P + 1])) {
        Here.push_back(Leaf[I++]);
        Flags.push_back(1);
      } else {
        Here.push_back(Below[2 * P] + Below[2 * P + 1]);
        ++P;
        Flags.push_back(0);
      }
    }
    std::swap(Below, Here);
  }
  // Levels from the top: the first Take items are chosen.
  size_t Take = 2 * N - 2;
  for (int32_t Level = 1; Level <= MaxBits && Take > 0; ++Level) {
    const std::vector<uint8_t>& Flags = IsLeaf[static_cast<size_t>(Level - 1)];
    size_t Leaves = 0;
    for (size_t J = 0; J < Take && J < Flags.size(); ++J) Leaves += Flags[J];
    for (size_t K = 0; K < Leaves; ++K) ++Lengths[Order[K]];
    Take = 2 * (Take - Leaves);
  }
  return Lengths;
}
