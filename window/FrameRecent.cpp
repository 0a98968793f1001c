// The recently opened files: the context menu's submenu and the list's own
// file beside the settings file ("<name>.recent"), so the settings file
// stays as it is.  The list is a convenience: a list that cannot be read is
// ignored (and left as it is), one that cannot be written is not kept, and
// neither ever interrupts the user.
#include "Frame.h"

#include "AtomicFile.h"
#include "Param.h"
#include "RecentFiles.h"

#include <QAction>
#include <QFile>
#include <QFileInfo>
#include <QMenu>

void TFrameForm::ReadRecentFiles() {
  const QString Ini = Settings->FullName();
  if (Ini.isEmpty()) return;
  FRecentPath = QFileInfo(Ini).path() + QLatin1Char('/') + QFileInfo(Ini).completeBaseName() +
                QStringLiteral(".recent");
  FRecentFiles.clear();
  FRecentWritable = true;
  const QFileInfo Info(FRecentPath);
  if (!Info.exists() && !Info.isSymLink()) return;
  // A FIFO or device is no list and is never replaced; a regular file that
  // cannot be read is not written over.
  FRecentWritable = false;
  if (!Info.isFile()) return;
  QFile File(FRecentPath);
  if (!File.open(QIODevice::ReadOnly)) return;
  const QByteArray Bytes = File.read(MaxRecentListBytes + 1);
  if (File.error() != QFileDevice::NoError) return;
  FRecentWritable = true;
  FRecentFiles = ParseRecentList(std::string_view(Bytes.constData(), Bytes.size()));
}

void TFrameForm::RememberOpenedFile(const QString& FileName) {
  if (FRecentPath.isEmpty()) return;
  const std::string Path = QFile::encodeName(QFileInfo(FileName).absoluteFilePath()).toStdString();
  const std::vector<std::string> Before = FRecentFiles;
  AddRecentFile(FRecentFiles, Path);
  if (!FRecentWritable || FRecentFiles == Before) return;
  try {
    const std::string Text = RecentListText(FRecentFiles);
    TAtomicFile File(QFile::encodeName(FRecentPath).toStdString());
    File.Write(Text.data(), Text.size());
    File.Commit();
  } catch (const std::exception&) {
    // Not kept on disk this time; the menu still has it for this session.
  }
}

void TFrameForm::ShowRecentMenu() {
  RecentMenu->clear();
  for (const std::string& Path : FRecentFiles) {
    const QString Name = QFile::decodeName(QByteArray::fromStdString(Path));
    QAction* Item = RecentMenu->addAction(Name);
    Item->setEnabled(QFileInfo(Name).isFile());
    connect(Item, &QAction::triggered, this,
            [this, Name] { Guarded([&] { RecentFileChosen(Name); }); });
  }
  RecentMenu->setEnabled(!FRecentFiles.empty());
}

void TFrameForm::RecentFileChosen(const QString& FileName) { OpenDataFile(FileName); }
