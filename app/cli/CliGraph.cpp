// quorvant-cli graph (see CliGraph.h).
//
// The picture comes from DrawGraphPicture, the function the window records
// its graph with; this file only chooses the array, the page and the curve,
// and writes the encoded bytes.  The document comes from the loader the views
// use (CliCommands.cpp): one file or a corpus; --max-bits changes its code,
// never its bars.
// A QGuiApplication exists only while this command runs (fonts need one), on
// the offscreen platform unless the environment names another.
#include "CliGraph.h"

#include "CliFiles.h"
#include "CliOptions.h"
#include "Document.h"
#include "GraphPicture.h"

#include <QFile>
#include <QGuiApplication>

#include <limits>

namespace Cli {

namespace {

constexpr int MaxSide = 8192;  // bounds the memory of a PNG: 256 MiB at most

TGraphFormat FormatOf(const std::string& Out) {
  return GraphFormatOf(QFile::decodeName(QByteArray::fromStdString(Out)));
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
    if (BeyondWholeNumber(Value)) Usage(TooLargeValue(Name, Value, "20"));
    const auto Width = WholeNumber(Value);
    if (!Width || *Width < 1 || *Width > 20)
      Usage("--bar-width takes a width of 1..20 pixels, not '" + Value + "'");
    Graph.BarWidth = *Width;
  } else if (Name == "--size") {
    const size_t X = Value.find_first_of("xX");
    const auto W = X == std::string::npos ? std::nullopt : WholeNumber(Value.substr(0, X));
    const auto H = X == std::string::npos ? std::nullopt : WholeNumber(Value.substr(X + 1));
    if (X != std::string::npos &&
        (BeyondWholeNumber(Value.substr(0, X)) || BeyondWholeNumber(Value.substr(X + 1))))
      Usage(TooLargeValue(Name, Value, std::to_string(MaxSide) + "x" + std::to_string(MaxSide)));
    if (!W || !H || *W < 1 || *H < 1 || *W > MaxSide || *H > MaxSide)
      Usage("--size takes WIDTHxHEIGHT in pixels, each 1.." + std::to_string(MaxSide) + ", not '" +
            Value + "'");
    Graph.Width = *W;
    Graph.Height = *H;
  } else if (Name == "--first") {
    if (BeyondWholeNumber(Value))
      Usage(TooLargeValue(Name, Value, std::to_string(std::numeric_limits<int32_t>::max())));
    const auto First = WholeNumber(Value);
    if (!First || *First < 0) Usage("--first takes a position of 0 or more, not '" + Value + "'");
    Graph.First = *First;
  }
}

std::string GraphHelp() {
  return "Usage: quorvant-cli graph FILE... -o OUT.png|OUT.svg [--32bit]\n"
         "                             [--order data|frequency] [--bar-width N]\n"
         "                             [--size WxH] [--first N] [--curve]\n"
         "                             [-r] [--max-bits N]\n"
         "\n"
         "Draws the workbench's frequency graph of FILE, as its window draws it,\n"
         "into OUT: a PNG image or an SVG picture, chosen by OUT's extension.\n"
         "No display is needed.  A graph the window would leave blank (no datum\n"
         "with a frequency, or --first beyond the last position) is written as\n"
         "its background alone, with a note on standard error.\n"
         "\n"
         "Several FILEs are one corpus, drawn as the graph of the files joined\n"
         "(with --32bit the tables summed word by word).  --max-bits is checked\n"
         "as the other commands check it; the bars are the table's either way.\n"
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

void CheckGraphOutput(const TGraphOptions& Graph, const std::vector<std::string>& Files) {
  if (!Graph.Output) Usage("graph needs -o OUT.png or -o OUT.svg");
  const std::string& Out = *Graph.Output;
  if (Out == "-" || FormatOf(Out) == TGraphFormat::None)
    Usage("-o takes a file whose name ends in .png or .svg, not '" + Out + "'");
  const auto Target = FileIdentity(Out, -1);
  for (const std::string& File : Files)
    if (const auto Source = FileIdentity(File, -1); Source && Source == Target)
      Usage(File + " and " + Out + " are the same file");
  CheckOutput(Out);
}

int WriteGraph(const TDocument& Doc, const std::string& Label, const TGraphOptions& Graph) {
  const std::string& Out = *Graph.Output;
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
    const std::string Why = In.Count <= 0
                                ? "no datum has a frequency above 0"
                                : "position " + std::to_string(In.First) +
                                      " lies beyond the last, " + std::to_string(In.Count - 1);
    WriteStderr(std::string(ProgramName) + ": note: " + Label + ": " + Why +
                "; the graph is written blank\n");
  }
  QByteArray Bytes;
  try {
    Bytes = GraphFile(In, FormatOf(Out));
  } catch (const Exception& E) {
    throw TFailure{Out + ": " + E.Message()};
  }
  WriteFileWhole(Out, Bytes.constData(), static_cast<size_t>(Bytes.size()));
  return ExitSuccess;
}

}  // namespace Cli
