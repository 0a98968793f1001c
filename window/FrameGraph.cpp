// The frequency graph: a vector picture as large as Image1, redrawn whole by
// every DrawGraph; bar width, paging and resize.
//
// Picture coordinates (W x H = Image1's size, y downward): the vertical axis
// at x 34 from y 8 (the maximum) to H-14 (the horizontal axis); bars stand on
// y H-16 from x 36, a frequency f (H-24)*f/max pixels high.  The three
// scalings multiply in 64 bits before dividing.
#include "Frame.h"

#include <QApplication>
#include <QPainter>
#include <QPalette>
#include <QPushButton>

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

int32_t TFrameForm::ReadPeakHeight() {
  int32_t Value = 0;
  if (!TryStrToInt(Edit13->text().toStdString(), Value)) {
    Value = FMaxFrequency;
    Edit13->setText(QString::number(Value));
  }
  return Value;
}

void TFrameForm::DrawGraph(const std::vector<int32_t>& Freq, bool ShowCurve, int32_t First,
                           int32_t Count) {
  // 1. A request outside the data blanks the graph.
  const int64_t Length = static_cast<int64_t>(Freq.size());
  if (!FMetafile || Length == 0 || Count <= 0 || Count > Length || First < 0 || First > Count - 1 ||
      FMaxFrequency <= 0) {
    Image1->SetPicture(nullptr);
    for (QPushButton* B : {Button9, Button10, Button11, Button12}) B->setEnabled(false);
    return;
  }

  // 2. Bars that fit and how many are shown.
  const int W = Image1->width();
  const int H = Image1->height();
  FBarWidth = UpDown1->Position();
  FBarsFit = std::max(0, (W - BarsLeft) / FBarWidth);
  const int32_t Shown = std::min(FBarsFit, Count - First);

  // 3. The peak-height box holds an integer; up to 32767 it is bound to its
  //    spin box, above that it keeps the typed number alone.
  const int32_t Peak = ReadPeakHeight();
  if (Peak < 32768) {
    UpDown6->SetAssociate(Edit13);
    UpDown6->SetPosition(Peak);
  } else {
    UpDown6->SetAssociate(nullptr);
  }

  // 4. The picture.
  *FMetafile = QPicture();
  FMetafile->setBoundingRect(QRect(0, 0, W, H));
  {
    QPainter Painter(FMetafile.get());
    const QColor Face = QApplication::palette().color(QPalette::Button);
    const QPen Black(Qt::black, 1);
    // A small plain face, so that the labels of large maxima crowd the axis
    // as little as they can.
    QFont LabelFont = QApplication::font();
    LabelFont.setPixelSize(11);
    Painter.setFont(LabelFont);
    const QFontMetrics Metrics = Painter.fontMetrics();
    Painter.setBackground(Face);
    Painter.setBackgroundMode(Qt::OpaqueMode);
    // Text with its top-left corner at (X, Y), the background behind it.
    auto Text = [&](int X, int Y, const QString& S) {
      Painter.drawText(QPoint(X, Y + Metrics.ascent()), S);
    };

    // 4.1 Background.
    Painter.setPen(Face);
    Painter.setBrush(Face);
    Painter.drawRect(0, 0, W - 1, H - 1);

    // 4.2 Axes.
    Painter.setPen(Black);
    Painter.setBrush(Qt::NoBrush);
    const int BaseY = H - 16;
    const int Band = H - 24;
    Painter.drawLine(AxisX, TopY, AxisX, H - 14);
    Painter.drawLine(AxisX, H - 14, BarsLeft + FBarWidth * Shown, H - 14);

    // 4.3-4.5 Frequency ticks, then the maximum at the top.
    const int64_t Step = FrequencyTickStep(FMaxFrequency);
    for (int64_t V = 0; V < FMaxFrequency; V += Step) {
      const int Y = BaseY - ScaledHeight(Band, V, FMaxFrequency);
      Painter.drawLine(30, Y, AxisX, Y);
      const QString Label = QString::number(V);
      Text(std::max(0, 30 - Metrics.horizontalAdvance(Label)), Y - 5, Label);
    }
    Painter.drawLine(30, TopY, AxisX, TopY);
    const QString Top = QString::number(FMaxFrequency);
    Text(std::max(0, 30 - Metrics.horizontalAdvance(Top)), 3, Top);

    // 4.6-4.7 Position labels every LabelStep from the step at or before
    // First, and one for the last position when the view reaches it.
    const int32_t LabelStep = LabelStepFor(FBarWidth);
    FPageStep = (FBarsFit / LabelStep) * LabelStep;
    const int32_t Base = (First / LabelStep) * LabelStep;
    const int Mid = FBarWidth / 2 + BarsLeft;
    auto PositionLabel = [&](int32_t V) {
      const int X = (V - Base) * FBarWidth + Mid;
      Painter.drawLine(X, H - 14, X, H - 11);
      const QString Label = QString::number(V);
      Text(X - Metrics.horizontalAdvance(Label) / 2, H - 11, Label);
    };
    for (int32_t V = Base; V < First + Shown; V += LabelStep) PositionLabel(V);
    if (First + Shown == Count) PositionLabel(Count - 1);

    // 4.8 Bars: blue, outlined in white when wider than 3 pixels.
    Painter.setBackgroundMode(Qt::TransparentMode);
    const QColor Blue(0, 0, 255);
    const QColor White(255, 255, 255);
    int X = BarsLeft;
    for (int32_t I = First; I < First + Shown; ++I) {
      const int Height = ScaledHeight(Band, Freq[static_cast<size_t>(I)], FMaxFrequency);
      const QRect Bar(QPoint(X, BaseY - Height), QPoint(X + FBarWidth - 1, BaseY - 1));
      if (Height <= 0) {
        // nothing stands on the base line
      } else if (FBarWidth > 3) {
        Painter.setPen(White);
        Painter.setBrush(Blue);
        Painter.drawRect(Bar.adjusted(0, 0, -1, -1));
      } else {
        Painter.fillRect(Bar, Blue);
      }
      X += FBarWidth;
    }

    // 4.9 The curve may be drawn over this graph.
    Button9->setEnabled(true);

    // 4.10 The curve, scaled by the bars' maximum.
    if (ShowCurve && FDataCount > 0) {
      ComputeNormalCurve();
      Painter.setPen(QPen(QColor(255, 0, 0), 2));
      Painter.setBrush(Qt::NoBrush);
      auto CurveY = [&](int32_t I) {
        const int64_t V = static_cast<size_t>(I) < FNormalCurve.size() ? FNormalCurve[static_cast<size_t>(I)] : 0;
        return BaseY - ScaledHeight(Band, V, FMaxFrequency);
      };
      int CX = Mid;
      QPoint Previous(CX, CurveY(First));
      for (int32_t I = First + 1; I < First + Shown; ++I) {
        CX += FBarWidth;
        const QPoint Next(CX, CurveY(I));
        Painter.drawLine(Previous, Next);
        Previous = Next;
      }
      Button10->setEnabled(true);
      Button11->setEnabled(true);
      Button12->setEnabled(true);
    }
  }

  // 5-6. Show it; the arrows follow the view.
  Image1->SetPicture(FMetafile.get());
  FFirstShown = First;
  Button13->setEnabled(First != 0);
  Button14->setEnabled(FFirstShown + FBarsFit - 1 < Count - 1);
}

void TFrameForm::DrawCurrentOrder(bool ShowCurve, int32_t First) {
  if (RadioButton1->isChecked())
    DrawGraph(FFrequency, ShowCurve, First, FDataCount);
  else
    DrawGraph(FSortedFrequency, ShowCurve, First, FOrderCount);
}

void TFrameForm::Edit1KeyDown(int Key) {
  if (Key != VK_RETURN) return;
  const int32_t Width = Edit1->IntegerOr(-1);
  if (Width >= 1 && Width <= 20) {
    UpDown1->SetPosition(Width);
    Edit1->setText(QString::number(Width));
    FBarWidth = Width;
    DrawCurrentOrder(false, 0);
    return;
  }
  ShowMessage(Edit1->text() + QString::fromUtf8(SCannotSpecify));
  UpDown1->SetPosition(FBarWidth);
  Edit1->setText(QString::number(FBarWidth));
}

void TFrameForm::UpDown1Click() {
  FBarWidth = UpDown1->Position();
  DrawCurrentOrder(false, 0);
}

void TFrameForm::Button13Click() { DrawCurrentOrder(false, std::max(0, FFirstShown - FPageStep)); }

void TFrameForm::Button14Click() { DrawCurrentOrder(false, FFirstShown + FPageStep); }

void TFrameForm::FormResize() {
  if (!FDocument.FileName.empty() && FDataCount != 0) DrawCurrentOrder(false, 0);
}
