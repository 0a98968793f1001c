// The slow literal model of the Huffman engine and the checks that hold the
// engine to it.  Contracts and the model's rules are in CompressModel.h.
#include "CompressModel.h"

#include <algorithm>
#include <array>
#include <functional>
#include <queue>
#include <typeinfo>
#include <utility>

namespace CompressModel {

namespace {

THuffmanNode BlankNode() { return THuffmanNode{0, 0, 0, 0, 0, -1, -1, -1}; }

// --------------------------------------------------------------------------
// Code building.

bool NodeBefore(const THuffmanNode& A, const THuffmanNode& P) {
  return A.Frequency > P.Frequency || (A.Frequency == P.Frequency && A.BitLength < P.BitLength);
}
bool NodeAfter(const THuffmanNode& A, const THuffmanNode& P) {
  return A.Frequency < P.Frequency || (A.Frequency == P.Frequency && A.BitLength > P.BitLength);
}

// The quicksort whose exact steps decide the order of equal entries: the
// pivot is a position that follows its entry through the swaps.
template <class T, class TBefore, class TAfter>
void TrackedQuickSort(std::vector<T>& A, int32_t L, int32_t R, TBefore Before, TAfter After) {
  int32_t I;
  do {
    I = L;
    int32_t J = R;
    int32_t P = (L + R) / 2;
    do {
      while (Before(A[I], A[P])) ++I;
      while (After(A[J], A[P])) --J;
      if (I <= J) {
        std::swap(A[I], A[J]);
        if (P == I)
          P = J;
        else if (P == J)
          P = I;
        ++I;
        --J;
      }
    } while (I <= J);
    if (L < J) TrackedQuickSort(A, L, J, Before, After);
    L = I;
  } while (I < R);
}

void SortNodes(TTable& Nodes, int32_t L, int32_t R) {
  TrackedQuickSort(Nodes, L, R, NodeBefore, NodeAfter);
}

void SortWorkList(std::vector<TWorkItem>& Items, int32_t L, int32_t R) {
  TrackedQuickSort(
      Items, L, R, [](const TWorkItem& A, const TWorkItem& P) { return A.Frequency > P.Frequency; },
      [](const TWorkItem& A, const TWorkItem& P) { return A.Frequency < P.Frequency; });
}

}  // namespace

TTable CountLeaves(const uint8_t* P, size_t N) {
  std::array<int64_t, 256> Freq{};
  std::array<int32_t, 256> Slot{};
  Slot.fill(-1);
  TTable Leaves;
  for (size_t i = 0; i < N; ++i) {
    if (Freq[P[i]]++ == 0) {
      Slot[P[i]] = static_cast<int32_t>(Leaves.size());
      THuffmanNode Leaf = BlankNode();
      Leaf.Data = P[i];
      Leaves.push_back(Leaf);
    }
  }
  for (auto& Leaf : Leaves) Leaf.Frequency = static_cast<int32_t>(Freq[Leaf.Data]);
  const auto Count = static_cast<int32_t>(Leaves.size());
  if (Count >= 2) SortNodes(Leaves, 0, Count - 1);
  for (int32_t k = 0; k < Count; ++k) Leaves[k].Index = k;
  return Leaves;
}

namespace {

void SetDepths(TTable& Nodes, int32_t Index, int32_t Depth) {
  if (Index == -1) return;
  Nodes[Index].BitLength = Depth;
  SetDepths(Nodes, Nodes[Index].Left, Depth + 1);
  SetDepths(Nodes, Nodes[Index].Right, Depth + 1);
}

}  // namespace

void BuildTree(TTable& Nodes) {
  const auto N = static_cast<int32_t>(Nodes.size());
  if (N == 0) return;
  Nodes.resize(N == 1 ? 2 : 2 * N - 1, BlankNode());
  std::vector<TWorkItem> Items(N);
  for (int32_t k = 0; k < N; ++k) Items[k] = TWorkItem{Nodes[k].Index, Nodes[k].Frequency};
  int32_t Next = N;
  int32_t J = N;
  THuffmanNode Template = BlankNode();
  for (;;) {
    Template.Index = Next;
    if (J > 1) {
      Template.Frequency = Items[J - 1].Frequency + Items[J - 2].Frequency;
      Template.Right = Items[J - 1].Node;
      Template.Left = Items[J - 2].Node;
      Nodes[Items[J - 1].Node].Parent = Next;
      Nodes[Items[J - 2].Node].Parent = Next;
    } else {
      Template.Frequency = Items[0].Frequency;
      Template.Right = -1;
      Template.Left = Items[0].Node;
      Nodes[Items[0].Node].Parent = Next;
    }
    Nodes[Next] = Template;
    ++Next;
    if (J > 1) --J;
    Items[J - 1] = TWorkItem{Template.Index, Template.Frequency};
    if (J == 1) break;
    SortWorkList(Items, 0, J - 1);
  }
  SetDepths(Nodes, Next - 1, 0);
  SortNodes(Nodes, 0, N - 1);
  Nodes.resize(N);
}

namespace {

uint32_t ReverseLow(uint32_t V, int32_t Len) {
  uint32_t R = 0;
  for (int32_t i = 0; i < Len; ++i) R |= ((V >> i) & 1u) << (Len - 1 - i);
  return R;
}

// The sending-order pattern of a left-aligned 16-bit code: its top Len bits
// reversed; bits of a code value beyond 16 bits stay above them.
int32_t PatternOf(uint64_t Code16, int32_t Len) {
  const auto V = static_cast<uint32_t>(Code16 >> (16 - Len));
  const uint32_t Low = (uint32_t{1} << Len) - 1;
  return static_cast<int32_t>((V & ~Low) | ReverseLow(V, Len));
}

// Canonical code values, 16 bits wide and left-aligned, of the entries that
// the counts give lengths to, in table order; the rest keep length 0.
// Values are exact (64-bit): damaged counts can push them past 16 bits.
void CanonicalCodes(const std::array<uint64_t, 17>& Counts, size_t N, std::vector<int32_t>& Lengths,
                    std::vector<uint64_t>& Code16) {
  Lengths.assign(N, 0);
  Code16.assign(N, 0);
  uint64_t Start = 0;
  size_t k = 0;
  for (int32_t L = 1; L <= 16; ++L) {
    const uint64_t Weight = uint64_t{1} << (16 - L);
    for (uint64_t m = 0; m < Counts[L] && k < N; ++m, ++k) {
      Lengths[k] = L;
      Code16[k] = Start + m * Weight;
    }
    Start += Counts[L] * Weight;
  }
}

}  // namespace

void AssignCodes(TTable& Nodes) {
  const size_t N = Nodes.size();
  if (N == 0) return;
  std::array<uint64_t, 17> Counts{};
  for (const auto& Node : Nodes) ++Counts[std::min(Node.BitLength, 16)];
  uint64_t S = 0;
  for (int32_t L = 1; L <= 16; ++L) S += Counts[L] << (16 - L);
  if (S > 65536) {
    for (uint64_t Step = 0; Step < S - 65536; ++Step) {
      for (int32_t L = 15; L >= 1; --L) {
        if (Counts[L] > 0) {
          --Counts[L];
          --Counts[16];
          Counts[L + 1] += 2;
          break;
        }
      }
    }
    size_t k = 0;
    for (int32_t L = 1; L <= 16; ++L)
      for (uint64_t m = 0; m < Counts[L] && k < N; ++m) Nodes[k++].BitLength = L;
  }
  std::vector<int32_t> Lengths;
  std::vector<uint64_t> Code16;
  CanonicalCodes(Counts, N, Lengths, Code16);
  for (size_t k = 0; k < N; ++k) Nodes[k].BitPattern = PatternOf(Code16[k], Lengths[k]);
}

TTable BuildCode(const uint8_t* P, size_t N) {
  TTable Nodes = CountLeaves(P, N);
  BuildTree(Nodes);
  AssignCodes(Nodes);
  return Nodes;
}

// --------------------------------------------------------------------------
// Byte forms, one bit at a time, least significant bit first.

namespace {

int32_t BitWidth(uint64_t Value) {
  int32_t Width = 0;
  do {
    Value >>= 1;
    ++Width;
  } while (Value != 0);
  return Width;
}

}  // namespace

void TBitWriter::Put(uint64_t Value, int32_t Count) {
  for (int32_t i = 0; i < Count; ++i, ++Bit) {
    if (Bit / 8 >= Bytes.size()) Bytes.push_back(0);
    if ((Value >> i) & 1u) Bytes[Bit / 8] |= static_cast<uint8_t>(1u << (Bit % 8));
  }
}

uint64_t GetBits(const uint8_t* P, size_t N, uint64_t Bit, int32_t Count) {
  uint64_t Value = 0;
  for (int32_t i = 0; i < Count; ++i, ++Bit)
    if (Bit / 8 < N && ((P[Bit / 8] >> (Bit % 8)) & 1u)) Value |= uint64_t{1} << i;
  return Value;
}

void PutBits(TBytes& B, uint64_t Bit, uint64_t Value, int32_t Count) {
  for (int32_t i = 0; i < Count; ++i, ++Bit) {
    const auto Mask = static_cast<uint8_t>(1u << (Bit % 8));
    if ((Value >> i) & 1u)
      B[Bit / 8] |= Mask;
    else
      B[Bit / 8] &= static_cast<uint8_t>(~Mask);
  }
}

std::array<uint64_t, 17> LengthCounts(const TTable& Leaves) {
  std::array<uint64_t, 17> Counts{};
  for (const auto& Leaf : Leaves) ++Counts[std::clamp(Leaf.BitLength, 0, 16)];
  return Counts;
}

TBytes CodedForm(const TTable& Leaves, const uint8_t* P, size_t N) {
  const auto Counts = LengthCounts(Leaves);
  uint64_t Greatest = 0;
  for (int32_t L = 1; L <= 16; ++L) Greatest = std::max(Greatest, Counts[L]);
  const int32_t W = BitWidth(Greatest);
  TBitWriter Out;
  Out.Put(0, 32);
  Out.Put(0, 3);
  Out.Put(static_cast<uint64_t>(W), 5);
  Out.Put(Leaves.size() & 255u, 8);
  for (const auto& Leaf : Leaves) Out.Put(Leaf.Data, 8);
  for (int32_t L = 1; L <= 16; ++L) Out.Put(Counts[L], W);
  std::array<int32_t, 256> LeafOf{};
  LeafOf.fill(-1);
  for (size_t k = Leaves.size(); k-- > 0;) LeafOf[Leaves[k].Data] = static_cast<int32_t>(k);
  uint64_t Total = 0;
  for (size_t i = 0; i < N; ++i) {
    if (LeafOf[P[i]] < 0) continue;
    const auto& Leaf = Leaves[LeafOf[P[i]]];
    Out.Put(static_cast<uint32_t>(Leaf.BitPattern), Leaf.BitLength);
    Total += static_cast<uint64_t>(Leaf.BitLength);
  }
  PutBits(Out.Bytes, 0, (Total / 8) * 4 + 1, 32);
  PutBits(Out.Bytes, 32, Total % 8, 3);
  return Out.Bytes;
}

TBytes StoredForm(const uint8_t* P, size_t N) {
  TBitWriter Out;
  Out.Put(static_cast<uint64_t>(N) * 4, 32);
  Out.Bytes.insert(Out.Bytes.end(), P, P + N);
  return Out.Bytes;
}

TBytes EncodedForm(const TTable& Leaves, const uint8_t* P, size_t N) {
  if (N == 0) return StoredForm(P, N);
  TBytes Coded = CodedForm(Leaves, P, N);
  return Coded.size() > N ? StoredForm(P, N) : Coded;
}

// --------------------------------------------------------------------------
// Decoding.

const char* OutcomeName(TOutcome O) {
  switch (O) {
    case TOutcome::Decoded: return "decoded";
    case TOutcome::NotHuffman: return "Not Huffman encoded data";
    case TOutcome::CannotDecode: return "Can not decode";
  }
  return "?";
}

TDecoded Decode(const uint8_t* P, size_t N) {
  TDecoded R;
  const uint64_t Word = GetBits(P, N, 0, 32);
  if ((Word & 3u) == 0) {
    if (N != (Word >> 2) + 4) return R;
    R.Outcome = TOutcome::Decoded;
    R.Data.assign(P + 4, P + N);
    return R;
  }
  const uint64_t Tail = GetBits(P, N, 32, 3);
  const auto W = static_cast<int32_t>(GetBits(P, N, 35, 5));
  uint64_t Entries = GetBits(P, N, 40, 8);
  if (Entries == 0) Entries = 256;
  const uint64_t Bytes = Word >> 2;
  if (N != Entries + 6 + 2 * static_cast<uint64_t>(W) + Bytes + (Tail != 0 ? 1 : 0)) return R;
  R.Coded = true;
  std::array<uint64_t, 17> Counts{};
  for (int32_t L = 1; L <= 16; ++L)
    Counts[L] = GetBits(P, N, (6 + Entries) * 8 + static_cast<uint64_t>((L - 1) * W), W);
  std::vector<int32_t> Lengths;
  std::vector<uint64_t> Code16;
  CanonicalCodes(Counts, Entries, Lengths, Code16);
  for (size_t k = 0; k < Entries; ++k) {
    THuffmanNode Entry = BlankNode();
    Entry.Index = static_cast<int32_t>(k);
    Entry.Data = P[6 + k];
    Entry.BitLength = Lengths[k];
    if (Lengths[k] == 0) {
      R.ZeroLength = true;
    } else {
      R.Overfull = R.Overfull || Code16[k] >= 65536;
      Entry.BitPattern = PatternOf(Code16[k], Lengths[k]);
    }
    R.Table.push_back(Entry);
  }
  R.TotalBits = Bytes * 8 + Tail;
  const uint64_t Start = (Entries + 6 + 2 * static_cast<uint64_t>(W)) * 8;
  for (uint64_t Pos = 0; Pos < R.TotalBits;) {
    const auto Take = static_cast<int32_t>(std::min<uint64_t>(R.TotalBits - Pos, 16));
    const uint64_t V = GetBits(P, N, Start + Pos, Take);
    const THuffmanNode* Hit = nullptr;
    for (const auto& Entry : R.Table) {
      if ((V & (65535u >> (16 - Entry.BitLength))) == static_cast<uint64_t>(Entry.BitPattern)) {
        Hit = &Entry;
        break;
      }
    }
    // An entry without a length would match forever without consuming bits.
    if (Hit == nullptr || Hit->BitLength == 0) {
      R.Outcome = TOutcome::CannotDecode;
      return R;
    }
    R.Data.push_back(Hit->Data);
    Pos += static_cast<uint64_t>(Hit->BitLength);
  }
  R.Outcome = TOutcome::Decoded;
  return R;
}

// --------------------------------------------------------------------------
// Checks of the engine.

std::string Hex(const uint8_t* P, size_t N, size_t Limit) {
  static const char Digits[] = "0123456789ABCDEF";
  std::string S;
  for (size_t i = 0; i < N && i < Limit; ++i) {
    if (i) S += ' ';
    S += Digits[P[i] >> 4];
    S += Digits[P[i] & 15];
  }
  if (N > Limit) S += " ...";
  return S;
}

static TBytes Contents(const TMemoryStream& S) {
  const auto* P = static_cast<const uint8_t*>(S.Memory());
  return S.Size() > 0 ? TBytes(P, P + S.Size()) : TBytes();
}

std::string Describe(const THuffmanNode& E) {
  return "{Index " + std::to_string(E.Index) + ", Data " + std::to_string(E.Data) + ", Frequency " +
         std::to_string(E.Frequency) + ", BitLength " + std::to_string(E.BitLength) +
         ", BitPattern " + std::to_string(E.BitPattern) + ", Parent " + std::to_string(E.Parent) +
         ", Left " + std::to_string(E.Left) + ", Right " + std::to_string(E.Right) + "}";
}

bool SameNode(const THuffmanNode& A, const THuffmanNode& B) {
  return A.Index == B.Index && A.Data == B.Data && A.Frequency == B.Frequency &&
         A.BitLength == B.BitLength && A.BitPattern == B.BitPattern && A.Parent == B.Parent &&
         A.Left == B.Left && A.Right == B.Right;
}

TTable EngineTable(const THuffman& H) {
  TTable Table(static_cast<size_t>(std::max(H.Count(), 0)));
  for (int32_t k = 0; k < H.Count(); ++k) H.GetNode(k, Table[k]);
  return Table;
}

std::string CheckCodeProperties(const TTable& T, const uint8_t* P, size_t N) {
  std::array<int64_t, 256> Freq{};
  for (size_t i = 0; i < N; ++i) ++Freq[P[i]];
  size_t Distinct = 0;
  for (auto F : Freq) Distinct += F > 0;
  if (T.size() != Distinct)
    return "Count " + std::to_string(T.size()) + ", distinct bytes " + std::to_string(Distinct);
  if (T.empty()) return "";
  const auto Count = static_cast<int32_t>(T.size());
  std::array<bool, 256> SeenData{};
  std::vector<bool> SeenIndex(T.size());
  uint64_t Kraft = 0;
  int32_t MaxLength = 0;
  for (int32_t k = 0; k < Count; ++k) {
    const auto& E = T[k];
    const std::string At = "leaf " + std::to_string(k) + " " + Describe(E) + ": ";
    if (SeenData[E.Data]) return At + "data value repeated";
    SeenData[E.Data] = true;
    if (E.Frequency != Freq[E.Data])
      return At + "frequency differs from the count " + std::to_string(Freq[E.Data]);
    if (k > 0 && E.Frequency > T[k - 1].Frequency) return At + "frequency rises";
    if (E.BitLength < 1 || E.BitLength > 16) return At + "length outside 1..16";
    if (k > 0 && E.BitLength < T[k - 1].BitLength) return At + "length falls";
    if (E.Index < 0 || E.Index >= Count || SeenIndex[E.Index]) return At + "bad or repeated Index";
    SeenIndex[E.Index] = true;
    if (E.Left != -1 || E.Right != -1) return At + "leaf with children";
    if (Count == 1 ? E.Parent != 1 : (E.Parent < Count || E.Parent > 2 * Count - 2))
      return At + "Parent outside the inner nodes";
    Kraft += uint64_t{1} << (16 - E.BitLength);
    MaxLength = std::max(MaxLength, E.BitLength);
  }
  if (Count == 1) {
    if (T[0].BitLength != 1 || T[0].BitPattern != 0) return "single leaf not length 1, pattern 0";
    return "";
  }
  if (Kraft != 65536) return "code incomplete: Kraft sum " + std::to_string(Kraft);
  // Canonical: consecutive left-aligned values length by length.
  uint64_t Code = 0;
  for (int32_t k = 0; k < Count; ++k) {
    const int32_t L = T[k].BitLength;
    const auto Expected =
        static_cast<int32_t>(ReverseLow(static_cast<uint32_t>(Code >> (16 - L)), L));
    if (T[k].BitPattern != Expected)
      return "leaf " + std::to_string(k) + " " + Describe(T[k]) +
             ": pattern not canonical, expected " + std::to_string(Expected);
    Code += uint64_t{1} << (16 - L);
  }
  // Without length repair (no 16-bit code) the lengths are a Huffman tree's
  // depths, and every Huffman tree has the least possible coded size.
  if (MaxLength < 16) {
    std::priority_queue<int64_t, std::vector<int64_t>, std::greater<>> Queue;
    for (auto F : Freq)
      if (F > 0) Queue.push(F);
    int64_t Best = 0;
    while (Queue.size() > 1) {
      const int64_t A = Queue.top();
      Queue.pop();
      const int64_t B = Queue.top();
      Queue.pop();
      Best += A + B;
      Queue.push(A + B);
    }
    int64_t Cost = 0;
    for (const auto& E : T) Cost += int64_t{E.Frequency} * E.BitLength;
    if (Cost != Best)
      return "coded size " + std::to_string(Cost) + " bits, a Huffman code needs " +
             std::to_string(Best);
  }
  return "";
}

namespace {

std::string CheckStreamsRewound(THuffman& H, const char* After) {
  for (TBitStream* S : {&H.InStream(), &H.OutStream()})
    if (S->Position() != 0 || S->BitPosition() != 0)
      return std::string("a stream is not rewound after ") + After;
  return "";
}

}  // namespace

std::string CheckRoundTrip(THuffman& H, const uint8_t* P, size_t N) {
  const std::string Input = "input of " + std::to_string(N) + " bytes [" + Hex(P, N) + "]: ";
  const TTable Before = EngineTable(H);
  H.InStream().Clear();
  if (N > 0) H.InStream().Write(P, static_cast<int32_t>(N));
  // Counting and coding read the whole block whatever the position.
  H.InStream().SetPosition(static_cast<int64_t>(N / 2));
  H.InStream().SetBitPosition(static_cast<int32_t>(N % 8));
  int32_t Result = 0;
  try {
    Result = H.Encode();
  } catch (const std::exception& E) {
    return Input + "Encode raised " + typeid(E).name() + " \"" + E.what() + "\"";
  }
  const TTable Table = EngineTable(H);
  TTable Expected;
  if (N == 0) {
    // An empty input leaves the code as it was.
    Expected = Before;
    if (Table.size() != Before.size()) return Input + "Encode changed the code";
    for (size_t k = 0; k < Table.size(); ++k)
      if (!SameNode(Table[k], Before[k])) return Input + "Encode changed the code";
  } else {
    std::string Fault = CheckCodeProperties(Table, P, N);
    if (!Fault.empty()) return Input + Fault;
    Expected = BuildCode(P, N);
    for (size_t k = 0; k < Table.size(); ++k)
      if (!SameNode(Table[k], Expected[k]))
        return Input + "leaf " + std::to_string(k) + " is " + Describe(Table[k]) + ", expected " +
               Describe(Expected[k]);
  }
  const TBytes Form = EncodedForm(Expected, P, N);
  const TBytes Out = Contents(H.OutStream());
  if (Out != Form)
    return Input + "Encode gave [" + Hex(Out.data(), Out.size()) + "] (" +
           std::to_string(Out.size()) + " bytes), expected [" + Hex(Form.data(), Form.size()) +
           "] (" + std::to_string(Form.size()) + " bytes)";
  if (Result != static_cast<int32_t>(Form.size()))
    return Input + "Encode returned " + std::to_string(Result) + ", form size " +
           std::to_string(Form.size());

  try {
    H.SwapStreams();
  } catch (const std::exception& E) {
    return Input + "SwapStreams raised \"" + E.what() + "\"";
  }
  if (Contents(H.InStream()) != Form || Contents(H.OutStream()) != TBytes(P, P + N))
    return Input + "SwapStreams did not exchange the streams";
  std::string Fault = CheckStreamsRewound(H, "SwapStreams");
  if (!Fault.empty()) return Input + Fault;

  try {
    Result = H.Decode();
  } catch (const std::exception& E) {
    return Input + "Decode of its own form raised " + typeid(E).name() + " \"" + E.what() + "\"";
  }
  const TBytes Back = Contents(H.OutStream());
  if (Back != TBytes(P, P + N))
    return Input + "Decode gave " + std::to_string(Back.size()) + " bytes [" +
           Hex(Back.data(), Back.size()) + "]";
  if (Result != static_cast<int32_t>(N)) return Input + "Decode returned " + std::to_string(Result);
  // A coded form leaves the table it carried: the same data values, lengths
  // and patterns in the same order.
  if (Form.size() >= 4 && (Form[0] & 3) != 0) {
    const TTable Read = EngineTable(H);
    if (Read.size() != Expected.size())
      return Input + "Decode left Count " + std::to_string(Read.size());
    for (size_t k = 0; k < Read.size(); ++k) {
      THuffmanNode E = BlankNode();
      E.Index = static_cast<int32_t>(k);
      E.Data = Expected[k].Data;
      E.BitLength = Expected[k].BitLength;
      E.BitPattern = Expected[k].BitPattern;
      if (!SameNode(Read[k], E))
        return Input + "after Decode entry " + std::to_string(k) + " is " + Describe(Read[k]) +
               ", expected " + Describe(E);
    }
  }
  return "";
}

std::string CheckRoundTrip(const uint8_t* P, size_t N) {
  THuffman H;
  return CheckRoundTrip(H, P, N);
}

std::string CheckDecode(const uint8_t* P, size_t N, bool RoundTripOutput) {
  const std::string Input = "stream of " + std::to_string(N) + " bytes [" + Hex(P, N) + "]: ";
  const TDecoded Model = Decode(P, N);
  THuffman H;
  if (N > 0) H.InStream().Write(P, static_cast<int32_t>(N));
  H.InStream().SetBitPosition(static_cast<int32_t>(N % 8));
  TOutcome Outcome = TOutcome::Decoded;
  int32_t Result = 0;
  try {
    Result = H.Decode();
  } catch (const Exception& E) {
    if (typeid(E) != typeid(Exception))
      return Input + "Decode raised " + typeid(E).name() + " \"" + E.Message() + "\"";
    if (E.Message() == NotHuffmanMessage)
      Outcome = TOutcome::NotHuffman;
    else if (E.Message() == CannotDecodeMessage)
      Outcome = TOutcome::CannotDecode;
    else
      return Input + "Decode raised \"" + E.Message() + "\"";
  } catch (const std::exception& E) {
    return Input + "Decode raised " + typeid(E).name() + " \"" + E.what() + "\"";
  }
  const std::string Got = std::string("got ") + OutcomeName(Outcome);
  if (Model.Outcome == TOutcome::NotHuffman)
    return Outcome == TOutcome::NotHuffman
               ? ""
               : Input + Got + ", expected " + OutcomeName(Model.Outcome);
  if (Outcome == TOutcome::NotHuffman)
    return Input + "rejected a stream whose size matches its header";
  // A coded form's table is read before its payload, so it stands whether or
  // not the payload decodes; a stored form leaves the (empty) code alone.
  const TTable Read = EngineTable(H);
  if (Read.size() != Model.Table.size())
    return Input + "Decode left Count " + std::to_string(Read.size());
  for (size_t k = 0; k < Read.size(); ++k)
    if (!SameNode(Read[k], Model.Table[k]))
      return Input + "after Decode entry " + std::to_string(k) + " is " + Describe(Read[k]) +
             ", expected " + Describe(Model.Table[k]);
  if (Outcome == TOutcome::CannotDecode) {
    if (Model.Outcome == TOutcome::CannotDecode || Model.ZeroLength) return "";
    return Input + Got + ", expected " + OutcomeName(Model.Outcome);
  }
  const TBytes Out = Contents(H.OutStream());
  if (Result != static_cast<int32_t>(Out.size()))
    return Input + "Decode returned " + std::to_string(Result) + " with " +
           std::to_string(Out.size()) + " bytes out";
  if (Model.Outcome != TOutcome::Decoded)
    return Input + Got + ", expected " + OutcomeName(Model.Outcome);
  if (Out != Model.Data)
    return Input + "decoded " + std::to_string(Out.size()) + " bytes [" +
           Hex(Out.data(), Out.size()) + "], expected " + std::to_string(Model.Data.size()) + " [" +
           Hex(Model.Data.data(), Model.Data.size()) + "]";
  if (Model.Coded) {
    // Coding the result again with the table just read (not one the builder
    // made: it may hold repeated values, codes past 16 bits, entries without
    // a length) gives the form the table and the bytes call for.
    H.SwapStreams();
    int32_t Size = 0;
    try {
      Size = H.EncodeData();
    } catch (const std::exception& E) {
      return Input + "EncodeData with the table read raised \"" + E.what() + "\"";
    }
    const TBytes Again = CodedForm(Model.Table, Out.data(), Out.size());
    const TBytes Got = Contents(H.OutStream());
    if (Got != Again || Size != static_cast<int32_t>(Again.size()))
      return Input + "EncodeData with the table read gave [" + Hex(Got.data(), Got.size()) +
             "], expected [" + Hex(Again.data(), Again.size()) + "]";
  }
  if (!RoundTripOutput) return "";
  std::string Fault = CheckRoundTrip(Out.data(), Out.size());
  return Fault.empty() ? "" : Input + "its decoded bytes fail the round trip: " + Fault;
}

}  // namespace CompressModel
