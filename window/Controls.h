// Thin stand-ins for the desktop toolkit's controls that Qt has no exact
// match for.  Each keeps the behaviour the window's handlers rely on and
// nothing more.
#pragma once

#include <QLineEdit>
#include <QPicture>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QWidget>

class QToolButton;

// Entry box: a QLineEdit that signals Entered when Enter or Return is pressed
// in it (before the edit handles the key), the moment a typed value is taken.
class TEntryBox : public QLineEdit {
  Q_OBJECT
public:
  explicit TEntryBox(QWidget* Parent = nullptr);
  // The text as a whole number (an optional sign and decimal digits that fit
  // 32 signed bits), else Default.
  int32_t IntegerOr(int32_t Default) const;
signals:
  void Entered();

protected:
  void keyPressEvent(QKeyEvent* Event) override;
};

// Spin box bound to an edit box (stands in for the up-down control).
//
// Position is a signed 16-bit value kept within Min..Max.  SetPosition takes
// any integer: its low 16 bits as a signed 16-bit number, then clamped.
// While associated, every change of position is written into the edit box
// (with the locale's thousands separator when Thousands is on: 1,000 and
// 10,239), and reading Position first takes the edit box's text when it is a
// whole number within range (separators allowed when Thousands is on);
// otherwise the previous position counts.
// The two arrows (and the Up/Down keys in the edit box) change the position
// by one (no wrap) and then emit Click.
class TSpinArrows : public QWidget {
  Q_OBJECT
public:
  explicit TSpinArrows(QWidget* Parent = nullptr);

  int Position();
  void SetPosition(int Value);
  int Min() const { return FMin; }
  int Max() const { return FMax; }
  void SetRange(int Min, int Max);
  bool Thousands() const { return FThousands; }
  void SetThousands(bool Value);

  // nullptr detaches; the edit box then keeps whatever text it has.
  TEntryBox* Associate() const { return FAssociate; }
  void SetAssociate(TEntryBox* Edit);

  // Presses an arrow as the user would (+1 up, -1 down).
  void Step(int Delta);

signals:
  void Click();

protected:
  void resizeEvent(QResizeEvent* Event) override;
  bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
  void ShowPosition();
  // The edit box's text as a position, when it is one within range.
  bool ParseEdit(int& Value) const;

  QToolButton* FUp = nullptr;
  QToolButton* FDown = nullptr;
  TEntryBox* FAssociate = nullptr;
  int FPosition = 0;
  int FMin = 0;
  int FMax = 100;
  bool FThousands = true;
};

// Image control: shows a vector picture stretched to its whole area, or
// nothing.  Reports where the pointer rests (the hint request) and where the
// left button goes down, in the widget's coordinates.
class TPictureView : public QWidget {
  Q_OBJECT
public:
  explicit TPictureView(QWidget* Parent = nullptr);
  // A copy of Picture is shown; nullptr removes the picture.
  void SetPicture(const QPicture* Picture);
  bool HasPicture() const { return FHasPicture; }
  const QPicture& Picture() const { return FPicture; }
  // The picture's point shown at the widget's point At (the stretch undone);
  // At itself when no picture is shown.
  QPoint PictureAt(const QPoint& At) const;
  // The widget's area showing the picture's rectangle Area.
  QRect WidgetArea(const QRect& Area) const;
signals:
  void ShowHint(const QPoint& At, const QPoint& GlobalAt);
  void MouseDown(const QPoint& At);

protected:
  bool event(QEvent* Event) override;
  void mousePressEvent(QMouseEvent* Event) override;
  void paintEvent(QPaintEvent* Event) override;

private:
  QPicture FPicture;
  bool FHasPicture = false;
};

// Memo: plain multi-line text, both scroll bars, no word wrap, a fixed-pitch
// Japanese font ("ＭＳ ゴシック", else IPAGothic, else the system's fixed
// font), at most MaxLength characters typed by the user (the program's own
// SetText is not limited).  SetText takes and Text gives CR LF line breaks.
class TMemoText : public QPlainTextEdit {
  Q_OBJECT
public:
  static constexpr int MaxLength = 1048576;
  explicit TMemoText(QWidget* Parent = nullptr);
  void SetText(const QString& Text);
  QString Text() const;
  void SelectAll() { selectAll(); }

protected:
  void keyPressEvent(QKeyEvent* Event) override;
  void insertFromMimeData(const QMimeData* Source) override;

private:
  // Characters the user may still type, counting the selection as replaced.
  qsizetype Room() const;
};
