// Internal to unit Compress: the loops whose work grows with the data.
//
// Each kernel gives exactly the result of the one-symbol-at-a-time procedure
// it replaces (THuffman's counting passes, linear-search coding, linear-search
// decoding); only the method differs.  Bit order is least significant bit
// first throughout (the coder's streams are LsbFirst).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace CompressKernels {

// Counts[b] := occurrences of b in Data[0..Size-1].  Size < 2^32.
void CountBytes(const uint8_t* Data, size_t Size, uint32_t Counts[256]);

// CountBytes, and the values present in the order of their first
// occurrence in Data (Order[0..result-1]).  From ParallelCountFrom bytes on
// the work is shared by std::thread::hardware_concurrency() threads (the
// caller's among them); below, the caller's thread does it alone.  Data must
// not change during the call.  Size < 2^32.  Memory: 256 KiB of counters a
// thread from 256 KiB of data on, less below.
inline constexpr size_t ParallelCountFrom = size_t{64} << 20;
int32_t CountInOrder(const uint8_t* Data, size_t Size, uint32_t Counts[256], uint8_t Order[256]);

// CountInOrder on Threads threads (clamped to 1..MaxCountThreads and to
// Size), whatever the size; the same result for every Threads.  When no
// further thread can be started, the calling thread counts the rest.
inline constexpr unsigned MaxCountThreads = 64;
int32_t CountInOrderOn(const uint8_t* Data, size_t Size, uint32_t Counts[256], uint8_t Order[256],
                       unsigned Threads);

// Code of one byte value: Length bits (0..16) of Code, first bit in bit 0,
// no bits above Length.  Length 0 emits nothing.
struct TCodeEntry {
  uint32_t Code;
  uint32_t Length;
};

// Appends the codes of In[0..Size-1] to Out, starting at bit 0 of Out[0];
// returns the number of bits written.  Bits after the last code in its byte
// are 0.  MaxLength (1..16) bounds every Length in Table.  Out must have room
// for ceil(Size * MaxLength / 8) + 8 bytes: whole 64-bit words are stored.
uint64_t EncodeBytes(const uint8_t* In, size_t Size, const TCodeEntry Table[256], int32_t MaxLength,
                     uint8_t* Out);

// EncodeBytes two bytes a lookup through tables of byte pairs (65536
// entries each, index a | b << 8 for a followed by b, built by
// BuildPairTable from Table): the pair's code (at most 32 bits) and its
// length; same result, same room needed in Out.  Every Length in Table is
// at most 16.
void BuildPairTable(const TCodeEntry Table[256], std::vector<uint32_t>& Codes,
                    std::vector<uint8_t>& Lengths);
uint64_t EncodePairs(const uint8_t* In, size_t Size, const uint32_t* Codes, const uint8_t* Lengths,
                     const TCodeEntry Table[256], uint8_t* Out);

// The decoder's view of a code table: entry k (table order) has length
// Lengths[k] and pattern Patterns[k].  A 16-bit peek v (next stream bit in
// bit 0) decodes to the first k whose pattern equals v masked to Lengths[k]
// low bits, as the linear search does.  Entries whose length is outside
// 0..16 or whose pattern has bits above its length never match.
class TDecodeTable {
public:
  static constexpr int32_t FastBits = 13;
  static constexpr int32_t FastSymbols = 3;
  static constexpr uint16_t NoMatch = 0xFFFF;

  // Count entries, at most 256.
  TDecodeTable(const int32_t* Lengths, const int32_t* Patterns, const uint8_t* Data, int32_t Count);

  // First matching entry for the 16-bit peek v, or NoMatch.
  uint16_t Match(uint32_t V) const { return FFirst[V & 0xFFFF]; }
  int32_t Length(uint16_t Entry) const { return FLength[Entry]; }
  uint8_t Data(uint16_t Entry) const { return FData[Entry]; }

  // Fast entry for the next FastBits bits: bits 0-5 the bits consumed,
  // bits 6-7 the number of bytes decoded (0: not decidable on FastBits
  // bits, use Match), bits 8-31 the bytes (the first in bits 8-15).
  const uint32_t* Fast() const { return FFast.data(); }

private:
  std::vector<uint16_t> FFirst;  // 65536 entries
  std::array<uint32_t, 1 << FastBits> FFast{};
  std::array<int32_t, 256> FLength{};
  std::array<uint8_t, 256> FData{};
};

// Result of DecodeBits.
struct TDecodeProgress {
  uint64_t BitPos;  // payload bits consumed
  size_t OutCount;  // bytes written
  bool Failed;      // the symbol at BitPos cannot be decoded
};

// Decodes whole symbols from the payload Payload[0..PayloadBytes-1] (bits
// beyond it are never read) starting at bit BitPos, while more than 56 bits
// stay below TotalBits and at least 8 bytes of Payload remain to load from,
// and while Out has room (OutRoom bytes; the last 13 are slack for 4-byte
// stores).  Stops early at a symbol that cannot be decoded
// (Failed, BitPos at it).  The caller finishes the rest symbol by symbol.
TDecodeProgress DecodeBits(const TDecodeTable& Table, const uint8_t* Payload, uint64_t PayloadBytes,
                           uint64_t BitPos, uint64_t TotalBits, uint8_t* Out, size_t OutRoom);

}  // namespace CompressKernels
