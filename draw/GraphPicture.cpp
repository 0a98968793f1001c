// The frequency graph's picture (see GraphPicture.h).
#include "GraphPicture.h"

#include "Document.h"
#include "SysUtils.h"

#include <QBuffer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPalette>
#include <QPicture>
#include <QRegularExpression>
#include <QSvgGenerator>

#include <algorithm>

namespace {

constexpr int AxisX = 34;
constexpr int BarsLeft = 36;
constexpr int TopY = 8;

// Labels every 16 positions, every 32 for bars of 5 pixels and less.
int32_t LabelStepFor(int32_t BarWidth) { return BarWidth > 5 ? 16 : 32; }

// (Height * Value) div Maximum with a 64-bit product.
int ScaledHeight(int Height, int64_t Value, int32_t Maximum) {
  return static_cast<int>(static_cast<int64_t>(Height) * Value / Maximum);
}

}  // namespace

// Step between the labelled ticks of the frequency axis: the largest power of
// ten not above Maximum (1 below 10), then 2 for maxima 8..9, a fifth of the
// power when Maximum is below twice it, and twice the power when Maximum is
// above seven times it.  Counted in 64 bits, so maxima up to 2^31-1 cannot
// overflow the search: 10^9 gives 2*10^8, 2147483647 gives 10^9.
int64_t FrequencyTickStep(int32_t Maximum) {
  int64_t Step = 10;
  while (Maximum / Step != 0) Step *= 10;
  Step /= 10;
  if (Step == 1) {
    if (Maximum > 7) Step = 2;
  } else if (Maximum / Step == 1) {
    Step /= 5;
  } else if (Maximum > 7 * Step) {
    Step *= 2;
  }
  return Step;
}

QRect TGraphLayout::BarRect(int32_t Index) const {
  if (!Drawn || Index < First || Index >= First + Shown) return QRect();
  const int Height = Heights[static_cast<size_t>(Index - First)];
  if (Height <= 0) return QRect();
  const int BaseY = Size.height() - 16;
  const int X = BarsLeft + (Index - First) * BarWidth;
  return QRect(QPoint(X, BaseY - Height), QPoint(X + BarWidth - 1, BaseY - 1));
}

QRect TGraphLayout::HitRect(int32_t Index) const {
  QRect Bar = BarRect(Index);
  if (!Bar.isEmpty()) Bar.setTop(std::min(Bar.top(), Bar.bottom() + 1 - MinHitHeight));
  return Bar;
}

int32_t TGraphLayout::PositionAt(const QPoint& At) const {
  if (!Drawn || BarWidth <= 0 || At.x() < BarsLeft) return -1;
  const int32_t Index = First + (At.x() - BarsLeft) / BarWidth;
  return HitRect(Index).contains(At) ? Index : -1;
}

void TakeApplicationStyle(TGraphInput& In) {
  In.Face = QGuiApplication::palette().color(QPalette::Button);
  In.LabelFont = QGuiApplication::font();
  In.LabelFont.setPixelSize(11);
}

bool GraphDrawable(const TGraphInput& In) {
  const int64_t Length = static_cast<int64_t>(In.Freq.size());
  return Length > 0 && In.Count > 0 && In.Count <= Length && In.First >= 0 &&
         In.First <= In.Count - 1 && In.Maximum > 0 && In.BarWidth > 0;
}

namespace {

TGraphLayout PaintGraph(QPainter& Painter, const TGraphInput& In) {
  TGraphLayout Layout;
  Layout.Size = In.Size;
  const int W = In.Size.width();
  const int H = In.Size.height();
  const QColor Face = In.Face;

  // Background, for a blank graph too.
  Painter.setPen(Face);
  Painter.setBrush(Face);
  Painter.drawRect(0, 0, W - 1, H - 1);
  if (!GraphDrawable(In)) return Layout;

  const int32_t BarWidth = In.BarWidth;
  const int32_t First = In.First;
  const int32_t Maximum = In.Maximum;
  Layout.Drawn = true;
  Layout.BarWidth = BarWidth;
  Layout.First = First;
  Layout.BarsFit = std::max(0, (W - BarsLeft) / BarWidth);
  const int32_t Shown = std::min(Layout.BarsFit, In.Count - First);
  Layout.Shown = Shown;

  const QPen Black(Qt::black, 1);
  Painter.setFont(In.LabelFont);
  const QFontMetrics Metrics = Painter.fontMetrics();
  Painter.setBackground(Face);
  Painter.setBackgroundMode(Qt::OpaqueMode);
  // Text with its top-left corner at (X, Y), the background behind it.
  auto Text = [&](int X, int Y, const QString& S) {
    Painter.drawText(QPoint(X, Y + Metrics.ascent()), S);
  };

  // Axes.
  Painter.setPen(Black);
  Painter.setBrush(Qt::NoBrush);
  const int BaseY = H - 16;
  const int Band = H - 24;
  Painter.drawLine(AxisX, TopY, AxisX, H - 14);
  Painter.drawLine(AxisX, H - 14, BarsLeft + BarWidth * Shown, H - 14);

  // Frequency ticks, then the maximum at the top.
  const int64_t Step = FrequencyTickStep(Maximum);
  for (int64_t V = 0; V < Maximum; V += Step) {
    const int Y = BaseY - ScaledHeight(Band, V, Maximum);
    Painter.drawLine(30, Y, AxisX, Y);
    const QString Label = QString::number(V);
    Text(std::max(0, 30 - Metrics.horizontalAdvance(Label)), Y - 5, Label);
  }
  Painter.drawLine(30, TopY, AxisX, TopY);
  const QString Top = QString::number(Maximum);
  Text(std::max(0, 30 - Metrics.horizontalAdvance(Top)), 3, Top);

  // Position labels every LabelStep from the step at or before First, and one
  // for the last position when the view reaches it.
  const int32_t LabelStep = LabelStepFor(BarWidth);
  Layout.PageStep = (Layout.BarsFit / LabelStep) * LabelStep;
  const int32_t Base = (First / LabelStep) * LabelStep;
  const int Mid = BarWidth / 2 + BarsLeft;
  auto PositionLabel = [&](int32_t V) {
    const int X = (V - Base) * BarWidth + Mid;
    Painter.drawLine(X, H - 14, X, H - 11);
    const QString Label = QString::number(V);
    Text(X - Metrics.horizontalAdvance(Label) / 2, H - 11, Label);
  };
  for (int32_t V = Base; V < First + Shown; V += LabelStep) PositionLabel(V);
  if (First + Shown == In.Count) PositionLabel(In.Count - 1);

  // Bars: blue, outlined in white when wider than 3 pixels.
  Painter.setBackgroundMode(Qt::TransparentMode);
  const QColor Blue(0, 0, 255);
  const QColor White(255, 255, 255);
  Layout.Heights.reserve(static_cast<size_t>(std::max(0, Shown)));
  for (int32_t I = First; I < First + Shown; ++I) {
    Layout.Heights.push_back(ScaledHeight(Band, In.Freq[static_cast<size_t>(I)], Maximum));
    const QRect Bar = Layout.BarRect(I);
    if (Bar.isEmpty()) {
      // nothing stands on the base line
    } else if (BarWidth > 3) {
      Painter.setPen(White);
      Painter.setBrush(Blue);
      Painter.drawRect(Bar.adjusted(0, 0, -1, -1));
    } else {
      Painter.fillRect(Bar, Blue);
    }
  }

  // The curve, scaled by the bars' maximum.
  if (!In.Curve.empty()) {
    Painter.setPen(QPen(QColor(255, 0, 0), 2));
    Painter.setBrush(Qt::NoBrush);
    auto CurveY = [&](int32_t I) {
      const int64_t V =
          static_cast<size_t>(I) < In.Curve.size() ? In.Curve[static_cast<size_t>(I)] : 0;
      return BaseY - ScaledHeight(Band, V, Maximum);
    };
    int CX = Mid;
    QPoint Previous(CX, CurveY(First));
    for (int32_t I = First + 1; I < First + Shown; ++I) {
      CX += BarWidth;
      const QPoint Next(CX, CurveY(I));
      Painter.drawLine(Previous, Next);
      Previous = Next;
    }
  }
  return Layout;
}

}  // namespace

// Painted through a recording and its replay on every device: a replayed
// picture places some pixels of the curve's 2-pixel lines one off from
// direct painting, and a replay of a replay changes nothing, so the window
// (which shows a recorded picture), the files and the CLI agree pixel for
// pixel this way.
TGraphLayout DrawGraphPicture(QPainter& Painter, const TGraphInput& In) {
  QPicture Recording;
  Recording.setBoundingRect(QRect(QPoint(0, 0), In.Size));
  TGraphLayout Layout;
  {
    QPainter Recorder(&Recording);
    Layout = PaintGraph(Recorder, In);
  }
  Painter.drawPicture(0, 0, Recording);
  return Layout;
}

namespace {

void CheckSize(const QSize& Size) {
  if (Size.isEmpty())
    throw Exception("the graph is " + std::to_string(Size.width()) + " x " +
                    std::to_string(Size.height()) + " pixels: there is no picture to save");
}

}  // namespace

QByteArray GraphPng(const TGraphInput& In) {
  CheckSize(In.Size);
  QImage Image(In.Size, QImage::Format_ARGB32);
  if (Image.isNull()) throw Exception("out of memory for a picture of that size");
  {
    QPainter Painter(&Image);
    DrawGraphPicture(Painter, In);
  }
  QByteArray Bytes;
  QBuffer Buffer(&Bytes);
  Buffer.open(QIODevice::WriteOnly);
  if (!Image.save(&Buffer, "PNG")) throw Exception("the picture could not be encoded as PNG");
  return Bytes;
}

QByteArray GraphSvg(const TGraphInput& In) {
  CheckSize(In.Size);
  QByteArray Bytes;
  QBuffer Buffer(&Bytes);
  Buffer.open(QIODevice::WriteOnly);
  {
    QSvgGenerator Svg;
    Svg.setOutputDevice(&Buffer);
    Svg.setSize(In.Size);
    Svg.setViewBox(QRect(QPoint(0, 0), In.Size));
    Svg.setResolution(96);
    QPainter Painter;
    if (!Painter.begin(&Svg)) throw Exception("the picture could not be encoded as SVG");
    DrawGraphPicture(Painter, In);
    Painter.end();
  }
  // The generator gives the size in millimetres; viewers are to show the
  // picture at the graph's size in pixels.
  static const QRegularExpression Size(QStringLiteral(R"(<svg\s+width="[^"]*"\s+height="[^"]*")"));
  QString Text = QString::fromUtf8(Bytes);
  const QRegularExpressionMatch Match = Size.match(Text);
  if (!Match.hasMatch()) throw Exception("the picture could not be encoded as SVG");
  Text.replace(Match.capturedStart(), Match.capturedLength(),
               QStringLiteral("<svg width=\"%1px\" height=\"%2px\"")
                   .arg(In.Size.width())
                   .arg(In.Size.height()));
  return Text.toUtf8();
}

TGraphFormat GraphFormatOf(const QString& FileName) {
  const QString Suffix = QFileInfo(FileName).suffix().toLower();
  if (Suffix == QLatin1String("png")) return TGraphFormat::Png;
  if (Suffix == QLatin1String("svg")) return TGraphFormat::Svg;
  return TGraphFormat::None;
}

QByteArray GraphFile(const TGraphInput& In, TGraphFormat Format) {
  return Format == TGraphFormat::Svg ? GraphSvg(In) : GraphPng(In);
}

std::vector<int32_t> OpenedCurve(size_t Length, int32_t Mean, int32_t Variance, int32_t Maximum) {
  // A spin box keeps the low 16 bits of what it is given, then its range.
  const auto Spin = [](int32_t Value, int32_t Low, int32_t High) {
    return std::clamp<int32_t>(static_cast<int16_t>(static_cast<uint32_t>(Value) & 0xFFFFu), Low,
                               High);
  };
  return ComputeNormalCurve(Length, Spin(Mean, -255, 255), Spin(Variance, 0, 32767), Maximum);
}
