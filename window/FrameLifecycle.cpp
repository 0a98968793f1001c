// The window's life: what showing it sets up, the persisted layout, the
// command line, dropped files, closing, and the entries of the context menu.
//
// Where the settings live: beside the executable (its base name with ".ini",
// and "QuorvantData") when that folder can be written, as for a portable
// copy; otherwise, for a copy installed read-only, the same names under the
// user's own config and data folders, so every user keeps their own.
#include "Frame.h"

#include "Dialogs.h"
#include "Param.h"

#include <QAction>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMimeData>
#include <QScreen>
#include <QShowEvent>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTimer>
#include <QUrl>
#include <QWindow>

#include <algorithm>

namespace {

constexpr int DesignBarWidth = 10;
constexpr int DesignRangeEnd = 255;

const char* const SettingsHeader =
    "Quorvant 環境設定ファイル --- このファイルは、編集しないで下さい。";
const char* const ResetMessage = QT_TRANSLATE_NOOP("TFrameForm", "Quorvant を初期状態に戻します。");
const char* const CopyrightLine = "Copyright (C) 2026 The Quorvant developers";
const char* const DataFolderName = "QuorvantData";
const char* const ReadmeName = "ReadmeQ.txt";

// The settings keys, in the order of the file, with the value a missing or
// unusable key takes.  The names are what stored files hold: never change
// one.
enum TSettingsKey {
  KeyWindowState,
  KeyLeft,
  KeyTop,
  KeyClientWidth,
  KeyClientHeight,
  KeyGraph,
  KeyInfor,
  KeyData,
  KeyBarWidth,
  KeyRangeEnd,
  KeyAllowDoubleLaunch,
  SettingsKeyCount
};
struct TSettingsKeyInfo {
  const char* Name;
  int32_t Design;
};
constexpr TSettingsKeyInfo SettingsKeys[SettingsKeyCount] = {
    {"WindowState", 0},
    {"Left", DesignLeft},
    {"Top", DesignTop},
    {"ClientWidth", DesignClientWidth},
    {"ClientHeight", DesignClientHeight},
    {"Graph", 1},
    {"Infor", 1},
    {"Data", 1},
    {"UpDown1.Position", DesignBarWidth},
    {"UpDown2.Position", DesignRangeEnd},
    {SettingsKeyAllowDoubleLaunch, 0},
};
QString KeyName(TSettingsKey Key) { return QString::fromLatin1(SettingsKeys[Key].Name); }

// Shown once when the settings file exists but cannot be read: the window
// goes on with the design values and leaves the file as it is.
const char* const SettingsNotSaved =
    QT_TRANSLATE_NOOP("TFrameForm", "%1。このファイルには設定を保存しません。");

// A portable copy writes beside itself; an installed one cannot.
bool IsPortable(const QString& ExeDir) { return QFileInfo(ExeDir).isWritable(); }

// The user's own folder of this program under a standard location.
QString UserFolder(QStandardPaths::StandardLocation Location) {
  return QStandardPaths::writableLocation(Location) + QStringLiteral("/Quorvant");
}

// The stored window state: 0 normal, 1 minimized, 2 maximized.
int StateCode(const QWidget& Window) {
  const Qt::WindowStates State = Window.windowState();
  if (State & Qt::WindowMinimized) return 1;
  if (State & Qt::WindowMaximized) return 2;
  return 0;
}

void ApplyStateCode(QWidget& Window, int Code) {
  // Only the window writes this key; a hand-edited value outside 0..2 counts
  // as the normal state.
  switch (Code) {
    case 1: Window.setWindowState(Qt::WindowMinimized); break;
    case 2: Window.setWindowState(Qt::WindowMaximized); break;
    default: Window.setWindowState(Qt::WindowNoState); break;
  }
}

// A window restored to where no screen is any more (a monitor unplugged, a
// smaller display) or to a size no window can have goes back to its design
// place and size; WriteSettings then stores the corrected values.  Sums are
// 64-bit: stored values reach the ends of the Integer range.
void KeepVisible(QWidget& Window) {
  if (QGuiApplication::screens().isEmpty()) return;
  // X11 and Qt both refuse window sides above 32767 pixels.
  constexpr int MaxSide = 32767;
  if (Window.width() < 1 || Window.height() < 1 || Window.width() > MaxSide ||
      Window.height() > MaxSide)
    Window.resize(DesignClientWidth, DesignClientHeight);
  // The title bar's first part must be reachable to move the window.
  const int64_t Left = Window.x(), Top = Window.y();
  const int64_t Right = Left + std::min(Window.width(), 100), Bottom = Top + 24;
  for (const QScreen* Screen : QGuiApplication::screens()) {
    const QRect Area = Screen->availableGeometry();
    if (Left < int64_t(Area.x()) + Area.width() && Right > Area.x() &&
        Top < int64_t(Area.y()) + Area.height() && Bottom > Area.y())
      return;
  }
  Window.move(DesignLeft, DesignTop);
}

// Text of the readme: UTF-8, or Shift-JIS when it is not valid UTF-8.
QString DecodeReadme(const QByteArray& Bytes) {
  QStringDecoder Utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString Text = Utf8(Bytes);
  if (Utf8.hasError()) {
    QStringDecoder ShiftJis("Shift_JIS");
    Text = ShiftJis.isValid() ? QString(ShiftJis(Bytes)) : QString::fromLatin1(Bytes);
  }
  return Text;
}

// The lines of a text, whatever its line ends, joined by CR LF; the end of
// the last line makes no empty line of its own.
QString TextLines(QString Text) {
  Text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  Text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
  if (Text.endsWith(QLatin1Char('\n'))) Text.chop(1);
  return Text.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
}

// Local files of a drop, in the order given.
QStringList LocalFiles(const QMimeData* Data) {
  QStringList Files;
  if (!Data || !Data->hasUrls()) return Files;
  for (const QUrl& Url : Data->urls()) {
    if (Url.isLocalFile() && !Url.toLocalFile().isEmpty()) Files << Url.toLocalFile();
  }
  return Files;
}

// The path to open for a name from the shell or the command line: its long
// form when there is one, else the name as given.
QString LongPathOf(const QString& Name) {
  QString Long;
  if (GetLongPath(QFileInfo(Name).absoluteFilePath(), Long)) return Long;
  return Name;
}

// An argument is an option when it begins with "/" or "-" and is not a path:
// no further "/" and no existing file of that name.
bool IsOption(const QString& Argument) {
  if (!Argument.startsWith(QLatin1Char('/')) && !Argument.startsWith(QLatin1Char('-')))
    return false;
  return Argument.indexOf(QLatin1Char('/'), 1) < 0 && !QFileInfo::exists(Argument);
}

QChar AsciiUpper(QChar C) {
  return C >= QLatin1Char('a') && C <= QLatin1Char('z') ? QChar(C.unicode() - 'a' + 'A') : C;
}

// Files dropped on a child that takes drops of its own (the memo, the edit
// boxes) are the window's: the child still gets dragged text.
class TDropForwarder : public QObject {
public:
  explicit TDropForwarder(TFrameForm* Form) : QObject(Form), FForm(Form) {}

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    switch (Event->type()) {
      case QEvent::DragEnter:
      case QEvent::DragMove: {
        auto* Drag = static_cast<QDragMoveEvent*>(Event);
        if (LocalFiles(Drag->mimeData()).isEmpty()) break;
        Drag->acceptProposedAction();
        return true;
      }
      case QEvent::Drop: {
        auto* Drop = static_cast<QDropEvent*>(Event);
        const QStringList Files = LocalFiles(Drop->mimeData());
        if (Files.isEmpty()) break;
        Drop->acceptProposedAction();
        FForm->Guarded([&] { FForm->WMDropFiles(Files); });
        return true;
      }
      default: break;
    }
    return QObject::eventFilter(Watched, Event);
  }

private:
  TFrameForm* FForm;
};

// The context menu's shortcuts belong to the whole window: an edit box or
// the memo does not keep one for itself (Ctrl+A selects the memo's text
// wherever the focus is).  The keys of undo and redo act on the table even
// while there is nothing to undo: a box's own undo never takes them.
class TMenuKeys : public QObject {
public:
  explicit TMenuKeys(QWidget* Window, QList<const QAction*> TableItems)
      : QObject(Window), FWindow(Window), FTableItems(std::move(TableItems)) {}

protected:
  bool eventFilter(QObject* Watched, QEvent* Event) override {
    if (Event->type() == QEvent::ShortcutOverride || Event->type() == QEvent::KeyPress) {
      const QKeySequence Key(static_cast<QKeyEvent*>(Event)->keyCombination());
      for (const QAction* Item : FWindow->actions()) {
        if (!Item->shortcuts().contains(Key)) continue;
        const bool Table = FTableItems.contains(Item);
        // Override not accepted: the shortcut is looked up and the window's
        // item runs.  A key press that reaches here found the item disabled.
        if (Event->type() == QEvent::ShortcutOverride && (Item->isEnabled() || Table)) return true;
        if (Event->type() == QEvent::KeyPress && Table) return true;
      }
    }
    return QObject::eventFilter(Watched, Event);
  }

private:
  QWidget* FWindow;
  QList<const QAction*> FTableItems;
};

}  // namespace

QString TFrameForm::ExeDir() const { return QFileInfo(FExeName).absolutePath(); }

void TFrameForm::FormShow() {
  FHuffman = std::make_unique<THuffman>();
  FMetafile = std::make_unique<QPicture>();

  FDocument.FileName.clear();
  FSelectedData = 0;
  FDataCount = 0;
  FOrderCount = 0;
  FMaxFrequency = 0;

  const bool Portable = IsPortable(ExeDir());
  if (Portable) {
    // One level; a failure is not reported (the open dialog then starts
    // elsewhere).
    FDataDir = ExeDir() + QLatin1Char('/') + QLatin1String(DataFolderName);
    if (!QFileInfo(FDataDir).isDir()) QDir().mkdir(FDataDir);
  } else {
    // The user's own folders; the shipped samples are copied into a new
    // data folder once.
    FDataDir = UserFolder(QStandardPaths::GenericDataLocation) + QLatin1Char('/') +
               QLatin1String(DataFolderName);
    if (!QFileInfo(FDataDir).isDir() && QDir().mkpath(FDataDir)) {
      const QDir Shipped(ExeDir() + QLatin1Char('/') + QLatin1String(DataFolderName));
      for (const QFileInfo& Sample : Shipped.entryInfoList(QDir::Files))
        QFile::copy(Sample.absoluteFilePath(), FDataDir + QLatin1Char('/') + Sample.fileName());
    }
    const QString ConfigDir = UserFolder(QStandardPaths::GenericConfigLocation);
    QDir().mkpath(ConfigDir);
    Settings->SetDir(ConfigDir);
  }
  Settings->SetExeName(FExeName);

  try {
    Settings->Open();
  } catch (const EFOpenError& E) {
    // The store now refuses to save over the file; say so once and go on.
    ShowException(Exception(tr(SettingsNotSaved).arg(RuntimeMessage(E)).toStdString()));
  }
  ReadSettings();
  ReadRecentFiles();

  setAcceptDrops(true);
  auto* Forwarder = new TDropForwarder(this);
  for (QWidget* Child : findChildren<QWidget*>()) {
    if (Child->acceptDrops()) Child->installEventFilter(Forwarder);
  }

  QString FileToOpen;
  ApplyCommandLine(FileToOpen);
  if (!FileToOpen.isEmpty()) {
    // FormShow runs before the window is mapped: the open waits for the
    // event loop, so the window is on screen (the memo as designed) before a
    // long open shows its progress over it.
    const QString Path = LongPathOf(FileToOpen);
    QMetaObject::invokeMethod(
        this,
        [this, Path] {
          if (!FClosed) Guarded([&] { OpenDataFile(Path); });
        },
        Qt::QueuedConnection);
    return;
  }
  const QString Readme = ExeDir() + QLatin1Char('/') + QLatin1String(ReadmeName);
  QFile File(Readme);
  if (!File.open(QIODevice::ReadOnly))
    throw EFOpenError(Format(SFOpenError, Readme.toUtf8().constData()));
  ViewMemo->SetText(TextLines(DecodeReadme(File.readAll())));
}

void TFrameForm::ReadSettings() {
  if (Settings->Count() <= 0) {
    // First start (or a file that could not be read): the keys in file order
    // from the window as it stands.  Nothing is applied and nothing saved yet.
    Settings->Add(QString::fromUtf8(SettingsHeader));
    Settings->WriteInteger(KeyName(KeyWindowState), StateCode(*this));
    Settings->WriteInteger(KeyName(KeyLeft), x());
    Settings->WriteInteger(KeyName(KeyTop), y());
    resize(DesignClientWidth, height());
    Settings->WriteInteger(KeyName(KeyClientWidth), width());
    resize(width(), DesignClientHeight);
    Settings->WriteInteger(KeyName(KeyClientHeight), height());
    Settings->WriteInteger(KeyName(KeyGraph), 1);
    Settings->WriteInteger(KeyName(KeyInfor), 1);
    Settings->WriteInteger(KeyName(KeyData), 1);
    Settings->WriteInteger(KeyName(KeyBarWidth), BarWidthSpin->Position());
    Settings->WriteInteger(KeyName(KeyRangeEnd), RangeEndSpin->Position());
    Settings->WriteBoolean(KeyName(KeyAllowDoubleLaunch), AllowDoubleLaunchItem->isChecked());
    return;
  }

  const int State = StoredInteger(KeyWindowState);
  ApplyStateCode(*this, State);
  if (State != 2) {
    move(StoredInteger(KeyLeft), y());
    move(x(), StoredInteger(KeyTop));
    resize(StoredInteger(KeyClientWidth), height());
    resize(width(), StoredInteger(KeyClientHeight));
    KeepVisible(*this);
    FRestoredFramePos = pos();
  }
  if (StoredInteger(KeyGraph) == 2)
    FrequencyOrderRadio->setChecked(true);
  else
    DataOrderRadio->setChecked(true);
  switch (StoredInteger(KeyInfor)) {
    case 3: TableViewRadio->setChecked(true); break;
    case 2: ArraysViewRadio->setChecked(true); break;
    default: DistributionViewRadio->setChecked(true); break;
  }
  if (StoredInteger(KeyData) == 2)
    TableModeRadio->setChecked(true);
  else
    ByteModeRadio->setChecked(true);
  BarWidthSpin->SetPosition(StoredInteger(KeyBarWidth));
  RangeEndSpin->SetPosition(StoredInteger(KeyRangeEnd));
  AllowDoubleLaunchItem->setChecked(StoredInteger(KeyAllowDoubleLaunch) != 0);
}

int32_t TFrameForm::StoredInteger(int Key) {
  const QString Name = KeyName(TSettingsKey(Key));
  const int32_t Design = SettingsKeys[Key].Design;
  const bool Boolean = Key == KeyAllowDoubleLaunch;
  if (Settings->IndexOfName(Name) < 0) {
    // A damaged or hand-cut file: the key goes back in its place in the key
    // order with its design value, so the next save writes a whole file.
    int At = -1;
    for (int Before = Key - 1; Before >= 0 && At < 0; --Before) {
      const int Index = Settings->IndexOfName(KeyName(TSettingsKey(Before)));
      if (Index >= 0) At = Index + 1;
    }
    for (int After = Key + 1; After < SettingsKeyCount && At < 0; ++After)
      At = Settings->IndexOfName(KeyName(TSettingsKey(After)));
    const QString Value =
        Boolean ? QString::fromLatin1(Design ? "True" : "False") : QString::number(Design);
    if (At < 0)
      Settings->WriteString(Name, Value);
    else
      Settings->Insert(At, Name + QLatin1Char('=') + Value);
    return Design;
  }
  // An unusable value (not a number, an empty one) takes the design value
  // too; the next save writes the window's state over it.
  try {
    return Boolean ? Settings->ReadBoolean(Name) : Settings->ReadInteger(Name);
  } catch (const Exception&) {
    return Design;
  }
}

void TFrameForm::WriteSettings() {
  Settings->WriteInteger(KeyName(KeyWindowState), StateCode(*this));
  // A maximized window keeps the keys as they were read or written last.
  if (!(windowState() & Qt::WindowMaximized)) {
    const QPoint Frame = FramePosition();
    Settings->WriteInteger(KeyName(KeyLeft), Frame.x());
    Settings->WriteInteger(KeyName(KeyTop), Frame.y());
    Settings->WriteInteger(KeyName(KeyClientWidth), width());
    Settings->WriteInteger(KeyName(KeyClientHeight), height());
    Settings->WriteInteger(KeyName(KeyGraph), FrequencyOrderRadio->isChecked() ? 2 : 1);
    Settings->WriteInteger(KeyName(KeyInfor), TableViewRadio->isChecked()    ? 3
                                              : ArraysViewRadio->isChecked() ? 2
                                                                             : 1);
    Settings->WriteInteger(KeyName(KeyData), TableModeRadio->isChecked() ? 2 : 1);
    Settings->WriteInteger(KeyName(KeyBarWidth), BarWidthSpin->Position());
    Settings->WriteInteger(KeyName(KeyRangeEnd), RangeEndSpin->Position());
    Settings->WriteBoolean(KeyName(KeyAllowDoubleLaunch), AllowDoubleLaunchItem->isChecked());
  }
  Settings->Save();
}

bool TFrameForm::FormCloseQuery() {
  FNormalCurve.clear();
  FSortedFrequency.clear();
  FFrequency.clear();
  FMetafile.reset();
  FHuffman.reset();
  // From here on nothing may reach the document: the window closes even when
  // the settings cannot be written (the error box says so).
  FClosed = true;
  WriteSettings();
  return true;
}

void TFrameForm::ResetToDefaults() {
  setWindowState(Qt::WindowNoState);
  move(DesignLeft, DesignTop);
  resize(DesignClientWidth, DesignClientHeight);
  AllowDoubleLaunchItem->setChecked(false);
  if (!DataOrderRadio->isChecked()) {
    DataOrderRadio->setChecked(true);
    DrawGraph(FFrequency, false, 0, FDataCount);
  }
  if (!DistributionViewRadio->isChecked()) {
    DistributionViewRadio->setChecked(true);
    ViewMemo->SetText(QString::fromStdString(FHuffmanText));
  }
  if (BarWidthSpin->Position() != DesignBarWidth) {
    BarWidthSpin->SetPosition(DesignBarWidth);
    FBarWidth = DesignBarWidth;
    DrawCurrentOrder(false, 0);
  }
  RangeEndSpin->SetPosition(DesignRangeEnd);
  setWindowTitle(QString::fromUtf8(FrameCaption));
}

void TFrameForm::HelpChosen() {
  TDialogs::Current().OpenDocument(ExeDir() + QLatin1Char('/') + QLatin1String(ReadmeName));
}

void TFrameForm::AboutChosen() {
  const QString Text = QStringLiteral("\r\n") + QString::fromUtf8(FrameCaption) + QLatin1Char(' ') +
                       QString::fromUtf8(CopyrightLine);
  TDialogs::Current().About(this, ApplicationTitle(), windowIcon(), Text);
}

void TFrameForm::SelectAllChosen() { ViewMemo->SelectAll(); }

void TFrameForm::ResetChosen() {
  ShowMessage(tr(ResetMessage));
  ResetToDefaults();
  WriteSettings();
}

void TFrameForm::WMDropFiles(const QStringList& Paths) {
  // The whole path, however long; the other files are ignored.
  if (Paths.isEmpty() || FClosed) return;
  OpenDataFile(LongPathOf(Paths.first()));
}

void TFrameForm::ApplyCommandLine(QString& FileToOpen) {
  for (const QString& Argument : FCommandLine) {
    if (!IsOption(Argument)) {
      if (FileToOpen.isEmpty()) FileToOpen = Argument;
      continue;
    }
    if (Argument.size() < 2) continue;
    const QChar Letter = AsciiUpper(Argument.at(1));
    const QChar Choice = Argument.size() > 2 ? Argument.at(2) : QChar();
    if (Letter == QLatin1Char('G')) {
      (Choice == QLatin1Char('2') ? FrequencyOrderRadio : DataOrderRadio)->setChecked(true);
    } else if (Letter == QLatin1Char('I')) {
      (Choice == QLatin1Char('3')   ? TableViewRadio
       : Choice == QLatin1Char('2') ? ArraysViewRadio
                                    : DistributionViewRadio)
          ->setChecked(true);
    } else if (Letter == QLatin1Char('D')) {
      (Choice == QLatin1Char('2') ? TableModeRadio : ByteModeRadio)->setChecked(true);
    } else if (Letter == QLatin1Char('B')) {
      // At most two characters; the spin box brings the value into 1..20.
      BarWidthSpin->SetPosition(StrToIntDef(Argument.mid(2, 2).toStdString(), DesignBarWidth));
    }
  }
}

void TFrameForm::showEvent(QShowEvent* Event) {
  QWidget::showEvent(Event);
  if (FShown) return;
  FShown = true;
  auto* MenuKeys = new TMenuKeys(this, {UndoItem, RedoItem});
  for (QWidget* Child : findChildren<QWidget*>()) {
    if (Child->focusPolicy() != Qt::NoFocus) Child->installEventFilter(MenuKeys);
  }
  Guarded([this] { FormShow(); });
  if (QWindow* Native = windowHandle()) Native->installEventFilter(this);
  ApplyRestoredFramePos();
  // Found by later starts once AllowDoubleLaunchItem has its stored state, also when FormShow
  // failed.
  StartCopyDataReceiver();
}

// Left and Top are the frame's top-left.  The widget's own idea of its frame
// (pos(), frameGeometry()) can stay at the client's corner for good when the
// window manager's frame extents arrive between two of its updates, so the
// frame is read from the native window, which asks the platform each time.
QPoint TFrameForm::FramePosition() const {
  const QWindow* Native = windowHandle();
  return Native && Native->isVisible() ? Native->framePosition() : pos();
}

// Before the window is mapped its frame is unknown, and a window manager may
// place the client where the frame was asked for: the window would creep by
// its title bar.  So the stored place is applied again, to the frame, each
// time the native window is exposed or moved, until it is seen framed and
// mapped at that place (a few corrections at most, never fighting the user).
void TFrameForm::ApplyRestoredFramePos() {
  constexpr int MaxCorrections = 4;
  QWindow* Native = windowHandle();
  if (!FRestoredFramePos || !Native || !Native->isExposed()) return;
  if (Native->frameMargins().isNull()) return;  // not framed yet
  if (windowState() & (Qt::WindowMaximized | Qt::WindowMinimized) ||
      Native->framePosition() == *FRestoredFramePos || ++FFramePosTries > MaxCorrections) {
    FRestoredFramePos.reset();
    return;
  }
  // The client's place for that frame: asking for the frame's place would
  // be the request the window manager just placed wrongly.
  const QMargins Frame = Native->frameMargins();
  Native->setPosition(*FRestoredFramePos + QPoint(Frame.left(), Frame.top()));
}

bool TFrameForm::eventFilter(QObject* Watched, QEvent* Event) {
  if (Watched == windowHandle() && FRestoredFramePos &&
      (Event->type() == QEvent::Expose || Event->type() == QEvent::Move))
    QTimer::singleShot(0, this, [this] { ApplyRestoredFramePos(); });
  return QWidget::eventFilter(Watched, Event);
}

void TFrameForm::closeEvent(QCloseEvent* Event) {
  if (!FClosed) Guarded([this] { FormCloseQuery(); });
  Event->accept();
}

void TFrameForm::contextMenuEvent(QContextMenuEvent* Event) {
  if (FClosed) return;
  ContextMenu->popup(Event->globalPos());
  Event->accept();
}

void TFrameForm::dragEnterEvent(QDragEnterEvent* Event) {
  if (!FClosed && !LocalFiles(Event->mimeData()).isEmpty()) Event->acceptProposedAction();
}

void TFrameForm::dropEvent(QDropEvent* Event) {
  const QStringList Files = LocalFiles(Event->mimeData());
  if (Files.isEmpty()) return;
  Event->acceptProposedAction();
  Guarded([&] { WMDropFiles(Files); });
}
