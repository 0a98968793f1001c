#include "Controls.h"

#include "SysUtils.h"

#include <QFontDatabase>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLocale>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QToolButton>

#include <algorithm>

#include <cstdint>

// ---- TEntryBox ------------------------------------------------------------------

TEntryBox::TEntryBox(QWidget* Parent) : QLineEdit(Parent) {}

void TEntryBox::keyPressEvent(QKeyEvent* Event) {
  if (Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter) emit Entered();
  QLineEdit::keyPressEvent(Event);
}

int32_t TEntryBox::IntegerOr(int32_t Default) const {
  return StrToIntDef(text().toStdString(), Default);
}

// ---- TSpinArrows ------------------------------------------------------------------

namespace {

// Digits with Separator between every group of three, counted from the right.
QString GroupedDigits(int Value, const QString& Separator) {
  const QString Digits = QString::number(Value < 0 ? -static_cast<int64_t>(Value) : Value);
  QString Result;
  for (qsizetype I = 0; I < Digits.size(); ++I) {
    if (I > 0 && (Digits.size() - I) % 3 == 0) Result += Separator;
    Result += Digits[I];
  }
  return Value < 0 ? QLatin1Char('-') + Result : Result;
}

}  // namespace

TSpinArrows::TSpinArrows(QWidget* Parent) : QWidget(Parent) {
  FUp = new QToolButton(this);
  FDown = new QToolButton(this);
  FUp->setArrowType(Qt::UpArrow);
  FDown->setArrowType(Qt::DownArrow);
  for (QToolButton* B : {FUp, FDown}) {
    B->setFocusPolicy(Qt::NoFocus);
    B->setAutoRepeat(true);
    B->setIconSize(QSize(6, 6));
  }
  connect(FUp, &QToolButton::clicked, this, [this] { Step(+1); });
  connect(FDown, &QToolButton::clicked, this, [this] { Step(-1); });
  setFocusPolicy(Qt::NoFocus);
}

void TSpinArrows::resizeEvent(QResizeEvent*) {
  const int Half = height() / 2;
  FUp->setGeometry(0, 0, width(), Half);
  FDown->setGeometry(0, Half, width(), height() - Half);
}

bool TSpinArrows::ParseEdit(int& Value) const {
  if (!FAssociate) return false;
  QString Text = FAssociate->text();
  if (FThousands) Text.remove(QLocale().groupSeparator());
  bool Ok = false;
  const int V = Text.toInt(&Ok);
  // Only a plain whole number counts: an optional minus and digits.
  static const QRegularExpression Plain(QStringLiteral("^-?[0-9]+$"));
  if (!Ok || !Plain.match(Text).hasMatch() || V < FMin || V > FMax) return false;
  Value = V;
  return true;
}

int TSpinArrows::Position() {
  int Value;
  if (ParseEdit(Value)) FPosition = Value;
  return FPosition;
}

void TSpinArrows::SetPosition(int Value) {
  const int Low =
      static_cast<int16_t>(static_cast<uint16_t>(static_cast<uint32_t>(Value) & 0xFFFFu));
  FPosition = std::clamp(Low, FMin, FMax);
  ShowPosition();
}

void TSpinArrows::SetRange(int Min, int Max) {
  FMin = std::clamp(Min, -32768, 32767);
  FMax = std::clamp(Max, FMin, 32767);
  FPosition = std::clamp(FPosition, FMin, FMax);
}

void TSpinArrows::SetThousands(bool Value) { FThousands = Value; }

void TSpinArrows::SetAssociate(TEntryBox* Edit) {
  if (FAssociate == Edit) return;
  if (FAssociate) FAssociate->removeEventFilter(this);
  FAssociate = Edit;
  if (FAssociate) FAssociate->installEventFilter(this);
}

void TSpinArrows::Step(int Delta) {
  FPosition = std::clamp(Position() + Delta, FMin, FMax);
  ShowPosition();
  emit Click();
}

void TSpinArrows::ShowPosition() {
  if (!FAssociate) return;
  FAssociate->setText(FThousands ? GroupedDigits(FPosition, QLocale().groupSeparator())
                                 : QString::number(FPosition));
}

bool TSpinArrows::eventFilter(QObject* Watched, QEvent* Event) {
  // The arrow keys in the associated edit box press the arrows.
  if (Watched == FAssociate && Event->type() == QEvent::KeyPress && isEnabled()) {
    const int Key = static_cast<QKeyEvent*>(Event)->key();
    if (Key == Qt::Key_Up || Key == Qt::Key_Down) {
      Step(Key == Qt::Key_Up ? +1 : -1);
      return true;
    }
  }
  return QWidget::eventFilter(Watched, Event);
}

// ---- TPictureView -------------------------------------------------------------------

TPictureView::TPictureView(QWidget* Parent) : QWidget(Parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void TPictureView::SetPicture(const QPicture* Picture) {
  if (Picture) {
    FPicture = *Picture;
    FHasPicture = true;
  } else {
    FPicture = QPicture();
    FHasPicture = false;
  }
  update();
}

QPoint TPictureView::PictureAt(const QPoint& At) const {
  const QRect Bounds = FPicture.boundingRect();
  if (!FHasPicture || Bounds.isEmpty() || width() <= 0 || height() <= 0) return At;
  return QPoint(Bounds.left() + At.x() * Bounds.width() / width(),
                Bounds.top() + At.y() * Bounds.height() / height());
}

QRect TPictureView::WidgetArea(const QRect& Area) const {
  const QRect Bounds = FPicture.boundingRect();
  if (!FHasPicture || Bounds.isEmpty()) return Area;
  const auto X = [&](int V) { return (V - Bounds.left()) * width() / Bounds.width(); };
  const auto Y = [&](int V) { return (V - Bounds.top()) * height() / Bounds.height(); };
  return QRect(QPoint(X(Area.left()), Y(Area.top())),
               QPoint(X(Area.right() + 1) - 1, Y(Area.bottom() + 1) - 1));
}

bool TPictureView::event(QEvent* Event) {
  if (Event->type() == QEvent::ToolTip) {
    const auto* Help = static_cast<QHelpEvent*>(Event);
    emit ShowHint(Help->pos(), Help->globalPos());
    return true;
  }
  return QWidget::event(Event);
}

void TPictureView::mousePressEvent(QMouseEvent* Event) {
  if (Event->button() == Qt::LeftButton) emit MouseDown(Event->position().toPoint());
  QWidget::mousePressEvent(Event);
}

void TPictureView::paintEvent(QPaintEvent*) {
  if (!FHasPicture) return;
  const QRect Bounds = FPicture.boundingRect();
  if (Bounds.width() <= 0 || Bounds.height() <= 0) return;
  QPainter Painter(this);
  Painter.scale(static_cast<double>(width()) / Bounds.width(),
                static_cast<double>(height()) / Bounds.height());
  Painter.translate(-Bounds.topLeft());
  Painter.drawPicture(0, 0, FPicture);
}

// ---- TMemoText ------------------------------------------------------------------

TMemoText::TMemoText(QWidget* Parent) : QPlainTextEdit(Parent) {
  setLineWrapMode(QPlainTextEdit::NoWrap);
  setWordWrapMode(QTextOption::NoWrap);
  setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  QFont Font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
  Font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                    QStringLiteral("IPAGothic"), Font.family()});
  Font.setStyleHint(QFont::Monospace);
  Font.setFixedPitch(true);
  Font.setPixelSize(12);
  setFont(Font);
}

void TMemoText::SetText(const QString& Text) {
  QString Plain = Text;
  Plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  setPlainText(Plain);
}

QString TMemoText::Text() const {
  QString Result = toPlainText();
  Result.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
  return Result;
}

qsizetype TMemoText::Room() const {
  const qsizetype Used = document()->characterCount() - 1;  // without the final paragraph mark
  const qsizetype Selected = textCursor().selectedText().size();
  return std::max<qsizetype>(0, MaxLength - (Used - Selected));
}

void TMemoText::keyPressEvent(QKeyEvent* Event) {
  const QString Typed = Event->text();
  const bool Inserts = !Typed.isEmpty() && Typed.at(0).isPrint() &&
                       !(Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
  const bool NewLine = Event->key() == Qt::Key_Return || Event->key() == Qt::Key_Enter;
  if ((Inserts || NewLine) && Room() < 1) return;
  QPlainTextEdit::keyPressEvent(Event);
}

void TMemoText::insertFromMimeData(const QMimeData* Source) {
  if (!Source || !Source->hasText()) return;
  QString Text = Source->text();
  const qsizetype Left = Room();
  if (Text.size() > Left) Text.truncate(Left);
  if (!Text.isEmpty()) textCursor().insertText(Text);
}
