// Opening a file into the document, and the handlers that open, restore,
// switch the data mode and the order.
//
// The file is read and its code built by OpenDocumentFile (Document.h), the
// same road quorvant-cli takes; this side shows its messages, the busy
// caption and the wait cursor, and moves the new document into the controls.
#include "Frame.h"

#include "Dialogs.h"
#include "FrameBusy.h"
#include "Locale.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QProgressDialog>
#include <QPushButton>

#include <memory>

namespace {

// The progress of a long open: nothing for the first ProgressDelayMs (the
// window only keeps painting), then a window-modal dialog with a Cancel
// button, so the window repaints and takes no other input.  Called between
// the pieces of the count; false once Cancel was pressed.
class TOpenProgress {
public:
  TOpenProgress(QWidget* Window, const QString& Title, int DelayMs)
      : FWindow(Window), FTitle(Title), FDelayMs(DelayMs) {
    FClock.start();
  }

  bool Step(int64_t Counted, int64_t Total) {
    if (!FDialog) {
      if (FClock.elapsed() < FDelayMs) {
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        return true;
      }
      FDialog = std::make_unique<QProgressDialog>(TFrameForm::tr("ファイルを読んでいます…"),
                                                  TFrameForm::tr("キャンセル"), 0, Steps, FWindow);
      FDialog->setObjectName(QStringLiteral("OpenProgress"));
      FDialog->setWindowTitle(FTitle);
      FDialog->setWindowModality(Qt::WindowModal);
      FDialog->setMinimumDuration(0);
      FDialog->setAutoReset(false);
      FDialog->setAutoClose(false);
      // The wait cursor of the busy scope would hide that Cancel is there.
      FDialog->setCursor(Qt::ArrowCursor);
    }
    FDialog->setValue(static_cast<int>(Counted * Steps / std::max<int64_t>(Total, 1)));
    QApplication::processEvents();
    return !FDialog->wasCanceled();
  }

private:
  static constexpr int Steps = 1000;
  QWidget* FWindow;
  QString FTitle;
  int FDelayMs;
  QElapsedTimer FClock;
  std::unique_ptr<QProgressDialog> FDialog;
};

// A refused open and the 32-bit fallback in the window's language.  The
// document words them in Japanese for quorvant-cli too; the window words them
// itself, the Japanese texts being the document's to the byte.
QString RefusalText(TOpenStatus Status, const QString& Path) {
  switch (Status) {
    case TOpenStatus::NotFound: return TFrameForm::tr("%1 は見つかりません。").arg(Path);
    case TOpenStatus::Empty: return TFrameForm::tr("サイズが 0 のファイルは表示出来ません。");
    case TOpenStatus::Changed:
      return TFrameForm::tr("%1 は読み込みの途中で変更されたので表示出来ません。").arg(Path);
    default: return TFrameForm::tr("%1 は大きすぎて表示出来ません。").arg(Path);
  }
}

QString FallbackText(const QString& Path) {
  return TFrameForm::tr(
             "\r\nファイル %1\r\n\r\n"
             "に含まれるデータは 32 bit の拡張データとして扱えない特性\r\n\r\n"
             "を持っていますので、8 bit の通常データとして扱います。\r\n")
      .arg(Path);
}

}  // namespace

void TFrameForm::RunWithProgress(const std::function<void(const TProgressStep&)>& Work) {
  TOpenProgress Progress(this, ApplicationTitle(), FProgressDelayMs);
  Work([&Progress](int64_t Done, int64_t Total) { return Progress.Step(Done, Total); });
}

void TFrameForm::OpenDataFile(const QString& FileName, bool AsEdit) {
  // The datum selector goes back to 0 whatever follows.
  DatumSpin->SetPosition(0);
  if (!FHuffman) return;

  const std::string Path = QFile::encodeName(FileName).toStdString();
  TBusyScope Busy(this);
  TOpenHooks Hooks;
  Hooks.Busy = [&Busy] { Busy.Start(); };
  const QString Shown = QString::fromStdString(Path);
  Hooks.Fallback = [this, &Busy, &Shown](const std::string&) {
    Busy.Interrupt([&] { ShowMessage(FallbackText(Shown)); });
    // The switch to 8 bit must not reload: the open goes on in 8 bit.
    SkipModeReload = 1;
    ByteModeRadio->setChecked(true);
  };
  TOpenProgress Progress(this, ApplicationTitle(), FProgressDelayMs);
  Hooks.Progress = [&Progress](int64_t Counted, int64_t Total) {
    return Progress.Step(Counted, Total);
  };
  TDocument Doc;
  const TOpenResult Result = OpenDocumentFile(Path, TableModeRadio->isChecked(), *FHuffman, Doc,
                                              LocaleDecimalSeparator(), Hooks);
  if (Result.Status == TOpenStatus::Cancelled) return;  // as it was before the open
  if (Result.Status != TOpenStatus::Opened) {
    Busy.Stop();
    ShowMessage(RefusalText(Result.Status, Shown));
    return;
  }

  FSelectedData = 0;
  FDocument = std::move(Doc);
  // A chosen limit or rule: the code of the table as opened, built as every
  // rebuild builds it.
  if (CodeIsLimited()) {
    BuildLimitedCode();
    DeriveDocument(FDocument, *FHuffman, LocaleDecimalSeparator());
  }
  ShowDocumentControls();
  Busy.Stop();

  ShowRebuiltDocument();
  if (AsEdit)
    RecordEdit();
  else
    StartHistory();
  RememberOpenedFile(FileName);
}

void TFrameForm::OpenClicked() {
  const QString Path = TDialogs::Current().OpenFileName(this, FDataDir);
  if (!Path.isEmpty()) OpenDataFile(Path);
}

// "元に": the file read again, an edit of the table that can be undone.
void TFrameForm::RestoreClicked() {
  if (!FDocument.FileName.empty()) OpenDataFile(FileName(), true);
}

void TFrameForm::ReopenInMode() {
  if (!FDocument.FileName.empty()) OpenDataFile(FileName());
}

void TFrameForm::ByteModeChosen() {
  if (SkipModeReload != 0) {
    SkipModeReload = 0;
    return;
  }
  ReopenInMode();
}

void TFrameForm::TableModeChosen() { ReopenInMode(); }

void TFrameForm::DataOrderChosen() {
  ShowOrderStatistics();
  DrawGraph(FFrequency, false, 0, FDataCount);
}

void TFrameForm::FrequencyOrderChosen() {
  ShowOrderStatistics();
  DrawGraph(FSortedFrequency, false, 0, FOrderCount);
}
