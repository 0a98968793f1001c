// quorvant-cli's commands (see CliCommands.h).
//
// The view texts come from the window's own document code (document/), the
// code, the array texts, the decoder and the coded forms from the engine;
// the commands only choose, convert line ends and hand the bytes to the input
// and output of CliFiles.
#include "CliCommands.h"

#include "CliFigures.h"
#include "CliFiles.h"
#include "CliGraph.h"
#include "CliOptions.h"
#include "CodeTables.h"
#include "Corpus.h"
#include "DecoderSource.h"
#include "Document.h"
#include "Locale.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace Cli {

namespace {

std::string WithLineEnds(std::string Text, bool Lf) {
  if (!Lf) return Text;
  std::string Out;
  Out.reserve(Text.size());
  for (size_t I = 0; I < Text.size(); ++I) {
    if (Text[I] == '\r' && I + 1 < Text.size() && Text[I + 1] == '\n') continue;
    Out += Text[I];
  }
  return Out;
}

// A --max-bits (O.MaxBits given) below Smallest, the fewest bits that hold
// the values of Label, is a usage error.
void CheckMaxBits(const TOptions& O, int32_t Smallest, const std::string& Label) {
  if (*O.MaxBits < Smallest)
    throw TUsageError{"--max-bits " + std::to_string(*O.MaxBits) + " is not within the range of " +
                          std::to_string(Smallest) + "..16 for the values of " + Label,
                      O.Command};
}

// What a corpus command works on: the document of all its files.
struct TLoaded {
  THuffman Huffman;  // the code shown (with --max-bits, the limited one)
  THuffman Default;  // with a limit below 16: the default 16-bit code
  bool Limited = false;
  TDocument Doc;
  std::vector<std::string> Files;
  std::string Shown;  // the name of the views' file-name line
  bool Table = false;
  bool FellBack = false;
};

// The window's open road; its refusals become failures with the window's
// message, the file named.
void OpenForViews(const std::string& FileName, bool Extended, bool Lf, THuffman& Huffman,
                  TDocument& Doc, bool& FellBack) {
  TOpenHooks Hooks;
  Hooks.Fallback = [&](const std::string& Message) { WriteStderr(WithLineEnds(Message, Lf)); };
  TOpenResult Result;
  try {
    Result = OpenDocumentFile(FileName, Extended, Huffman, Doc, LocaleDecimalSeparator(), Hooks);
  } catch (const EFOpenError& E) {
    throw TFailure{E.Message()};
  }
  switch (Result.Status) {
    case TOpenStatus::Opened: break;
    case TOpenStatus::Empty: throw TFailure{FileName + ": " + Result.Message};
    case TOpenStatus::NotFound:
      // The window names a folder as missing; here it is called what it is.
      if (struct stat Info{}; ::stat(FileName.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode))
        throw TFailure{FileName + ": is a folder"};
      [[fallthrough]];
    case TOpenStatus::TooLarge:
    case TOpenStatus::Changed: throw TFailure{Result.Message};
    case TOpenStatus::Cancelled:  // no progress hook here: cannot happen
      throw TFailure{FileName + ": cancelled"};
  }
  FellBack = Result.FellBack;
}

// The operands as one name in a message.
std::string CorpusLabel(const TLoaded& L) {
  return L.Files.size() == 1
             ? L.Files[0]
             : L.Files[0] + " and " + std::to_string(L.Files.size() - 1) + " more files";
}

// The one loader of the commands that read FILEs: opens them (one file
// exactly as the window does; several summed into one table, refused when
// the sum is more than a table holds) and, with --max-bits below 16, rebuilds
// the code with that limit (a limit too small for the values present is a
// usage error); the table, and so the graph's bars, stay as read.
// BeforeReading, when given, sees the files (-r folders listed) before any is
// read.  Writes nothing to standard output.
void LoadCorpus(const TOptions& O, bool Lf, TLoaded& L,
                const std::function<void(const std::vector<std::string>&)>& BeforeReading = {}) {
  const char Separator = LocaleDecimalSeparator();
  L.Files = CorpusFiles(O.Operands, O.Recursive);
  L.Shown = CorpusFileName(L.Files[0], L.Files.size());
  if (BeforeReading) BeforeReading(L.Files);
  if (L.Files.size() == 1) {
    OpenForViews(L.Files[0], O.Extended, Lf, L.Huffman, L.Doc, L.FellBack);
    L.Table = O.Extended && !L.FellBack;
  } else {
    // Every byte is a datum: sizes too large in all are refused unread.
    // Empty files add nothing (alone, one is refused as the window does).
    std::vector<bool> Empty(L.Files.size(), false);
    int64_t Bytes = 0;
    for (size_t I = 0; I < L.Files.size(); ++I)
      if (struct stat Info{}; ::stat(L.Files[I].c_str(), &Info) == 0 && S_ISREG(Info.st_mode)) {
        Bytes += Info.st_size;
        Empty[I] = Info.st_size == 0;
      }
    if (const std::string Refusal = CorpusTotalRefusal(Bytes); !O.Extended && !Refusal.empty())
      throw TFailure{CorpusLabel(L) + ": " + Refusal};
    if (std::find(Empty.begin(), Empty.end(), false) == Empty.end())
      throw TFailure{CorpusLabel(L) + ": サイズが 0 のファイルは表示出来ません。"};
    TCorpusSum Sum;
    for (size_t I = 0; I < L.Files.size(); ++I) {
      if (Empty[I]) continue;
      const std::string& File = L.Files[I];
      THuffman Huffman;
      TDocument Doc;
      bool FellBack = false;
      OpenForViews(File, O.Extended, Lf, Huffman, Doc, FellBack);
      Sum.Add(Doc.Frequency);
      L.FellBack = L.FellBack || FellBack;
      L.Table = L.Table || (O.Extended && !FellBack);
    }
    if (const std::string Refusal = Sum.Refusal(L.Table); !Refusal.empty())
      throw TFailure{CorpusLabel(L) + ": " + Refusal};
    BuildTableDocument(Sum.Frequency(), L.Files[0], L.Shown, 16, L.Huffman, L.Doc, Separator);
  }
  if (!O.MaxBits || *O.MaxBits == 16) return;
  CheckMaxBits(O, SmallestMaxBits(L.Doc.Frequency), CorpusLabel(L));
  TDocument Default;
  BuildTableDocument(L.Doc.Frequency, L.Files[0], L.Shown, 16, L.Default, Default, Separator);
  BuildTableDocument(L.Doc.Frequency, L.Files[0], L.Shown, *O.MaxBits, L.Huffman, L.Doc, Separator);
  L.Limited = true;
}

// The arrays of the code in another language than the view's, or with the
// codes as sent.
std::string ArraysText(const TOptions& O, const TLoaded& L, const TViewTexts& Texts) {
  const std::string Lang = O.Lang.value_or("pascal");
  const TArrayLanguage Language = Lang == "pascal" ? TArrayLanguage::Pascal
                                  : Lang == "c"    ? TArrayLanguage::C
                                  : Lang == "cpp"  ? TArrayLanguage::Cpp
                                                   : TArrayLanguage::Rust;
  const auto Text = DocumentArrays(L.Doc, Texts.ArrayText, Language, O.MsbFirst,
                                   O.Name.value_or(std::string()), L.Huffman.MaxBitLength());
  if (Text) return *Text;
  if (Language == TArrayLanguage::Pascal) return Texts.ArrayText;  // the view says there is no code
  throw TFailure{CorpusLabel(L) +
                 ": no Huffman code can be built: no datum 0..255 has a frequency above 0"};
}

// table --csv: every entry of the table with the code of the distribution
// view (built from the first 256 entries), the pattern's digits highest
// first as the views show them.
std::string CsvText(const TDocument& Doc) {
  const auto Tables =
      Doc.Scan.DataCount == 0 ? std::nullopt : CodeTablesOf(Doc.Frequency, 256, std::string());
  std::vector<int32_t> Entry(256, -1);  // datum -> its index in Tables, -1: no code
  if (Tables)
    for (size_t J = 0; J < Tables->Symbol.size(); ++J)
      Entry[Tables->Symbol[J]] = static_cast<int32_t>(J);
  std::string Text = "datum,frequency,bit_length,bit_pattern\r\n";
  Text.reserve(Text.size() + Doc.Frequency.size() * 24);
  for (size_t I = 0; I < Doc.Frequency.size(); ++I) {
    Text += std::to_string(I) + "," + std::to_string(Doc.Frequency[I]) + ",";
    if (const int32_t J = I < 256 ? Entry[I] : -1; J >= 0) {
      const int32_t Length = Tables->Length[static_cast<size_t>(J)];
      Text += std::to_string(Length) + "," +
              BinaryDigits(Tables->Pattern[static_cast<size_t>(J)], Length);
    } else {
      Text += ",";
    }
    Text += "\r\n";
  }
  return Text;
}

int RunView(const TOptions& O) {
  TLoaded L;
  LoadCorpus(O, O.Lf, L);
  const TDocument& Doc = L.Doc;
  std::string Text;
  if (O.Command == "distribution") {
    Text = Doc.Texts.HuffmanText;
  } else if (O.Command == "table") {
    Text = O.Csv ? CsvText(Doc) : Doc.Texts.TableText;
  } else {
    const std::string DataName = O.Name.value_or(std::string());
    const TViewTexts Texts = DataName.empty()
                                 ? Doc.Texts
                                 : BuildViewTexts(L.Shown, Doc.Scan.DataCount, Doc.Frequency,
                                                  L.Huffman, LocaleDecimalSeparator(), DataName);
    Text = O.Lang.value_or("pascal") == "pascal" && !O.MsbFirst ? Texts.ArrayText
                                                                : ArraysText(O, L, Texts);
  }
  WriteStdout(WithLineEnds(Text, O.Lf));
  return ExitSuccess;
}

int RunStats(const TOptions& O) {
  TLoaded L;
  LoadCorpus(O, true, L);
  const TStatsSource Source{L.Files[0], L.Doc,
                            L.Huffman,  L.Table,
                            L.FellBack, CompressionRatioText(L.Huffman, LocaleDecimalSeparator()),
                            L.Files,    L.Limited ? &L.Default : nullptr};
  WriteStdout(O.Json ? StatsJson(Source) : StatsText(Source));
  return ExitSuccess;
}

// Everything about OUT is settled before a FILE is read.  graph has no --lf:
// the window's fallback message keeps its CR LF.
int RunGraph(const TOptions& O) {
  TGraphOptions Graph = O.Graph;
  Graph.Output = O.Output;
  TLoaded L;
  LoadCorpus(O, false, L,
             [&](const std::vector<std::string>& Files) { CheckGraphOutput(Graph, Files); });
  return WriteGraph(L.Doc, CorpusLabel(L), Graph);
}

int RunDecoder(const TOptions& O) {
  const std::string Source = DecoderSource(VersionNumber);
  if (!O.Output || *O.Output == "-")
    WriteStdout(Source);
  else
    WriteFileWhole(*O.Output, Source.data(), Source.size());
  return ExitSuccess;
}

// The most input each coder command takes.  encode counts at most 2147483647
// bytes (the engine's counting refuses more); the largest input decode can
// accept is a coded form with every header field at its top: a 6-byte head,
// 256 data, 16 length counts of up to 31 bits (62 bytes) and a payload of a
// 30-bit byte count plus one partial byte.  Larger inputs are refused as the
// coder would refuse them, before they fill the memory.
constexpr int64_t MaxEncodeInput = MaxCountedBytes;
constexpr int64_t MaxDecodeInput = 6 + 256 + 2 * 31 + (int64_t{1} << 30);

int RunCoder(const TOptions& O) {
  const std::string& In = O.Operands[0];
  const std::string& Out = O.Operands[1];
  const std::string Shown = In == "-" ? "standard input" : In;
  const bool Encode = O.Command == "encode";
  // Nothing is read before OUT is known to be another file that can be
  // written: coding a file over itself would lose it.
  if (const auto Source = FileIdentity(In, STDIN_FILENO);
      Source && Source == FileIdentity(Out, STDOUT_FILENO))
    throw TUsageError{
        Shown + " and " + (Out == "-" ? "standard output" : Out) + " are the same file", O.Command};
  if (Out != "-")
    CheckOutput(Out);
  else if (!O.Force && ::isatty(STDOUT_FILENO))
    throw TFailure{"standard output is a terminal: " + O.Command +
                   " writes binary data there only with --force"};
  // The coder's own refusals, met before the whole input is held.
  const auto TooLargeToCode = [&](const std::string& Reason) {
    return TFailure{Shown +
                    ": too large to code: the coded and stored forms hold lengths of "
                    "30 bits, and this input needs more (" +
                    Reason + ")"};
  };
  const TTooLarge TooLarge = [&](int64_t Size) {
    if (Encode)
      return TooLargeToCode(Format(SStreamTooLarge, static_cast<long long>(Size),
                                   static_cast<long long>(MaxCountedBytes)));
    return TFailure{Shown + ": Data error .  Not Huffman encoded data ."};
  };
  THuffman H;
  ReadInput(In, Encode ? MaxEncodeInput : MaxDecodeInput, TooLarge, H.InStream());
  if (Encode && O.MaxBits && *O.MaxBits != 16) {
    // The values present decide the smallest limit: counted first.
    const int32_t Distinct =
        H.CountFromBytes(static_cast<const uint8_t*>(H.InStream().Memory()), H.InStream().Size());
    CheckMaxBits(O, SmallestMaxBitLength(Distinct), Shown);
    H.SetMaxBitLength(*O.MaxBits);
  }
  if (Encode) {
    try {
      H.Encode();
    } catch (const ERangeError& E) {
      throw TooLargeToCode(E.Message());
    }
  } else {
    try {
      H.Decode();
    } catch (const Exception& E) {
      throw TFailure{Shown + ": " + E.Message()};
    }
  }
  // The input is no longer needed; give its memory back before writing.
  H.InStream().Clear();
  WriteOutput(Out, H.OutStream());
  return ExitSuccess;
}

}  // namespace

int Run(int Argc, char** Argv) {
  const TOptions O = ParseArguments(Argc, Argv);
  if (O.Help || (O.Command == "help" && O.Operands.empty())) {
    const std::string& Topic = O.Command == "help" ? std::string() : O.Command;
    if (!Topic.empty() && !IsCommand(Topic))
      throw TUsageError{"unknown command '" + Topic + "'", ""};
    WriteStdout(CommandHelp(Topic));
    return ExitSuccess;
  }
  if (O.Version) {
    WriteStdout(std::string(VersionText) + "\n");
    return ExitSuccess;
  }
  if (O.Command == "help") {
    if (O.Operands.size() > 1) throw TUsageError{"help takes one command", ""};
    if (!IsCommand(O.Operands[0])) throw TUsageError{"unknown command '" + O.Operands[0] + "'", ""};
    WriteStdout(CommandHelp(O.Operands[0]));
    return ExitSuccess;
  }
  if (IsViewCommand(O.Command)) return RunView(O);
  if (O.Command == "stats") return RunStats(O);
  if (O.Command == "decoder") return RunDecoder(O);
  if (O.Command == "graph") return RunGraph(O);
  return RunCoder(O);
}

}  // namespace Cli
