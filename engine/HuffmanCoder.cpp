// THuffman: the stream coder (coded and stored forms, both directions).
//
// Header fields go through ReadBits/WriteBits; the payload loops run in
// CompressKernels on the streams' blocks directly, with the same bits as the
// symbol-by-symbol procedure.  Streams switched to LsbFirst false (never the
// case for THuffman's own use) take that procedure literally.
#include "Compress.h"
#include "CompressInternal.h"
#include "CompressKernels.h"

#include <algorithm>
#include <cstring>
#include <new>

using CompressKernels::TCodeEntry;
using CompressKernels::TDecodeTable;

namespace {

constexpr int32_t MaxLength = 16;

// Inputs from this size on are coded two bytes a step.
constexpr uint64_t PairTableFrom = 256 << 10;

// Payload bytes decoded per growth step of the output block at most.
constexpr uint64_t DecodeChunk = 1 << 20;

// The 16 bits a decoder peeks at payload bit Pos: stream bits from
// Start*8+Pos on, 0 beyond the stream's end and beyond Total.
uint32_t PeekPayload(const uint8_t* Mem, int64_t Size, int64_t Start, uint64_t Pos,
                     uint64_t Total) {
  const uint64_t Bit = static_cast<uint64_t>(Start) * 8 + Pos;
  const uint64_t Byte = Bit >> 3;
  uint32_t Window = 0;
  for (uint64_t I = 0; I < 3; ++I)
    if (Byte + I < static_cast<uint64_t>(Size))
      Window |= static_cast<uint32_t>(Mem[Byte + I]) << (8 * I);
  uint32_t V = (Window >> (Bit & 7)) & 0xFFFF;
  const uint64_t Take = std::min<uint64_t>(Total - Pos, 16);
  if (Take < 16) V &= (uint32_t{1} << Take) - 1;
  return V;
}

// The header of either form as the decoding procedures read it: from the
// start of the stream through ReadBits, each field into a cleared variable,
// in stream order: the 32-bit word; then (Through >= HeaderW) the 3-bit tail
// and the 5-bit W; then (Through == HeaderN) the 8-bit N, 0 read as 256.  A
// field beyond the stream's end reads as 0.  The stream is left after the
// last field read.
enum THeaderPart { HeaderWord, HeaderW, HeaderN };

struct THeader {
  uint32_t Word = 0;
  uint32_t Tail = 0;
  uint32_t W = 0;
  uint32_t N = 0;
  // Stored form: the data bytes; coded form: the payload's whole bytes.
  int64_t Length() const { return Word >> 2; }
  int64_t PayloadBytes() const { return Length() + (Tail != 0 ? 1 : 0); }
  uint64_t TotalBits() const { return static_cast<uint64_t>(Length()) * 8 + Tail; }
};

THeader ReadHeader(TBitStream& In, THeaderPart Through) {
  THeader H;
  In.SetPosition(0);
  In.SetBitPosition(0);
  In.ReadBits(&H.Word, 32);
  if (Through == HeaderWord) return H;
  In.ReadBits(&H.Tail, 3);
  In.ReadBits(&H.W, 5);
  if (Through == HeaderW) return H;
  In.ReadBits(&H.N, 8);
  if (H.N == 0) H.N = 256;
  return H;
}

// Empties Out but keeps its block: a coder used again writes into pages it
// already has instead of fresh ones that the system must clear first.
void EmptyKeepingBlock(TBitStream& Out) {
  Out.SetSize(0);
  Out.SetPosition(0);
  Out.SetBitPosition(0);
}

// Releases an empty Out's kept block when it is more than twice the Bound
// bytes about to be reserved, so that what a coder holds stays bounded by
// its output.
void FitBlock(TBitStream& Out, int64_t Bound) {
  if (Out.Capacity() > 2 * Bound) Out.Clear();
}

int32_t SaturatedSize(int64_t Size) {
  return Size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(Size);
}

}  // namespace

int32_t BitWidth(uint32_t Value) {
  int32_t Width = 0;
  while (Value != 0) {
    Value >>= 1;
    ++Width;
  }
  return Width == 0 ? 1 : Width;
}

int32_t THuffman::EncodeData() {
  TBitStream& In = *FInStream;
  TBitStream& Out = *FOutStream;
  EmptyKeepingBlock(Out);
  if (FCount == 0) {
    Out.Clear();
    return 0;
  }
  const int32_t N = std::min<int32_t>(FCount, static_cast<int32_t>(FNodes.size()));

  uint32_t Counts[MaxLength + 1] = {};
  for (int32_t K = 0; K < N; ++K) {
    const int32_t L = FNodes[static_cast<size_t>(K)].BitLength;
    if (L >= 1 && L <= MaxLength) ++Counts[L];
  }
  uint32_t MaxCount = 0;
  for (int32_t L = 1; L <= MaxLength; ++L) MaxCount = std::max(MaxCount, Counts[L]);
  const uint32_t W = static_cast<uint32_t>(BitWidth(MaxCount));

  // The first leaf in table order codes its byte; bytes without one emit
  // nothing.
  int32_t Lengths[256] = {};
  int32_t Patterns[256] = {};
  bool Assigned[256] = {};
  for (int32_t K = 0; K < N; ++K) {
    const THuffmanNode& Node = FNodes[static_cast<size_t>(K)];
    if (Assigned[Node.Data]) continue;
    Assigned[Node.Data] = true;
    Lengths[Node.Data] = Node.BitLength;
    Patterns[Node.Data] = Node.BitPattern;
  }
  int32_t Longest = 0;
  bool Regular = Out.LsbFirst();
  for (int V = 0; V < 256; ++V) {
    Regular = Regular && Lengths[V] >= 0 && Lengths[V] <= MaxLength;
    Longest = std::max(Longest, std::abs(Lengths[V]));
  }

  // The header keeps the payload's byte count in 30 bits.  Only an input
  // long enough to overflow it at the longest code pays for an exact count.
  const auto* InBytes = static_cast<const uint8_t*>(In.Memory());
  const uint64_t InSize = static_cast<uint64_t>(In.Size());
  if (InSize * static_cast<uint64_t>(Longest) / 8 > static_cast<uint64_t>(MaxHeaderBytes)) {
    int64_t Bits = 0;
    if (InSize <= UINT32_MAX) {
      uint32_t Hist[256];
      CompressKernels::CountBytes(InBytes, InSize, Hist);
      for (int V = 0; V < 256; ++V) Bits += static_cast<int64_t>(Hist[V]) * Lengths[V];
    } else {
      Bits = INT64_MAX;
    }
    if (Bits / 8 > MaxHeaderBytes) {
      Out.Clear();
      throw ERangeError(Format(SCodedTooLarge, static_cast<long long>(Bits / 8),
                               static_cast<long long>(MaxHeaderBytes)));
    }
  }

  // The header is 6 + N + 2W bytes; reserve the payload's bound behind it
  // and let the expected output be backed by large pages before anything is
  // written, so no small page stands in the way of a large one.
  const int64_t Header = 6 + N + 2 * static_cast<int64_t>(W);
  const int64_t Bound = Header + static_cast<int64_t>((InSize * Longest + 7) / 8) + 8;
  FitBlock(Out, Bound);
  if (Regular) {
    Out.SetCapacity(Bound);
    if (FCountedMemory == In.Memory() && FCountedSize == In.Size() && FCountedBytes.size() == 256) {
      uint64_t Expected = 0;
      for (int V = 0; V < 256; ++V) Expected += uint64_t{FCountedBytes[V]} * uint32_t(Lengths[V]);
      Out.AdviseFill(Header + static_cast<int64_t>(Expected / 8));
    }
  }
  Out.WriteBits(&MaxCount, 32);
  Out.WriteBits(&MaxCount, 3);
  Out.WriteBits(&W, 5);
  const uint32_t CountField = static_cast<uint32_t>(FCount) & 0xFF;
  Out.WriteBits(&CountField, 8);
  for (int32_t K = 0; K < N; ++K) {
    const uint32_t Data = FNodes[static_cast<size_t>(K)].Data;
    Out.WriteBits(&Data, 8);
  }
  for (int32_t L = 1; L <= MaxLength; ++L) Out.WriteBits(&Counts[L], static_cast<int32_t>(W));

  uint64_t Total = 0;
  if (Regular) {
    // The header ends on a byte boundary (48 + 8N + 16W bits).
    TCodeEntry Table[256];
    for (int V = 0; V < 256; ++V)
      Table[V] = TCodeEntry{static_cast<uint32_t>(Patterns[V]) & ((uint32_t{1} << Lengths[V]) - 1),
                            static_cast<uint32_t>(Lengths[V])};
    const int64_t HeaderBytes = Out.Size();
    uint8_t* Payload = static_cast<uint8_t*>(Out.Memory()) + HeaderBytes;
    // Two bytes a step pays for its table from a few hundred KiB on.
    if (InSize >= PairTableFrom) {
      CompressKernels::BuildPairTable(Table, FPairCodes, FPairLengths);
      Total = CompressKernels::EncodePairs(InBytes, InSize, FPairCodes.data(), FPairLengths.data(),
                                           Table, Payload);
    } else {
      Total = CompressKernels::EncodeBytes(InBytes, InSize, Table, Longest, Payload);
    }
    Out.SetSize(HeaderBytes + static_cast<int64_t>((Total + 7) / 8));
    Out.SetPosition(Out.Size());
  } else {
    for (uint64_t I = 0; I < InSize; ++I) {
      const uint8_t B = InBytes[I];
      if (!Assigned[B]) continue;
      Out.WriteBits(&Patterns[B], Lengths[B]);
      Total += static_cast<uint64_t>(static_cast<int64_t>(Lengths[B]));
    }
  }

  Out.SetPosition(0);
  Out.SetBitPosition(0);
  const uint32_t Word = static_cast<uint32_t>((Total / 8) * 4 + 1);
  Out.WriteBits(&Word, 32);
  const uint32_t Tail = static_cast<uint32_t>(Total % 8);
  Out.WriteBits(&Tail, 3);
  return static_cast<int32_t>(Out.Size());
}

int32_t THuffman::StoreData() {
  TBitStream& In = *FInStream;
  TBitStream& Out = *FOutStream;
  const int64_t L = In.Size();
  EmptyKeepingBlock(Out);
  FitBlock(Out, L > MaxHeaderBytes ? 0 : L + 4);
  if (L > MaxHeaderBytes)
    throw ERangeError(
        Format(SStoredTooLarge, static_cast<long long>(L), static_cast<long long>(MaxHeaderBytes)));
  Out.SetCapacity(L + 4);
  const uint32_t Word = static_cast<uint32_t>(L) << 2;
  Out.WriteBits(&Word, 32);
  if (L > 0) Out.Write(In.Memory(), static_cast<int32_t>(L));
  return static_cast<int32_t>(L + 4);
}

int32_t THuffman::CheckFormat() {
  TBitStream& In = *FInStream;
  const int64_t Size = In.Size();
  const THeader Stored = ReadHeader(In, HeaderWord);
  if ((Stored.Word & 3) == 0) return Size == Stored.Length() + 4 ? 0 : -1;
  // Tags 1, 2 and 3 all count as coded.
  const THeader H = ReadHeader(In, HeaderN);
  return Size == static_cast<int64_t>(H.N) + 6 + 2 * static_cast<int64_t>(H.W) + H.PayloadBytes()
             ? 1
             : -1;
}

int32_t THuffman::ReadTable() {
  TBitStream& In = *FInStream;
  // The fields are read in stream order; each has the value it has where it
  // lies (N at byte 5, W in bits 3-7 of byte 4), 0 beyond the stream's end.
  const THeader H = ReadHeader(In, HeaderN);
  const uint32_t N = H.N;
  const uint32_t W = H.W;
  FNodes.assign(N, THuffmanNode{0, 0, 0, 0, 0, -1, -1, -1});
  In.SetPosition(6);
  In.SetBitPosition(0);
  for (uint32_t K = 0; K < N; ++K) {
    uint32_t Data = 0;
    In.ReadBits(&Data, 8);
    FNodes[K].Index = static_cast<int32_t>(K);
    FNodes[K].Data = static_cast<uint8_t>(Data);
  }
  uint32_t Counts[MaxLength + 1] = {};
  for (int32_t L = 1; L <= MaxLength; ++L) In.ReadBits(&Counts[L], static_cast<int32_t>(W));
  uint32_t K = 0;
  for (int32_t L = 1; L <= MaxLength && K < N; ++L)
    for (uint32_t M = 0; M < Counts[L] && K < N; ++M, ++K) FNodes[K].BitLength = L;
  AssignCanonicalPatterns(FNodes, static_cast<int32_t>(N), Counts);
  FCount = static_cast<int32_t>(N);
  return FCount;
}

int32_t THuffman::DecodeData() {
  TBitStream& In = *FInStream;
  TBitStream& Out = *FOutStream;
  const THeader H = ReadHeader(In, HeaderW);
  const uint64_t Total = H.TotalBits();
  const int64_t Start = static_cast<int64_t>(FCount) + 6 + 2 * static_cast<int64_t>(H.W);
  // A payload that runs past the stream's end is damage (Decode's size check
  // never lets one through); decoding the missing bits as 0 could turn a few
  // bytes into gigabytes.
  if (Start + static_cast<int64_t>((Total + 7) / 8) > In.Size()) throw Exception(SNotHuffmanData);
  EmptyKeepingBlock(Out);

  const int32_t N = std::min<int32_t>(FCount, static_cast<int32_t>(FNodes.size()));
  int32_t Lengths[256] = {};
  int32_t Patterns[256] = {};
  uint8_t Data[256] = {};
  const int32_t Used = std::min<int32_t>(std::max<int32_t>(N, 0), 256);
  for (int32_t K = 0; K < Used; ++K) {
    Lengths[K] = FNodes[static_cast<size_t>(K)].BitLength;
    Patterns[K] = FNodes[static_cast<size_t>(K)].BitPattern;
    Data[K] = FNodes[static_cast<size_t>(K)].Data;
  }
  const TDecodeTable Table(Lengths, Patterns, Data, Used);

  // The stream state the symbol-by-symbol procedure leaves after peeking at
  // payload bit Pos.
  const auto PeekState = [&](uint64_t Pos) {
    In.SetPosition(Start + static_cast<int64_t>(Pos / 8));
    In.SetBitPosition(static_cast<int32_t>(Pos % 8));
    uint32_t V = 0;
    In.ReadBits(&V, static_cast<int32_t>(std::min<uint64_t>(Total - Pos, 16)));
  };
  // A first match of length 0 would consume nothing; such a table can only
  // come from damaged data.
  const auto Undecodable = [](uint16_t K, const TDecodeTable& T) {
    return K == TDecodeTable::NoMatch || T.Length(K) == 0;
  };

  uint64_t Pos = 0;
  if (!In.LsbFirst()) {
    while (Pos < Total) {
      In.SetPosition(Start + static_cast<int64_t>(Pos / 8));
      In.SetBitPosition(static_cast<int32_t>(Pos % 8));
      uint32_t V = 0;
      In.ReadBits(&V, static_cast<int32_t>(std::min<uint64_t>(Total - Pos, 16)));
      const uint16_t K = Table.Match(V);
      if (Undecodable(K, Table)) throw Exception(SCanNotDecode);
      const uint32_t Byte = Table.Data(K);
      Out.WriteBits(&Byte, 8);
      Pos += static_cast<uint64_t>(Table.Length(K));
    }
    return SaturatedSize(Out.Size());
  }

  const auto* Mem = static_cast<const uint8_t*>(In.Memory());
  const int64_t InSize = In.Size();
  const uint64_t PayloadBytes = InSize > Start ? static_cast<uint64_t>(InSize - Start) : 0;
  const uint8_t* Payload = PayloadBytes > 0 ? Mem + Start : nullptr;
  int64_t OutLen = 0;
  // Room for the next Extra bytes; the block grows geometrically by
  // remapping, so it never holds two copies.
  const auto Reserve = [&Out, &OutLen](int64_t Extra) {
    if (OutLen + Extra > Out.Capacity())
      Out.SetCapacity(std::max(OutLen + Extra, Out.Capacity() + Out.Capacity() / 2));
  };
  // Every symbol takes at least Shortest and at most Longest bits (a first
  // match of length 0 raises).  So the output is at most the bits over
  // Shortest, reserved once (pages are committed only when written, and a
  // block that never grows is never copied), and at least the bits still to
  // come over Longest: that much is certain and may be backed by large pages.
  int32_t Longest = 1;
  int32_t Shortest = 16;
  for (int32_t K = 0; K < Used; ++K) {
    if (Lengths[K] < 1 || Lengths[K] > 16) continue;
    Longest = std::max(Longest, Lengths[K]);
    Shortest = std::min(Shortest, Lengths[K]);
  }
  const auto Certain = [&] { return OutLen + static_cast<int64_t>((Total - Pos) / Longest); };
  FitBlock(Out, static_cast<int64_t>(Total / Shortest) + 32);
  try {
    Reserve(static_cast<int64_t>(Total / Shortest) + 32);
  } catch (const std::bad_alloc&) {
    // No address space for the bound (a limited process): grow as it comes.
    Reserve(static_cast<int64_t>(std::min<uint64_t>(Total / Shortest, DecodeChunk * 64)) + 32);
  }
  while (Pos + 56 < Total && (Pos >> 3) + 16 <= PayloadBytes) {
    // The reserve above holds the whole output; growing (and, once large
    // pages split the block, copying) is only for when it could not be had.
    if (Out.Capacity() - OutLen < 64) Reserve(static_cast<int64_t>(DecodeChunk) + 16);
    // Large pages may also cover up to 512 KiB beyond the certain output: a
    // page that straddles the end then holds at most that much unwritten.
    Out.AdviseFill(Certain() + (int64_t{1} << 19));
    const int64_t Room = std::min<int64_t>(Out.Capacity() - OutLen, DecodeChunk);
    const auto Progress = CompressKernels::DecodeBits(Table, Payload, PayloadBytes, Pos, Total,
                                                      static_cast<uint8_t*>(Out.Memory()) + OutLen,
                                                      static_cast<size_t>(Room));
    Pos = Progress.BitPos;
    OutLen += static_cast<int64_t>(Progress.OutCount);
    if (Progress.Failed || Progress.OutCount == 0) break;
  }
  // The last symbols (and an undecodable one) one at a time, exactly as the
  // procedure peeks at them.
  uint64_t LastPos = 0;
  bool Any = false;
  while (Pos < Total) {
    const uint16_t K = Table.Match(PeekPayload(Mem, InSize, Start, Pos, Total));
    if (Undecodable(K, Table)) {
      PeekState(Pos);
      Out.SetSize(OutLen);
      Out.SetPosition(OutLen);
      throw Exception(SCanNotDecode);
    }
    Reserve(1);
    static_cast<uint8_t*>(Out.Memory())[OutLen++] = Table.Data(K);
    LastPos = Pos;
    Any = true;
    Pos += static_cast<uint64_t>(Table.Length(K));
  }
  if (Any) PeekState(LastPos);
  Out.SetSize(OutLen);
  Out.SetPosition(OutLen);
  return SaturatedSize(OutLen);
}

int32_t THuffman::RestoreData() {
  TBitStream& In = *FInStream;
  TBitStream& Out = *FOutStream;
  const int64_t L = ReadHeader(In, HeaderWord).Length();  // the tag bits are not looked at
  EmptyKeepingBlock(Out);
  FitBlock(Out, In.Size() == L + 4 ? L : 0);
  if (In.Size() != L + 4) throw Exception(SNotHuffmanData);
  if (L > 0) {
    Out.SetCapacity(L);
    Out.Write(static_cast<const uint8_t*>(In.Memory()) + 4, static_cast<int32_t>(L));
  }
  return static_cast<int32_t>(L);
}

int32_t THuffman::Decode() {
  const int32_t Format = CheckFormat();
  if (Format == -1) throw Exception(SNotHuffmanData);
  if (Format == 0) return RestoreData();
  ReadTable();
  return DecodeData();
}

int32_t THuffman::Encode() {
  TBitStream& In = *FInStream;
  if (In.Size() == 0) return StoreData();
  CountFrequencies();
  BuildTree();
  AssignCodes();
  bool Coded = true;
  int32_t Result = 0;
  // A coded payload beyond the header's 30 bits is larger than any input the
  // stored form can hold, so the stored form is the answer when it fits.
  try {
    Result = EncodeData();
  } catch (const ERangeError&) {
    if (In.Size() > MaxHeaderBytes) throw;
    Coded = false;
  }
  if (!Coded || FOutStream->Size() > In.Size()) Result = StoreData();
  return Result;
}

void THuffman::SwapStreams() {
  // Exchanging the blocks gives what copying each into the other would,
  // without a third copy.
  FInStream->SwapContents(*FOutStream);
  FInStream->SetPosition(0);
  FInStream->SetBitPosition(0);
  FOutStream->SetPosition(0);
  FOutStream->SetBitPosition(0);
}
