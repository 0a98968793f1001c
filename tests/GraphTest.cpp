// The graph taken further: hints and clicks over the bars in the window, the
// picture drawn directly against the one the window records, saving it, and
// quorvant-cli graph (path in QUORVANT_CLI) against the window's pixels.
#include "FrameTestSupport.h"

#include <QApplication>
#include <QFile>
#include <QHelpEvent>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QToolTip>

#include <gtest/gtest.h>

namespace {

// Abracadabra: a (97) 5, b (98) 2, r (114) 2, c (99) 1, d (100) 1; its code
// in the shared worked example: a 1 bit "0", b "001 = 1", r "101 = 5".
const QByteArray Abra = "abracadabra";

// A point inside the bar of position Pos when First is leftmost at Width,
// on its lowest row, computed from the graph's fixed layout.
QPoint BarPoint(int Pos, int First, int Width, int H) {
  return QPoint(36 + (Pos - First) * Width + Width / 2, H - 17);
}

QImage Opaque(const QImage& Image) { return Image.convertToFormat(QImage::Format_RGB32); }

// "" when A and B have the same pixels, else where they first differ.
std::string Difference(const QImage& A, const QImage& B) {
  if (A.size() != B.size()) return "sizes differ";
  int Count = 0;
  std::string First;
  for (int Y = 0; Y < A.height(); ++Y)
    for (int X = 0; X < A.width(); ++X)
      if (A.pixel(X, Y) != B.pixel(X, Y) && Count++ == 0)
        First = std::to_string(X) + "," + std::to_string(Y) + ": " +
                QString::number(A.pixel(X, Y), 16).toStdString() + " against " +
                QString::number(B.pixel(X, Y), 16).toStdString();
  return Count ? std::to_string(Count) + " pixels, first at " + First : "";
}

class Graph : public TFrameTest {
protected:
  // Shows the window, opens Name holding Bytes (32-bit mode when Extended),
  // and sets the bar width.
  void Open(const QString& Name, const QByteArray& Bytes, bool Extended = false, int Width = 10) {
    ShowForm();
    if (Extended) Form->TableModeRadio->setChecked(true);
    WriteBytes(PathOf(Name), Bytes);
    Dialogs.OpenAnswers.push_back(PathOf(Name));
    Click(Form->OpenButton);
    TypeText(Form->BarWidthBox, QString::number(Width));
    PressEnter(Form->BarWidthBox);
  }
  int H() const { return Form->GraphView->height(); }
  void ClickImage(const QPoint& At) {
    QMouseEvent Press(QEvent::MouseButtonPress, At, Form->GraphView->mapToGlobal(At),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Form->GraphView, &Press);
  }
  // quorvant-cli with Args in the test's folder: exit code and standard error.
  std::pair<int, QString> Cli(const QStringList& Args) {
    QProcess P;
    P.setWorkingDirectory(Dir());
    P.start(QString::fromLocal8Bit(qgetenv("QUORVANT_CLI")), Args);
    EXPECT_TRUE(P.waitForFinished(60000));
    return {P.exitCode(), QString::fromUtf8(P.readAllStandardError())};
  }
};

TEST_F(Graph, HintsOverTheBars) {
  Open("abra.txt", Abra, false, 5);
  const int h = H();
  struct {
    bool Sorted;
    QPoint At;
    QString Hint;
  } const Cases[] = {
      {false, BarPoint(97, 0, 5, h),
       "Data : 97 = $61  Frequency : 5  BitLength : 1  BitPattern : 0 = 0"},
      {false, BarPoint(114, 0, 5, h),
       "Data : 114 = $72  Frequency : 2  BitLength : 3  BitPattern : 101 = 5"},
      {false, BarPoint(97, 0, 5, h) - QPoint(0, 205),
       "Data : 97 = $61  Frequency : 5  BitLength : 1  BitPattern : 0 = 0"},
      {false, BarPoint(97, 0, 5, h) - QPoint(0, 206), ""},     // above the top
      {false, BarPoint(98, 0, 5, h) - QPoint(0, 82), ""},      // above b's bar
      {false, BarPoint(101, 0, 5, h), ""},                     // no bar
      {false, QPoint(34, h - 17), ""},                         // the axis
      {false, QPoint(BarPoint(97, 0, 5, h).x(), h - 15), ""},  // below the base line
      {true, BarPoint(0, 0, 5, h), "Position : 0  Frequency : 5  Data : 97"},
      {true, BarPoint(2, 0, 5, h), "Position : 2  Frequency : 2  Data : 98, 114"},
      {true, BarPoint(4, 0, 5, h), "Position : 4  Frequency : 1  Data : 99, 100"},
      {true, BarPoint(5, 0, 5, h), ""},
  };
  for (const auto& C : Cases) {
    (C.Sorted ? Form->FrequencyOrderRadio : Form->DataOrderRadio)->setChecked(true);
    EXPECT_EQ(Form->GraphHint(C.At), C.Hint) << C.At.x() << "," << C.At.y();
  }
  // The real hint request shows the standard tooltip.
  QHelpEvent Help(QEvent::ToolTip, BarPoint(2, 0, 5, h),
                  Form->GraphView->mapToGlobal(BarPoint(2, 0, 5, h)));
  QApplication::sendEvent(Form->GraphView, &Help);
  EXPECT_EQ(QToolTip::text(), "Position : 2  Frequency : 2  Data : 98, 114");
}

TEST_F(Graph, HintsWithoutACodeAndWithManyData) {
  // Data 0..9 and 299 each 3: datum 299 has no code; ten data share one
  // frequency.
  std::vector<int32_t> Words(300, 0);
  for (int I = 0; I < 10; ++I) Words[static_cast<size_t>(I)] = 3;
  Words[299] = 3;
  Open("t.frq", WordBytes(Words), true, 2);
  EXPECT_EQ(Form->GraphHint(BarPoint(299, 0, 2, H())), "Data : 299 = $12B  Frequency : 3");
  Form->FrequencyOrderRadio->setChecked(true);
  EXPECT_EQ(Form->GraphHint(BarPoint(10, 0, 2, H())),
            QString::fromUtf8("Position : 10  Frequency : 3  Data : 0, 1, 2, 3, 4, 5, 6, 7, …"));
  Form->DrawCurrentOrder(false, 11);  // beyond the last: blank
  EXPECT_EQ(Form->GraphHint(BarPoint(11, 11, 2, H())), "");
}

TEST_F(Graph, ClickSelectsTheDatum) {
  Open("abra.txt", Abra, false, 5);
  struct {
    bool Sorted;
    int Position;
    int Datum;
    QString Frequency;
  } const Cases[] = {{false, 114, 114, "2"}, {false, 98, 98, "2"}, {true, 1, 98, "2"},
                     {true, 2, 114, "2"},    {true, 3, 99, "1"},   {true, 4, 100, "1"}};
  for (const auto& C : Cases) {
    (C.Sorted ? Form->FrequencyOrderRadio : Form->DataOrderRadio)->setChecked(true);
    ClickImage(BarPoint(C.Position, 0, 5, H()));
    EXPECT_EQ(Form->SelectedData(), C.Datum) << C.Position;
    EXPECT_EQ(Form->DatumSpin->Position(), C.Datum);
    EXPECT_EQ(Form->DatumBox->text(), QString::number(C.Datum));
    EXPECT_EQ(Form->FrequencyBox->text(), C.Frequency);
  }
  ClickImage(BarPoint(101, 0, 5, H()) - QPoint(0, 100));  // empty area: nothing
  EXPECT_EQ(Form->SelectedData(), 100);
}

TEST_F(Graph, DirectDrawingEqualsTheRecordedPicture) {
  Open("abra.txt", Abra, false, 3);
  for (const bool Sorted : {false, true}) {
    (Sorted ? Form->FrequencyOrderRadio : Form->DataOrderRadio)->setChecked(true);
    Click(Form->DrawCurveButton);  // with the curve
    QImage Direct(Form->GraphView->size(), QImage::Format_ARGB32);
    Direct.fill(Qt::transparent);
    QPainter Painter(&Direct);
    DrawGraphPicture(Painter, Form->ShownGraphInput());
    Painter.end();
    EXPECT_EQ(Difference(Direct, Rendered(*Form)), "") << Sorted;
  }
}

TEST_F(Graph, SaveWritesWhatTheGraphShows) {
  Open("abra.txt", Abra, false, 4);
  Click(Form->DrawCurveButton);
  Dialogs.SaveAnswers = {PathOf("g.png"), PathOf("g.svg"), PathOf("g.jpg")};
  for (int I = 0; I < 3; ++I) Form->SaveGraphItem->trigger();
  EXPECT_EQ(Dialogs.SaveDialogPaths.value(0), PathOf("abra.png"));
  EXPECT_EQ(Difference(Opaque(QImage(PathOf("g.png"))), Opaque(Rendered(*Form))), "");
  QFile Svg(PathOf("g.svg"));
  ASSERT_TRUE(Svg.open(QIODevice::ReadOnly));
  EXPECT_TRUE(Svg.readAll().contains("viewBox=\"0 0 711 230\""));
  EXPECT_FALSE(QFile::exists(PathOf("g.jpg")));
  EXPECT_EQ(
      Dialogs.ErrorTexts(),
      QStringList{PathOf("g.jpg") +
                  QString::fromUtf8(" は保存出来ません。拡張子を .png か .svg にしてください。")});
}

TEST_F(Graph, CliPngHasTheWindowsPixels) {
  struct {
    QStringList Options;
    bool Sorted;
    int Width;
    int First;
    bool Curve;
  } const Cases[] = {{{}, false, 10, 0, false},
                     {{"--first", "64"}, false, 10, 64, false},
                     {{"--order", "frequency", "--bar-width", "3", "--curve"}, true, 3, 0, true},
                     {{"--bar-width", "7", "--curve"}, false, 7, 0, true}};
  for (const auto& C : Cases) {
    Open("abra.txt", Abra, false, C.Width);
    (C.Sorted ? Form->FrequencyOrderRadio : Form->DataOrderRadio)->setChecked(true);
    if (C.First) Form->DrawCurrentOrder(false, C.First);
    if (C.Curve) Click(Form->DrawCurveButton);
    QFile::remove(PathOf("c.png"));
    const auto [Exit, Err] = Cli(QStringList{"graph", "abra.txt", "-o", "c.png"} + C.Options);
    EXPECT_EQ(Exit, 0) << Err.toStdString();
    EXPECT_EQ(Difference(Opaque(QImage(PathOf("c.png"))), Opaque(Rendered(*Form))), "")
        << C.Options.join(' ').toStdString();
  }
}

TEST_F(Graph, CliSvgSizeBlankAndUsageErrors) {
  WriteBytes(PathOf("abra.txt"), Abra);
  auto [Exit, Err] = Cli({"graph", "abra.txt", "--size", "300x100", "-o", "s.svg"});
  EXPECT_EQ(Exit, 0);
  QFile Svg(PathOf("s.svg"));
  ASSERT_TRUE(Svg.open(QIODevice::ReadOnly));
  const QByteArray Head = Svg.read(400);
  EXPECT_TRUE(Head.contains("<svg width=\"300px\" height=\"100px\"")) << Head.toStdString();
  EXPECT_TRUE(Head.contains("viewBox=\"0 0 300 100\""));

  // Beyond the last position (114): the background alone, and a note.
  std::tie(Exit, Err) = Cli({"graph", "abra.txt", "--first", "115", "-o", "b.png"});
  EXPECT_EQ(Exit, 0);
  EXPECT_TRUE(Err.contains("blank")) << Err.toStdString();
  const QImage Blank(PathOf("b.png"));
  ASSERT_EQ(Blank.size(), QSize(711, 230));
  EXPECT_EQ(Blank.pixel(0, 0), Blank.pixel(36 + 5, 200));
  EXPECT_EQ(Blank.pixel(0, 0), Blank.pixel(34, 100));  // no axis either

  const QStringList Bad[] = {{"--bar-width", "0", "-o", "u.png"},
                             {"--bar-width", "21", "-o", "u.png"},
                             {"--order", "size", "-o", "u.png"},
                             {"--first", "-1", "-o", "u.png"},
                             {"--size", "0x10", "-o", "u.png"},
                             {"--size", "10", "-o", "u.png"},
                             {"-o", "u.jpg"},
                             {}};
  for (const QStringList& Args : Bad) {
    std::tie(Exit, Err) = Cli(QStringList{"graph", "abra.txt"} + Args);
    EXPECT_EQ(Exit, 2) << Args.join(' ').toStdString();
    EXPECT_FALSE(QFile::exists(PathOf("u.png")) || QFile::exists(PathOf("u.jpg")));
  }
}

}  // namespace
