// quorvant-cli graph (see CliGraph.h).
//
// The picture comes from DrawGraphPicture, the function the window records
// its graph with; this file only opens the document as the window does,
// chooses the array, the page and the curve, and writes the encoded bytes.
// A QGuiApplication exists only while this command runs (fonts need one), on
// the offscreen platform unless the environment names another.
#include "CliGraph.h"

#include "CliFiles.h"
#include "CliOptions.h"
#include "Document.h"
#include "GraphPicture.h"
#include "Locale.h"

#include <QFile>
#include <QGuiApplication>

#include <sys/stat.h>

#include <charconv>

namespace Cli {

namespace {

constexpr int MaxSide = 8192;  // bounds the memory of a PNG: 256 MiB at most

// Decimal digits with an optional leading minus that fit an int, else none.
std::optional<int> WholeNumber(const std::string& Text) {
  int Value = 0;
  const char* End = Text.data() + Text.size();
  if (Text.empty() || Text[0] == '+') return std::nullopt;
  const auto [Ptr, Error] = std::from_chars(Text.data(), End, Value);
  if (Error != std::errc() || Ptr != End) return std::nullopt;
  return Value;
}

[[noreturn]] void Usage(const std::string& Message) { throw TUsageError{Message, "graph"}; }

}  // namespace

bool IsGraphOption(const std::string& Name) {
  return Name == "-o" || Name == "--output" || Name == "--order" || Name == "--bar-width" ||
         Name == "--size" || Name == "--first" || Name == "--curve";
}

void ReadGraphOption(const std::string& Name, bool HasValue,
                     const std::function<std::string()>& TakeValue, TGraphOptions& Graph) {
  if (Name == "--curve") {
    if (HasValue) Usage("option --curve takes no value");
    Graph.Curve = true;
    return;
  }
  const std::string Value = TakeValue();
  if (Name == "-o" || Name == "--output") {
    Graph.Output = Value;
  } else if (Name == "--order") {
    if (Value != "data" && Value != "frequency")
      Usage("--order takes data or frequency, not '" + Value + "'");
    Graph.FrequencyOrder = Value == "frequency";
  } else if (Name == "--bar-width") {
    const auto Width = WholeNumber(Value);
    if (!Width || *Width < 1 || *Width > 20)
      Usage("--bar-width takes a width of 1..20 pixels, not '" + Value + "'");
    Graph.BarWidth = *Width;
  } else if (Name == "--size") {
    const size_t X = Value.find_first_of("xX");
    const auto W = X == std::string::npos ? std::nullopt : WholeNumber(Value.substr(0, X));
    const auto H = X == std::string::npos ? std::nullopt : WholeNumber(Value.substr(X + 1));
    if (!W || !H || *W < 1 || *H < 1 || *W > MaxSide || *H > MaxSide)
      Usage("--size takes WIDTHxHEIGHT in pixels, each 1.." + std::to_string(MaxSide) +
            ", not '" + Value + "'");
    Graph.Width = *W;
    Graph.Height = *H;
  } else if (Name == "--first") {
    const auto First = WholeNumber(Value);
    if (!First || *First < 0) Usage("--first takes a position of 0 or more, not '" + Value + "'");
    Graph.First = *First;
  }
}

std::string GraphHelp() {
  return "Usage: quorvant-cli graph FILE -o OUT.png|OUT.svg [--32bit]\n"
         "                             [--order data|frequency] [--bar-width N]\n"
         "                             [--size WxH] [--first N] [--curve]\n"
         "\n"
         "Draws the workbench's frequency graph of FILE, as its window draws it,\n"
         "into OUT: a PNG image or an SVG picture, chosen by OUT's extension.\n"
         "No display is needed.  A graph the window would leave blank (no datum\n"
         "with a frequency, or --first beyond the last position) is written as\n"
         "its background alone, with a note on standard error.\n"
         "\n"
         "Options:\n"
         "  -o, --output OUT    the file to write (.png or .svg); required\n"
         "  --32bit             read FILE as a table of 32-bit frequencies\n"
         "  --order ORDER       data (default): one bar a datum; frequency: the\n"
         "                      frequencies from the largest down\n"
         "  --bar-width N       bar width in pixels, 1..20 (default 10)\n"
         "  --size WxH          picture size in pixels (default 711x230, the\n"
         "                      graph of the window at its design size)\n"
         "  --first N           leftmost position (default 0); the window's arrows\n"
         "                      page by whole label steps (64 at the defaults)\n"
         "  --curve             the normal curve that \"描画\" lays over the bars\n"
         "                      right after the open\n";
}

int RunGraph(const std::string& FileName, bool Extended, const TGraphOptions& Graph) {
  // Everything about OUT is settled before FILE is read.
  if (!Graph.Output) Usage("graph needs -o OUT.png or -o OUT.svg");
  const std::string& Out = *Graph.Output;
  const TGraphFormat Format = GraphFormatOf(QFile::decodeName(QByteArray::fromStdString(Out)));
  if (Out == "-" || Format == TGraphFormat::None)
    Usage("-o takes a file whose name ends in .png or .svg, not '" + Out + "'");
  if (const auto Source = FileIdentity(FileName, -1); Source && Source == FileIdentity(Out, -1))
    Usage(FileName + " and " + Out + " are the same file");
  CheckOutput(Out);

  // The window's open road.
  THuffman Huffman;
  TDocument Doc;
  TOpenHooks Hooks;
  Hooks.Fallback = [](const std::string& Message) { WriteStderr(Message); };
  TOpenResult Result;
  try {
    Result = OpenDocumentFile(FileName, Extended, Huffman, Doc, LocaleDecimalSeparator(), Hooks);
  } catch (const EFOpenError& E) {
    throw TFailure{E.Message()};
  }
  if (Result.Status == TOpenStatus::Empty) throw TFailure{FileName + ": " + Result.Message};
  if (Result.Status == TOpenStatus::NotFound) {
    if (struct stat Info {}; ::stat(FileName.c_str(), &Info) == 0 && S_ISDIR(Info.st_mode))
      throw TFailure{FileName + ": is a folder"};
    throw TFailure{Result.Message};
  }
  if (Result.Status == TOpenStatus::TooLarge) throw TFailure{Result.Message};

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int Argc = 1;
  static char Name[] = "quorvant-cli";
  static char* Argv[] = {Name, nullptr};
  // Qt's own notes (a runtime folder it would like, fonts it substitutes)
  // are no business of this command's standard error; its failures are.
  qInstallMessageHandler([](QtMsgType Type, const QMessageLogContext&, const QString& Message) {
    if (Type == QtCriticalMsg || Type == QtFatalMsg) WriteStderr(Message.toStdString() + "\n");
  });
  QGuiApplication Application(Argc, Argv);

  const bool Sorted = Graph.FrequencyOrder;
  const TTableScan& Scan = Doc.Scan;
  TGraphInput In;
  In.Freq = Sorted ? Doc.Sorted : Doc.Frequency;
  In.Count = Sorted ? Doc.OrderCount : Scan.DataCount;
  In.First = Graph.First;
  In.BarWidth = Graph.BarWidth;
  In.Size = QSize(Graph.Width, Graph.Height);
  In.Maximum = Scan.MaxFrequency;
  TakeApplicationStyle(In);
  std::vector<int32_t> Curve;
  if (Graph.Curve && Scan.DataCount > 0 && Scan.MaxFrequency > 0) {
    const TStatistics& S = Doc.Statistics;
    Curve = OpenedCurve(Doc.Frequency.size(), Sorted ? S.OrderMean : S.DataMean,
                        Sorted ? S.OrderVariance : S.DataVariance, Scan.MaxFrequency);
    In.Curve = Curve;
  }
  if (!GraphDrawable(In)) {
    const std::string Why =
        In.Count <= 0 ? "no datum has a frequency above 0"
                      : "position " + std::to_string(In.First) + " lies beyond the last, " +
                            std::to_string(In.Count - 1);
    WriteStderr(std::string(ProgramName) + ": note: " + FileName + ": " + Why +
                "; the graph is written blank\n");
  }
  QByteArray Bytes;
  try {
    Bytes = GraphFile(In, Format);
  } catch (const Exception& E) {
    throw TFailure{Out + ": " + E.Message()};
  }
  WriteFileWhole(Out, Bytes.constData(), static_cast<size_t>(Bytes.size()));
  return ExitSuccess;
}

}  // namespace Cli
