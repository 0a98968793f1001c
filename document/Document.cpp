#include "Document.h"

#include "CodeTables.h"

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <exception>
#include <future>
#include <limits>
#include <memory>
#include <tuple>
#include <utility>

namespace {

constexpr const char* CrLf = "\r\n";

// Largest file the counting build can take (its counts are 32-bit).
constexpr int64_t MaxCountableSize = std::numeric_limits<int32_t>::max();

void AccountEntry(TTableScan& Scan, int32_t Index, int32_t Value) {
  if (Value <= 0) return;
  Scan.DataCount = Index + 1;
  // Strictly greater: the lowest of equal maxima wins.
  if (Value > Scan.MaxFrequency) {
    Scan.MaxFrequency = Value;
    Scan.MaxData = Index;
  }
}

// (Sum of i * F[i]) div N and (sum of (i - mean)^2 * F[i]) div N over
// F[0..Count-1]; both 0 when the weights do not sum to a positive N.
std::pair<int32_t, int32_t> MeanAndVariance(std::span<const int32_t> F, int32_t Count) {
  const size_t End = std::min(F.size(), static_cast<size_t>(std::max(Count, 0)));
  int64_t N = 0;
  int64_t Moment = 0;
  for (size_t I = 0; I < End; ++I) {
    N += F[I];
    Moment += static_cast<int64_t>(I) * F[I];
  }
  if (N <= 0) return {0, 0};
  const int64_t Mean = Moment / N;
  int64_t Spread = 0;
  for (size_t I = 0; I < End; ++I) {
    const int64_t D = static_cast<int64_t>(I) - Mean;
    Spread += D * D * F[I];
  }
  return {static_cast<int32_t>(Mean), static_cast<int32_t>(Spread / N)};
}

bool IsBadRange(std::span<const int32_t> A, int32_t First, int32_t Last) {
  return First < 0 || Last < First || static_cast<int64_t>(Last) >= static_cast<int64_t>(A.size());
}

}  // namespace

TTableScan ScanTable(std::span<const int32_t> Frequency) {
  TTableScan Scan;
  const int32_t Size = static_cast<int32_t>(
      std::min(Frequency.size(), static_cast<size_t>(std::numeric_limits<int32_t>::max())));
  for (int32_t I = 0; I < Size; ++I) AccountEntry(Scan, I, Frequency[static_cast<size_t>(I)]);
  return Scan;
}

bool ReadExtendedData(TMemoryStream& In, std::vector<int32_t>& Frequency, TTableScan& Scan) {
  Scan = TTableScan{};
  Frequency.clear();
  const int64_t Size = In.Size();
  if (Size <= 0 || Size > int64_t{MaxTableEntries} * 4) return false;
  const int32_t Words = static_cast<int32_t>((Size + 3) / 4);
  Frequency.assign(static_cast<size_t>(Words), 0);
  In.SetPosition(0);
  // The bytes of the word being read, low byte first.  A short last read
  // overwrites only its low bytes; the high bytes stay from the word before
  // (from nothing, that is 0, when the file is shorter than one word).
  uint8_t Bytes[4] = {0, 0, 0, 0};
  TTableScan Found;
  for (int32_t I = 0; I < Words; ++I) {
    const int32_t Value = ReadFrequencyWord(In, Bytes);
    if (Value < 0 || Value > MaxTableFrequency) {
      Scan.DataCount = 0;
      return false;
    }
    AccountEntry(Found, I, Value);
    Frequency[static_cast<size_t>(I)] = Value;
  }
  Scan = Found;
  return true;
}

bool TakeFrequencies(const THuffman& Huffman, std::vector<int32_t>& Frequency, TTableScan& Scan) {
  const int32_t Count = Huffman.Count();
  if (Count == 0 || Frequency.size() < static_cast<size_t>(Count)) return false;
  std::vector<THuffmanNode> Leaves(static_cast<size_t>(Count));
  for (int32_t I = 0; I < Count; ++I) Huffman.GetNode(I, Leaves[static_cast<size_t>(I)]);
  // A leaf whose datum lies beyond the table would be written outside it.
  for (const THuffmanNode& Leaf : Leaves)
    if (Leaf.Data >= Frequency.size()) return false;
  for (const THuffmanNode& Leaf : Leaves) Frequency[Leaf.Data] = Leaf.Frequency;
  Scan = ScanTable(Frequency);
  return true;
}

bool StoreFrequencies(THuffman& Huffman, std::span<const int32_t> Frequency, TTableScan& Scan) {
  Huffman.Clear();
  if (Frequency.empty()) return false;
  WriteFrequencyTable(Huffman.InStream(), Frequency);
  Scan = ScanTable(Frequency);
  return true;
}

void SortFrequencies(std::span<int32_t> A, int32_t L, int32_t R) {
  if (L < 0 || R < 0 || L >= R || static_cast<size_t>(R) >= A.size()) return;
  QuickSort(A.data(), L, R, [](int32_t X, int32_t Y) { return X > Y; });
}

bool BuildFrequencyOrder(std::span<const int32_t> Frequency, std::vector<int32_t>& Sorted,
                         int32_t& OrderCount) {
  if (Frequency.empty()) return false;
  Sorted.assign(Frequency.begin(), Frequency.end());
  SortFrequencies(Sorted, 0, static_cast<int32_t>(Sorted.size()) - 1);
  OrderCount = 0;
  for (size_t I = Sorted.size(); I-- > 0;) {
    if (Sorted[I] != 0) {
      OrderCount = static_cast<int32_t>(I) + 1;
      break;
    }
  }
  return true;
}

TStatistics ComputeStatistics(std::span<const int32_t> Frequency, int32_t DataCount,
                              std::span<const int32_t> Sorted, int32_t OrderCount) {
  TStatistics S;
  if (DataCount == 0) return S;
  std::tie(S.DataMean, S.DataVariance) = MeanAndVariance(Frequency, DataCount);
  std::tie(S.OrderMean, S.OrderVariance) = MeanAndVariance(Sorted, OrderCount);
  return S;
}

std::vector<int32_t> ComputeNormalCurve(size_t Length, int32_t Mu, int32_t V, int32_t A) {
  std::vector<int32_t> Curve(Length, 0);
  if (Length == 0) return Curve;
  if (V == 0) {
    if (A == 0) return Curve;
    V = 1;
  }
  for (size_t J = 0; J < Length; ++J) {
    const double D = static_cast<double>(J) - Mu;
    const double Y = static_cast<double>(A) * std::exp(-(D * D) / (2.0 * V));
    // Nearest integer, ties to even (the default rounding mode).
    const double R = std::nearbyint(Y);
    const int32_t Value =
        static_cast<int32_t>(std::clamp(R, double{std::numeric_limits<int32_t>::min()},
                                        double{std::numeric_limits<int32_t>::max()}));
    Curve[J] = Value;
    if (Value == 0 && J > 0 && Curve[J - 1] != 0) break;
  }
  return Curve;
}

int64_t RangeTotal(std::span<const int32_t> A, int32_t First, int32_t Last) {
  if (IsBadRange(A, First, Last)) return -1;
  int64_t Total = 0;
  for (int32_t I = First; I <= Last; ++I) Total += A[static_cast<size_t>(I)];
  return Total;
}

int32_t RangeMean(std::span<const int32_t> A, int32_t First, int32_t Last) {
  if (IsBadRange(A, First, Last)) return -1;
  const int64_t Total = RangeTotal(A, First, Last);
  if (Total <= 0) return -1;
  int64_t Moment = 0;
  for (int32_t I = First; I <= Last; ++I) Moment += int64_t{I} * A[static_cast<size_t>(I)];
  return static_cast<int32_t>(Moment / Total);
}

int32_t RangeVariance(std::span<const int32_t> A, int32_t First, int32_t Last, int32_t Centre) {
  if (IsBadRange(A, First, Last)) return -1;
  const int64_t Total = RangeTotal(A, First, Last);
  if (Total <= 0) return -1;
  int64_t Spread = 0;
  for (int32_t I = First; I <= Last; ++I) {
    const int64_t D = int64_t{I} - Centre;
    Spread += D * D * A[static_cast<size_t>(I)];
  }
  return static_cast<int32_t>(Spread / Total);
}

int32_t LowerTailIndex(std::span<const int32_t> A, int32_t Percent, int32_t MaxData) {
  if (Percent < 1 || Percent > 49) return -1;
  const int64_t Total = RangeTotal(A, 0, static_cast<int32_t>(A.size()) - 1);
  if (Total <= 0) return -1;
  int64_t Sum = 0;
  for (int64_t I = 0; I <= MaxData && I < static_cast<int64_t>(A.size()); ++I) {
    Sum += A[static_cast<size_t>(I)];
    if (Sum * 100 / Total >= Percent) return static_cast<int32_t>(I);
  }
  return MaxData + 1;
}

int32_t UpperTailIndex(std::span<const int32_t> A, int32_t Percent, int32_t MaxData) {
  if (Percent < 1 || Percent > 49) return -1;
  const int64_t Total = RangeTotal(A, 0, static_cast<int32_t>(A.size()) - 1);
  if (Total <= 0) return -1;
  int64_t Sum = 0;
  for (int64_t I = static_cast<int64_t>(A.size()) - 1; I >= MaxData && I >= 0; --I) {
    Sum += A[static_cast<size_t>(I)];
    if (Sum * 100 / Total >= Percent) return static_cast<int32_t>(I);
  }
  return MaxData - 1;
}

std::string FormatCompressionRatio(int64_t Coded, int64_t Plain, char DecimalSeparator) {
  if (Plain <= 0) return NoRatioText;
  const double Ratio = static_cast<double>(Coded * 100) / static_cast<double>(Plain);
  return FormatFixed(Ratio, 2, 1, DecimalSeparator);
}

std::string CompressionRatioText(const THuffman& Huffman, char DecimalSeparator) {
  int64_t Plain = 0;
  int64_t Coded = 0;
  THuffmanNode Leaf{};
  for (int32_t I = 0; I < Huffman.Count(); ++I) {
    Huffman.GetNode(I, Leaf);
    Plain += int64_t{Leaf.Frequency} * 8;
    Coded += int64_t{Leaf.Frequency} * Leaf.BitLength;
  }
  return FormatCompressionRatio(Coded, Plain, DecimalSeparator);
}

std::string FrequencyTableText(std::span<const int32_t> A, int32_t Limit) {
  if (A.empty()) return {};
  const size_t Rows = std::min(A.size(), static_cast<size_t>(std::max(Limit, 0)));
  std::string Text;
  Text.reserve(150 + Rows * 48);
  Text += "================================================\r\n";
  Text += "        Data:       |      Frequency:\r\n";
  Text += "================================================\r\n";
  char Row[96];
  for (size_t I = 0; I < Rows; ++I) {
    const int Length =
        std::snprintf(Row, sizeof Row, "%8d  =  $%X     | %8d  =  $%X\r\n", static_cast<int>(I),
                      static_cast<unsigned>(I), A[I], static_cast<unsigned>(A[I]));
    Text.append(Row, static_cast<size_t>(Length));
  }
  Text += CrLf;
  return Text;
}

TViewTexts BuildViewTexts(const std::string& FileName, int32_t DataCount,
                          std::span<const int32_t> Frequency, const THuffman& Huffman,
                          char DecimalSeparator, const std::string& DataName) {
  TViewTexts Texts;
  std::string Head = "ファイル名 = " + FileName + CrLf;
  if (DataCount == 0) {
    Head += std::string(CrLf) + "ハフマン符号が作成出来ない為、" + CrLf + CrLf;
    Texts.HuffmanText = Head + "ハフマン分布は表示出来ません。";
    Texts.ArrayText = Head + "ハフマン配列は表示出来ません。";
  } else {
    Head += "ハフマン符号による圧縮率 = " + CompressionRatioText(Huffman, DecimalSeparator) + " %" +
            CrLf + CrLf;
    // A code limited below 16 bits (quorvant-cli --max-bits) is shown as it
    // is; the default one through the texts the window has always shown.
    const int32_t MaxBits = Huffman.MaxBitLength();
    const TLimitRule Rule = Huffman.LimitRule();
    const bool Default = MaxBits == 16 && Rule == TLimitRule::Repair;
    Texts.HuffmanText = Head + "<データのハフマン分布>" + CrLf +
                        (Default ? HuffmanTableText(Frequency, 256)
                                 : HuffmanTableText(Frequency, 256, MaxBits, Rule));
    if (Default) {
      Texts.ArrayText = Head + HuffmanArraySource(Frequency, 256, DataName);
    } else {
      const auto Tables = CodeTablesOf(Frequency, 256, DataName, MaxBits, Rule);
      Texts.ArrayText = Head + (Tables ? ArraySource(*Tables, {}) : std::string());
    }
  }
  Texts.TableText =
      "ファイル名 = " + FileName + CrLf + CrLf + "<データの頻度テーブル>   10 進  =  16 進表現" +
      CrLf +
      FrequencyTableText(Frequency, static_cast<int32_t>(std::min(
                                        Frequency.size(),
                                        static_cast<size_t>(std::numeric_limits<int32_t>::max()))));
  return Texts;
}

std::string ExtractFileName(const std::string& Path) {
  const size_t Slash = Path.rfind('/');
  return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

void DeriveDocument(TDocument& Doc, const THuffman& Huffman, char DecimalSeparator) {
  BuildFrequencyOrder(Doc.Frequency, Doc.Sorted, Doc.OrderCount);
  Doc.Statistics = ComputeStatistics(Doc.Frequency, Doc.Scan.DataCount, Doc.Sorted, Doc.OrderCount);
  Doc.Texts = BuildViewTexts(ExtractFileName(Doc.FileName), Doc.Scan.DataCount, Doc.Frequency,
                             Huffman, DecimalSeparator);
}

namespace {

// The whole of File (at most a table's size) into In.
void ReadWhole(TFileStream& File, TMemoryStream& In, const std::string& FileName) {
  uint8_t Bytes[int64_t{MaxTableEntries} * 4 + 1];
  int64_t Done = 0;
  while (const int64_t Got = File.Read(Bytes + Done, int64_t{sizeof Bytes} - Done)) {
    Done += Got;
    if (Done == int64_t{sizeof Bytes}) break;  // grew past a table: not one
  }
  if (Done == 0) throw EFOpenError(Format(SFOpenError, FileName.c_str()));  // shrank to nothing
  In.Write(Bytes, static_cast<int32_t>(Done));
}

// Fills Piece[0..Size-1] from File in reads of at most 8 MiB, adding each to
// Read; returns the bytes read (fewer only at the file's end, or when Stop
// was set).
int64_t ReadPiece(TFileStream& File, uint8_t* Piece, int64_t Size, const std::atomic<bool>& Stop,
                  std::atomic<int64_t>& Read) {
  constexpr int64_t Step = int64_t{8} << 20;
  int64_t Filled = 0;
  while (Filled < Size && !Stop) {
    const int64_t Got = File.Read(Piece + Filled, std::min(Size - Filled, Step));
    if (Got == 0) break;
    Filled += Got;
    Read += Got;
  }
  return Filled;
}

// Counts File to its end in pieces; false when Progress asked to stop.  A
// piece of 64 MiB is counted on every core.  The reading goes on a second
// thread into the other of two buffers, the next piece while this one is
// counted: the copy out of the page cache, a third of the work on a cached
// file, then no longer waits for the count nor the count for it.  While this
// thread waits for a read (a slow disk), Progress still comes about every
// 50 ms, so a Cancel is answered within a tenth of a second.
// Invariants: pieces reach Count in the file's order; a read in flight is
// stopped and waited for before this returns or raises, and its failure is
// raised here; Progress sees the bytes read so far, never decreasing.
bool CountFile(TFileStream& File, TByteCount& Count,
               const std::function<bool(int64_t, int64_t)>& Progress) {
  constexpr int64_t PieceBytes = int64_t{64} << 20;
  const int64_t Size = std::max<int64_t>(std::min(File.Size(), PieceBytes), 1);
  // Memory streams: not cleared first (every byte counted was read), and
  // backed by large pages, so the read faults a few dozen times a piece.
  const auto Buffer = [Size](TMemoryStream& Stream) {
    Stream.SetSize(Size);
    Stream.AdviseFill(Size);
    return static_cast<uint8_t*>(Stream.Memory());
  };
  TMemoryStream Pieces[2];
  uint8_t* This = Buffer(Pieces[0]);
  uint8_t* Next = nullptr;
  std::atomic<bool> Stop = false;
  std::atomic<int64_t> Read = 0;  // bytes read into the buffers so far
  const auto Report = [&] {
    return !Progress || Progress(Read.load(), std::max(File.Size(), Read.load()));
  };
  const auto StartRead = [&](uint8_t* Into) {
    return std::async(std::launch::async,
                      [&, Into] { return ReadPiece(File, Into, Size, Stop, Read); });
  };
  // The future's end waits for the reader, so no path leaves it running.
  std::future<int64_t> Reading = StartRead(This);
  for (;;) {
    while (Reading.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready)
      if (!Report()) {
        Stop = true;
        return false;
      }
    const int64_t Filled = Reading.get();  // raises the reader's failure
    if (Filled == 0) return true;
    // A short piece ends the file; a full one may be followed by more.
    if (Filled == Size) {
      if (!Next) Next = Buffer(Pieces[1]);
      Reading = StartRead(Next);
    }
    try {
      // Beyond 2147483647 bytes in all (a file that grew) this raises the
      // engine's range error.
      Count.Add(This, Filled);
    } catch (...) {
      Stop = true;
      throw;
    }
    if (!Report()) {
      Stop = true;
      return false;
    }
    if (Filled < Size) return true;
    std::swap(This, Next);
  }
}

}  // namespace

TOpenResult OpenDocumentFile(const std::string& FileName, bool Extended, THuffman& Huffman,
                             TDocument& Doc, char DecimalSeparator, const TOpenHooks& Hooks) {
  TOpenResult Result;
  struct stat Info {};
  if (FileName.empty() || ::stat(FileName.c_str(), &Info) != 0 || S_ISDIR(Info.st_mode)) {
    Result.Status = TOpenStatus::NotFound;
    Result.Message = FileName + " は見つかりません。";
    return Result;
  }
  if (S_ISREG(Info.st_mode) && Info.st_size > MaxCountableSize) {
    Result.Status = TOpenStatus::TooLarge;
    Result.Message = FileName + " は大きすぎて表示出来ません。";
    return Result;
  }
  // Pipes, devices and sockets hold no file to count (opening a pipe would
  // even wait for a writer): they cannot be opened as a document.  The file
  // is opened without blocking and the descriptor checked again.
  if (!S_ISREG(Info.st_mode)) throw EFOpenError(Format(SFOpenError, FileName.c_str()));
  TFileStream File(FileName);
  const auto Refuse = [&](TOpenStatus Status) {
    Result.Status = Status;
    Result.Message = Status == TOpenStatus::Empty ? "サイズが 0 のファイルは表示出来ません。"
                                                  : FileName + " は大きすぎて表示出来ません。";
    return Result;
  };
  if (File.Size() == 0) return Refuse(TOpenStatus::Empty);
  if (File.Size() > MaxCountableSize) return Refuse(TOpenStatus::TooLarge);  // grew since
  if (Hooks.Busy) Hooks.Busy();

  TDocument New;
  New.FileName = FileName;
  TMemoryStream& In = Huffman.InStream();
  In.Clear();
  bool Counted = !Extended;
  if (Extended) {
    // Only a file of at most 10240 words can be a table: nothing larger is
    // read into memory to find that out.
    if (File.Size() <= int64_t{MaxTableEntries} * 4) ReadWhole(File, In, FileName);
    if (ReadExtendedData(In, New.Frequency, New.Scan)) {
      Huffman.BuildFromTable();
    } else {
      Result.FellBack = true;
      Result.FallbackMessage = std::string(CrLf) + "ファイル " + FileName + CrLf + CrLf +
                               "に含まれるデータは 32 bit の拡張データとして扱えない特性" + CrLf +
                               CrLf + "を持っていますので、8 bit の通常データとして扱います。" +
                               CrLf;
      if (Hooks.Fallback) Hooks.Fallback(Result.FallbackMessage);
      Counted = true;
    }
  }
  if (Counted) {
    // The code is all the document needs, so the data are counted and the
    // code built without coding them, and the file is read in pieces, never
    // held whole.  The node table changes only once the count is complete.
    TByteCount Count;
    // What the 32-bit try read already comes first; the rest from the file.
    if (In.Size() > 0) Count.Add(static_cast<const uint8_t*>(In.Memory()), In.Size());
    if (!CountFile(File, Count, Hooks.Progress)) {
      In.Clear();
      Result.Status = TOpenStatus::Cancelled;
      return Result;
    }
    if (Count.Total() == 0) return Refuse(TOpenStatus::Empty);  // shrank since
    New.Scan.DataCount = 256;
    New.Frequency.assign(256, 0);
    Huffman.CountFromPieces(Count);
    Huffman.BuildTree();
    Huffman.AssignCodes();
    TakeFrequencies(Huffman, New.Frequency, New.Scan);
  }
  In.Clear();
  Huffman.OutStream().Clear();
  DeriveDocument(New, Huffman, DecimalSeparator);
  Doc = std::move(New);
  return Result;
}

bool CountDocumentFile(const std::string& FileName, TByteCount& Count,
                       const std::function<bool(int64_t, int64_t)>& Progress) {
  struct stat Info {};
  if (FileName.empty() || ::stat(FileName.c_str(), &Info) != 0)
    throw EFOpenError(FileName + " は見つかりません。");
  if (S_ISDIR(Info.st_mode)) throw EFOpenError(FileName + ": is a folder");
  if (!S_ISREG(Info.st_mode)) throw EFOpenError(Format(SFOpenError, FileName.c_str()));
  if (Info.st_size > MaxCountableSize)
    throw EFOpenError(FileName + " は大きすぎて表示出来ません。");
  TFileStream File(FileName);
  if (File.Size() == 0) return true;
  return CountFile(File, Count, Progress);
}

namespace {

// The first Count lines of a CR LF text, each with its line end.
std::string FirstLines(const std::string& Text, int Count) {
  size_t End = 0;
  for (int I = 0; I < Count && End != std::string::npos; ++I) {
    End = Text.find("\r\n", End);
    if (End != std::string::npos) End += 2;
  }
  return End == std::string::npos ? Text : Text.substr(0, End);
}

}  // namespace

std::optional<std::string> DocumentArrays(const TDocument& Doc, const std::string& ArrayText,
                                          TArrayLanguage Language, bool MsbFirst,
                                          const std::string& DataName, int32_t MaxBits,
                                          TLimitRule Rule) {
  if (Doc.Scan.DataCount == 0) return std::nullopt;
  const auto Tables = CodeTablesOf(Doc.Frequency, 256, DataName, MaxBits, Rule);
  if (!Tables) return std::nullopt;
  TArrayOptions Options;
  Options.Language = Language;
  Options.MsbFirst = MsbFirst;
  if (Language == TArrayLanguage::Pascal)
    return FirstLines(ArrayText, 3) + ArraySource(*Tables, Options);
  Options.DecoderArrays = true;
  const std::string Head = FirstLines(ArrayText, 2);
  const size_t Break = Head.find("\r\n");
  Options.HeadLines = {Head.substr(0, Break), Head.substr(Break + 2, Head.size() - Break - 4)};
  return ArraySource(*Tables, Options);
}
