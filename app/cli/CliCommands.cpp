// quorvant-cli's commands (see CliCommands.h).
//
// The view texts come from the window's own document code (FrameDoc), the
// code and the coded forms from the engine; the commands only choose, convert
// line ends and hand the bytes to the input and output of CliFiles.
#include "CliCommands.h"

#include "CliCArrays.h"
#include "CliFigures.h"
#include "CliFiles.h"
#include "CliGraph.h"
#include "CliOptions.h"
#include "Document.h"
#include "Locale.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <limits>
#include <string>

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

struct TOpened {
  THuffman Huffman;
  TDocument Doc;
  bool FellBack = false;
};

// The window's open road; its refusals become failures with the window's
// message, the file named.
void OpenForViews(const std::string& FileName, bool Extended, bool Lf, TOpened& Opened) {
  TOpenHooks Hooks;
  Hooks.Fallback = [&](const std::string& Message) {
    WriteStderr(WithLineEnds(Message, Lf));
  };
  TOpenResult Result;
  try {
    Result = OpenDocumentFile(FileName, Extended, Opened.Huffman, Opened.Doc,
                              LocaleDecimalSeparator(), Hooks);
  } catch (const EFOpenError& E) {
    throw TFailure{E.Message()};
  }
  switch (Result.Status) {
    case TOpenStatus::Opened:
      break;
    case TOpenStatus::Empty:
      throw TFailure{FileName + ": " + Result.Message};
    case TOpenStatus::NotFound:
      // The window names a folder as missing; here it is called what it is.
      if (struct stat Info {}; ::stat(FileName.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode))
        throw TFailure{FileName + ": is a folder"};
      [[fallthrough]];
    case TOpenStatus::TooLarge:
      throw TFailure{Result.Message};
  }
  Opened.FellBack = Result.FellBack;
}

int RunView(const TOptions& O) {
  const std::string& FileName = O.Operands[0];
  TOpened Opened;
  OpenForViews(FileName, O.Extended, O.Lf, Opened);
  const TDocument& Doc = Opened.Doc;
  std::string Text;
  if (O.Command == "distribution") {
    Text = Doc.Texts.HuffmanText;
  } else if (O.Command == "table") {
    Text = Doc.Texts.TableText;
  } else {
    const std::string DataName = O.Name.value_or(std::string());
    const TViewTexts Texts =
        DataName.empty() ? Doc.Texts
                         : BuildViewTexts(ExtractFileName(Doc.FileName), Doc.Scan.DataCount,
                                          Doc.Frequency, Opened.Huffman, LocaleDecimalSeparator(),
                                          DataName);
    if (O.Lang.value_or("pascal") == "pascal") {
      Text = Texts.ArrayText;
    } else {
      const std::string Source = HuffmanArraySource(Doc.Frequency, 256, DataName);
      if (Doc.Scan.DataCount == 0 || Source.empty())
        throw TFailure{FileName + ": no Huffman code can be built: no datum 0..255 has a "
                                  "frequency above 0"};
      Text = CArraysText(Texts.ArrayText, Source);
    }
  }
  WriteStdout(WithLineEnds(Text, O.Lf));
  return ExitSuccess;
}

int RunStats(const TOptions& O) {
  const std::string& FileName = O.Operands[0];
  TOpened Opened;
  OpenForViews(FileName, O.Extended, true, Opened);
  const TStatsSource Source{FileName,
                            Opened.Doc,
                            Opened.Huffman,
                            O.Extended && !Opened.FellBack,
                            Opened.FellBack,
                            CompressionRatioText(Opened.Huffman, LocaleDecimalSeparator())};
  WriteStdout(O.Json ? StatsJson(Source) : StatsText(Source));
  return ExitSuccess;
}

// The most input each coder command takes.  encode counts at most 2147483647
// bytes (the engine's counting refuses more); the largest input decode can
// accept is a coded form with every header field at its top: a 6-byte head,
// 256 data, 16 length counts of up to 31 bits (62 bytes) and a payload of a
// 30-bit byte count plus one partial byte.  Larger inputs are refused as the
// coder would refuse them, before they fill the memory.
constexpr int64_t MaxEncodeInput = std::numeric_limits<int32_t>::max();
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
    throw TUsageError{Shown + " and " + (Out == "-" ? "standard output" : Out) +
                          " are the same file",
                      O.Command};
  if (Out != "-")
    CheckOutput(Out);
  else if (!O.Force && ::isatty(STDOUT_FILENO))
    throw TFailure{"standard output is a terminal: " + O.Command +
                   " writes binary data there only with --force"};
  const TTooLarge TooLarge = [&](int64_t Size) {
    if (Encode)
      return TFailure{Shown + ": " + std::to_string(Size) +
                      " bytes are more than the coder can count (" +
                      std::to_string(MaxEncodeInput) + " at most)"};
    return TFailure{Shown + ": Data error .  Not Huffman encoded data ."};
  };
  THuffman H;
  ReadInput(In, Encode ? MaxEncodeInput : MaxDecodeInput, TooLarge, H.InStream());
  if (Encode) {
    try {
      H.Encode();
    } catch (const ERangeError& E) {
      throw TFailure{Shown + ": too large to code: the coded and stored forms hold lengths of "
                             "30 bits, and this input needs more (" +
                     E.Message() + ")"};
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
    if (!Topic.empty() && !IsCommand(Topic)) throw TUsageError{"unknown command '" + Topic + "'", ""};
    WriteStdout(CommandHelp(Topic));
    return ExitSuccess;
  }
  if (O.Version) {
    WriteStdout(std::string(VersionText) + "\n");
    return ExitSuccess;
  }
  if (O.Command == "help") {
    if (O.Operands.size() > 1) throw TUsageError{"help takes one command", ""};
    if (!IsCommand(O.Operands[0]))
      throw TUsageError{"unknown command '" + O.Operands[0] + "'", ""};
    WriteStdout(CommandHelp(O.Operands[0]));
    return ExitSuccess;
  }
  if (IsViewCommand(O.Command)) return RunView(O);
  if (O.Command == "stats") return RunStats(O);
  if (O.Command == "graph") return RunGraph(O.Operands[0], O.Extended, O.Graph);
  return RunCoder(O);
}

}  // namespace Cli
