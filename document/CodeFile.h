// A designed code kept in a file that other tools can read without Quorvant:
// a small JSON document (format "quorvant-code", version 1) naming, for each
// datum that has a code, its bit length (and optionally its frequency and the
// code as sent).  Written by `quorvant-cli code -o`, read back for
// `evaluate --code`, `encode --code` and `arrays --code`, and by the
// generated decoders' writers.
//
//   {"format":"quorvant-code","version":1,"max_bits":16,"limit_rule":"repair",
//    "files":["a.txt"],"total":11,
//    "symbols":[{"datum":97,"frequency":5,"bit_length":1,"code":"0"}, ...]}
//
// The symbols come in the code's table order (non-decreasing bit_length);
// the code is the canonical code of those lengths in that order, so the
// lengths and the order are all a decoder needs.  Qt-free.
#pragma once

#include "CodeTables.h"
#include "Compress.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// The bounds a code file is held to.
inline constexpr int32_t MaxCodeDatum = 10239;         // data 0..10239 (a 32-bit table's)
inline constexpr int32_t MaxCodeSymbols = 10240;       // one symbol per datum at most
inline constexpr int64_t MaxCodeFileBytes = 16 << 20;  // 16 MiB
inline constexpr int32_t CodeFileVersion = 1;

// A designed code: symbols in the code's table order (non-decreasing Length,
// the canonical code of those lengths).
struct TDesignedCode {
  int32_t MaxBits = 16;              // the limit it was designed with, 1..16
  std::string LimitRule = "repair";  // "repair" or "optimal"
  std::vector<std::string> Files;    // the files it was designed on, as given
  int64_t Total = 0;                 // the data counted there
  struct TSymbol {
    int32_t Datum;                     // 0..10239
    int32_t Length;                    // 1..MaxBits
    std::optional<int64_t> Frequency;  // >= 0 when known
  };
  std::vector<TSymbol> Symbols;
};

// A code file that cannot be read or is not a valid code: what() is
// "FILE: the first problem".
class ECodeFileError : public Exception {
public:
  using Exception::Exception;
};

// "repair" / "optimal" and back; nothing for any other name.
std::string LimitRuleName(TLimitRule Rule);
std::optional<TLimitRule> LimitRuleOf(std::string_view Name);

// The code the views show for the first 256 entries of Frequency (codes of
// at most MaxBits bits, limited by Rule: CodeTablesOf's code) in table
// order, with the frequencies; Total is the sum of those entries.  Nothing
// when no entry 0..255 is above 0.  MaxBits as CodeTablesOf takes it.
std::optional<TDesignedCode> DesignCode(std::span<const int32_t> Frequency, int32_t MaxBits,
                                        TLimitRule Rule, std::vector<std::string> Files);

// The canonical code of each symbol as sent, first bit first, as "0"/"1"
// text, in Code's order.  Code must be valid (as ReadCodeFile leaves it).
std::vector<std::string> CanonicalCodeTexts(const TDesignedCode& Code);

// The JSON document as `code -o` writes it: UTF-8, LF line ends, one symbol
// a line, keys in the order shown above; file names that are not UTF-8 have
// their stray bytes as U+FFFD.
std::string CodeFileText(const TDesignedCode& Code);

// Reads and checks the code file Path completely.  Raises ECodeFileError
// naming Path and the first problem: unreadable or larger than 16 MiB, not
// JSON, another format or a version other than 1, a required key missing or
// given twice or an unknown key, a value of the wrong kind or range (datum
// outside 0..10239, bit_length outside 1..max_bits, max_bits outside 1..16,
// limit_rule not "repair"/"optimal", negative total or frequency), a datum
// twice, no symbols or more than 10240, bit lengths that decrease, lengths
// whose Kraft sum is above 1, or a "code" that is not the canonical code of
// the lengths in that order.  "frequency" and "code" are optional.
TDesignedCode ReadCodeFile(const std::string& Path);
// The same checks on Text, the problem named after Name.
TDesignedCode ParseCodeFile(std::string_view Text, const std::string& Name);

// The code as the array texts and the decoders take it: Symbol ascending with
// their patterns (stored form, bit 0 first) and lengths, CodeSymbol in table
// order, CodeCount; frequencies 0 where unknown (cut to 2^31-1); names as
// DataName selects them (CodeTablesOf).  Code must be valid.
TCodeTables CodeTablesOfCode(const TDesignedCode& Code, const std::string& DataName);

// A JSON string literal of Text: UTF-8 kept, '"', '\' and controls escaped,
// bytes that are not UTF-8 replaced by U+FFFD.
std::string JsonString(const std::string& Text);
