// The program entry: the single-instance probe, then the one window.
#include "CopyData.h"
#include "Frame.h"

#include <QApplication>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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
  // Qt's own texts (the open dialog, the memo's edit menu) in the user's
  // language; the window's own texts are its own and stay as they are.  A
  // missing catalogue leaves Qt's English.
  QTranslator QtTexts;
  if (QtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                   QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&QtTexts);

  // Before this instance creates a window of its own, so it never finds itself.
  SendSingleInstanceRequest();

  TFrameForm Form;
  Form.SetCommandLine(QApplication::arguments().mid(1));
  Form.show();
  return QApplication::exec();
}
