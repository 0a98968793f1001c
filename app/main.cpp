// The program entry: the single-instance probe, then the one window.
#include "CopyData.h"
#include "Frame.h"
#include "Translation.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <memory>

namespace {

// Asks the window of an instance already running to quit (it decides), and
// waits for it at most SingleInstanceWaitMs.  The start goes on in any case.
void SendSingleInstanceRequest() {
  QDeadlineTimer Deadline(SingleInstanceWaitMs);
  TWindowHandle Window = FindWindow("TFrameForm", FrameCaption, Deadline);
  if (!Window) return;
  // The token with its terminating NUL: cbData 6.
  const QByteArray Token(SingleInstanceToken, sizeof SingleInstanceToken);
  SendCopyData(*Window, SingleInstanceRequestData, Token, Deadline);
}

}  // namespace

int main(int argc, char* argv[]) {
  QApplication Application(argc, argv);
  // The window class the desktop sees (WM_CLASS, Wayland app id) and the
  // name of the desktop entry.
  QApplication::setApplicationName("TFrameForm");
  QApplication::setDesktopFileName("TFrameForm");
  QApplication::setWindowIcon(QIcon(":/quorvant/quorvant.png"));
  // The window's own texts: Japanese as written, else English (Translation.h).
  const TWindowLanguage Language = ChosenWindowLanguage();
  const std::unique_ptr<QTranslator> WindowTexts = InstallWindowTexts(Language);
  // Qt's own texts (the file dialogs, the buttons of the boxes, the memo's
  // edit menu) along with them: the locale's language under Japanese (Japanese,
  // or Qt's English under C), English when the window is English.  A missing
  // catalogue leaves Qt's English.
  QTranslator QtTexts;
  const QLocale QtLocale =
      qgetenv("QUORVANT_LANG") == "ja" ? QLocale(QLocale::Japanese) : QLocale();
  if (Language == TWindowLanguage::Japanese &&
      QtTexts.load(QtLocale, QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&QtTexts);

  // Before this instance creates a window of its own, so it never finds itself.
  SendSingleInstanceRequest();

  TFrameForm Form;
  Form.SetCommandLine(QApplication::arguments().mid(1));
  Form.show();
  return QApplication::exec();
}
