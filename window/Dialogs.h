// The window's one seam to modal dialogs and the desktop shell: message
// boxes, the error box, the open-file and save-file dialogs, the about box and "open this
// document".  The application uses TDialogs itself; tests install a recorder
// that receives every text instead of a blocking dialog.
#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

#include <exception>

class QWidget;

class TDialogs {
public:
  enum class TKind { Information, Error };

  virtual ~TDialogs() = default;

  // A plain message box with an OK button (Kind Information) or the error box
  // (error icon, OK), titled Title.
  virtual void Message(QWidget* Owner, const QString& Title, const QString& Text, TKind Kind);

  // The open-file dialog starting in Dir with the one filter entry "*.*"
  // (matching every file); an empty string when cancelled.
  virtual QString OpenFileName(QWidget* Owner, const QString& Dir);
  // The same dialog taking one or more existing files; empty when cancelled.
  virtual QStringList OpenFileNames(QWidget* Owner, const QString& Dir);

  // The save-file dialog starting at Path (folder and proposed name) with the
  // entries of Filter ("PNG (*.png);;SVG (*.svg)"); it asks before replacing
  // a file.  An empty string when cancelled.
  virtual QString SaveFileName(QWidget* Owner, const QString& Path, const QString& Filter);

  // The about box: Title, Icon, and the lines of Text.
  virtual void About(QWidget* Owner, const QString& Title, const QIcon& Icon, const QString& Text);

  // Opens Path with the desktop's handler; the result is not looked at.
  virtual void OpenDocument(const QString& Path);

  // The dialogs in force (the real ones unless a test installed others).
  static TDialogs& Current();
  // Installs Dialogs (not owned; nullptr restores the real ones).
  static void Install(TDialogs* Dialogs);
};

// Through the dialogs in force: a plain message box (OK) titled Title, and
// the error box for an exception that escaped a handler, its message with a
// full stop appended when it ends in none ("." or "。").
void ShowMessage(QWidget* Owner, const QString& Title, const QString& Text);
void ShowException(QWidget* Owner, const QString& Title, const std::exception& E);
// E's message as the error box shows it before the full stop: the run-time
// layer's file and number messages in the window's language, the rest as
// raised.
QString RuntimeMessage(const std::exception& E);
