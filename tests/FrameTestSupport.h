// Shared support of the window's tests.
//
// - EnsureApplication: the one QApplication of the test program (offscreen
//   unless QT_QPA_PLATFORM says otherwise).
// - TRecordingDialogs: the dialogs seam as a recorder: every message (text
//   and kind), about box and opened document is kept; the open dialog answers
//   and the save dialog answer with queued paths (empty when none is
//   queued, as if cancelled).
// - TFrameTest: a fixture with its own temporary folder standing in for the
//   executable's folder (ExeName() = <folder>/Quorvant, so the window finds
//   ReadmeQ.txt, QuorvantData and Quorvant.ini there) and XDG_CONFIG_HOME,
//   XDG_DATA_HOME, XDG_RUNTIME_DIR and TMPDIR redirected below it; it installs
//   a recorder for the test's duration.
// - Helpers that write sample files byte for byte, without the code under
//   test.
#pragma once

#include "Dialogs.h"
#include "Frame.h"

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

void EnsureApplication();

class TRecordingDialogs : public TDialogs {
public:
  struct TMessage {
    QString Title;
    QString Text;
    TKind Kind;
    QString OwnerCaption;  // the owner window's caption while it was shown
    bool WaitCursor;       // a wait cursor was in force while it was shown
    bool OwnerOnScreen;    // the owner's native window was visible then
  };

  void Message(QWidget* Owner, const QString& Title, const QString& Text, TKind Kind) override;
  QString OpenFileName(QWidget* Owner, const QString& Dir) override;
  QStringList OpenFileNames(QWidget* Owner, const QString& Dir) override;
  QString SaveFileName(QWidget* Owner, const QString& Path, const QString& Filter) override;
  void About(QWidget* Owner, const QString& Title, const QIcon& Icon, const QString& Text) override;
  void OpenDocument(const QString& Path) override;

  std::vector<TMessage> Messages;
  std::deque<QString> OpenAnswers;          // answers of the open dialog, in order
  std::deque<QStringList> OpenManyAnswers;  // answers of the several-files dialog
  QStringList OpenDialogDirs;               // the folder each open dialog started in
  std::deque<QString> SaveAnswers;          // answers of the save dialog, in order
  QStringList SaveDialogPaths;              // the path each save dialog started at
  QStringList SaveDialogFilters;            // and its filter
  QStringList AboutTexts;
  QStringList OpenedDocuments;

  // Texts of the messages so far, then forgets them.
  QStringList TakeTexts();
  // The messages' texts of one kind (all kinds when none is given).
  QStringList Texts() const;
  QStringList ErrorTexts() const;
};

class TFrameTest : public testing::Test {
protected:
  void SetUp() override;
  void TearDown() override;

  // <temporary folder>/Quorvant: the executable the window believes it is.
  QString ExeName() const { return Dir() + QStringLiteral("/Quorvant"); }
  // The temporary folder (the executable's folder).
  QString Dir() const { return FDir->path(); }
  // A path inside the temporary folder.
  QString PathOf(const QString& Name) const { return Dir() + QLatin1Char('/') + Name; }

  // Creates the window (not shown).  ReadmeQ.txt is written first unless
  // one exists.
  TFrameForm& CreateForm();
  // Creates (when needed) and shows the window with these arguments, so that
  // FormShow runs; events are processed once.
  TFrameForm& ShowForm(const QStringList& Arguments = {});
  // Closes and destroys the window.
  void DestroyForm();

  TRecordingDialogs Dialogs;
  std::unique_ptr<TFrameForm> Form;

private:
  std::unique_ptr<QTemporaryDir> FDir;
  std::vector<std::pair<QByteArray, QByteArray>> FSavedEnvironment;
};

// ---- sample files (written byte for byte) ---------------------------------

// Writes Bytes to Path (replacing it); fails the test when it cannot.
void WriteBytes(const QString& Path, const QByteArray& Bytes);
void WriteText(const QString& Path, const std::string& Text);
// Words as little-endian signed 32-bit values.
void WriteWords(const QString& Path, const std::vector<int32_t>& Words);
QByteArray WordBytes(const std::vector<int32_t>& Words);
// Count bytes, each Fill.
void WriteRepeated(const QString& Path, int64_t Count, char Fill);

// The window's recorded graph picture replayed as pixels.
QImage Rendered(TFrameForm& Form);

// Presses a key (Enter) in an edit box, as the user would.
void PressKey(QWidget* Edit, int Key, const QString& Text = QString());
void PressEnter(QWidget* Edit);
// Presses a key in Target with the focus there, as the user would: the
// window's shortcuts first.
void Press(QWidget* Target, Qt::Key Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier);
// Types Text into an edit box in place of its contents (no Enter).
void TypeText(QLineEdit* Edit, const QString& Text);
// Clicks a push button or radio button with the mouse.
void Click(QAbstractButton* Button);
