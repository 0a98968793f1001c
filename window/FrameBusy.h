// The busy caption and the wait cursor shown while a code is being built
// (opening a file, the rebuild after an edit).  Internal to the window.
#pragma once

#include "Frame.h"

#include <QApplication>
#include <QWidget>

// The busy caption and the wait cursor from Start until the end of the
// scope, also when an exception leaves it.
class TBusyScope {
public:
  explicit TBusyScope(QWidget* Window) : FWindow(Window) {}
  ~TBusyScope() {
    if (!FStarted) return;
    QApplication::restoreOverrideCursor();
    FWindow->setWindowTitle(QString::fromUtf8(FrameCaption));
  }
  TBusyScope(const TBusyScope&) = delete;
  TBusyScope& operator=(const TBusyScope&) = delete;

  void Start() {
    if (FStarted) return;
    FStarted = true;
    FWindow->setWindowTitle(QString::fromUtf8(FrameCaption) + TFrameForm::tr(FrameBusySuffix));
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // Let the caption and the cursor reach the screen before the work.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  }
  // A message shows the normal cursor; the work goes on after it.
  template <class TShow>
  void Interrupt(TShow&& Show) {
    if (FStarted) QApplication::restoreOverrideCursor();
    struct TResume {
      bool Started;
      ~TResume() {
        if (Started) QApplication::setOverrideCursor(Qt::WaitCursor);
      }
    } Resume{FStarted};
    Show();
  }
  // The work is done: the idle caption comes back at once.
  void Stop() {
    if (!FStarted) return;
    FStarted = false;
    QApplication::restoreOverrideCursor();
    FWindow->setWindowTitle(QString::fromUtf8(FrameCaption));
  }

private:
  QWidget* FWindow;
  bool FStarted = false;
};
