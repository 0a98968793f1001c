// The designer's loop as plain computations: what each length limit costs a
// frequency table, and how well a designed code serves other files.
//
// quorvant-cli's `limits` and `evaluate` print these texts, and the window
// shows the same ones for its current table, so no figure exists twice.
// Qt-free.  Numbers are locale-free; these texts end lines with LF (they are
// reports for the shell and for scripts, as the stats report is).
#pragma once

#include "CodeFile.h"
#include "Compress.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

enum class TFigureFormat { Text, Csv, Json };

// Locale-free decimal forms of the reports: Decimals places, rounded; the
// shortest form that reads back to Value.
std::string FixedDecimals(double Value, int Decimals);
std::string ShortestDecimals(double Value);

// ---------------------------------------------------------------------------
// What each limit costs.

struct TLimitRow {
  int32_t MaxBits = 16;
  int64_t RepairBits = 0;   // total coded bits of the data, header excluded
  int64_t OptimalBits = 0;  // the same under the optimal rule (<= RepairBits)
};

struct TLimitTable {
  int64_t Total = 0;     // data counted: the sum of entries 0..255
  int32_t Distinct = 0;  // entries 0..255 above 0
  double Entropy = 0;    // bits per datum over those entries; 0 without data
  // One row per limit from 16 down to SmallestMaxBitLength(Distinct) (down
  // to 1 for a single value); none without data.
  std::vector<TLimitRow> Rows;
};

// The rows of the first 256 entries of Frequency (the data the code covers).
TLimitTable LimitTable(std::span<const int32_t> Frequency);

// Text: an aligned table under a header line of the column names
// (max_bits, repair_total_bits, optimal_total_bits, repair_average_bits,
// optimal_average_bits, entropy_bits; averages with 4 decimals), or a line
// saying there are no data.  Csv: those six columns under a header line of
// their names, shortest exact decimals.  Json: {"files":[...],"total":T,
// "distinct_values":D,"entropy_bits":E,"rows":[{...},...]} on one line.
std::string LimitsText(const TLimitTable& Table, const std::vector<std::string>& Files,
                       TFigureFormat Format);

// ---------------------------------------------------------------------------
// A code tried on other data.

// Where the code evaluated came from, for the report's "code" object.
struct TCodeSource {
  std::string Kind;  // "code" (a code file) or "table" (a frequency table)
  std::string File;  // its name as given
};

struct TEvaluationRow {
  std::string File;
  int64_t Bytes = 0;
  int64_t CodedBits = 0;  // payload bits of the bytes that have a code
  int64_t OwnBits = 0;    // payload bits under the file's own code
  double EntropyTotalBits = 0;
  double OverheadPercent = 0;            // 100 * (CodedBits / OwnBits - 1), 0 when OwnBits is 0
  int64_t Uncodable = 0;                 // bytes whose value has no code
  std::vector<int32_t> UncodableValues;  // ascending
  // The size of the coded form `encode --code` writes; absent when a byte
  // has no code or the payload passes what the coded form holds.
  std::optional<int64_t> CodedBytes;
};

struct TEvaluation {
  TCodeSource Source;
  TDesignedCode Code;
  std::vector<TEvaluationRow> Files;
  TEvaluationRow Total;  // File "(total)": the sums; CodedBytes only when every file has one
};

// Empty when Code codes bytes only (every datum 0..255), else why evaluate
// and encode cannot use it.
std::string ByteCodeRefusal(const TDesignedCode& Code);

// Called while the files are counted: file Index (0-based) of Files, the
// bytes of it counted so far and its size; false stops (nothing returned).
struct TEvaluateHooks {
  std::function<bool(size_t Index, size_t Files, int64_t Counted, int64_t Size)> Progress;
};

// Counts each file (CountDocumentFile: its refusals propagate as
// EFOpenError naming the file) and figures Code's rows.  The file's own
// code is built with Code's MaxBits and LimitRule, the limit raised to the
// fewest bits that hold the file's values where it is too small.  Code must
// be valid and pass ByteCodeRefusal.  nullopt when a hook asked to stop.
std::optional<TEvaluation> Evaluate(const TDesignedCode& Code, const TCodeSource& Source,
                                    const std::vector<std::string>& Files,
                                    const TEvaluateHooks& Hooks = {});

// Text: an aligned table (a row per file, then "(total)"), then one line per
// file with uncodable bytes naming their values as $XX.  Csv: the columns
// file, bytes, coded_bits, own_bits, entropy_total_bits, overhead_percent,
// uncodable, uncodable_values (joined by spaces), coded_bytes (empty when
// absent).  Json: {"code":{...},"files":[{...},...],"total":{...}}.
std::string EvaluationText(const TEvaluation& E, TFigureFormat Format);

// The window's "evaluate on other files" for its current table: the code of
// the first 256 entries of Frequency with MaxBits and Rule (DesignCode),
// evaluated on Files; exactly `quorvant-cli evaluate --table` 's text for
// that table.  TableName names the table in the "code" object.  nullopt
// when cancelled; without a code (no entry 0..255 above 0) every byte is
// uncodable.  Refusals as Evaluate and DesignCode raise them.
std::optional<std::string> EvaluateTableText(std::span<const int32_t> Frequency, int32_t MaxBits,
                                             TLimitRule Rule, const std::string& TableName,
                                             const std::vector<std::string>& Files,
                                             TFigureFormat Format,
                                             const TEvaluateHooks& Hooks = {});
