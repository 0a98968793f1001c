// Internal to unit Compress: limits, messages and the canonical-code step
// shared by the builder and the table reader.
#pragma once

#include "Compress.h"

#include <cstdint>
#include <string>
#include <vector>

// The headers keep byte counts in 30 bits.
inline constexpr int64_t MaxHeaderBytes = (int64_t{1} << 30) - 1;

inline constexpr const char* SCodedTooLarge =
    "Coded data size %lld is not within the range of 0..%lld .";
inline constexpr const char* SStoredTooLarge =
    "Stored data size %lld is not within the range of 0..%lld .";
inline constexpr const char* SNotHuffmanData = "Data error .  Not Huffman encoded data .";
inline constexpr const char* SCanNotDecode = "Data error .  Can not decode .";

// Canonical patterns in table order: the first Counts[1] of Nodes[0..N-1]
// get the length-1 codes, the next Counts[2] the length-2 codes, and so on;
// start values are 16-bit left-aligned and wrap modulo 2^32.
void AssignCanonicalPatterns(std::vector<THuffmanNode>& Nodes, int32_t N,
                             const uint32_t Counts[17]);

// Text that can neither end a C comment early nor open a nested one, on one
// line (control characters become blanks): the generated sources' comments.
std::string CommentSafe(const std::string& Text);
