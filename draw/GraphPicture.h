// Unit GraphPicture: the frequency graph's picture, drawn by one function
// onto any QPainter, so that the window's recorded picture, its export and
// quorvant-cli's graph are the same picture.  Qt Gui only, no widgets.
//
// Picture coordinates (W x H = Size, y downward): the vertical axis at x 34
// from y 8 (the maximum) to H-14 (the horizontal axis); bars stand on y H-16
// from x 36, a frequency f (H-24)*f/Maximum pixels high.  The three scalings
// (tick, bar, curve) multiply in 64 bits before dividing, truncating.
#pragma once

#include <QByteArray>
#include <QColor>
#include <QFont>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>

#include <cstdint>
#include <span>
#include <vector>

class QPainter;

// Step between the labelled ticks of the frequency axis for the largest
// frequency Maximum (> 0).  1..10^9.
int64_t FrequencyTickStep(int32_t Maximum);

// Everything the picture depends on.  Spans are not owned: they must outlive
// the call that takes the input.
struct TGraphInput {
  std::span<const int32_t> Freq;   // the array drawn, one entry a position
  int32_t Count = 0;               // meaningful positions of Freq
  int32_t First = 0;               // leftmost position
  int32_t BarWidth = 10;           // pixels, 1..20
  QSize Size;                      // the picture's size in pixels
  int32_t Maximum = 0;             // the frequency that reaches y 8
  std::span<const int32_t> Curve;  // the curve by position; empty: none
  QColor Face;                     // the background (button face)
  QFont LabelFont;                 // the axes' labels
};

// What a draw laid out: the numbers the paging and the pointing use, so that
// they follow the very bars painted.
struct TGraphLayout {
  bool Drawn = false;    // false: the input lies outside its data (blank)
  int32_t BarsFit = 0;   // (W - 36) div BarWidth, at least 0
  int32_t Shown = 0;     // bars drawn: min(BarsFit, Count - First)
  int32_t PageStep = 0;  // (BarsFit div LabelStep) * LabelStep
  int32_t First = 0;
  int32_t BarWidth = 0;
  QSize Size;
  // Heights of the Shown bars, leftmost first, in pixels (0: nothing drawn).
  std::vector<int> Heights;

  // The rectangle bar Index (First..First+Shown-1) occupies; empty for a
  // position outside the view or of height 0.
  QRect BarRect(int32_t Index) const;
  // Where pointing finds bar Index: BarRect, raised to MinHitHeight pixels
  // for a lower bar; empty where BarRect is.
  QRect HitRect(int32_t Index) const;
  // The position whose HitRect holds At (picture coordinates), else -1:
  // nothing over the axes, beside or above the bars, or on a blank graph.
  int32_t PositionAt(const QPoint& At) const;
  static constexpr int MinHitHeight = 4;
};

// In.Face := the application's button face; In.LabelFont := its font at 11
// pixels (a small plain face, so that the labels of large maxima crowd the
// axis as little as they can).  Needs the QGuiApplication.
void TakeApplicationStyle(TGraphInput& In);

// False when the window would leave the graph blank: an empty Freq, Count
// outside 1..size, First outside 0..Count-1, or Maximum not above 0.
bool GraphDrawable(const TGraphInput& In);

// Draws the graph of In onto Painter (whose device is at least In.Size):
// background, axes with their ticks and labels, the bars and, when In.Curve
// is not empty, the curve in red.  When !GraphDrawable(In) only the
// background is painted and the layout says Drawn = false.
TGraphLayout DrawGraphPicture(QPainter& Painter, const TGraphInput& In);

// The picture as the bytes of a PNG image or of an SVG document (viewBox
// "0 0 W H", width and height in px) of In.Size.  Raises Exception when the
// encoding fails or In.Size is empty.
QByteArray GraphPng(const TGraphInput& In);
QByteArray GraphSvg(const TGraphInput& In);

enum class TGraphFormat { None, Png, Svg };
// The format a file name asks for by its extension (.png, .svg, any case).
TGraphFormat GraphFormatOf(const QString& FileName);
// GraphPng or GraphSvg; Format must not be None.
QByteArray GraphFile(const TGraphInput& In, TGraphFormat Format);

// The curve "描画" draws right after an open of a table with DataCount > 0:
// µ and V of the order shown as their spin boxes hold them (the low 16 bits,
// then -255..255 and 0..32767), the height the maximum.  Length entries.
std::vector<int32_t> OpenedCurve(size_t Length, int32_t Mean, int32_t Variance, int32_t Maximum);
