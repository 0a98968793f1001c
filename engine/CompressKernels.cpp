#include "CompressKernels.h"

#include <algorithm>
#include <cstring>
#include <system_error>
#include <thread>
#include <utility>

namespace CompressKernels {

namespace {

inline uint64_t Load64(const uint8_t* P) {
  uint64_t V;
  std::memcpy(&V, P, 8);
  return V;  // little-endian host: byte 0 in bits 0-7
}

inline void Store64(uint8_t* P, uint64_t V) { std::memcpy(P, &V, 8); }

}  // namespace

namespace {

constexpr int SubTables = 4;

// Adds the bytes of Data[0..Size-1] to four sub-histograms: a run of equal
// bytes spreads its increments over four counters instead of waiting on
// one.  Counters stay below 2^32 while the total does.
void AddBytes(const uint8_t* Data, size_t Size, uint32_t Sub[SubTables][256]) {
  size_t I = 0;
  for (; I + 16 <= Size; I += 16) {
    const uint8_t* P = Data + I;
    ++Sub[0][P[0]];
    ++Sub[1][P[1]];
    ++Sub[2][P[2]];
    ++Sub[3][P[3]];
    ++Sub[0][P[4]];
    ++Sub[1][P[5]];
    ++Sub[2][P[6]];
    ++Sub[3][P[7]];
    ++Sub[0][P[8]];
    ++Sub[1][P[9]];
    ++Sub[2][P[10]];
    ++Sub[3][P[11]];
    ++Sub[0][P[12]];
    ++Sub[1][P[13]];
    ++Sub[2][P[14]];
    ++Sub[3][P[15]];
  }
  for (; I < Size; ++I) ++Sub[I & 3][Data[I]];
}

uint32_t SubTotal(const uint32_t Sub[SubTables][256], int V) {
  uint32_t Sum = 0;
  for (int T = 0; T < SubTables; ++T) Sum += Sub[T][V];
  return Sum;
}

// Byte counts in four sub-histograms, for small inputs.
class TByteCounts {
public:
  TByteCounts() { std::memset(FSub, 0, sizeof FSub); }
  void Add(const uint8_t* Data, size_t Size) { AddBytes(Data, Size, FSub); }
  void Totals(uint32_t Counts[256]) const {
    for (int V = 0; V < 256; ++V) Counts[V] = SubTotal(FSub, V);
  }

private:
  uint32_t FSub[SubTables][256];
};

// Byte pairs: Pairs[a | b << 8] counts the pairs (a, b) at even offsets of
// the data added so far.  One increment for two bytes halves the stores of a
// byte histogram, the bound of counting; the table (256 KiB) reduces to byte
// counts in one pass (TPairCounts::Totals) that the compiler vectorises.
// Counters stay below 2^32 while the data's size does.
class TPairCounts {
public:
  TPairCounts() : FPairs(65536, 0) {}

  // Adds Data[0..Size-1]; Size is even except for the last call.
  void Add(const uint8_t* Data, size_t Size) {
    uint32_t* Pairs = FPairs.data();
    size_t I = 0;
    for (; I + 16 <= Size; I += 16) {
      const uint64_t A = Load64(Data + I);
      const uint64_t B = Load64(Data + I + 8);
      ++Pairs[A & 0xFFFF];
      ++Pairs[(A >> 16) & 0xFFFF];
      ++Pairs[(A >> 32) & 0xFFFF];
      ++Pairs[A >> 48];
      ++Pairs[B & 0xFFFF];
      ++Pairs[(B >> 16) & 0xFFFF];
      ++Pairs[(B >> 32) & 0xFFFF];
      ++Pairs[B >> 48];
    }
    for (; I < Size; ++I) ++FSingles[Data[I]];
  }

  // Occurrences of every byte value in the data added so far.
  void Totals(uint32_t Counts[256]) const {
    uint32_t First[256];
    std::memcpy(First, FSingles, sizeof First);
    for (int B = 0; B < 256; ++B) {
      const uint32_t* Row = FPairs.data() + 256 * B;  // pairs (a, B)
      uint32_t Second = 0;
      for (int A = 0; A < 256; ++A) {
        First[A] += Row[A];
        Second += Row[A];
      }
      Counts[B] = Second;
    }
    for (int V = 0; V < 256; ++V) Counts[V] += First[V];
  }

private:
  std::vector<uint32_t> FPairs;
  uint32_t FSingles[256] = {};
};

// Inputs from this size on are counted by pairs: below it, clearing and
// reducing the pair table would cost more than it saves.
constexpr size_t PairCountFrom = size_t{256} << 10;

// Blocks of this size (even) are counted before the values new in them are
// looked up, so a value that first occurs late costs a scan of one block
// only; the totals are formed once a block.
constexpr size_t OrderBlock = size_t{1} << 20;
// Up to this many values new in a block are looked up one by one.
constexpr int32_t FewNew = 8;

}  // namespace

void CountBytes(const uint8_t* Data, size_t Size, uint32_t Counts[256]) {
  uint32_t Sub[SubTables][256];
  std::memset(Sub, 0, sizeof Sub);
  AddBytes(Data, Size, Sub);
  for (int V = 0; V < 256; ++V) Counts[V] = SubTotal(Sub, V);
}

namespace {

// CountInOrder on the calling thread with TCounts (TByteCounts or
// TPairCounts).
template <class TCounts>
int32_t CountInOrderWith(const uint8_t* Data, size_t Size, uint32_t Counts[256],
                         uint8_t Order[256]) {
  TCounts Counter;
  bool Seen[256] = {};
  int32_t Found = 0;
  for (size_t Start = 0; Start < Size; Start += OrderBlock) {
    const size_t Length = std::min(OrderBlock, Size - Start);
    Counter.Add(Data + Start, Length);
    if (Found == 256) continue;
    // Values whose first occurrence lies in this block, then their order.
    Counter.Totals(Counts);
    bool New[256] = {};
    int32_t Missing = 0;
    for (int V = 0; V < 256; ++V)
      if (!Seen[V] && Counts[V] != 0) {
        New[V] = true;
        ++Missing;
      }
    if (Missing <= FewNew) {
      // A few (typically rare values trickling in): memchr finds each far
      // faster than a byte loop finds them all.
      std::pair<size_t, uint8_t> At[FewNew];
      int32_t Count = 0;
      for (int V = 0; V < 256; ++V)
        if (New[V]) {
          const void* First = std::memchr(Data + Start, V, Length);
          At[Count++] = {static_cast<size_t>(static_cast<const uint8_t*>(First) - Data),
                         uint8_t(V)};
          Seen[V] = true;
        }
      for (int32_t K = 1; K < Count; ++K)  // by position
        for (int32_t J = K; J > 0 && At[J].first < At[J - 1].first; --J)
          std::swap(At[J], At[J - 1]);
      for (int32_t K = 0; K < Count; ++K) Order[Found++] = At[K].second;
      continue;
    }
    for (size_t I = Start; Missing > 0; ++I) {
      const uint8_t B = Data[I];
      if (New[B]) {
        New[B] = false;
        Seen[B] = true;
        Order[Found++] = B;
        --Missing;
      }
    }
  }
  Counter.Totals(Counts);
  return Found;
}

int32_t CountInOrderSerial(const uint8_t* Data, size_t Size, uint32_t Counts[256],
                           uint8_t Order[256]) {
  if (Size < PairCountFrom) return CountInOrderWith<TByteCounts>(Data, Size, Counts, Order);
  return CountInOrderWith<TPairCounts>(Data, Size, Counts, Order);
}

// One chunk's share of a parallel count.
struct TChunkCount {
  uint32_t Counts[256];
  uint8_t Order[256];
  int32_t Found;
};

}  // namespace

int32_t CountInOrderOn(const uint8_t* Data, size_t Size, uint32_t Counts[256], uint8_t Order[256],
                       unsigned Threads) {
  Threads = std::clamp<unsigned>(Threads, 1, MaxCountThreads);
  if (Size < Threads) Threads = Size == 0 ? 1 : static_cast<unsigned>(Size);
  if (Threads == 1) return CountInOrderSerial(Data, Size, Counts, Order);
  // Contiguous chunks, one a thread (the calling thread takes the last).  A
  // value first occurs in the first chunk that holds it, at that chunk's own
  // first occurrence; so the chunks' orders, each without the values of the
  // chunks before it, concatenate to the order of the whole.
  std::vector<TChunkCount> Chunks(Threads);
  const size_t Step = Size / Threads;
  const auto Run = [&](unsigned K) {
    const size_t From = Step * K;
    const size_t To = K + 1 == Threads ? Size : From + Step;
    Chunks[K].Found = CountInOrderSerial(Data + From, To - From, Chunks[K].Counts, Chunks[K].Order);
  };
  std::vector<std::thread> Workers;
  Workers.reserve(Threads - 1);
  unsigned Started = 0;
  try {
    for (; Started + 1 < Threads; ++Started) Workers.emplace_back(Run, Started);
  } catch (const std::system_error&) {
    // No more threads to be had: the rest is counted here.
  }
  for (unsigned K = Started; K < Threads; ++K) Run(K);
  for (std::thread& Worker : Workers) Worker.join();
  bool Seen[256] = {};
  int32_t Found = 0;
  for (int V = 0; V < 256; ++V) Counts[V] = 0;
  for (const TChunkCount& Chunk : Chunks) {
    for (int V = 0; V < 256; ++V) Counts[V] += Chunk.Counts[V];
    for (int32_t I = 0; I < Chunk.Found; ++I)
      if (!Seen[Chunk.Order[I]]) {
        Seen[Chunk.Order[I]] = true;
        Order[Found++] = Chunk.Order[I];
      }
  }
  return Found;
}

int32_t CountInOrder(const uint8_t* Data, size_t Size, uint32_t Counts[256], uint8_t Order[256]) {
  unsigned Threads = 1;
  if (Size >= ParallelCountFrom) Threads = std::max(1u, std::thread::hardware_concurrency());
  return CountInOrderOn(Data, Size, Counts, Order, Threads);
}

namespace {

// Invariant between flushes: Acc holds Bits (< 8 after a flush) pending bits
// in its low end, all higher bits 0.  PerFlush codes of at most MaxLength
// bits each are added before the next flush, and 7 + PerFlush * MaxLength
// <= 63, so no code is shifted out of the 64-bit word.
template <int PerFlush>
uint64_t EncodeWith(const uint8_t* In, size_t Size, const TCodeEntry Table[256], uint8_t* Out) {
  uint64_t Acc = 0;
  uint32_t Bits = 0;
  uint8_t* O = Out;
  size_t I = 0;
  for (; I + PerFlush <= Size; I += PerFlush) {
    for (int J = 0; J < PerFlush; ++J) {
      const TCodeEntry E = Table[In[I + J]];
      Acc |= static_cast<uint64_t>(E.Code) << Bits;
      Bits += E.Length;
    }
    Store64(O, Acc);
    O += Bits >> 3;
    Acc >>= Bits & 56;
    Bits &= 7;
  }
  for (; I < Size; ++I) {
    const TCodeEntry E = Table[In[I]];
    Acc |= static_cast<uint64_t>(E.Code) << Bits;
    Bits += E.Length;
  }
  Store64(O, Acc);  // the last partial byte, padded with 0 bits
  return static_cast<uint64_t>(O - Out) * 8 + Bits;
}

// The same invariant, eight bytes (four pairs) a step: Codes[a | b << 8]
// holds the code of a followed by the code of b (at most 32 bits), and
// Lengths[a | b << 8] their length.  Two tables instead of one of packed
// entries: fewer instructions a pair, and 320 KiB stay in the second-level
// cache.  A step adds its four pairs, then checks that they fit: Bits <= 63
// at the end means every code lay inside the word (the usual case: one
// flush a step).  Otherwise the step is undone and redone with a flush
// after every pair (7 + 32 <= 63).  Shift counts are taken mod 64, so an
// overlong step only spoils the bits it is about to undo.
uint64_t EncodePairSteps(const uint8_t* In, size_t Size, const uint32_t* Codes,
                         const uint8_t* Lengths, const TCodeEntry Table[256], uint8_t* Out) {
  uint64_t Acc = 0;
  uint64_t Bits = 0;
  uint8_t* O = Out;
  size_t I = 0;
  const auto Flush = [&] {
    Store64(O, Acc);
    O += Bits >> 3;
    Acc >>= Bits & 56;
    Bits &= 7;
  };
  const auto Add = [&](uint32_t Pair) {
    Acc |= static_cast<uint64_t>(Codes[Pair]) << (Bits & 63);
    Bits += Lengths[Pair];
  };
  for (; I + 8 <= Size; I += 8) {
    uint16_t P[4];  // first byte of each pair in the low end
    std::memcpy(P, In + I, 8);
    const uint64_t AccBefore = Acc;
    const uint64_t BitsBefore = Bits;
    Add(P[0]);
    Add(P[1]);
    Add(P[2]);
    Add(P[3]);
    if (__builtin_expect(Bits <= 63, 1)) {
      Flush();
      continue;
    }
    Acc = AccBefore;
    Bits = BitsBefore;
    for (int K = 0; K < 4; ++K) {
      Add(P[K]);
      Flush();
    }
  }
  for (; I < Size; ++I) {  // at most 7 codes of at most 16 bits, a flush after each
    const TCodeEntry E = Table[In[I]];
    Acc |= static_cast<uint64_t>(E.Code) << Bits;
    Bits += E.Length;
    Flush();
  }
  Store64(O, Acc);
  return static_cast<uint64_t>(O - Out) * 8 + Bits;
}

}  // namespace

uint64_t EncodeBytes(const uint8_t* In, size_t Size, const TCodeEntry Table[256], int32_t MaxLength,
                     uint8_t* Out) {
  // The tail loop of EncodeWith adds fewer than PerFlush codes, so the same
  // bound holds for it.
  switch ((63 - 7) / (MaxLength < 1 ? 1 : MaxLength)) {
    case 3: return EncodeWith<3>(In, Size, Table, Out);
    case 4: return EncodeWith<4>(In, Size, Table, Out);
    case 5: return EncodeWith<5>(In, Size, Table, Out);
    case 6: return EncodeWith<6>(In, Size, Table, Out);
    case 7: return EncodeWith<7>(In, Size, Table, Out);
    default: return EncodeWith<8>(In, Size, Table, Out);
  }
}

void BuildPairTable(const TCodeEntry Table[256], std::vector<uint32_t>& Codes,
                    std::vector<uint8_t>& Lengths) {
  Codes.resize(65536);
  Lengths.resize(65536);
  for (uint32_t B = 0; B < 256; ++B)
    for (uint32_t A = 0; A < 256; ++A) {
      Codes[A | B << 8] = Table[A].Code | Table[B].Code << Table[A].Length;
      Lengths[A | B << 8] = static_cast<uint8_t>(Table[A].Length + Table[B].Length);
    }
}

uint64_t EncodePairs(const uint8_t* In, size_t Size, const uint32_t* Codes, const uint8_t* Lengths,
                     const TCodeEntry Table[256], uint8_t* Out) {
  return EncodePairSteps(In, Size, Codes, Lengths, Table, Out);
}

TDecodeTable::TDecodeTable(const int32_t* Lengths, const int32_t* Patterns, const uint8_t* Data,
                           int32_t Count)
    : FFirst(65536, NoMatch) {
  if (Count > 256) Count = 256;
  // An entry matches the peeks v with (v & mask) == pattern.  Filling from
  // the last entry to the first leaves the first match in every slot; an
  // entry equal to an earlier one in length and pattern is hidden by it and
  // skipped, so the work is at most 17 * 65536 slots even for damaged tables.
  std::vector<bool> Taken(17 * 65536, false);
  std::array<bool, 256> Active{};
  for (int32_t K = 0; K < Count; ++K) {
    FLength[K] = Lengths[K];
    FData[K] = Data[K];
    const int32_t Len = Lengths[K];
    if (Len < 0 || Len > 16) continue;
    const uint32_t Pattern = static_cast<uint32_t>(Patterns[K]);
    if ((Pattern >> Len) != 0) continue;
    const size_t Key = static_cast<size_t>(Len) * 65536 + Pattern;
    if (Taken[Key]) continue;
    Taken[Key] = true;
    Active[K] = true;
  }
  for (int32_t K = Count - 1; K >= 0; --K) {
    if (!Active[K]) continue;
    const int32_t Len = Lengths[K];
    const uint32_t Pattern = static_cast<uint32_t>(Patterns[K]);
    for (uint32_t High = 0; High < (uint32_t{1} << (16 - Len)); ++High)
      FFirst[Pattern | (High << Len)] = static_cast<uint16_t>(K);
  }
  // An entry "owns" its pattern when every peek that matches it decodes to
  // it; then FastBits bits that contain its whole code decide it.
  std::array<uint32_t, 256> Slots{};
  for (uint32_t V = 0; V < 65536; ++V)
    if (FFirst[V] != NoMatch) ++Slots[FFirst[V]];
  std::array<bool, 256> Owns{};
  for (int32_t K = 0; K < Count; ++K)
    Owns[K] = Active[K] && Lengths[K] >= 1 && Lengths[K] <= FastBits &&
              Slots[K] == (uint32_t{1} << (16 - Lengths[K]));
  for (uint32_t P = 0; P < (uint32_t{1} << FastBits); ++P) {
    uint32_t Bytes = 0;
    int32_t Used = 0;
    int32_t Decoded = 0;
    // Each next symbol is decided when its entry owns its pattern and its
    // whole code lies within the FastBits bits still unused.
    while (Decoded < FastSymbols) {
      const uint16_t K = FFirst[P >> Used];
      if (K == NoMatch || !Owns[K] || FLength[K] > FastBits - Used) break;
      Bytes |= static_cast<uint32_t>(FData[K]) << (8 * Decoded);
      Used += FLength[K];
      ++Decoded;
    }
    if (Decoded > 0)
      FFast[P] = static_cast<uint32_t>(Used) | static_cast<uint32_t>(Decoded) << 6 | Bytes << 8;
  }
}

TDecodeProgress DecodeBits(const TDecodeTable& Table, const uint8_t* Payload, uint64_t PayloadBytes,
                           uint64_t BitPos, uint64_t TotalBits, uint8_t* Out, size_t OutRoom) {
  const uint32_t* Fast = Table.Fast();
  constexpr uint64_t FastMask = (uint64_t{1} << TDecodeTable::FastBits) - 1;
  uint8_t* O = Out;
  // A round writes at most 4 lookups * 3 bytes, each with a 4-byte store.
  constexpr size_t RoundBytes = 4 * TDecodeTable::FastSymbols + 1;
  static_assert(4 * TDecodeTable::FastBits <= 56 && 3 * TDecodeTable::FastBits + 16 <= 56);
  const uint8_t* Limit = Out + (OutRoom >= RoundBytes ? OutRoom - RoundBytes : 0);
  if ((BitPos >> 3) + 16 > PayloadBytes) return TDecodeProgress{BitPos, 0, false};
  // Bit buffer: Bits holds the stream bits from payload bit Pos on, at least
  // Count of them valid; Next is the payload byte that holds bit Pos + Count
  // (Next * 8 == Pos + Count).  A refill ORs the 8 bytes at Next in above
  // Count: where they overlap bits already there they hold the same bits, so
  // the OR changes nothing there, and the load's address does not wait on
  // the lookups.  After a refill Count >= 56: four fast lookups of at most
  // FastBits bits each, or up to three and then one of at most 16 bits.
  uint64_t Next = (BitPos >> 3) + 7;
  uint64_t Bits = Load64(Payload + (BitPos >> 3)) >> (BitPos & 7);
  uint64_t Count = 56 - (BitPos & 7);
  bool Failed = false;
  // One fast lookup; false when the entry cannot decide on FastBits bits.
  const auto Fast1 = [&]() -> bool {
    const uint32_t E = Fast[Bits & FastMask];
    if (__builtin_expect((E & 0xC0) == 0, 0)) return false;
    const uint32_t Decoded = E >> 8;
    std::memcpy(O, &Decoded, 4);
    O += (E >> 6) & 3;
    Bits >>= (E & 63);
    Count -= (E & 63);
    return true;
  };
  // Each round: the current bit is Next * 8 - Count; it and the next 56 bits
  // stay below TotalBits, and the refill's 8 bytes at Next lie in Payload.
  while (O < Limit && Next * 8 - Count + 56 < TotalBits && Next + 8 <= PayloadBytes) {
    Bits |= Load64(Payload + Next) << Count;
    Next += (63 - Count) >> 3;
    Count |= 56;
    if (__builtin_expect(Fast1() && Fast1() && Fast1() && Fast1(), 1)) continue;
    // A long code (or none): decide on 16 bits, then refill.
    const uint16_t K = Table.Match(static_cast<uint32_t>(Bits));
    if (K == TDecodeTable::NoMatch || Table.Length(K) == 0) {
      Failed = true;
      break;
    }
    *O++ = Table.Data(K);
    Bits >>= Table.Length(K);
    Count -= static_cast<uint64_t>(Table.Length(K));
  }
  return TDecodeProgress{Next * 8 - Count, static_cast<size_t>(O - Out), Failed};
}

}  // namespace CompressKernels
