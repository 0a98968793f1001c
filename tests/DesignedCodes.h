// The one table of codes the generated decoders are held to: the C raw
// decoder, the Python tables and the Verilog module.  Each code has its
// own trait: short codes of a text, codes up to 16 bits, a length limit,
// data beyond 255 in an incomplete code, and a one-symbol code.
#pragma once

#include "CodeFile.h"

#include <string>
#include <vector>

struct TTestCode {
  std::string Name;  // a C identifier
  TDesignedCode Code;
  TCodeTables Tables;  // named by Name, except "skewed" by the default
};

inline std::vector<TTestCode> DesignedCodes() {
  std::vector<int32_t> Text(256, 0), Skewed(256, 0), One(256, 0);
  for (const char C : std::string("the quick brown fox jumps over the lazy dog, then sleeps.\n"))
    ++Text[static_cast<unsigned char>(C)];
  for (int K = 0, A = 1, B = 1; K < 40; ++K) {  // Fibonacci weights: lengths up to 16
    Skewed[static_cast<size_t>(K * 5 + 3)] = A + K % 3;
    B = A + B;
    A = B - A;
  }
  One[200] = 5;
  // Data up to 10239 out of order, codes of 2..16 bits, about half the
  // code space unused.
  TDesignedCode Wide;
  const int32_t Lengths[] = {2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 13, 14, 15, 16, 16};
  for (int K = 0; K < 17; ++K)
    Wide.Symbols.push_back({K * 7 % 17 * 600 + (K * 7 % 17 == 16 ? 639 : 39), Lengths[K], {}});
  std::vector<TTestCode> Codes{{"text", *DesignCode(Text, 16, TLimitRule::Repair, {}), {}},
                               {"skewed", *DesignCode(Skewed, 16, TLimitRule::Repair, {}), {}},
                               {"limited", *DesignCode(Skewed, 9, TLimitRule::Repair, {}), {}},
                               {"table32", Wide, {}},
                               {"one", *DesignCode(One, 16, TLimitRule::Repair, {}), {}}};
  for (TTestCode& C : Codes)
    C.Tables = CodeTablesOfCode(C.Code, C.Name == "skewed" ? std::string() : C.Name);
  return Codes;
}
