// The window's life: what showing it sets up, closing, and the entries of
// the context menu.
#include "Frame.h"

#include "Dialogs.h"

#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QShowEvent>

QString TFrameForm::ExeDir() const { return QFileInfo(FExeName).absolutePath(); }

void TFrameForm::FormShow() {
  FHuffman = std::make_unique<THuffman>();
  FMetafile = std::make_unique<QPicture>();

  FFileName.clear();
  FSelectedData = 0;
  FDataCount = 0;
  FOrderCount = 0;
  FMaxFrequency = 0;

  FDataDir = ExeDir() + QStringLiteral("/QuorvantData");
  if (!QFileInfo(FDataDir).isDir()) QDir().mkdir(FDataDir);

  ReadSettings();

  QString FileToOpen;
  ApplyCommandLine(FileToOpen);
  if (!FileToOpen.isEmpty()) {
    OpenDataFile(FileToOpen);
    return;
  }
  const QString Readme = ExeDir() + QStringLiteral("/ReadmeQ.txt");
  QFile File(Readme);
  if (!File.open(QIODevice::ReadOnly))
    throw EFOpenError(Format(SFOpenError, QFile::encodeName(Readme).constData()));
  Memo1->SetText(QString::fromUtf8(File.readAll()));
}

bool TFrameForm::FormCloseQuery() {
  FNormalCurve.clear();
  FSortedFrequency.clear();
  FFrequency.clear();
  FMetafile.reset();
  FHuffman.reset();
  FClosed = true;
  WriteSettings();
  return true;
}

void TFrameForm::ReadSettings() {}
void TFrameForm::WriteSettings() {}
void TFrameForm::ResetToDefaults() {}
void TFrameForm::H1Click() {}
void TFrameForm::About1Click() {}
void TFrameForm::A1Click() {}
void TFrameForm::Q1Click() {}
void TFrameForm::WMDropFiles(const QStringList&) {}

// For now only the first argument, taken as the file to open.
void TFrameForm::ApplyCommandLine(QString& FileToOpen) {
  if (!FCommandLine.isEmpty()) FileToOpen = FCommandLine.first();
}

void TFrameForm::showEvent(QShowEvent* Event) {
  QWidget::showEvent(Event);
  if (FShown) return;
  FShown = true;
  Guarded([this] { FormShow(); });
}

void TFrameForm::closeEvent(QCloseEvent* Event) {
  if (!FClosed) Guarded([this] { FormCloseQuery(); });
  Event->accept();
}

void TFrameForm::contextMenuEvent(QContextMenuEvent*) {}
void TFrameForm::dragEnterEvent(QDragEnterEvent*) {}
void TFrameForm::dropEvent(QDropEvent*) {}
