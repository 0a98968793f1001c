// Several files read as one document (a corpus), and a document rebuilt
// around a frequency table with a chosen code-length limit.
//
// The files are opened one by one by the ordinary open road (its checks and
// messages unchanged); their tables are summed here and the document is made
// from the sum as if it had been opened from one file.  Qt-free.
#pragma once

#include "Document.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

// The tables of a corpus summed entry by entry (64-bit, so no sum wraps).
class TCorpusSum {
public:
  // Adds one file's table; the sum grows to the longest table added.
  void Add(std::span<const int32_t> Frequency);
  int64_t Total() const { return FTotal; }
  // Empty when the sum is a table a document can hold: 2147483647 in all at
  // most and, when Table (32-bit tables), every entry at most
  // MaxTableFrequency.  Else the reason, naming the figure and the bound.
  std::string Refusal(bool Table) const;
  // The sum as a table (entries cut to 32 bits: only after an empty Refusal).
  std::vector<int32_t> Frequency() const;

private:
  std::vector<int64_t> FSum;
  int64_t FTotal = 0;
};

// Empty when Total data fit a frequency table (2147483647 at most), else
// the reason TCorpusSum::Refusal gives, so a caller may refuse a corpus by
// its files' sizes before reading them.
std::string CorpusTotalRefusal(int64_t Total);

// The name the views show for a corpus: the first file's name without its
// folder, and for more than one file " ほか " + (Files - 1) + " 件".
std::string CorpusFileName(const std::string& FirstPath, size_t Files);

// Doc := the document of Frequency (not empty) as an open makes it:
// Huffman's code built from its first 256 entries with codes of at most
// MaxBits (1..16) bits limited by Rule (the code, and so the distribution
// and array texts, of `distribution`/`arrays --max-bits N --limit-rule R`),
// the order, the statistics, and the views under
// ShownName; Doc.FileName := FirstPath.  Huffman's streams are left empty.
// A MaxBits outside SmallestMaxBitLength(values present)..16 raises
// ERangeError "%d is not within the valid range of %d..%d" with Doc and
// Huffman unchanged.
void BuildTableDocument(std::vector<int32_t> Frequency, const std::string& FirstPath,
                        const std::string& ShownName, int32_t MaxBits, THuffman& Huffman,
                        TDocument& Doc, char DecimalSeparator,
                        TLimitRule Rule = TLimitRule::Repair);

// The smallest limit the code of the first 256 entries of Frequency allows.
int32_t SmallestMaxBits(std::span<const int32_t> Frequency);
