// Unit Compress: the Huffman engine.
//
//   TBitStream   a memory stream with bit-level reads and writes
//   THuffman     length-limited (16-bit) canonical Huffman code builder and a
//                coder of a self-describing byte form (coded or stored)
//   reports      BinaryDigits, HuffmanTableText, HuffmanArraySource
//
// Standard C++ only.  Texts are UTF-8 with CR LF between lines.  Errors are
// exceptions of the run-time layer (rtl/SysUtils.h); nothing here catches.
#pragma once

#include "Classes.h"
#include "SysUtils.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <span>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// TBitStream
//
// A TMemoryStream that also reads and writes runs of 1..32 bits starting at
// any bit of the byte at Position().  The current bit is
// Position() * 8 + BitPosition().
//
// LsbFirst true:  stream bit b is bit (b mod 8) of byte (b div 8), bit 0 the
//                 least significant; buffers are little-endian numbers.
// LsbFirst false: stream bit b is bit 7-(b mod 8); buffers are bit strings
//                 starting at bit 7 of their first byte.
//
// BitPosition is 0..7.  Byte Read/Write reset it to 0; SetPosition, Clear and
// the loads leave it alone.  Bits outside a written run survive, so a header
// can be rewritten in place after the body.
class TBitStream : public TMemoryStream {
public:
  TBitStream();

  // The memory stream's byte read and write, then BitPosition := 0.
  int32_t Read(void* Buffer, int32_t Count) override;
  int32_t Write(const void* Buffer, int32_t Count) override;

  // Reads up to Count (1..32) bits from the current bit into Buffer; returns
  // the number read (fewer near the end, 0 when exhausted).  Only the first
  // ceil(n/8) bytes of Buffer are written; bits of the last one beyond the
  // n-th are 0.  Count outside 1..32 or a negative position: returns 0 and
  // changes nothing.  Never raises.
  virtual int32_t ReadBits(void* Buffer, int32_t Count);

  // Writes Count (1..32) bits of Buffer at the current bit, growing the stream
  // to cover them (new bytes count as 0); returns Count.  Count outside 1..32
  // or a negative position: returns 0 and changes nothing.  Never raises
  // (except out of memory).
  virtual int32_t WriteBits(const void* Buffer, int32_t Count);

  int32_t BitPosition() const { return FBitPosition; }
  // 0..7; anything else raises ERangeError
  // "BitPosition %d is not within the range of %d..%d ." and keeps the value.
  void SetBitPosition(int32_t Value);

  bool LsbFirst() const { return FLsbFirst; }
  void SetLsbFirst(bool Value) { FLsbFirst = Value; }

private:
  int32_t FBitPosition = 0;
  bool FLsbFirst = false;
};

// ---------------------------------------------------------------------------
// The node table.

// One entry of a code.  After a build the table holds Count leaves sorted by
// Frequency descending, then BitLength ascending, ties in the order the
// builder's quicksort leaves them.  BitPattern holds the code bit-reversed:
// bit 0 is the first bit sent.
struct THuffmanNode {
  int32_t Index;
  uint8_t Data;
  int32_t Frequency;
  int32_t BitLength;
  int32_t BitPattern;
  int32_t Parent;
  int32_t Left;
  int32_t Right;
};

// One entry of the work list while the tree is built.
struct TWorkItem {
  int32_t Node;
  int32_t Frequency;
};

// ---------------------------------------------------------------------------
// Length limits

// How a code longer than its limit is brought within it.
//   Repair   the builder's rule: too-deep leaves are put at the limit, then
//            the deepest shorter leaf is lengthened step by step until the
//            lengths are a prefix code's again (often a little above the best).
//   Optimal  the lengths of least total coded bits among all prefix codes
//            within the limit (package-merge).
// A code that already fits is the same under both.
enum class TLimitRule { Repair, Optimal };

// The optimal lengths (1..MaxBits) for Weights (each > 0; any order): entry
// k the length of weight k.  Minimises the sum of Weights[k] * Length[k]
// among all prefix codes with lengths at most MaxBits; a heavier weight
// never gets a longer length than a lighter one; with two or more weights
// the code is complete (Kraft sum 1), a single weight gets length 1.  Empty
// Weights give an empty result.  MaxBits outside 1..16, or too small for
// the number of weights (2^MaxBits < size), raises ERangeError "%d is not
// within the valid range of %d..%d" (MaxBits, SmallestMaxBitLength(size),
// 16); a weight <= 0 raises ERangeError too.  Time O(size * MaxBits),
// memory O(size * MaxBits) bytes.
std::vector<int32_t> OptimalLimitedLengths(std::span<const int64_t> Weights, int32_t MaxBits);

// ---------------------------------------------------------------------------
// THuffman
//
// Counting build:  fill InStream with data, Encode (or CountFrequencies,
//                  BuildTree, AssignCodes), then read Count() and GetNode.
// Table build:     fill InStream with 32-bit little-endian frequencies (only
//                  the first 256 words count), BuildFromTable.
// Coding:          Encode leaves the coded form (tag 1) or, when that is
//                  larger than the input, the stored form (tag 0) in
//                  OutStream; SwapStreams then Decode restores the input.
//
// Invariants after a build: every BitLength is 1..16 and never decreases along
// the table; with Count >= 2 the code is complete (sum of 2^(16-len) is
// 65536); a single leaf has length 1 and pattern 0.
//
// Limits (ERangeError, with the stream or the output left empty):
//   CountFrequencies: a stream of more than 2147483647 bytes
//     ("Stream size %lld is not within the range of 0..2147483647 .");
//   EncodeData: a payload of 2^30 bytes or more, which the header's 30-bit
//     byte count cannot hold ("Coded data size %lld is not within the range
//     of 0..1073741823 ."); Encode then stores the input when it fits;
//   StoreData (and so Encode): an input of 2^30 bytes or more
//     ("Stored data size %lld is not within the range of 0..1073741823 .").
// Damaged input to Decode raises Exception "Data error .  Not Huffman
// encoded data ." (size and header disagree; DecodeData alone raises it for
// a payload that runs past the stream's end) or "Data error .  Can not
// decode ." (bits that match no code, or a table whose counts leave entries
// without a length); OutStream keeps what was decoded before.  No input
// reads or writes outside the streams' blocks, and decoding always ends.
// DecodeData and Decode return the output size, 2147483647 for larger
// outputs (OutStream().Size() is exact).
//
// Memory: Encode and Decode need their input and output and well under
// 1 MiB more; output blocks are reserved once and committed as written.
// Counted frequencies and their sums are 32-bit signed: an input of more
// than MaxCountedBytes bytes cannot be counted, and counting one raises
// ERangeError with SStreamTooLarge (its size, MaxCountedBytes).
inline constexpr int64_t MaxCountedBytes = 2147483647;
inline constexpr const char* SStreamTooLarge =
    "Stream size %lld is not within the range of 0..%lld .";

// Bytes counted piece by piece as one input: each value's count and the
// values in the order of their first occurrence, as the pieces joined in the
// order they were added would give them.  Lets a reader count a file in
// pieces (showing progress, stopping when asked) without holding it whole.
class TByteCount {
public:
  // Counts Data[0..Size-1] after the pieces before (every core from 64 MiB
  // a piece).  A total beyond 2147483647 bytes raises ERangeError "Stream
  // size %lld is not within the range of 0..2147483647 ." and changes
  // nothing.
  void Add(const uint8_t* Data, int64_t Size);
  int64_t Total() const { return FTotal; }
  uint32_t Count(uint8_t Value) const { return FCounts[Value]; }
  int32_t Distinct() const { return FDistinct; }
  // The Distinct values present, in the order of their first occurrence.
  const uint8_t* Order() const { return FOrder; }

private:
  uint32_t FCounts[256] = {};
  uint8_t FOrder[256] = {};
  int32_t FDistinct = 0;
  int64_t FTotal = 0;
};

// OutStream's block is kept from one call to the next when it is at most
// twice the new output's bound (a coder used again then writes into pages it
// already has), and released otherwise.
//
// Threads: counting (CountFrequencies, CountFromBytes, and so Encode and
// BuildFromBytes) shares an input of 64 MiB or more among
// std::thread::hardware_concurrency() threads and returns when all are done;
// everything else runs on the caller's thread.  An instance is still used by
// one thread at a time.
class THuffman {
public:
  THuffman();
  THuffman(const THuffman&) = delete;
  THuffman& operator=(const THuffman&) = delete;
  virtual ~THuffman();

  // Virtual operations in their fixed slot order; the drivers (Encode,
  // BuildFromTable, Decode) call the steps through these slots.
  virtual int32_t CountFrequencies();            // 0
  virtual int32_t LoadFrequencies();             // 1
  virtual int32_t BuildTree();                   // 2
  virtual int32_t AssignCodes();                 // 3
  virtual int32_t EncodeData();                  // 4
  virtual void GetTableText(std::string& Text);  // 5
  virtual int32_t CheckFormat();                 // 6
  virtual int32_t ReadTable();                   // 7
  virtual int32_t DecodeData();                  // 8
  virtual int32_t Encode();                      // 9
  virtual int32_t BuildFromTable();              // 10
  virtual int32_t StoreData();                   // 11
  virtual int32_t Decode();                      // 12
  virtual int32_t RestoreData();                 // 13
  virtual void SwapStreams();                    // 14
  virtual void Clear();                          // 15

  TBitStream& InStream() { return *FInStream; }
  const TBitStream& InStream() const { return *FInStream; }
  TBitStream& OutStream() { return *FOutStream; }
  const TBitStream& OutStream() const { return *FOutStream; }

  // Number of leaves (0..256); 0 means no code.
  int32_t Count() const { return FCount; }

  // Copies entry Index of the node table.  Index outside 0..length-1 raises
  // ERangeError "%d is not within the valid range of %d..%d".
  void GetNode(int32_t Index, THuffmanNode& Node) const;

  // The longest code AssignCodes gives, 1..16 (16 unless set).  Deeper
  // leaves are repaired to it by the same rule as the 16-bit limit, with
  // MaxBitLength in place of 16; at 16 every code is the default one.
  // AssignCodes (and so Encode and BuildFromTable) raises ERangeError "%d is
  // not within the valid range of %d..%d" (the limit, SmallestMaxBitLength
  // of Count, 16) when Count leaves do not fit in codes of that length.
  int32_t MaxBitLength() const { return FMaxBitLength; }
  // Value outside 1..16 raises ERangeError and keeps the limit.
  void SetMaxBitLength(int32_t Value);
  // The rule AssignCodes limits a too-long code by (Repair unless set).
  // Either way the lengths go to the leaves in table order, never
  // decreasing, and the patterns are the canonical code of those lengths.
  TLimitRule LimitRule() const { return FLimitRule; }
  void SetLimitRule(TLimitRule Value) { FLimitRule = Value; }

  // Makes Data[k] (the data in table order) a leaf with length Lengths[k]
  // (1..16, never decreasing) and the canonical pattern of those lengths,
  // frequency 0: a designed code, which EncodeData then codes with exactly
  // (Encode would count and build its own).  Sizes that differ, more than
  // 256 leaves, a datum twice, lengths out of order or out of 1..16, or a
  // Kraft sum above 1 raise ERangeError and leave the code as it was.
  void SetCode(std::span<const uint8_t> Data, std::span<const int32_t> Lengths);

  // Counting from the caller's memory, so that a large block (a mapped file,
  // say) need not be copied into InStream first.  CountFromBytes makes the
  // leaf table of Data[0..Size-1] exactly as CountFrequencies makes it from
  // InStream's bytes (the same leaves, order, Index and Count; every core
  // from 64 MiB on) and returns the number of leaves; Size 0 returns 0 and
  // changes nothing; a Size outside 0..2147483647 raises ERangeError
  // "Stream size %lld is not within the range of 0..2147483647 .".
  // BuildFromBytes is CountFromBytes, BuildTree, AssignCodes: the node table
  // Encode builds from the same bytes; it returns CountFromBytes' result
  // (Size 0 changes nothing).
  // Neither touches InStream or OutStream.  Data must stay valid and
  // unchanged during the call; it is not kept.
  int32_t CountFromBytes(const uint8_t* Data, int64_t Size);
  int32_t BuildFromBytes(const uint8_t* Data, int64_t Size);
  // The leaf table of bytes counted piece by piece (TByteCount), exactly as
  // CountFromBytes makes it of the pieces joined; returns the number of
  // leaves (0, changing nothing, when nothing was counted).
  int32_t CountFromPieces(const TByteCount& Count);

protected:
  // Quicksorts whose exact steps decide which of several equally frequent
  // values gets which code (part of the result, not an implementation detail).
  void SortNodes(int32_t L, int32_t R);
  void SortWorkList(int32_t L, int32_t R);
  void SetDepths(int32_t Index, int32_t Depth);

  std::vector<THuffmanNode>& Nodes() { return FNodes; }
  void SetCount(int32_t Value) { FCount = Value; }

private:
  std::unique_ptr<TBitStream> FInStream;
  std::unique_ptr<TBitStream> FOutStream;
  std::vector<THuffmanNode> FNodes;
  int32_t FCount = 0;
  std::vector<TWorkItem> FWorkList;
  // The byte counts of the last CountFrequencies and the block they were
  // taken from.  Only a memory hint for EncodeData (how much output to back
  // with large pages); never used for a result.
  std::vector<uint32_t> FCountedBytes;
  // The coder's tables of byte pairs (codes, lengths), kept between calls
  // (their pages once committed stay so).
  std::vector<uint32_t> FPairCodes;
  std::vector<uint8_t> FPairLengths;
  const void* FCountedMemory = nullptr;
  int64_t FCountedSize = -1;
  int32_t FMaxBitLength = 16;
  TLimitRule FLimitRule = TLimitRule::Repair;
};

// The canonical code Code16 (16 bits, left-aligned) of length Len (1..16) in
// sending order: Code16 shr (16-Len) with its low Len bits reversed (bit i to
// bit Len-1-i); higher bits stay.
int32_t ReverseBits(uint32_t Code16, int32_t Len);

// The 32-bit frequency table as bytes: little-endian signed words, word k
// the frequency of data value k.
// ReadFrequencyWord reads the next word from In into Bytes (which keeps the
// word read before) and returns it: a short last read fills only the low
// bytes, the high bytes stay from the word before (0 when Bytes starts as
// zeros).  WriteFrequencyTable appends every word of Table to Out.
int32_t ReadFrequencyWord(TMemoryStream& In, uint8_t (&Bytes)[4]);
void WriteFrequencyTable(TMemoryStream& Out, std::span<const int32_t> Table);

// The smallest code-length limit that can hold Distinct (0..65536) values:
// 1 for 0..2, else ceil(log2(Distinct)).
int32_t SmallestMaxBitLength(int32_t Distinct);

// Number of logical right shifts that bring Value to 0, at least 1
// (0 and 1 give 1, 4..7 give 3, 256 gives 9).
int32_t BitWidth(uint32_t Value);

// Bits Digits-1..0 of Value as "0"/"1", highest first.  Digits outside 1..32
// raises ERangeError "Digits %d is not within the range of %d..%d .".
std::string BinaryDigits(int32_t Value, int32_t Digits);

// Leaf table of the code built from A[0..min(Limit, size)-1] (Limit 1..256):
// a ruled head, one row per leaf, an empty line.  Empty when there is no code.
std::string HuffmanTableText(std::span<const int32_t> A, int32_t Limit);

// The code built as above as two Pascal constant arrays (bit patterns and bit
// lengths, data ascending, 16 values a line).  DataName empty means "データ";
// "一致長" and "一致位置のビット数" name the LZ77 match arrays.  Empty when
// there is no code.
std::string HuffmanArraySource(std::span<const int32_t> A, int32_t Limit,
                               const std::string& DataName);
