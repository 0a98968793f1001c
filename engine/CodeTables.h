// Unit Compress: a code as data for decoder authors, and the array texts
// made from it.
//
//   CodeTablesOf   the code HuffmanArraySource builds, as plain data
//   ArraySource    that data as Pascal (the window's text), C, C++, Rust or
//                  Python, or as a Verilog decoder of one code
//
// Every array text is a formatter over TCodeTables; nothing is parsed back.
// Texts are UTF-8 with CR LF between lines.
#pragma once

#include "Compress.h"

#include <array>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The code built from the first min(Limit, size) entries of a frequency
// table (entry k the frequency of data value k), as HuffmanArraySource
// builds it, or a designed code of data 0..10239 (a 32-bit table's).
// Invariants: Symbol, Pattern, Length and Frequency have one entry per leaf
// (1..256 for a built code, up to 10240 for a designed one), Symbol strictly
// ascending; CodeCount[1..16] sums
// to that number and CodeCount[0] is 0; CodeSymbol is a permutation of
// Symbol.
struct TCodeTables {
  // Per datum that has a code, data ascending: entry j of each array is
  // datum Symbol[j].
  std::vector<uint16_t> Symbol;
  std::vector<int32_t> Pattern;  // stored form: bit 0 is the first bit sent
  std::vector<int32_t> Length;   // 1..MaxBits
  std::vector<int32_t> Frequency;
  int32_t LargestPattern = 0;
  int32_t LargestLength = 0;
  // CodeCount[L]: the number of codes of length L (1..16).
  std::array<int32_t, 17> CodeCount{};
  // The data values in the code's table order, as the coded form stores
  // them: with CodeCount all a canonical decoder needs.
  std::vector<uint16_t> CodeSymbol;
  int32_t MaxBits = 16;

  // The names DataName selects: the data name itself ("データ" when given
  // empty), the comment text before it ("データを LZ77 符号化した時の一致
  // データの" for the LZ77 match names, else empty) and the array names.
  std::string DataName;
  std::string CommentPrefix;
  std::string PatternName;     // "BitPattern", "mlPat", "diPat"
  std::string LengthName;      // "BitLength", "mlLen", "diLen"
  std::string SymbolName;      // "Symbol", "mlSymbol", "diSymbol"
  std::string CodeCountName;   // "CodeCount", "mlCodeCount", "diCodeCount"
  std::string CodeSymbolName;  // "CodeSymbol", "mlCodeSymbol", "diCodeSymbol"
};

// The code of A[0..min(Limit, size)-1] (Limit 1..256) with codes of at most
// MaxBits (1..16) bits, limited by Rule, or nothing when HuffmanArraySource
// would give an empty text.  MaxBits outside 1..16, or too small for the
// number of values present (SmallestMaxBitLength), raises ERangeError.
std::optional<TCodeTables> CodeTablesOf(std::span<const int32_t> A, int32_t Limit,
                                        const std::string& DataName, int32_t MaxBits = 16,
                                        TLimitRule Rule = TLimitRule::Repair);

// The array names and comment prefix DataName selects (as CodeTablesOf sets
// them), into T.
void NameCodeTables(TCodeTables& T, const std::string& DataName);

// HuffmanTableText with a length limit and rule (as in CodeTablesOf); at 16
// with Repair the same text.
std::string HuffmanTableText(std::span<const int32_t> A, int32_t Limit, int32_t MaxBits,
                             TLimitRule Rule = TLimitRule::Repair);

enum class TArrayLanguage { Pascal, C, Cpp, Rust, Python, Verilog };

struct TArrayOptions {
  TArrayLanguage Language = TArrayLanguage::Pascal;
  // The code values as sent, highest bit first, in place of the stored
  // bit-reversed patterns (same array name, the comment says so).
  bool MsbFirst = false;
  // C, C++, Rust and Python: also the arrays Symbol, CodeCount and
  // CodeSymbol.
  bool DecoderArrays = false;
  // All but Pascal: comment lines before the arrays (control characters
  // become blanks; nothing in them can end the comment).
  std::vector<std::string> HeadLines;
};

// The arrays as source text.  Pascal: the window's text ("array[0..n] of
// Byte/Word/Integer", 16 values a line; HeadLines and DecoderArrays are not
// used).  C: "static const" arrays of unsigned char, short or long, the
// smallest that holds the values present.  C++: a header of its own
// ("#pragma once", <array>, <cstdint>) with "inline constexpr std::array" of
// std::uint8_t/16_t/32_t.  Rust: top-level "pub const" arrays of u8/u16/u32.
// Python: a module of tuples of ints named in upper snake case (BitPattern
// becomes BIT_PATTERN, mlPat ML_PAT).  Values 16 a line, every array in data
// order except CodeSymbol (table order) and CodeCount (lengths 1..16).
// Verilog: no arrays but one synthesizable Verilog-2001 module, purely
// combinational (always @* with casez, one arm per code, in data order):
//
//   module NAME_decode (input wire [15:0] window, output reg [W-1:0] symbol,
//                       output reg [4:0] length, output reg valid);
//
// window[15] is the first bit sent; symbol and length are the datum and
// the code's length of the code the window begins with, valid 1; all 0 when
// it begins with none.  NAME is Tables.DataName when IsCIdentifier, else
// "qv"; W is 8 when every datum is below 256, else 14.  MsbFirst and
// DecoderArrays are not used.
std::string ArraySource(const TCodeTables& Tables, const TArrayOptions& Options);

// Whether Name can stand as a C identifier: [A-Za-z_][A-Za-z0-9_]*.
bool IsCIdentifier(const std::string& Name);
