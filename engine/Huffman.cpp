// THuffman: the code builder (counting, table loading, tree, length limit,
// canonical codes).
#include "Compress.h"
#include "CompressInternal.h"
#include "CompressKernels.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

constexpr int32_t MaxLength = 16;

THuffmanNode MakeLeaf(uint8_t Data, int32_t Frequency) {
  return THuffmanNode{0, Data, Frequency, 0, 0, -1, -1, -1};
}

// 32-bit sums wrap as two's complement; the builder does not guard against
// totals above 2^31-1 (counted streams cannot reach them).
int32_t WrappingAdd(int32_t A, int32_t B) {
  return static_cast<int32_t>(static_cast<uint32_t>(A) + static_cast<uint32_t>(B));
}

}  // namespace

int32_t ReverseBits(uint32_t Code16, int32_t Len) {
  uint32_t V = Code16 >> (16 - Len);
  // Bits Len.. of V stay where they are; only the low Len bits turn round.
  for (int32_t I = 0, J = Len - 1; I < J; ++I, --J) {
    const uint32_t BitI = (V >> I) & 1;
    const uint32_t BitJ = (V >> J) & 1;
    if (BitI != BitJ) V ^= (uint32_t{1} << I) | (uint32_t{1} << J);
  }
  return static_cast<int32_t>(V);
}

void AssignCanonicalPatterns(std::vector<THuffmanNode>& Nodes, int32_t N,
                             const uint32_t Counts[17]) {
  uint32_t Start[17] = {};
  for (int32_t L = 1; L < MaxLength; ++L)
    Start[L + 1] = Start[L] + Counts[L] * (uint32_t{1} << (16 - L));
  int32_t K = 0;
  for (int32_t L = 1; L <= MaxLength && K < N; ++L) {
    const uint32_t Weight = uint32_t{1} << (16 - L);
    for (uint32_t M = 0; M < Counts[L] && K < N; ++M, ++K)
      Nodes[static_cast<size_t>(K)].BitPattern = ReverseBits(Start[L] + M * Weight, L);
  }
}

THuffman::THuffman() : FInStream(new TBitStream), FOutStream(new TBitStream) {
  FInStream->SetLsbFirst(true);
  FOutStream->SetLsbFirst(true);
}

THuffman::~THuffman() {
  // The destructor runs this class's Clear, as every destructor does after
  // the derived part is gone.
  THuffman::Clear();
}

void THuffman::Clear() {
  FWorkList.clear();
  FNodes.clear();
  FCount = 0;
  FOutStream->Clear();
  FOutStream->SetBitPosition(0);
  FInStream->Clear();
  FInStream->SetBitPosition(0);
}

void THuffman::GetNode(int32_t Index, THuffmanNode& Node) const {
  const int32_t Last = static_cast<int32_t>(FNodes.size()) - 1;
  if (Index < 0 || Index > Last) throw ERangeError(Format(SRangeError, Index, 0, Last));
  Node = FNodes[static_cast<size_t>(Index)];
}

int32_t THuffman::CountFrequencies() {
  return CountFromBytes(static_cast<const uint8_t*>(FInStream->Memory()), FInStream->Size());
}

void TByteCount::Add(const uint8_t* Data, int64_t Size) {
  if (Size < 0 || Size > MaxCountedBytes - FTotal)
    throw ERangeError(Format(SStreamTooLarge, static_cast<long long>(FTotal + Size),
                             static_cast<long long>(MaxCountedBytes)));
  if (Size == 0) return;
  // Invariant: FCounts holds the counts of every byte added so far (at most
  // MaxCountedBytes in all, so 32 bits hold them) and FOrder[0..FDistinct-1]
  // its values by first occurrence; a piece's new values follow in the
  // piece's own first-occurrence order.
  uint32_t Counts[256];
  uint8_t Order[256];
  const int32_t Found =
      CompressKernels::CountInOrder(Data, static_cast<size_t>(Size), Counts, Order);
  for (int32_t K = 0; K < Found; ++K)
    if (FCounts[Order[K]] == 0) FOrder[FDistinct++] = Order[K];
  for (int V = 0; V < 256; ++V) FCounts[V] += Counts[V];
  FTotal += Size;
}

int32_t THuffman::CountFromBytes(const uint8_t* Data, int64_t Size) {
  if (Size == 0) return 0;
  if (Size < 0 || Size > MaxCountedBytes)
    throw ERangeError(Format(SStreamTooLarge, static_cast<long long>(Size),
                             static_cast<long long>(MaxCountedBytes)));
  TByteCount Count;
  Count.Add(Data, Size);
  CountFromPieces(Count);
  // A hint for EncodeData: these counts belong to this block.
  FCountedMemory = Data;
  FCountedSize = Size;
  return FCount;
}

int32_t THuffman::CountFromPieces(const TByteCount& Count) {
  if (Count.Total() == 0) return 0;
  uint32_t Counts[256];
  for (int V = 0; V < 256; ++V) Counts[V] = Count.Count(static_cast<uint8_t>(V));
  const uint8_t* Order = Count.Order();
  const int32_t Leaves = Count.Distinct();
  FCountedBytes.assign(Counts, Counts + 256);
  FCountedMemory = nullptr;
  FCountedSize = -1;
  FNodes.clear();
  FNodes.reserve(static_cast<size_t>(Leaves));
  for (int32_t K = 0; K < Leaves; ++K)
    FNodes.push_back(MakeLeaf(Order[K], static_cast<int32_t>(Counts[Order[K]])));
  if (Leaves >= 2) SortNodes(0, Leaves - 1);
  for (int32_t K = 0; K < Leaves; ++K) FNodes[static_cast<size_t>(K)].Index = K;
  FCount = Leaves;
  return Leaves;
}

int32_t THuffman::LoadFrequencies() {
  TBitStream& In = *FInStream;
  int64_t Words = In.Size() / 4 + (In.Size() % 4 != 0 ? 1 : 0);
  if (Words > 256) Words = 256;
  In.SetPosition(0);
  FNodes.clear();
  // A short last word fills only the low-order bytes; the others keep the
  // previous word's (0 when there is none).
  uint8_t Bytes[4] = {};
  bool Negative = false;
  for (int32_t K = 0; K < Words; ++K) {
    const int32_t Value = ReadFrequencyWord(In, Bytes);
    if (Value < 0) {
      Negative = true;
      break;
    }
    if (Value > 0) FNodes.push_back(MakeLeaf(static_cast<uint8_t>(K), Value));
  }
  if (Negative) FNodes.clear();
  const int32_t Leaves = static_cast<int32_t>(FNodes.size());
  if (Leaves >= 2) SortNodes(0, Leaves - 1);
  for (int32_t K = 0; K < Leaves; ++K) FNodes[static_cast<size_t>(K)].Index = K;
  FCount = Leaves;
  return Leaves;
}

// Entry A comes before entry B: higher Frequency, or equal with a smaller
// BitLength.
static bool NodeBefore(const THuffmanNode& A, const THuffmanNode& B) {
  return A.Frequency > B.Frequency || (A.Frequency == B.Frequency && A.BitLength < B.BitLength);
}

void THuffman::SortNodes(int32_t L, int32_t R) { QuickSort(FNodes.data(), L, R, NodeBefore); }

// Work items by Frequency alone, descending.
void THuffman::SortWorkList(int32_t L, int32_t R) {
  QuickSort(FWorkList.data(), L, R,
            [](const TWorkItem& A, const TWorkItem& B) { return A.Frequency > B.Frequency; });
}

void THuffman::SetDepths(int32_t Index, int32_t Depth) {
  if (Index == -1) return;
  THuffmanNode& Node = FNodes[static_cast<size_t>(Index)];
  Node.BitLength = Depth;
  const int32_t Left = Node.Left;
  const int32_t Right = Node.Right;
  SetDepths(Left, Depth + 1);
  SetDepths(Right, Depth + 1);
}

int32_t THuffman::BuildTree() {
  const int32_t N = FCount;
  if (N == 0) return 0;
  FNodes.resize(static_cast<size_t>(N == 1 ? 2 : 2 * N - 1));
  FWorkList.resize(static_cast<size_t>(N));
  for (int32_t K = 0; K < N; ++K)
    FWorkList[static_cast<size_t>(K)] =
        TWorkItem{FNodes[static_cast<size_t>(K)].Index, FNodes[static_cast<size_t>(K)].Frequency};
  int32_t Next = N;
  int32_t J = N;
  THuffmanNode Template{0, 0, 0, 0, 0, -1, -1, -1};
  auto Item = [this](int32_t K) -> TWorkItem& { return FWorkList[static_cast<size_t>(K)]; };
  for (;;) {
    Template.Index = Next;
    if (J > 1) {
      Template.Frequency = WrappingAdd(Item(J - 1).Frequency, Item(J - 2).Frequency);
      Template.Right = Item(J - 1).Node;
      Template.Left = Item(J - 2).Node;
      FNodes[static_cast<size_t>(Template.Right)].Parent = Next;
      FNodes[static_cast<size_t>(Template.Left)].Parent = Next;
    } else {
      Template.Frequency = Item(0).Frequency;
      Template.Right = -1;
      Template.Left = Item(0).Node;
      FNodes[static_cast<size_t>(Template.Left)].Parent = Next;
    }
    FNodes[static_cast<size_t>(Next)] = Template;
    ++Next;
    if (J > 1) --J;
    Item(J - 1) = TWorkItem{Template.Index, Template.Frequency};
    if (J == 1) break;
    SortWorkList(0, J - 1);
  }
  SetDepths(Next - 1, 0);
  SortNodes(0, N - 1);
  FNodes.resize(static_cast<size_t>(N));
  FWorkList.clear();
  return N;
}

int32_t THuffman::AssignCodes() {
  const int32_t N = FCount;
  if (N == 0) return 0;
  const int32_t Limit = FMaxBitLength;
  if (N > (int32_t{1} << Limit))
    throw ERangeError(Format(SRangeError, Limit, SmallestMaxBitLength(N), MaxLength));
  // Counts are signed while the limit repairs them; a leaf without a length
  // (no tree built) is not counted.
  int64_t Counts[MaxLength + 1] = {};
  for (int32_t K = 0; K < N; ++K) {
    const int32_t L = FNodes[static_cast<size_t>(K)].BitLength;
    if (L >= 1) ++Counts[std::min(L, Limit)];
  }
  // Length limit: each repair step replaces a leaf at L and one at Limit by
  // two leaves at L+1, lowering the Kraft sum (in units of 2^-Limit) by
  // exactly 1.
  const int64_t Full = int64_t{1} << Limit;
  int64_t S = 0;
  for (int32_t L = 1; L <= Limit; ++L) S += Counts[L] << (Limit - L);
  if (S > Full && FLimitRule == TLimitRule::Optimal) {
    // Table order is frequency descending, and the optimal lengths never
    // make a heavier leaf longer: sorted, they go to the leaves in order.
    // A leaf always has a frequency above 0; 1 keeps a hand-made table
    // codable.
    std::vector<int64_t> Weights(static_cast<size_t>(N));
    for (int32_t K = 0; K < N; ++K)
      Weights[static_cast<size_t>(K)] =
          std::max<int64_t>(FNodes[static_cast<size_t>(K)].Frequency, 1);
    std::fill(std::begin(Counts), std::end(Counts), 0);
    for (const int32_t L : OptimalLimitedLengths(Weights, Limit)) ++Counts[L];
    S = Full;  // the repair below has nothing to do
    int32_t K = 0;
    for (int32_t L = 1; L <= Limit && K < N; ++L)
      for (int64_t M = 0; M < Counts[L] && K < N; ++M, ++K)
        FNodes[static_cast<size_t>(K)].BitLength = L;
  }
  if (S > Full) {
    for (int64_t Step = S - Full; Step > 0; --Step) {
      int32_t L = Limit - 1;
      while (L >= 1 && Counts[L] <= 0) --L;
      if (L < 1) break;  // nothing to repair with: every further step changes nothing
      --Counts[L];
      --Counts[Limit];
      Counts[L + 1] += 2;
    }
    int32_t K = 0;
    for (int32_t L = 1; L <= Limit && K < N; ++L)
      for (int64_t M = 0; M < Counts[L] && K < N; ++M, ++K)
        FNodes[static_cast<size_t>(K)].BitLength = L;
  }
  uint32_t Unsigned[MaxLength + 1] = {};
  for (int32_t L = 1; L <= MaxLength; ++L)
    Unsigned[L] = Counts[L] > 0 ? static_cast<uint32_t>(Counts[L]) : 0;
  AssignCanonicalPatterns(FNodes, N, Unsigned);
  return N;
}

void THuffman::SetCode(std::span<const uint8_t> Data, std::span<const int32_t> Lengths) {
  const int32_t N = static_cast<int32_t>(Data.size());
  if (Lengths.size() != Data.size() || N > 256) throw ERangeError(Format(SRangeError, N, 0, 256));
  bool Seen[256] = {};
  uint32_t Counts[MaxLength + 1] = {};
  int64_t Kraft = 0;  // in units of 2^-16
  for (int32_t K = 0; K < N; ++K) {
    const int32_t L = Lengths[static_cast<size_t>(K)];
    if (L < 1 || L > MaxLength || (K > 0 && L < Lengths[static_cast<size_t>(K - 1)]))
      throw ERangeError(
          Format(SRangeError, L, K > 0 ? Lengths[static_cast<size_t>(K - 1)] : 1, MaxLength));
    if (Seen[Data[static_cast<size_t>(K)]])
      throw ERangeError(Format(SRangeError, Data[static_cast<size_t>(K)], 0, 255));
    Seen[Data[static_cast<size_t>(K)]] = true;
    ++Counts[L];
    Kraft += int64_t{1} << (MaxLength - L);
  }
  if (Kraft > (int64_t{1} << MaxLength))
    throw ERangeError(Format(SRangeError, static_cast<int32_t>(Kraft), 0, 1 << MaxLength));
  FNodes.assign(static_cast<size_t>(N), THuffmanNode{0, 0, 0, 0, 0, -1, -1, -1});
  for (int32_t K = 0; K < N; ++K) {
    FNodes[static_cast<size_t>(K)].Index = K;
    FNodes[static_cast<size_t>(K)].Data = Data[static_cast<size_t>(K)];
    FNodes[static_cast<size_t>(K)].BitLength = Lengths[static_cast<size_t>(K)];
  }
  AssignCanonicalPatterns(FNodes, N, Counts);
  FCount = N;
  FWorkList.clear();
  FCountedBytes.clear();
  FCountedMemory = nullptr;
  FCountedSize = -1;
}

void THuffman::SetMaxBitLength(int32_t Value) {
  if (Value < 1 || Value > MaxLength) throw ERangeError(Format(SRangeError, Value, 1, MaxLength));
  FMaxBitLength = Value;
}

int32_t SmallestMaxBitLength(int32_t Distinct) {
  int32_t Bits = 1;
  while (Bits < 31 && (int64_t{1} << Bits) < Distinct) ++Bits;
  return Bits;
}

int32_t THuffman::BuildFromTable() {
  const int32_t Result = LoadFrequencies();
  BuildTree();
  AssignCodes();
  FOutStream->Clear();
  return Result;
}

int32_t THuffman::BuildFromBytes(const uint8_t* Data, int64_t Size) {
  const int32_t Result = CountFromBytes(Data, Size);
  if (Size == 0) return Result;  // as Encode: no data, the code stays
  BuildTree();
  AssignCodes();
  return Result;
}
