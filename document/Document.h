// The document of the workbench window as plain computations: the frequency
// table read in either data mode, its frequency order, the statistics, the
// normal curve, the range and tail measures, and the three view texts.
//
// No widgets and no Qt: the window's operations of the same names call these
// and move the results into the controls, and quorvant-cli prints the same
// texts without a window, so no text rule exists twice.
//
// Integer is int32_t; sums and products are 64-bit; divisions truncate.
// Texts are UTF-8 with CR LF between lines.
#pragma once

#include "CodeTables.h"
#include "Compress.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

// The product and its version, as the window's caption and quorvant-cli's
// --version show it.
inline constexpr const char* QuorvantVersionText = "Quorvant Version 1.0";

// Largest frequency a 32-bit table may hold and an edit may produce (2^20).
inline constexpr int32_t MaxTableFrequency = 1048576;
// Largest 32-bit table: 10240 words (data 0..10239).
inline constexpr int32_t MaxTableEntries = 10240;

// The scan every load and rebuild ends with.
struct TTableScan {
  int32_t DataCount = 0;     // last index with a frequency > 0, plus 1; 0 = none
  int32_t MaxFrequency = 0;  // largest entry; 0 when none is > 0
  int32_t MaxData = 0;       // first index holding MaxFrequency; 0 when none
};
TTableScan ScanTable(std::span<const int32_t> Frequency);

// 32-bit mode: In (position moved) read as little-endian signed words into
// Frequency.  False when In is empty, larger than 40960 bytes, or holds a word
// < 0 or > 1048576 (the words read so far stay, DataCount 0).  A short last
// word fills only its low bytes; its high bytes keep the previous word's (0
// when the file is shorter than one word).
bool ReadExtendedData(TMemoryStream& In, std::vector<int32_t>& Frequency, TTableScan& Scan);

// 8-bit mode, after the counting build: leaf frequencies into Frequency
// (entries of absent data stay as they are).  False, changing nothing, when
// the code has no leaves, more leaves than Frequency has entries, or a leaf
// whose datum lies beyond Frequency.
bool TakeFrequencies(const THuffman& Huffman, std::vector<int32_t>& Frequency, TTableScan& Scan);

// Before a rebuild: Huffman.Clear(), then every entry of Frequency written to
// its InStream as 4 little-endian bytes.  False for an empty table (Scan is
// then left alone).
bool StoreFrequencies(THuffman& Huffman, std::span<const int32_t> Frequency, TTableScan& Scan);

// In-place quicksort of A[L..R], descending (pivot tracked by position).
// A range with L >= R or outside A is left alone.
void SortFrequencies(std::span<int32_t> A, int32_t L, int32_t R);

// Sorted := Frequency sorted descending; OrderCount := last non-zero index of
// Sorted plus 1.  False, changing nothing, for an empty table.
bool BuildFrequencyOrder(std::span<const int32_t> Frequency, std::vector<int32_t>& Sorted,
                         int32_t& OrderCount);

struct TStatistics {
  int32_t DataMean = 0;
  int32_t DataVariance = 0;
  int32_t OrderMean = 0;
  int32_t OrderVariance = 0;
};
// Mean and variance (about the truncated mean) of both orders; all 0 when
// DataCount is 0, and an order's two 0 when its frequencies do not sum above
// 0 (no division by zero).
TStatistics ComputeStatistics(std::span<const int32_t> Frequency, int32_t DataCount,
                              std::span<const int32_t> Sorted, int32_t OrderCount);

// Length entries of round-half-even(A * exp(-(j-Mu)^2 / (2V))); V = 0 counts
// as 1 unless A = 0 (all zero).  Once the curve has fallen back to 0 after
// rising above it, the rest stays 0.
std::vector<int32_t> ComputeNormalCurve(size_t Length, int32_t Mu, int32_t V, int32_t A);

// Range measures over A[First..Last]; -1 for a bad range (First < 0,
// Last > last index, Last < First).  RangeMean and RangeVariance also give -1
// for a range whose total is not above 0 rather than divide by it.
int64_t RangeTotal(std::span<const int32_t> A, int32_t First, int32_t Last);
int32_t RangeMean(std::span<const int32_t> A, int32_t First, int32_t Last);
int32_t RangeVariance(std::span<const int32_t> A, int32_t First, int32_t Last, int32_t Centre);

// Position where the share counted from the left (right) first reaches
// Percent (1..49, else -1), scanning no further than MaxData (the data-order
// position of the largest frequency, whichever array A is) nor beyond A;
// MaxData + 1 (MaxData - 1) when the scan ends first.  -1 when A's total is
// not above 0.
int32_t LowerTailIndex(std::span<const int32_t> A, int32_t Percent, int32_t MaxData);
int32_t UpperTailIndex(std::span<const int32_t> A, int32_t Percent, int32_t MaxData);

// What the ratio shows when the code has no leaves although the table has
// frequencies (all of them at data 256 and above): there is no coded size to
// compare, so no number is shown rather than a made-up one.
inline constexpr const char* NoRatioText = "---";

// Coded * 100 / Plain as "%2.1f": one decimal, rounded half up on the value's
// decimal form (12.25 -> "12.3"), at least two characters, DecimalSeparator.
// NoRatioText when Plain <= 0.
std::string FormatCompressionRatio(int64_t Coded, int64_t Plain, char DecimalSeparator);

// The coded size as a percentage of 8 bits a datum over Huffman's leaves
// (Coded = sum of Frequency * BitLength, Plain = sum of Frequency * 8),
// formatted as FormatCompressionRatio; NoRatioText when Huffman has no leaves.
std::string CompressionRatioText(const THuffman& Huffman, char DecimalSeparator);

// The table block of the frequency view: ruled head, one
// "%8d  =  $%x     | %8d  =  $%x" row per entry 0..min(Limit, size)-1, an
// empty line.  Empty for an empty A.
std::string FrequencyTableText(std::span<const int32_t> A, int32_t Limit);

struct TViewTexts {
  std::string HuffmanText;  // "ハフマン分布"
  std::string ArrayText;    // "ハフマン配列"
  std::string TableText;    // "頻度テーブル"
};
// The three views.  FileName is the name without its folder (empty before
// any open).  The ratio comes from Huffman's leaves; the distribution and the
// arrays from the first 256 entries of Frequency, with codes of at most
// Huffman.MaxBitLength() bits limited by Huffman.LimitRule() (the limit must
// hold the values present).  DataName is the array
// source's data name (the window passes none: "データ").
TViewTexts BuildViewTexts(const std::string& FileName, int32_t DataCount,
                          std::span<const int32_t> Frequency, const THuffman& Huffman,
                          char DecimalSeparator, const std::string& DataName = std::string());

// The name after the last '/' of Path (the whole of it when there is none);
// the file-name line of the views shows this.
std::string ExtractFileName(const std::string& Path);

// ---------------------------------------------------------------------------
// Opening a file into a document: the one road the window's OpenDataFile and
// quorvant-cli both take, so both produce the same bytes.

// Everything the window derives from the table and its code.
struct TDocument {
  std::string FileName;            // the path exactly as passed to the open
  std::vector<int32_t> Frequency;  // data order; never empty after an open
  std::vector<int32_t> Sorted;     // Frequency sorted descending
  TTableScan Scan;                 // DataCount, MaxFrequency, MaxData
  int32_t OrderCount = 0;          // last non-zero index of Sorted, plus 1
  TStatistics Statistics;
  TViewTexts Texts;
};

// Frequency order, statistics and the three view texts, from Doc.Frequency,
// Doc.Scan.DataCount, Doc.FileName and Huffman's code (the refresh after every
// open and every rebuild from the table).
void DeriveDocument(TDocument& Doc, const THuffman& Huffman, char DecimalSeparator);

enum class TOpenStatus {
  Opened,     // Doc holds the new document
  NotFound,   // no such file, or a folder of that name
  TooLarge,   // more than 2147483647 bytes: cannot be counted
  Empty,      // the file has 0 bytes
  Cancelled,  // the progress hook asked to stop; nothing changed
};

struct TOpenResult {
  TOpenStatus Status = TOpenStatus::Opened;
  // For a refused open the message the user sees (FileName + " は見つかりません。",
  // FileName + " は大きすぎて表示出来ません。", "サイズが 0 のファイルは表示出来ません。").
  std::string Message;
  // 32-bit mode was asked for but the file does not qualify; it was read in
  // 8-bit mode and FallbackMessage (already passed to the hook) says so.
  // The caller switches its mode to 8 bit for later opens.
  bool FellBack = false;
  std::string FallbackMessage;
};

// Called during the open, at the moments the window shows something.
struct TOpenHooks {
  // The checks have passed and the code is about to be built (the window
  // shows its busy caption).
  std::function<void()> Busy;
  // The 32-bit fallback message, shown before the 8-bit read goes on.
  std::function<void(const std::string& Message)> Fallback;
  // While the file is read and counted, at least every 0.1 s: the bytes read
  // so far (never fewer than before) and the file's size; false stops the
  // open (Cancelled).
  std::function<bool(int64_t Counted, int64_t Total)> Progress;
};

// Opens FileName (a path in the file system's bytes) in 32-bit mode when
// Extended, else in 8-bit mode:
//   1. missing or a folder: NotFound; more than 2147483647 bytes: TooLarge.
//      Nothing is touched.
//   2. the file opened without blocking (EFOpenError "ファイル %s は開けません"
//      propagates when it exists but cannot be read, or is not a regular file:
//      a pipe, a device, a socket); 0 bytes: Empty.
//   3. Busy; 32 bit: a file of at most 40960 bytes into Huffman.InStream,
//      ReadExtendedData, then BuildFromTable; when the file does not qualify,
//      Fallback with the message and on in 8 bit.
//   4. 8 bit: the file counted in pieces of 64 MiB (never held whole; every
//      core counts), Progress at least every 0.1 s (false: Cancelled,
//      Huffman's code untouched), then the counting build (CountFromPieces, BuildTree,
//      AssignCodes; the data are not coded), TakeFrequencies into 256 zeros.
//   5. DeriveDocument; Doc := the new document.
// Doc changes only when the result is Opened (also when something raises).
// Huffman keeps the code (its leaves); afterwards both of its streams are
// empty: the file's bytes are not kept once the code is built.
TOpenResult OpenDocumentFile(const std::string& FileName, bool Extended, THuffman& Huffman,
                             TDocument& Doc, char DecimalSeparator, const TOpenHooks& Hooks = {});

// The code of the array view (built from the first 256 entries of
// Doc.Frequency, codes at most MaxBits long) as arrays in Language, under the
// head of ArrayText (the array view's text: Pascal keeps its first three
// lines, the others carry its first two as comments and add the decoder's
// arrays Symbol, CodeCount and CodeSymbol); MsbFirst gives the codes as sent.
// DataName as HuffmanArraySource takes it; Rule limits the code as
// THuffman's rule does.  nullopt when there is no code.
std::optional<std::string> DocumentArrays(const TDocument& Doc, const std::string& ArrayText,
                                          TArrayLanguage Language, bool MsbFirst,
                                          const std::string& DataName, int32_t MaxBits = 16,
                                          TLimitRule Rule = TLimitRule::Repair);

// Counts the bytes of the regular file FileName as the open road does (in
// pieces of 64 MiB on every core, never held whole), adding them to Count;
// Progress as TOpenHooks::Progress.  False when Progress asked to stop
// (Count then holds part of the file).  Raises EFOpenError naming the file
// with the open road's messages: missing (" は見つかりません。"), a folder
// (": is a folder"), larger than 2147483647 bytes (" は大きすぎて表示出来ません。"),
// not a regular file or unreadable (SFOpenError); ERangeError when Count's
// total would pass 2147483647.
bool CountDocumentFile(const std::string& FileName, TByteCount& Count,
                       const std::function<bool(int64_t Counted, int64_t Total)>& Progress = {});
