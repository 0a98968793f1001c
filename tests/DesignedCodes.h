// The one table of codes the generated decoders are held to: the C raw
// decoder, the Python tables and the Verilog module.  Each code has its
// own trait: short codes of a text, codes up to 16 bits, a length limit,
// data beyond 255 in an incomplete code, and a one-symbol code.
#pragma once

#include "CodeTables.h"

#include <algorithm>
#include <string>
#include <vector>

struct TTestCode {
  std::string Name;  // a C identifier
  TCodeTables Tables;
};

// A code by hand from its data and lengths in table order (lengths
// non-decreasing), assigned canonically: each code the one after the last,
// shifted to its length; the arrays then in data order.
inline TCodeTables HandMadeCode(const std::vector<int>& Data, const std::vector<int32_t>& Lengths) {
  TCodeTables T;
  T.DataName = "table32";
  T.PatternName = "BitPattern";
  T.LengthName = "BitLength";
  T.SymbolName = "Symbol";
  T.CodeCountName = "CodeCount";
  T.CodeSymbolName = "CodeSymbol";
  std::vector<std::pair<int, std::pair<int32_t, int32_t>>> Entries;  // datum, pattern, length
  uint32_t Code = 0;
  for (size_t J = 0; J < Data.size(); ++J) {
    if (J > 0) Code = (Code + 1) << (Lengths[J] - Lengths[J - 1]);
    int32_t Stored = 0;  // the first bit sent in bit 0
    for (int32_t K = 0; K < Lengths[J]; ++K)
      Stored |= static_cast<int32_t>((Code >> (Lengths[J] - 1 - K)) & 1) << K;
    Entries.push_back({Data[J], {Stored, Lengths[J]}});
    T.CodeSymbol.push_back(static_cast<uint16_t>(Data[J]));
    ++T.CodeCount[static_cast<size_t>(Lengths[J])];
  }
  std::sort(Entries.begin(), Entries.end());
  for (const auto& [Datum, Code] : Entries) {
    T.Symbol.push_back(static_cast<uint16_t>(Datum));
    T.Pattern.push_back(Code.first);
    T.Length.push_back(Code.second);
    T.Frequency.push_back(1);
    T.LargestPattern = std::max(T.LargestPattern, Code.first);
    T.LargestLength = std::max(T.LargestLength, Code.second);
  }
  return T;
}

inline std::vector<TTestCode> DesignedCodes() {
  std::vector<TTestCode> Codes;
  std::vector<int32_t> Text(256, 0);
  for (const char C : std::string("the quick brown fox jumps over the lazy dog, then sleeps.\n"))
    ++Text[static_cast<unsigned char>(C)];
  Codes.push_back({"text", *CodeTablesOf(Text, 256, "text")});
  std::vector<int32_t> Skewed(256, 0);  // Fibonacci weights: lengths up to 16
  for (int K = 0, A = 1, B = 1; K < 40; ++K) {
    Skewed[static_cast<size_t>(K * 5 + 3)] = A + K % 3;
    B = A + B;
    A = B - A;
  }
  Codes.push_back({"skewed", *CodeTablesOf(Skewed, 256, "")});
  Codes.push_back({"limited", *CodeTablesOf(Skewed, 256, "limited", 9)});
  // Data up to 10239, codes of 2..16 bits, about half the code space unused.
  std::vector<int> Data;
  const std::vector<int32_t> Lengths{2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 13, 14, 15, 16, 16};
  for (int K = 0; K < 17; ++K) {
    const int Rank = K * 7 % 17;
    Data.push_back(Rank * 600 + (Rank == 16 ? 639 : 39));
  }
  Codes.push_back({"table32", HandMadeCode(Data, Lengths)});
  std::vector<int32_t> One(256, 0);
  One[200] = 5;
  Codes.push_back({"one", *CodeTablesOf(One, 256, "one")});
  return Codes;
}
