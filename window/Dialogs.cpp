#include "Dialogs.h"

#include "SysUtils.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QUrl>

namespace {
TDialogs* GInstalled = nullptr;

// A run-time message that names a file or a text (SysUtils.h's templates) in
// the window's language: the name is kept, the words around it translated.
// Any other message is shown as raised.
QString RuntimeText(const QString& Text) {
  struct TTemplate {
    const char* Raised;      // the run-time template, "%s" for the name
    const char* Translated;  // the same words with "%1"
  };
  static const TTemplate Templates[] = {
      {SFOpenError, QT_TRANSLATE_NOOP("TFrameForm", "ファイル %1 は開けません")},
      {SFCreateError, QT_TRANSLATE_NOOP("TFrameForm", "ファイル %1 を作成できません")},
      {SInvalidInteger, QT_TRANSLATE_NOOP("TFrameForm", "'%1' は整数ではありません")},
  };
  for (const TTemplate& T : Templates) {
    const QString Raised = QString::fromUtf8(T.Raised);
    const qsizetype At = Raised.indexOf(QLatin1String("%s"));
    const QString Head = Raised.left(At), Tail = Raised.mid(At + 2);
    if (Text.size() >= Head.size() + Tail.size() && Text.startsWith(Head) && Text.endsWith(Tail))
      return QCoreApplication::translate("TFrameForm", T.Translated)
          .arg(Text.mid(Head.size(), Text.size() - Head.size() - Tail.size()));
  }
  return Text;
}

// The open dialog starting in Dir with one filter entry, shown as "*.*",
// that matches every file; nothing when cancelled.
QStringList OpenFiles(QWidget* Owner, const QString& Dir, QFileDialog::FileMode Mode) {
  QFileDialog Dialog(Owner, QString(), Dir);
  Dialog.setFileMode(Mode);
  Dialog.setAcceptMode(QFileDialog::AcceptOpen);
  Dialog.setNameFilter(QStringLiteral("*.* (*)"));
  Dialog.setOption(QFileDialog::HideNameFilterDetails, true);
  if (Dialog.exec() != QDialog::Accepted) return {};
  return Dialog.selectedFiles();
}

}  // namespace

void TDialogs::Message(QWidget* Owner, const QString& Title, const QString& Text, TKind Kind) {
  QMessageBox Box(Kind == TKind::Error ? QMessageBox::Critical : QMessageBox::NoIcon, Title, Text,
                  QMessageBox::Ok, Owner);
  Box.exec();
}

QString TDialogs::OpenFileName(QWidget* Owner, const QString& Dir) {
  const QStringList Files = OpenFiles(Owner, Dir, QFileDialog::ExistingFile);
  return Files.isEmpty() ? QString() : Files.first();
}

QStringList TDialogs::OpenFileNames(QWidget* Owner, const QString& Dir) {
  return OpenFiles(Owner, Dir, QFileDialog::ExistingFiles);
}

QString TDialogs::SaveFileName(QWidget* Owner, const QString& Path, const QString& Filter) {
  QFileDialog Dialog(Owner, QString(), Path, Filter);
  Dialog.setFileMode(QFileDialog::AnyFile);
  Dialog.setAcceptMode(QFileDialog::AcceptSave);
  // A name typed without an extension takes the chosen entry's.
  const QString Suffix = QFileInfo(Path).suffix();
  if (!Suffix.isEmpty()) Dialog.setDefaultSuffix(Suffix);
  QObject::connect(&Dialog, &QFileDialog::filterSelected, &Dialog, [&Dialog](const QString& Entry) {
    const qsizetype Dot = Entry.lastIndexOf(QLatin1String("*."));
    if (Dot >= 0) Dialog.setDefaultSuffix(Entry.mid(Dot + 2).chopped(1));
  });
  if (Dialog.exec() != QDialog::Accepted) return QString();
  const QStringList Files = Dialog.selectedFiles();
  return Files.isEmpty() ? QString() : Files.first();
}

void TDialogs::About(QWidget* Owner, const QString& Title, const QIcon& Icon, const QString& Text) {
  QMessageBox Box(QMessageBox::NoIcon, Title, Title + Text, QMessageBox::Ok, Owner);
  if (!Icon.isNull()) Box.setIconPixmap(Icon.pixmap(32, 32));
  Box.exec();
}

void TDialogs::OpenDocument(const QString& Path) {
  QDesktopServices::openUrl(QUrl::fromLocalFile(Path));
}

TDialogs& TDialogs::Current() {
  static TDialogs Real;
  return GInstalled ? *GInstalled : Real;
}

void TDialogs::Install(TDialogs* Dialogs) { GInstalled = Dialogs; }

void ShowMessage(QWidget* Owner, const QString& Title, const QString& Text) {
  TDialogs::Current().Message(Owner, Title, Text, TDialogs::TKind::Information);
}

void ShowException(QWidget* Owner, const QString& Title, const std::exception& E) {
  QString Text = RuntimeMessage(E);
  if (!Text.endsWith(QLatin1Char('.')) && !Text.endsWith(QChar(0x3002))) Text += QLatin1Char('.');
  TDialogs::Current().Message(Owner, Title, Text, TDialogs::TKind::Error);
}

QString RuntimeMessage(const std::exception& E) { return RuntimeText(QString::fromUtf8(E.what())); }
