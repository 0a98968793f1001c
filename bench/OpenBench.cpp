// Opening a file in the window, offscreen, from the click on "開く" to the
// drawn graph, views and detail line; and the plain read it is measured
// against.  Each mode runs in its own process so that its peak memory is its
// own.  bench/open.sh runs them and prints the figures.
//
//   OpenBench make  FILE BYTES   writes BYTES of text-like bytes to FILE
//   OpenBench read  FILE         reads FILE into a memory stream (one sized read)
//   OpenBench open  FILE         opens FILE in 8-bit mode in the window
//   OpenBench table              opens a 32-bit table of 10240 words
//
// Every mode prints "seconds=<wall s> cpu=<processor s> peak_mib=<MiB>"
// (table: the best of its 20 runs and their median, wall time only).
#include "Dialogs.h"
#include "Frame.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

using TClock = std::chrono::steady_clock;

double Seconds(TClock::time_point Start) {
  return std::chrono::duration<double>(TClock::now() - Start).count();
}

// Processor time of this process so far (user + system), in seconds: the
// figure that stays meaningful when other work shares the processors.
double CpuSeconds() {
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  return static_cast<double>(Usage.ru_utime.tv_sec + Usage.ru_stime.tv_sec) +
         static_cast<double>(Usage.ru_utime.tv_usec + Usage.ru_stime.tv_usec) / 1e6;
}

double PeakMiB() {
  rusage Usage{};
  getrusage(RUSAGE_SELF, &Usage);
  return static_cast<double>(Usage.ru_maxrss) / 1024.0;  // ru_maxrss is in KiB
}

// Answers the open dialog with one path; every message is printed, since
// the bench expects none.
class TBenchDialogs : public TDialogs {
public:
  QString Path;
  int Messages = 0;
  void Message(QWidget*, const QString&, const QString& Text, TKind) override {
    ++Messages;
    std::fprintf(stderr, "message: %s\n", Text.toUtf8().constData());
  }
  QString OpenFileName(QWidget*, const QString&) override { return Path; }
};

int Make(const char* Path, long long Bytes) {
  // English-like letter frequencies (space and e first), one 1 MiB block
  // from a fixed generator, written as often as needed.
  static const char Weighted[] =
      "      eeeeeeeeeeeettttttttaaaaaaaooooooiiiiiinnnnnnssssssrrrrrhhhhhlllldddcccuuumm"
      "wwffggyyppbbvk.,\n'\"-TAISE0123";
  std::vector<char> Block(1 << 20);
  uint32_t State = 20261208;
  for (char& C : Block) {
    State = State * 1664525u + 1013904223u;
    C = Weighted[(State >> 8) % (sizeof Weighted - 1)];
  }
  FILE* Out = std::fopen(Path, "wb");
  if (!Out) return std::perror(Path), 1;
  for (long long Left = Bytes; Left > 0;) {
    const size_t Now =
        static_cast<size_t>(std::min<long long>(Left, static_cast<long long>(Block.size())));
    if (std::fwrite(Block.data(), 1, Now, Out) != Now) return std::perror(Path), 1;
    Left -= static_cast<long long>(Now);
  }
  return std::fclose(Out) == 0 ? 0 : 1;
}

// The whole file into memory the way the program itself reads it (one sized
// read into a memory stream), and nothing else.
int Read(const char* Path) {
  const double Cpu = CpuSeconds();
  const auto Start = TClock::now();
  TMemoryStream Stream;
  Stream.LoadFromFile(Path);
  // Touch the result so the read cannot be optimised away.
  const auto* Bytes = static_cast<const unsigned char*>(Stream.Memory());
  unsigned Sum = 0;
  for (int64_t I = 0; I < Stream.Size(); I += 4096) Sum += Bytes[I];
  const double Time = Seconds(Start);
  std::printf("seconds=%.3f cpu=%.3f peak_mib=%.1f bytes=%lld check=%u\n", Time, CpuSeconds() - Cpu,
              PeakMiB(), static_cast<long long>(Stream.Size()), Sum & 1);
  return 0;
}

// A window of its own in a temporary executable folder.
struct TBenchWindow {
  QTemporaryDir Dir;
  TBenchDialogs Dialogs;
  std::unique_ptr<TFrameForm> Form;

  TBenchWindow() {
    // Nothing of the user's session is touched: runtime, config and data
    // folders lie in the temporary folder.
    for (const char* Variable : {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_DATA_HOME"}) {
      const QString Sub = Dir.path() + QLatin1Char('/') + QString::fromLatin1(Variable);
      QDir().mkpath(Sub);
      QFile::setPermissions(
          Sub, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
      qputenv(Variable, QFile::encodeName(Sub));
    }
    QFile Readme(Dir.path() + QStringLiteral("/ReadmeQ.txt"));
    if (Readme.open(QIODevice::WriteOnly)) Readme.write("bench\r\n");
    Readme.close();
    TDialogs::Install(&Dialogs);
    Form = std::make_unique<TFrameForm>(Dir.path() + QStringLiteral("/Quorvant"));
    Form->show();
    QApplication::processEvents();
  }
  ~TBenchWindow() {
    Form.reset();
    TDialogs::Install(nullptr);
  }

  // From the click to the painted window.
  double TimeOpen(const QString& Path) {
    Dialogs.Path = Path;
    const double Cpu = CpuSeconds();
    const auto Start = TClock::now();
    Form->OpenButton->click();
    Form->repaint();
    QApplication::processEvents();
    const double Time = Seconds(Start);
    LastCpu = CpuSeconds() - Cpu;
    return Time;
  }
  double LastCpu = 0;
};

int Open(const char* Path) {
  TBenchWindow Window;
  const double Time = Window.TimeOpen(QString::fromLocal8Bit(Path));
  if (Window.Form->DataCount() == 0 || Window.Dialogs.Messages != 0) {
    std::fprintf(stderr, "the file was not opened\n");
    return 1;
  }
  std::printf("seconds=%.3f cpu=%.3f peak_mib=%.1f leaves=%d\n", Time, Window.LastCpu, PeakMiB(),
              Window.Form->Huffman()->Count());
  return 0;
}

int Table() {
  TBenchWindow Window;
  const QString Path = Window.Dir.path() + QStringLiteral("/table.frq");
  {
    QFile File(Path);
    if (!File.open(QIODevice::WriteOnly)) return 1;
    for (int32_t K = 0; K < MaxTableEntries; ++K) {
      const int32_t Word = 1 + (K * 7919) % 100000;  // little-endian below
      const char Bytes[4] = {static_cast<char>(Word & 0xFF), static_cast<char>((Word >> 8) & 0xFF),
                             static_cast<char>((Word >> 16) & 0xFF), static_cast<char>(Word >> 24)};
      File.write(Bytes, 4);
    }
  }
  Window.Form->TableModeRadio->setChecked(true);
  std::vector<double> Times;
  for (int Run = 0; Run < 20; ++Run) Times.push_back(Window.TimeOpen(Path));
  std::sort(Times.begin(), Times.end());
  if (Window.Form->DataCount() != MaxTableEntries || Window.Dialogs.Messages != 0) {
    std::fprintf(stderr, "the table was not opened in 32-bit mode\n");
    return 1;
  }
  std::printf("seconds=%.4f median=%.4f peak_mib=%.1f words=%zu\n", Times.front(),
              (Times[9] + Times[10]) / 2, PeakMiB(), Window.Form->Frequency().size());
  return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string Mode = argc > 1 ? argv[1] : "";
  if (Mode == "make" && argc == 4) return Make(argv[2], std::atoll(argv[3]));
  if (Mode == "read" && argc == 3) return Read(argv[2]);
  if (Mode == "open" || Mode == "table") {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int QtArgc = 1;
    QApplication Application(QtArgc, argv);
    if (Mode == "open" && argc == 3) return Open(argv[2]);
    if (Mode == "table") return Table();
  }
  std::fprintf(stderr, "usage: OpenBench make FILE BYTES | read FILE | open FILE | table\n");
  return 2;
}
