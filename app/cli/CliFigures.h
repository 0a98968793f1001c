// quorvant-cli's figures about an opened document and its code: the stats
// report as aligned text or as one line of JSON.  Numbers are locale-free;
// only the ratio text, the window's own, carries the separator it was made
// with.
#pragma once

#include "Document.h"

#include <string>
#include <vector>

namespace Cli {

// What stats reports about.
struct TStatsSource {
  const std::string& FileName;  // the first file read, as given
  const TDocument& Doc;
  const THuffman& Huffman;                // the document's code (Count() 0: none)
  bool Table = false;                     // read as a 32-bit frequency table
  bool FellBack = false;                  // --32bit was asked for, the bytes were read
  std::string Ratio;                      // the window's compression ratio text
  const std::vector<std::string>& Files;  // every file read, in order
  // With --max-bits: the default 16-bit code of the same table, whose
  // average shows what the limit costs (Huffman is then the limited code).
  const THuffman* Default = nullptr;
  // --limit-rule as given (empty when not given: nothing is said of it).
  std::string LimitRule;
};

// One "label: value" line per figure, LF line ends; figures that need a code
// show NoRatioText without one.
std::string StatsText(const TStatsSource& S);
// One JSON object on one line (keys in a fixed order), LF; figures that need
// a code are null without one.  The file name is kept readable: bytes that
// are not UTF-8 become U+FFFD.
std::string StatsJson(const TStatsSource& S);

}  // namespace Cli
