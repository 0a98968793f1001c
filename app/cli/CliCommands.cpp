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
#include "CodeFile.h"
#include "CodeTables.h"
#include "Corpus.h"
#include "DecoderSource.h"
#include "Designer.h"
#include "Document.h"
#include "Locale.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
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

// The --limit-rule given, else the builder's repair rule.
TLimitRule RuleOf(const TOptions& O) {
  return O.LimitRule ? LimitRuleOf(*O.LimitRule).value_or(TLimitRule::Repair) : TLimitRule::Repair;
}

// A code file read whole and checked; its refusals are failures.  Bytes:
// the code must code bytes (encode, evaluate).
TDesignedCode ReadCode(const std::string& Path, bool Bytes) {
  try {
    TDesignedCode Code = ReadCodeFile(Path);
    if (const std::string Refusal = Bytes ? ByteCodeRefusal(Code) : std::string(); !Refusal.empty())
      throw TFailure{Path + ": " + Refusal};
    return Code;
  } catch (const ECodeFileError& E) {
    throw TFailure{E.Message()};
  }
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
  // The optimal rule can change even a 16-bit code (one the builder had to
  // repair to 16 bits).
  const TLimitRule Rule = RuleOf(O);
  if ((!O.MaxBits || *O.MaxBits == 16) && Rule == TLimitRule::Repair) return;
  const int32_t MaxBits = O.MaxBits.value_or(16);
  if (O.MaxBits) CheckMaxBits(O, SmallestMaxBits(L.Doc.Frequency), CorpusLabel(L));
  TDocument Default;
  BuildTableDocument(L.Doc.Frequency, L.Files[0], L.Shown, 16, L.Default, Default, Separator);
  BuildTableDocument(L.Doc.Frequency, L.Files[0], L.Shown, MaxBits, L.Huffman, L.Doc, Separator,
                     Rule);
  L.Limited = true;
}

// --lang as the array texts take it (checked by ParseArguments).
TArrayLanguage LanguageOf(const TOptions& O) {
  const std::string Lang = O.Lang.value_or("pascal");
  return Lang == "pascal"   ? TArrayLanguage::Pascal
         : Lang == "c"      ? TArrayLanguage::C
         : Lang == "cpp"    ? TArrayLanguage::Cpp
         : Lang == "rust"   ? TArrayLanguage::Rust
         : Lang == "python" ? TArrayLanguage::Python
                            : TArrayLanguage::Verilog;
}

// The arrays of the code in another language than the view's, or with the
// codes as sent.
std::string ArraysText(const TOptions& O, const TLoaded& L, const TViewTexts& Texts) {
  const TArrayLanguage Language = LanguageOf(O);
  const auto Text =
      DocumentArrays(L.Doc, Texts.ArrayText, Language, O.MsbFirst, O.Name.value_or(std::string()),
                     L.Huffman.MaxBitLength(), L.Huffman.LimitRule());
  if (Text) return *Text;
  if (Language == TArrayLanguage::Pascal) return Texts.ArrayText;  // the view says there is no code
  throw TFailure{CorpusLabel(L) +
                 ": no Huffman code can be built: no datum 0..255 has a frequency above 0"};
}

// table --csv: every entry of the table with the code of the distribution
// view (built from the first 256 entries), the pattern's digits highest
// first as the views show them.
std::string CsvText(const TDocument& Doc, const THuffman& Huffman) {
  const auto Tables = Doc.Scan.DataCount == 0
                          ? std::nullopt
                          : CodeTablesOf(Doc.Frequency, 256, std::string(), Huffman.MaxBitLength(),
                                         Huffman.LimitRule());
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

// arrays --code: the arrays of a code file, no data read.  The file-name
// line names the code file; the ratio line follows when the file gives
// every symbol's frequency.
int RunCodeArrays(const TOptions& O) {
  const std::string& Path = *O.CodeFile;
  const TDesignedCode Code = ReadCode(Path, false);
  const TCodeTables Tables = CodeTablesOfCode(Code, O.Name.value_or(std::string()));
  std::string Head = "ファイル名 = " + ExtractFileName(Path);
  int64_t Plain = 0;
  int64_t Coded = 0;
  bool Known = true;
  for (const auto& S : Code.Symbols) {
    Known = Known && S.Frequency.has_value();
    Plain += S.Frequency.value_or(0) * 8;
    Coded += S.Frequency.value_or(0) * S.Length;
  }
  std::string Ratio;
  if (Known && Plain > 0)
    Ratio = "ハフマン符号による圧縮率 = " +
            FormatCompressionRatio(Coded, Plain, LocaleDecimalSeparator()) + " %";
  TArrayOptions Options;
  Options.Language = LanguageOf(O);
  Options.MsbFirst = O.MsbFirst;
  std::string Text;
  if (Options.Language == TArrayLanguage::Pascal) {
    Text = Head + "\r\n" + (Ratio.empty() ? "" : Ratio + "\r\n") + "\r\n" +
           ArraySource(Tables, Options);
  } else {
    Options.DecoderArrays = true;
    Options.HeadLines = {Head};
    if (!Ratio.empty()) Options.HeadLines.push_back(Ratio);
    Text = ArraySource(Tables, Options);
  }
  WriteStdout(WithLineEnds(Text, O.Lf));
  return ExitSuccess;
}

int RunView(const TOptions& O) {
  if (O.CodeFile) return RunCodeArrays(O);
  TLoaded L;
  LoadCorpus(O, O.Lf, L);
  const TDocument& Doc = L.Doc;
  std::string Text;
  if (O.Command == "distribution") {
    Text = Doc.Texts.HuffmanText;
  } else if (O.Command == "table") {
    Text = O.Csv ? CsvText(Doc, L.Huffman) : Doc.Texts.TableText;
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
  const TStatsSource Source{L.Files[0],
                            L.Doc,
                            L.Huffman,
                            L.Table,
                            L.FellBack,
                            CompressionRatioText(L.Huffman, LocaleDecimalSeparator()),
                            L.Files,
                            L.Limited ? &L.Default : nullptr,
                            O.LimitRule.value_or(std::string())};
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

TFigureFormat FormatOf(const TOptions& O) {
  return O.Json ? TFigureFormat::Json : O.Csv ? TFigureFormat::Csv : TFigureFormat::Text;
}

int RunLimits(const TOptions& O) {
  // Files that are all empty hold no data: no rows rather than a refusal.
  const std::vector<std::string> Files = CorpusFiles(O.Operands, O.Recursive);
  const bool AllEmpty = std::all_of(Files.begin(), Files.end(), [](const std::string& F) {
    struct stat Info {};
    return ::stat(F.c_str(), &Info) == 0 && S_ISREG(Info.st_mode) && Info.st_size == 0;
  });
  if (AllEmpty) {
    WriteStdout(LimitsText(TLimitTable{}, Files, FormatOf(O)));
    return ExitSuccess;
  }
  TLoaded L;
  LoadCorpus(O, true, L);
  WriteStdout(LimitsText(LimitTable(L.Doc.Frequency), L.Files, FormatOf(O)));
  return ExitSuccess;
}

// OUT (or standard output, "-") may be no input: it would be replaced before
// the input is read, or read while it is written.
void CheckNotAnInput(const std::string& Out, const std::vector<std::string>& Files,
                     const std::string& Command) {
  const auto Target = FileIdentity(Out, STDOUT_FILENO);
  for (const std::string& File : Files)
    if (const auto Source = FileIdentity(File, -1); Source && Source == Target)
      throw TUsageError{
          File + " and " + (Out == "-" ? "standard output" : Out) + " are the same file", Command};
  if (Out != "-") CheckOutput(Out);
}

int RunCode(const TOptions& O) {
  const std::string& Out = *O.Output;
  TLoaded L;
  LoadCorpus(O, true, L,
             [&](const std::vector<std::string>& Files) { CheckNotAnInput(Out, Files, "code"); });
  const auto Code =
      DesignCode(L.Doc.Frequency, L.Huffman.MaxBitLength(), L.Huffman.LimitRule(), L.Files);
  if (!Code)
    throw TFailure{CorpusLabel(L) +
                   ": no Huffman code can be built: no datum 0..255 has a frequency above 0"};
  const std::string Text = CodeFileText(*Code);
  if (Out == "-")
    WriteStdout(Text);
  else
    WriteFileWhole(Out, Text.data(), Text.size());
  return ExitSuccess;
}

int RunEvaluate(const TOptions& O) {
  const std::vector<std::string> Files = CorpusFiles(O.Operands, O.Recursive);
  if (O.CodeFile) {
    const TDesignedCode Code = ReadCode(*O.CodeFile, true);
    const auto E = Evaluate(Code, TCodeSource{"code", *O.CodeFile}, Files);
    WriteStdout(EvaluationText(*E, FormatOf(O)));  // no hook: never cancelled
    return ExitSuccess;
  }
  // A table file, read as the workbench reads one in 32-bit mode.
  const std::string& Path = *O.TableFile;
  TMemoryStream In;
  const int64_t Largest = int64_t{MaxTableEntries} * 4;
  const std::string NotATable =
      Path + ": not a 32-bit frequency table (at most 10240 little-endian words, each 0.." +
      std::to_string(MaxTableFrequency) + ")";
  ReadInput(
      Path, Largest, [&](int64_t) { return TFailure{NotATable}; }, In);
  std::vector<int32_t> Frequency;
  TTableScan Scan;
  if (!ReadExtendedData(In, Frequency, Scan)) throw TFailure{NotATable};
  const int32_t MaxBits = O.MaxBits.value_or(16);
  if (O.MaxBits) CheckMaxBits(O, SmallestMaxBits(Frequency), Path);
  const auto Text = EvaluateTableText(Frequency, MaxBits, RuleOf(O), Path, Files, FormatOf(O));
  WriteStdout(*Text);
  return ExitSuccess;
}

// decoder --code: the raw-stream decoder of a code file's code; its head
// comment names the code file.
int RunDecoder(const TOptions& O) {
  std::string Source;
  if (O.CodeFile) {
    const TCodeTables Tables = CodeTablesOfCode(ReadCode(*O.CodeFile, false), std::string());
    const TBitOrder Order =
        O.BitOrder.value_or("lsb0") == "msb0" ? TBitOrder::Msb0 : TBitOrder::Lsb0;
    Source = RawDecoderSource(Tables, O.Name.value_or("qv"), Order,
                              {"code file: " + ExtractFileName(*O.CodeFile)}, VersionNumber);
  } else {
    Source = DecoderSource(VersionNumber);
  }
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

// encode --code: H's input coded with exactly Code, always in the coded
// form.  A byte without a code refuses the input, naming the first one.
void EncodeWithCode(const TDesignedCode& Code, const std::string& CodePath,
                    const std::string& Shown, THuffman& H,
                    const std::function<TFailure(const std::string&)>& TooLargeToCode) {
  bool Has[256] = {};
  std::vector<uint8_t> Data;
  std::vector<int32_t> Lengths;
  for (const auto& S : Code.Symbols) {
    Has[S.Datum] = true;
    Data.push_back(static_cast<uint8_t>(S.Datum));
    Lengths.push_back(S.Length);
  }
  const auto* Bytes = static_cast<const uint8_t*>(H.InStream().Memory());
  const int64_t Size = H.InStream().Size();
  for (int64_t I = 0; I < Size; ++I)
    if (!Has[Bytes[I]]) {
      char Value[8];
      std::snprintf(Value, sizeof Value, "$%02X", Bytes[I]);
      throw TFailure{Shown + ": byte " + Value + " at offset " + std::to_string(I) +
                     " has no code in " + CodePath};
    }
  H.SetCode(Data, Lengths);
  try {
    H.EncodeData();
  } catch (const ERangeError& E) {
    throw TooLargeToCode(E.Message());
  }
}

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
  // A code file is checked before the input is read.
  std::optional<TDesignedCode> Code;
  if (O.CodeFile) Code = ReadCode(*O.CodeFile, true);
  THuffman H;
  ReadInput(In, Encode ? MaxEncodeInput : MaxDecodeInput, TooLarge, H.InStream());
  if (Code) {
    EncodeWithCode(*Code, *O.CodeFile, Shown, H, TooLargeToCode);
    H.InStream().Clear();
    WriteOutput(Out, H.OutStream());
    return ExitSuccess;
  }
  if (Encode && O.LimitRule) H.SetLimitRule(RuleOf(O));
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
  if (O.Command == "limits") return RunLimits(O);
  if (O.Command == "code") return RunCode(O);
  if (O.Command == "evaluate") return RunEvaluate(O);
  return RunCoder(O);
}

}  // namespace Cli
