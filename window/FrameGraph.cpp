// The frequency graph: a vector picture as large as GraphView, redrawn whole by
// every DrawGraph; bar width, paging and resize; the hints and clicks over
// the bars; saving what the graph shows.
//
// The picture itself is drawn by DrawGraphPicture (unit GraphPicture), which
// quorvant-cli and the saved files share; the window records it into
// FMetafile and keeps its layout, so that pointing uses the bars painted.
#include "Frame.h"

#include "AtomicFile.h"
#include "SysUtils.h"

#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QPushButton>
#include <QToolTip>

#include <algorithm>

namespace {

// The hint of frequency order lists at most this many data, then "…".
constexpr int HintDataLimit = 8;
constexpr int32_t LastData = MaxTableEntries - 1;

constexpr const char* SNoGraphFormat =
    QT_TRANSLATE_NOOP("TFrameForm", " は保存出来ません。拡張子を .png か .svg にしてください。");

// The data of Freq whose frequency is Frequency, ascending; at most Limit
// (then Truncated is set).
std::vector<int32_t> DataOfFrequency(std::span<const int32_t> Freq, int32_t Frequency, size_t Limit,
                                     bool& Truncated) {
  std::vector<int32_t> Data;
  Truncated = false;
  for (size_t I = 0; I < Freq.size(); ++I) {
    if (Freq[I] != Frequency) continue;
    if (Data.size() == Limit) {
      Truncated = true;
      break;
    }
    Data.push_back(static_cast<int32_t>(I));
  }
  return Data;
}

}  // namespace

void TFrameForm::ComputeNormalCurve() {
  const int32_t Height = PeakBox->IntegerOr(FMaxFrequency);
  FNormalCurve = ::ComputeNormalCurve(FFrequency.size(), MeanSpin->Position(),
                                      VarianceSpin->Position(), Height);
}

int32_t TFrameForm::ReadPeakHeight() {
  int32_t Value = 0;
  if (!TryStrToInt(PeakBox->text().toStdString(), Value)) {
    Value = FMaxFrequency;
    PeakBox->setText(QString::number(Value));
  }
  return Value;
}

void TFrameForm::DrawGraph(const std::vector<int32_t>& Freq, bool ShowCurve, int32_t First,
                           int32_t Count) {
  TGraphInput In;
  In.Freq = Freq;
  In.Count = Count;
  In.First = First;
  In.Size = GraphView->size();
  In.Maximum = FMaxFrequency;
  TakeApplicationStyle(In);
  FGraphSorted = &Freq == &FSortedFrequency;
  FGraphCurve = false;

  // 1. A request outside the data blanks the graph.
  if (!FMetafile || !GraphDrawable(In)) {
    In.Count = 0;
    FGraphInput = In;
    FGraphLayout = TGraphLayout();
    GraphView->SetPicture(nullptr);
    for (QPushButton* B : {DrawCurveButton, ClearCurveButton, FitButton, ArrangeButton})
      B->setEnabled(false);
    return;
  }

  // 2. The bar width.
  FBarWidth = BarWidthSpin->Position();
  In.BarWidth = FBarWidth;

  // 3. The peak-height box holds an integer; up to 32767 it is bound to its
  //    spin box, above that it keeps the typed number alone.
  const int32_t Peak = ReadPeakHeight();
  if (Peak < 32768) {
    PeakSpin->SetAssociate(PeakBox);
    PeakSpin->SetPosition(Peak);
  } else {
    PeakSpin->SetAssociate(nullptr);
  }

  // 4. The picture, the curve over it when asked for and a code exists.
  FGraphCurve = ShowCurve && FDataCount > 0;
  if (FGraphCurve) {
    ComputeNormalCurve();
    In.Curve = FNormalCurve;
  }
  *FMetafile = QPicture();
  FMetafile->setBoundingRect(QRect(QPoint(0, 0), In.Size));
  {
    QPainter Painter(FMetafile.get());
    FGraphLayout = DrawGraphPicture(Painter, In);
  }
  FGraphInput = In;
  FBarsFit = FGraphLayout.BarsFit;
  FPageStep = FGraphLayout.PageStep;
  DrawCurveButton->setEnabled(true);
  if (FGraphCurve) {
    ClearCurveButton->setEnabled(true);
    FitButton->setEnabled(true);
    ArrangeButton->setEnabled(true);
  }

  // 5-6. Show it; the arrows follow the view.
  GraphView->SetPicture(FMetafile.get());
  FFirstShown = First;
  PreviousPageButton->setEnabled(First != 0);
  NextPageButton->setEnabled(FFirstShown + FBarsFit - 1 < Count - 1);
}

void TFrameForm::DrawCurrentOrder(bool ShowCurve, int32_t First) {
  if (DataOrderRadio->isChecked())
    DrawGraph(FFrequency, ShowCurve, First, FDataCount);
  else
    DrawGraph(FSortedFrequency, ShowCurve, First, FOrderCount);
}

void TFrameForm::BarWidthEntered() {
  const int32_t Width = BarWidthBox->IntegerOr(-1);
  if (Width >= 1 && Width <= 20) {
    BarWidthSpin->SetPosition(Width);
    BarWidthBox->setText(QString::number(Width));
    FBarWidth = Width;
    DrawCurrentOrder(false, 0);
    return;
  }
  ShowMessage(BarWidthBox->text() + tr(SCannotSpecify));
  BarWidthSpin->SetPosition(FBarWidth);
  BarWidthBox->setText(QString::number(FBarWidth));
}

void TFrameForm::BarWidthStepped() {
  FBarWidth = BarWidthSpin->Position();
  DrawCurrentOrder(false, 0);
}

void TFrameForm::PreviousPageClicked() {
  DrawCurrentOrder(false, std::max(0, FFirstShown - FPageStep));
}

void TFrameForm::NextPageClicked() { DrawCurrentOrder(false, FFirstShown + FPageStep); }

void TFrameForm::FormResize() {
  if (!FDocument.FileName.empty() && FDataCount != 0) DrawCurrentOrder(false, 0);
}

TGraphInput TFrameForm::ShownGraphInput() const {
  TGraphInput In = FGraphInput;
  if (!In.Size.isValid()) {
    // No draw yet: the empty graph area as it is.
    In.Size = GraphView->size();
    TakeApplicationStyle(In);
  }
  In.Freq = FGraphSorted ? FSortedFrequency : FFrequency;
  In.Curve = FGraphCurve ? std::span<const int32_t>(FNormalCurve) : std::span<const int32_t>();
  return In;
}

QString TFrameForm::GraphHint(const QPoint& At) const {
  const int32_t Position = FGraphLayout.PositionAt(At);
  const TGraphInput In = ShownGraphInput();
  if (Position < 0 || static_cast<size_t>(Position) >= In.Freq.size()) return QString();
  const int32_t Frequency = In.Freq[static_cast<size_t>(Position)];
  if (!FGraphSorted) {
    QString Hint = QStringLiteral("Data : %1 = $%2  Frequency : %3")
                       .arg(Position)
                       .arg(QString::fromStdString(IntToHex(static_cast<uint32_t>(Position), 2)))
                       .arg(Frequency);
    THuffmanNode Node{};
    if (FindLeaf(Position, Node))
      Hint += QStringLiteral("  BitLength : %1  BitPattern : %2")
                  .arg(Node.BitLength)
                  .arg(PatternText(Node));
    return Hint;
  }
  bool Truncated = false;
  QStringList Data;
  for (const int32_t D : DataOfFrequency(FFrequency, Frequency, HintDataLimit, Truncated))
    Data << QString::number(D);
  if (Truncated) Data << QStringLiteral("…");
  return QStringLiteral("Position : %1  Frequency : %2  Data : %3")
      .arg(Position)
      .arg(Frequency)
      .arg(Data.join(QStringLiteral(", ")));
}

int32_t TFrameForm::GraphDatumAt(const QPoint& At) const {
  const int32_t Position = FGraphLayout.PositionAt(At);
  const TGraphInput In = ShownGraphInput();
  if (Position < 0 || static_cast<size_t>(Position) >= In.Freq.size()) return -1;
  if (!FGraphSorted) return Position;
  // Rank Position holds Frequency; the ranks before it with the same
  // frequency are the data of that frequency below the one wanted.
  const int32_t Frequency = In.Freq[static_cast<size_t>(Position)];
  const auto Above =
      std::count_if(FFrequency.begin(), FFrequency.end(), [&](int32_t F) { return F > Frequency; });
  bool Truncated = false;
  const std::vector<int32_t> Data =
      DataOfFrequency(FFrequency, Frequency, static_cast<size_t>(Position - Above) + 1, Truncated);
  return Position >= Above && static_cast<size_t>(Position - Above) < Data.size()
             ? Data[static_cast<size_t>(Position - Above)]
             : -1;
}

void TFrameForm::GraphHintRequested(const QPoint& At, const QPoint& GlobalAt) {
  const QPoint Point = GraphView->PictureAt(At);
  const QString Hint = GraphHint(Point);
  if (Hint.isEmpty()) {
    QToolTip::hideText();
    return;
  }
  const QRect Bar = FGraphLayout.HitRect(FGraphLayout.PositionAt(Point));
  QToolTip::showText(GlobalAt, Hint, GraphView, GraphView->WidgetArea(Bar));
}

// A click selects the datum as typing it into DatumBox and Enter does.
void TFrameForm::GraphPressed(const QPoint& At) {
  const int32_t Data = GraphDatumAt(GraphView->PictureAt(At));
  if (Data < 0 || Data > LastData) return;
  DatumSpin->SetPosition(Data);
  ShowDatum();
}

// "グラフを保存": what the graph shows now, as PNG or SVG by the name's
// extension, replacing the file atomically.
void TFrameForm::SaveGraphChosen() {
  const QString Base = FDocument.FileName.empty() ? QStringLiteral("graph")
                                                  : QFileInfo(FileName()).completeBaseName();
  const QString Dir = FDocument.FileName.empty() ? FDataDir : QFileInfo(FileName()).absolutePath();
  const QString Name =
      TDialogs::Current().SaveFileName(this, Dir + QLatin1Char('/') + Base + QStringLiteral(".png"),
                                       QStringLiteral("PNG (*.png);;SVG (*.svg)"));
  if (Name.isEmpty()) return;
  const TGraphFormat Format = GraphFormatOf(Name);
  if (Format == TGraphFormat::None) throw Exception((Name + tr(SNoGraphFormat)).toStdString());
  const QByteArray Bytes = GraphFile(ShownGraphInput(), Format);
  TAtomicFile File(QFile::encodeName(Name).toStdString());
  File.Write(Bytes.constData(), static_cast<size_t>(Bytes.size()));
  File.Commit();
}
