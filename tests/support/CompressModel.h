// A slow, literal model of the Huffman engine and the checks that hold the
// engine to it: the one oracle of the fuzz targets and the engine tests.
//
// The model follows the engine's documented procedures step by step: the two
// tracked-pivot quicksorts, the merge loop, the length repair, bit-at-a-time
// forms, and a decoder that searches the table linearly for every symbol.  It
// uses none of the engine's speed-ups, so where the two disagree one of them
// is wrong.  Meant for small inputs only.
//
// Where the documented decoder leaves the outcome open the checks accept
// either sound reaction: a table whose counts leave entries without a length
// may be rejected with "Data error .  Can not decode ." even when the bits
// never reach such an entry.  Counts that push a code past 16 bits are not
// open: ReverseBits keeps the bits above the length, so such an entry's
// pattern never equals a masked peek.
#pragma once

#include "Compress.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace CompressModel {

inline const char* const NotHuffmanMessage = "Data error .  Not Huffman encoded data .";
inline const char* const CannotDecodeMessage = "Data error .  Can not decode .";

using TBytes = std::vector<uint8_t>;
using TTable = std::vector<THuffmanNode>;

// ---- code building ----------------------------------------------------------

// One leaf per distinct byte of P[0..N-1], in order of first occurrence, then
// sorted as the engine sorts; Index is the leaf's position.
TTable CountLeaves(const uint8_t* P, size_t N);
// Merges the leaves into a tree and leaves them, sorted again, with their
// depths as BitLength (inner nodes are dropped).
void BuildTree(TTable& Nodes);
// Limits the lengths to 16 bits and gives canonical patterns (first bit in
// bit 0).
void AssignCodes(TTable& Nodes);
// The node table a counting build leaves.
TTable BuildCode(const uint8_t* P, size_t N);

// ---- byte forms, one bit at a time, least significant bit first ------------

struct TBitWriter {
  TBytes Bytes;
  uint64_t Bit = 0;
  // Appends the low Count (0..64) bits of Value.
  void Put(uint64_t Value, int32_t Count);
};

// Count (0..64) bits from stream bit Bit, first bit least significant; bits
// beyond the end read as 0.
uint64_t GetBits(const uint8_t* P, size_t N, uint64_t Bit, int32_t Count);
// Writes Count bits of Value at stream bit Bit of B, which must hold them.
void PutBits(TBytes& B, uint64_t Bit, uint64_t Value, int32_t Count);
// How many leaves have each length, lengths clamped to 0..16.
std::array<uint64_t, 17> LengthCounts(const TTable& Leaves);
// The coded form of P with the code in Leaves (bytes without a leaf skipped).
TBytes CodedForm(const TTable& Leaves, const uint8_t* P, size_t N);
TBytes StoredForm(const uint8_t* P, size_t N);
// What Encode leaves in OutStream: the coded form unless it is larger than
// the input.
TBytes EncodedForm(const TTable& Leaves, const uint8_t* P, size_t N);

// ---- decoding ----------------------------------------------------------------

enum class TOutcome { Decoded, NotHuffman, CannotDecode };

const char* OutcomeName(TOutcome O);

struct TDecoded {
  TOutcome Outcome = TOutcome::NotHuffman;
  bool Coded = false;
  TBytes Data;              // decoded bytes; on CannotDecode, those before the fault
  TTable Table;             // the table read from a coded form
  uint64_t TotalBits = 0;   // payload bits of a coded form
  bool ZeroLength = false;  // the counts leave entries without a length
  bool Overfull = false;    // some entry's code runs past 16 bits (never matches)
};

// Classifies and decodes a stream the documented way.
TDecoded Decode(const uint8_t* P, size_t N);

// ---- checks of the engine ------------------------------------------------------
// Each returns an empty string when the engine agrees, else a description of
// the first disagreement.

// Up to Limit bytes in hexadecimal, " ..." when there are more.
std::string Hex(const uint8_t* P, size_t N, size_t Limit = 48);

// A node as text, node equality field by field, and the engine's node table.
std::string Describe(const THuffmanNode& E);
bool SameNode(const THuffmanNode& A, const THuffmanNode& B);
TTable EngineTable(const THuffman& H);

// The properties every counting build must have, checked without the model:
// one leaf per distinct byte with its true count, frequencies descending,
// lengths 1..16 non-decreasing, a complete code, canonical patterns, and the
// leaves' tree links.
std::string CheckCodeProperties(const TTable& T, const uint8_t* P, size_t N);

// Encode, SwapStreams, Decode on H (reused as callers like) with the input
// P[0..N-1], compared with the model at every step.
std::string CheckRoundTrip(THuffman& H, const uint8_t* P, size_t N);
std::string CheckRoundTrip(const uint8_t* P, size_t N);

// Decode of arbitrary bytes on a fresh coder: the documented outcome, exactly
// one of the two messages as a plain Exception, and for a success the
// documented bytes and table.  A success must also survive a round trip
// (when RoundTripOutput).
std::string CheckDecode(const uint8_t* P, size_t N, bool RoundTripOutput = true);

}  // namespace CompressModel
