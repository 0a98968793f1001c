// The window's lifecycle: settings written and restored, the command line,
// drops, the context menu, AllowDoubleLaunchItem, and the single-instance request, in process
// and between two real processes of the built program (QUORVANT_EXE).
#include "FrameTestSupport.h"

#include "CopyData.h"
#include "Param.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLocalSocket>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <QtEndian>

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <algorithm>
#include <csignal>
#include <functional>
#include <future>
#include <thread>

namespace {

const char* const Header = "Quorvant 環境設定ファイル --- このファイルは、編集しないで下さい。";

// A settings file as the window writes it: the header, then "key=value"
// lines, each line ended by CR LF.
QByteArray SettingsBytes(const std::vector<std::pair<const char*, const char*>>& Keys) {
  QByteArray Bytes = QByteArray(Header) + "\r\n";
  for (const auto& [Key, Value] : Keys) Bytes += QByteArray(Key) + '=' + Value + "\r\n";
  return Bytes;
}

const std::vector<std::pair<const char*, const char*>> FirstStartKeys = {
    {"WindowState", "0"},
    {"Left", "197"},
    {"Top", "115"},
    {"ClientWidth", "711"},
    {"ClientHeight", "515"},
    {"Graph", "1"},
    {"Infor", "1"},
    {"Data", "1"},
    {"UpDown1.Position", "10"},
    {"UpDown2.Position", "255"},
    {"X1.Checked", "False"}};

// Every key away from its default; positions well inside the offscreen screen.
const std::vector<std::pair<const char*, const char*>> ChangedKeys = {{"WindowState", "0"},
                                                                      {"Left", "150"},
                                                                      {"Top", "90"},
                                                                      {"ClientWidth", "640"},
                                                                      {"ClientHeight", "480"},
                                                                      {"Graph", "2"},
                                                                      {"Infor", "3"},
                                                                      {"Data", "2"},
                                                                      {"UpDown1.Position", "7"},
                                                                      {"UpDown2.Position", "1000"},
                                                                      {"X1.Checked", "True"}};

std::vector<std::pair<const char*, const char*>> With(
    std::vector<std::pair<const char*, const char*>> Keys, const char* Key, const char* Value) {
  for (auto& Entry : Keys)
    if (QByteArray(Entry.first) == Key) Entry.second = Value;
  return Keys;
}

std::vector<std::pair<const char*, const char*>> Without(
    std::vector<std::pair<const char*, const char*>> Keys, const char* Key) {
  std::erase_if(Keys, [Key](const auto& Entry) { return QByteArray(Entry.first) == Key; });
  return Keys;
}

QByteArray ReadBytes(const QString& Path) {
  QFile File(Path);
  if (!File.open(QIODevice::ReadOnly)) return QByteArray("<missing>");
  return File.readAll();
}

QString Utf8(const char* Text) { return QString::fromUtf8(Text); }

// The copy-data message as the protocol spells it, built by hand.
QByteArray Message(uint32_t DwData, uint32_t CbData, const QByteArray& Data) {
  uchar Fields[8];
  qToLittleEndian<quint32>(DwData, Fields);
  qToLittleEndian<quint32>(CbData, Fields + 4);
  return QByteArray(reinterpret_cast<const char*>(Fields), 8) + Data;
}

// Runs Body on a thread of its own (it may block on a socket) while this
// thread serves the window's events; returns Body's result.
template <class TBody>
auto OffThread(TBody Body) {
  auto Future = std::async(std::launch::async, Body);
  while (Future.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
    QApplication::processEvents();
  return Future.get();
}

// Runs the event loop until Done() or Ms pass; true when Done().
template <class TDone>
bool ServeUntil(TDone Done, int Ms) {
  QElapsedTimer Timer;
  Timer.start();
  while (!Done()) {
    if (Timer.elapsed() > Ms) return false;
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    QThread::msleep(5);
  }
  return true;
}

// A pid that no process has: a child that has already been reaped.
pid_t DeadPid() {
  const pid_t Child = fork();
  if (Child == 0) _exit(0);
  waitpid(Child, nullptr, 0);
  return Child;
}

// Leaves a socket file that nobody listens on, as a killed process would.
void MakeStaleSocket(const QString& Path) {
  const int Fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(Fd, 0);
  sockaddr_un Address{};
  Address.sun_family = AF_UNIX;
  const QByteArray Native = QFile::encodeName(Path);
  ASSERT_LT(Native.size(), static_cast<qsizetype>(sizeof Address.sun_path));
  memcpy(Address.sun_path, Native.constData(), Native.size());
  ASSERT_EQ(bind(Fd, reinterpret_cast<sockaddr*>(&Address), sizeof Address), 0);
  close(Fd);
}

// Drags Data onto Target and drops it there, as the desktop does: the drop
// goes to the widget that took the drag.  True when the drop was accepted.
bool DropOn(QWidget* Target, const QMimeData& Data) {
  QDragEnterEvent Enter(QPoint(10, 10), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Target, &Enter);
  if (!Enter.isAccepted()) return false;
  QDropEvent Drop(QPointF(10, 10), Qt::CopyAction, &Data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(Target, &Drop);
  return Drop.isAccepted();
}

// Sets or clears the immutable flag of a folder: nobody, root included, can
// then create a file in it.  False when the file system or the process
// cannot.
bool SetImmutable(const QString& Folder, bool On) {
  const int Fd = open(QFile::encodeName(Folder).constData(), O_RDONLY | O_DIRECTORY);
  if (Fd < 0) return false;
  int Flags = 0;
  bool Done = ioctl(Fd, FS_IOC_GETFLAGS, &Flags) == 0;
  if (Done) {
    Flags = On ? Flags | FS_IMMUTABLE_FL : Flags & ~FS_IMMUTABLE_FL;
    Done = ioctl(Fd, FS_IOC_SETFLAGS, &Flags) == 0;
  }
  close(Fd);
  return Done;
}

class FrameLifecycle : public TFrameTest {
protected:
  QString SettingsPath() const { return PathOf(QStringLiteral("Quorvant.ini")); }
  void WriteSettings(const QByteArray& Bytes) { WriteBytes(SettingsPath(), Bytes); }
  // A small file to open: three data values.
  QString SampleFile(const QString& Name) {
    WriteBytes(PathOf(Name), QByteArray("aaabbc"));
    return PathOf(Name);
  }
};

// ---- settings ---------------------------------------------------------------

TEST_F(FrameLifecycle, FirstStartCreatesDataFolderShowsReadmeAndWritesElevenKeysAtClose) {
  WriteText(PathOf("ReadmeQ.txt"), "First line\r\n二行目\r\n");
  TFrameForm& F = ShowForm();
  EXPECT_TRUE(QFileInfo(PathOf("QuorvantData")).isDir());
  EXPECT_EQ(F.DataDir(), PathOf("QuorvantData"));
  EXPECT_EQ(F.ViewMemo->Text(), Utf8("First line\r\n二行目"));
  EXPECT_FALSE(QFile::exists(SettingsPath())) << "nothing is written before the close";
  EXPECT_TRUE(Dialogs.Messages.empty());
  F.close();
  EXPECT_EQ(ReadBytes(SettingsPath()), SettingsBytes(FirstStartKeys));
}

TEST_F(FrameLifecycle, ReadmeInShiftJisIsShown) {
  // "テスト" in Shift-JIS: not valid UTF-8.
  WriteBytes(PathOf("ReadmeQ.txt"), QByteArray("\x83\x65\x83\x58\x83\x67"));
  TFrameForm& F = ShowForm();
  EXPECT_EQ(F.ViewMemo->Text(), Utf8("テスト"));
}

TEST_F(FrameLifecycle, RestoresEveryKey) {
  WriteSettings(SettingsBytes(ChangedKeys));
  TFrameForm& F = ShowForm();
  EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.Texts().join('|').toStdString();
  EXPECT_EQ(F.windowState(), Qt::WindowNoState);
  EXPECT_EQ(F.pos(), QPoint(150, 90));
  EXPECT_EQ(F.size(), QSize(640, 480));
  EXPECT_TRUE(F.FrequencyOrderRadio->isChecked());
  EXPECT_TRUE(F.TableViewRadio->isChecked());
  EXPECT_TRUE(F.TableModeRadio->isChecked());
  EXPECT_EQ(F.BarWidthSpin->Position(), 7);
  EXPECT_EQ(F.RangeEndSpin->Position(), 1000);
  EXPECT_TRUE(F.AllowDoubleLaunchItem->isChecked());
  // A normal close writes back what was read.
  F.close();
  EXPECT_EQ(ReadBytes(SettingsPath()), SettingsBytes(ChangedKeys));
}

TEST_F(FrameLifecycle, InforTwoChecksHuffmanArraysAndOtherValuesTheDefaults) {
  WriteSettings(
      SettingsBytes(With(With(With(FirstStartKeys, "Infor", "2"), "Graph", "7"), "Data", "0")));
  TFrameForm& F = ShowForm();
  EXPECT_TRUE(F.ArraysViewRadio->isChecked());
  EXPECT_TRUE(F.DataOrderRadio->isChecked());
  EXPECT_TRUE(F.ByteModeRadio->isChecked());
}

TEST_F(FrameLifecycle, MissingOrUnusableKeysTakeTheirDesignValuesAndTheStartFinishes) {
  // The damaged file, and what the window then shows of the key.
  struct TCase {
    std::vector<std::pair<const char*, const char*>> Keys;
    QPoint Pos;
    bool BarsInFrequencyOrder;
    int BarWidth;
  };
  const auto Keys = With(ChangedKeys, "Data", "1");  // the sample is no 32-bit table
  const TCase Cases[] = {
      {Without(Keys, "Top"), {150, 115}, true, 7},
      {Without(Without(Keys, "WindowState"), "UpDown1.Position"), {150, 90}, true, 10},
      {With(Keys, "Graph", "x2"), {150, 90}, false, 7},
      {With(With(Keys, "Left", ""), "UpDown1.Position", "seven"), {197, 90}, true, 10},
  };
  const QString Sample = SampleFile("sample.bin");
  for (const TCase& Case : Cases) {
    WriteSettings(SettingsBytes(Case.Keys));
    TFrameForm& F = ShowForm({Sample});
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.Texts().join('|').toStdString();
    EXPECT_EQ(F.pos(), Case.Pos);
    EXPECT_EQ(F.FrequencyOrderRadio->isChecked(), Case.BarsInFrequencyOrder);
    EXPECT_EQ(F.BarWidthSpin->Position(), Case.BarWidth);
    EXPECT_TRUE(F.AllowDoubleLaunchItem->isChecked()) << "keys after the damaged one are read";
    EXPECT_EQ(F.FileName(), Sample) << "the command line's file opens";
    EXPECT_TRUE(F.acceptDrops());
    F.move(150, 90);
    F.close();
    // The next save writes a whole file, every key in its place.
    // (The open sets the range's end to the table's last index.)
    const auto Saved = With(With(With(Keys, "Graph", Case.BarsInFrequencyOrder ? "2" : "1"),
                                 "UpDown1.Position", Case.BarWidth == 7 ? "7" : "10"),
                            "UpDown2.Position", "255");
    EXPECT_EQ(ReadBytes(SettingsPath()).toStdString(), SettingsBytes(Saved).toStdString());
    DestroyForm();
    Dialogs.Messages.clear();
  }
}

TEST_F(FrameLifecycle, SettingsFileThatCannotBeReadIsNeverWrittenOver) {
  const QString Sample = SampleFile("sample.bin");
  const QString Fifo = PathOf("settings.fifo");
  ASSERT_EQ(mkfifo(QFile::encodeName(Fifo).constData(), 0600), 0);
  const QByteArray Own = SettingsBytes(ChangedKeys) + "my own line\r\n";
  struct TCase {
    const char* What;
    std::function<void()> Make;
  };
  const TCase Cases[] = {
      {"a file the user cannot read",
       [&] {
         WriteSettings(Own);
         chmod(QFile::encodeName(SettingsPath()).constData(), 0200);
       }},
      {"a link to a FIFO",
       [&] {
         QFile::remove(SettingsPath());
         QFile::link(Fifo, SettingsPath());
       }},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.What);
    Case.Make();
    const bool Regular = QFileInfo(SettingsPath()).isFile();
    if (Regular && geteuid() == 0) continue;  // root reads anything
    const QString Target = QFileInfo(SettingsPath()).symLinkTarget();
    TFrameForm& F = ShowForm({Sample});
    EXPECT_EQ(Dialogs.ErrorTexts(),
              QStringList{Utf8("ファイル ") + SettingsPath() +
                          Utf8(" は開けません。このファイルには設定を保存しません。")});
    EXPECT_EQ(F.pos(), QPoint(197, 115)) << "the design values";
    EXPECT_EQ(F.FileName(), Sample) << "the start finishes";
    Dialogs.Messages.clear();
    F.AllowDoubleLaunchItem->trigger();
    F.close();
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.Texts().join('|').toStdString();
    EXPECT_EQ(QFileInfo(SettingsPath()).symLinkTarget(), Target);
    if (Regular) {
      chmod(QFile::encodeName(SettingsPath()).constData(), 0600);
      EXPECT_EQ(ReadBytes(SettingsPath()), Own);
    }
    DestroyForm();
  }
}

// The window is on screen before the open of a named file shows anything
// (its progress, or here its refusal); a drop opens at once as before.
TEST_F(FrameLifecycle, CommandLineFileOpensOnceTheWindowIsOnScreen) {
  const QString Missing = PathOf("missing.bin");
  TFrameForm& F = ShowForm({Missing});
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Text, Missing + Utf8(" は見つかりません。"));
  EXPECT_TRUE(Dialogs.Messages[0].OwnerOnScreen);
  EXPECT_EQ(F.ViewMemo->Text(), MemoDesignText);
}

TEST_F(FrameLifecycle, MissingReadmeIsReportedAndLeavesTheMemo) {
  CreateForm();
  QFile::remove(PathOf("ReadmeQ.txt"));
  TFrameForm& F = ShowForm();
  EXPECT_EQ(Dialogs.ErrorTexts(),
            QStringList{Utf8("ファイル ") + PathOf("ReadmeQ.txt") + Utf8(" は開けません.")});
  EXPECT_EQ(F.ViewMemo->Text(), MemoDesignText);
  EXPECT_TRUE(F.acceptDrops());
}

TEST_F(FrameLifecycle, MaximizedCloseWritesOnlyWindowState) {
  WriteSettings(SettingsBytes(ChangedKeys));
  TFrameForm& F = ShowForm();
  F.showMaximized();
  QApplication::processEvents();
  F.DataOrderRadio->setChecked(true);
  F.BarWidthSpin->SetPosition(3);
  F.close();
  EXPECT_EQ(ReadBytes(SettingsPath()), SettingsBytes(With(ChangedKeys, "WindowState", "2")));
  DestroyForm();

  TFrameForm& Next = ShowForm();
  EXPECT_TRUE(Next.windowState() & Qt::WindowMaximized);
  EXPECT_TRUE(Next.FrequencyOrderRadio->isChecked());
  EXPECT_EQ(Next.BarWidthSpin->Position(), 7);
}

TEST_F(FrameLifecycle, StoredGeometryThatCannotShowAWindowGoesBackToTheDesignAndIsStoredSo) {
  struct TCase {
    const char *Left, *Top, *Width, *Height;
    QPoint Pos;
    QSize Size;
  };
  const TCase Cases[] = {
      {"20000", "-9000", "640", "480", {197, 115}, {640, 480}},
      {"2147483647", "-2147483648", "640", "480", {197, 115}, {640, 480}},
      {"150", "90", "0", "480", {150, 90}, {711, 515}},
      {"150", "90", "640", "-5", {150, 90}, {711, 515}},
      {"-2147483648", "2147483647", "-2147483648", "2147483647", {197, 115}, {711, 515}},
  };
  for (const TCase& Case : Cases) {
    WriteSettings(
        SettingsBytes(With(With(With(With(ChangedKeys, "Left", Case.Left), "Top", Case.Top),
                                "ClientWidth", Case.Width),
                           "ClientHeight", Case.Height)));
    TFrameForm& F = ShowForm();
    EXPECT_EQ(F.pos(), Case.Pos) << Case.Left << "," << Case.Top;
    EXPECT_EQ(F.size(), Case.Size) << Case.Width << "x" << Case.Height;
    DestroyForm();
    const QByteArray Stored = ReadBytes(SettingsPath());
    for (const auto& [Key, Value] : {std::pair{"Left", Case.Pos.x()},
                                     {"Top", Case.Pos.y()},
                                     {"ClientWidth", Case.Size.width()},
                                     {"ClientHeight", Case.Size.height()}})
      EXPECT_TRUE(Stored.contains(QByteArray(Key) + '=' + QByteArray::number(Value) + "\r\n"))
          << Key << " in " << Stored.constData();
  }
}

TEST_F(FrameLifecycle, FailedWriteAtCloseIsReportedAndTheWindowCloses) {
  TFrameForm& F = ShowForm({SampleFile("sample.bin")});
  ASSERT_NE(F.Huffman(), nullptr);
  const QString Missing = PathOf("gone");
  F.Settings->SetDir(Missing);
  F.close();
  EXPECT_EQ(Dialogs.ErrorTexts(),
            QStringList{Utf8("ファイル ") + Missing + Utf8("/Quorvant.ini を作成できません.")});
  EXPECT_FALSE(F.isVisible());
  EXPECT_EQ(F.Huffman(), nullptr);
  // A later close request finds nothing to release again.
  F.close();
  EXPECT_EQ(Dialogs.ErrorTexts().size(), 1);
}

TEST_F(FrameLifecycle, InstalledCopyKeepsItsSettingsAndSamplesInTheUsersFolders) {
  CreateForm();
  ASSERT_TRUE(QDir().mkpath(PathOf("QuorvantData")));
  WriteBytes(PathOf("QuorvantData/shipped.bin"), "abc");
  // The executable's folder as an installed copy has it: not writable.
  struct TRestore {
    QString Folder;
    ~TRestore() {
      SetImmutable(Folder, false);
      chmod(QFile::encodeName(Folder).constData(), 0700);
    }
  } Restore{Dir()};
  ASSERT_EQ(chmod(QFile::encodeName(Dir()).constData(), 0555), 0);
  if (QFileInfo(Dir()).isWritable()) SetImmutable(Dir(), true);  // root writes anyway
  if (QFileInfo(Dir()).isWritable()) GTEST_SKIP() << "cannot make a folder unwritable here";

  TFrameForm& F = ShowForm();
  EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.Texts().join('|').toStdString();
  EXPECT_EQ(F.DataDir(), PathOf("data/Quorvant/QuorvantData"));
  EXPECT_EQ(ReadBytes(PathOf("data/Quorvant/QuorvantData/shipped.bin")), QByteArray("abc"));
  EXPECT_EQ(F.ViewMemo->Text(), QStringLiteral("Readme of the test"));
  F.close();
  EXPECT_EQ(ReadBytes(PathOf("config/Quorvant/Quorvant.ini")), SettingsBytes(FirstStartKeys));
  EXPECT_FALSE(QFileInfo::exists(SettingsPath()));
}

// ---- command line -------------------------------------------------------------

TEST_F(FrameLifecycle, LowerCaseOptionsAndAFileAreAppliedAndStored) {
  const QString Sample = SampleFile("sample.bin");
  TFrameForm& F = ShowForm({"/g2", "/i3", "/b5", Sample});
  EXPECT_EQ(F.FileName(), Sample);
  EXPECT_TRUE(F.FrequencyOrderRadio->isChecked());
  EXPECT_TRUE(F.TableViewRadio->isChecked());
  EXPECT_EQ(F.BarWidthSpin->Position(), 5);
  F.close();
  const QByteArray Stored = ReadBytes(SettingsPath());
  EXPECT_TRUE(Stored.contains("\r\nGraph=2\r\nInfor=3\r\n")) << Stored.toStdString();
  EXPECT_TRUE(Stored.contains("\r\nUpDown1.Position=5\r\n")) << Stored.toStdString();
}

TEST_F(FrameLifecycle, OptionTable) {
  struct TCase {
    QStringList Arguments;
    int Bar;
    QRadioButton* TFrameForm::*Order;
    QRadioButton* TFrameForm::*View;
    QRadioButton* TFrameForm::*Bits;
  };
  const std::vector<TCase> Cases = {
      {{"/b"},
       10,
       &TFrameForm::DataOrderRadio,
       &TFrameForm::DistributionViewRadio,
       &TFrameForm::ByteModeRadio},
      {{"/bxy"},
       10,
       &TFrameForm::DataOrderRadio,
       &TFrameForm::DistributionViewRadio,
       &TFrameForm::ByteModeRadio},
      {{"/b99"},
       20,
       &TFrameForm::DataOrderRadio,
       &TFrameForm::DistributionViewRadio,
       &TFrameForm::ByteModeRadio},
      {{"/B123"},
       12,
       &TFrameForm::DataOrderRadio,
       &TFrameForm::DistributionViewRadio,
       &TFrameForm::ByteModeRadio},
      {{"/b0"},
       1,
       &TFrameForm::DataOrderRadio,
       &TFrameForm::DistributionViewRadio,
       &TFrameForm::ByteModeRadio},
      {{"/G25", "-i2", "/D2"},
       10,
       &TFrameForm::FrequencyOrderRadio,
       &TFrameForm::ArraysViewRadio,
       &TFrameForm::TableModeRadio},
      {{"/g2", "/g", "/i3", "/ix", "/d2", "/d1"},
       10,
       &TFrameForm::DataOrderRadio,
       &TFrameForm::DistributionViewRadio,
       &TFrameForm::ByteModeRadio},
      {{"/z9", "/", "-"},
       10,
       &TFrameForm::DataOrderRadio,
       &TFrameForm::DistributionViewRadio,
       &TFrameForm::ByteModeRadio},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.Arguments.join(' ').toStdString());
    WriteSettings(SettingsBytes(FirstStartKeys));
    TFrameForm& F = ShowForm(Case.Arguments);
    EXPECT_EQ(F.BarWidthSpin->Position(), Case.Bar);
    EXPECT_TRUE((F.*Case.Order)->isChecked());
    EXPECT_TRUE((F.*Case.View)->isChecked());
    EXPECT_TRUE((F.*Case.Bits)->isChecked());
    EXPECT_TRUE(F.FileName().isEmpty());
    DestroyForm();
  }
}

TEST_F(FrameLifecycle, FirstOfTwoFileArgumentsIsOpened) {
  const QString First = SampleFile("first.bin");
  const QString Second = SampleFile("second.bin");
  TFrameForm& F = ShowForm({First, Second});
  EXPECT_EQ(F.FileName(), First);
}

TEST_F(FrameLifecycle, AbsolutePathIsAFileNotAnOption) {
  // "/g2"-like, but a path: it names a file, opened under its stored name.
  QDir().mkpath(PathOf("g2dir"));
  const QString Sample = SampleFile("g2dir/G2.bin");
  QString Typed = Sample;
  Typed.replace("G2.bin", "g2.BIN");
  TFrameForm& F = ShowForm({Typed});
  EXPECT_EQ(F.FileName(), Sample);
  EXPECT_TRUE(F.DataOrderRadio->isChecked());
}

// ---- drop and menu ------------------------------------------------------------

TEST_F(FrameLifecycle, DropOfThreeFilesOpensTheFirst) {
  // A path longer than 255 characters arrives whole.
  const QString Long = SampleFile(QString(240, QLatin1Char('x')) + ".bin");
  ASSERT_GT(Long.size(), 255);
  const QString Other = SampleFile("other.bin");
  TFrameForm& F = ShowForm();
  QMimeData Data;
  Data.setUrls({QUrl("https://example.invalid/remote.bin"), QUrl::fromLocalFile(Long),
                QUrl::fromLocalFile(Other), QUrl::fromLocalFile(Other)});
  EXPECT_TRUE(DropOn(&F, Data));
  EXPECT_EQ(Dialogs.Texts(), QStringList());
  EXPECT_EQ(F.FileName(), Long);
}

TEST_F(FrameLifecycle, FilesDroppedOnTheMemoAreTheWindows) {
  const QString Sample = SampleFile("sample.bin");
  TFrameForm& F = ShowForm();
  QMimeData Data;
  Data.setUrls({QUrl::fromLocalFile(Sample)});
  EXPECT_TRUE(DropOn(F.ViewMemo->viewport(), Data));
  EXPECT_EQ(F.FileName(), Sample);
}

TEST_F(FrameLifecycle, ResetWhileMaximizedRestoresTheDesignAndSavesAllKeys) {
  WriteSettings(SettingsBytes(ChangedKeys));
  TFrameForm& F = ShowForm();
  F.showMaximized();
  QApplication::processEvents();
  F.ResetItem->trigger();
  EXPECT_EQ(Dialogs.Texts(), QStringList{Utf8("Quorvant を初期状態に戻します。")});
  EXPECT_EQ(F.windowState(), Qt::WindowNoState);
  EXPECT_EQ(F.pos(), QPoint(197, 115));
  EXPECT_EQ(F.size(), QSize(711, 515));
  EXPECT_FALSE(F.AllowDoubleLaunchItem->isChecked());
  EXPECT_TRUE(F.DataOrderRadio->isChecked());
  EXPECT_TRUE(F.DistributionViewRadio->isChecked());
  EXPECT_EQ(F.BarWidthSpin->Position(), 10);
  EXPECT_EQ(F.RangeEndSpin->Position(), 255);
  // The data bits are not reset.
  EXPECT_EQ(ReadBytes(SettingsPath()), SettingsBytes(With(FirstStartKeys, "Data", "2")));
}

TEST_F(FrameLifecycle, HelpAboutAndSelectAll) {
  TFrameForm& F = ShowForm();
  F.HelpItem->trigger();
  EXPECT_EQ(Dialogs.OpenedDocuments, QStringList{PathOf("ReadmeQ.txt")});
  F.AboutItem->trigger();
  ASSERT_EQ(Dialogs.AboutTexts.size(), 1);
  EXPECT_TRUE(Dialogs.AboutTexts.front().startsWith("Quorvant\r\nQuorvant Version 1.0 "))
      << Dialogs.AboutTexts.front().toStdString();
  F.SelectAllItem->trigger();
  EXPECT_EQ(F.ViewMemo->textCursor().selectedText().size(), F.ViewMemo->toPlainText().size());
  EXPECT_FALSE(F.ViewMemo->textCursor().selectedText().isEmpty());
}

TEST_F(FrameLifecycle, ContextMenuOpensAnywhereOutsideTheTextBoxes) {
  TFrameForm& F = ShowForm();
  QContextMenuEvent Event(QContextMenuEvent::Mouse, QPoint(20, 20),
                          F.GraphView->mapToGlobal(QPoint(20, 20)));
  QApplication::sendEvent(F.GraphView, &Event);
  EXPECT_TRUE(F.ContextMenu->isVisible());
  F.ContextMenu->hide();
  QStringList Entries;
  for (const QAction* Item : F.ContextMenu->actions())
    Entries << (Item->isSeparator() ? QStringLiteral("-") : Item->text());
  EXPECT_EQ(Entries, QStringList({Utf8("ﾍﾙﾌﾟ(&H)"),
                                  Utf8("ﾊﾞｰｼﾞｮﾝ情報(&A)"),
                                  "-",
                                  Utf8("二重起動を許す(&X)"),
                                  "-",
                                  Utf8("元に戻す(&U)"),
                                  Utf8("やり直し(&R)"),
                                  Utf8("全て選択(&A)"),
                                  "-",
                                  Utf8("初期状態に戻す(&Q)"),
                                  "-",
                                  Utf8("C 配列をコピー(&C)"),
                                  Utf8("頻度テーブルを保存(&S)..."),
                                  Utf8("グラフを保存(&G)..."),
                                  "-",
                                  Utf8("最近使ったファイル(&F)"),
                                  "-",
                                  Utf8("符号長の上限(&L)"),
                                  Utf8("最適な符号(&O)"),
                                  Utf8("他のファイルで評価(&E)...")}));
}

TEST_F(FrameLifecycle, MenuShortcutsWorkFromAnyControl) {
  TFrameForm& F = ShowForm();
  F.activateWindow();
  const QList<QWidget*> Targets = {F.BarWidthBox, F.ViewMemo, F.OpenButton, F.ByteModeRadio};
  for (QWidget* Target : Targets) {
    SCOPED_TRACE(Target->objectName().toStdString());
    Dialogs.OpenedDocuments.clear();
    Dialogs.Messages.clear();
    F.BarWidthBox->deselect();
    F.ViewMemo->moveCursor(QTextCursor::Start);

    Press(Target, Qt::Key_F1);
    EXPECT_EQ(Dialogs.OpenedDocuments.size(), 1);
    Press(Target, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(F.ViewMemo->textCursor().selectedText(), F.ViewMemo->toPlainText());
    EXPECT_FALSE(F.BarWidthBox->hasSelectedText()) << "Ctrl+A is the menu's, not the edit box's";
    Press(Target, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(Dialogs.Texts(), QStringList{Utf8("Quorvant を初期状態に戻します。")});
  }
}

// ---- AllowDoubleLaunchItem and the request received ------------------------------------------

TEST_F(FrameLifecycle, AllowDoubleLaunchToggledTwiceShowsBothMessagesAndStoresFalse) {
  WriteSettings(SettingsBytes(FirstStartKeys));
  TFrameForm& F = ShowForm();
  F.AllowDoubleLaunchItem->trigger();  // as the menu does it
  EXPECT_TRUE(F.AllowDoubleLaunchItem->isChecked());
  EXPECT_EQ(F.ViewMemo->Text(), Utf8("Quorvant の二重起動を可能とします。\r\n"
                                     "以後、複数の Quorvant の起動が可能となります。"));
  EXPECT_EQ(ReadBytes(SettingsPath()), SettingsBytes(With(FirstStartKeys, "X1.Checked", "True")));
  F.AllowDoubleLaunchItem->trigger();
  EXPECT_FALSE(F.AllowDoubleLaunchItem->isChecked());
  EXPECT_EQ(F.ViewMemo->Text(), Utf8("Quorvant の二重起動を不可能とします。\r\n"
                                     "以後、Quorvant を起動するごとに直前に起動した\r\n"
                                     "Quorvant を終了します。"));
  EXPECT_EQ(ReadBytes(SettingsPath()), SettingsBytes(FirstStartKeys));
}

// Runs the application's event loop until the window asks it to end (true)
// or half a second passes.
bool QuitRequested(TFrameForm& F, uint32_t DwData, const QByteArray& Data) {
  QTimer::singleShot(0, &F, [&] { EXPECT_EQ(F.WMCopyData(DwData, Data), 0); });
  QTimer Timeout;
  Timeout.setSingleShot(true);
  QObject::connect(&Timeout, &QTimer::timeout, [] { QCoreApplication::exit(1); });
  Timeout.start(500);
  return QApplication::exec() == 0;
}

TEST_F(FrameLifecycle, WMCopyDataQuitsOnlyForTheExactRequest) {
  WriteSettings(SettingsBytes(FirstStartKeys));
  TFrameForm& F = ShowForm();
  EXPECT_FALSE(QuitRequested(F, 1023, QByteArray("KVX07", 6)));
  EXPECT_FALSE(QuitRequested(F, 1024, QByteArray("kvx07", 6)));
  EXPECT_FALSE(QuitRequested(F, 1024, QByteArray("KVX0", 5)));
  EXPECT_FALSE(QuitRequested(F, 1024, QByteArray("KVX07X", 7)));
  EXPECT_FALSE(QuitRequested(F, 1024, QByteArray()));
  F.AllowDoubleLaunchItem->setChecked(true);
  EXPECT_FALSE(QuitRequested(F, 1024, QByteArray("KVX07", 6)));
  F.AllowDoubleLaunchItem->setChecked(false);
  // The text ends at the first NUL, and at the end of what was received.
  EXPECT_TRUE(QuitRequested(F, 1024, QByteArray("KVX07\0junk", 10)));
  EXPECT_TRUE(QuitRequested(F, 1024, QByteArray("KVX07", 5)));
  EXPECT_TRUE(F.isVisible());
  EXPECT_EQ(ReadBytes(SettingsPath()), SettingsBytes(FirstStartKeys)) << "nothing saved";
}

// ---- the local-socket layer ---------------------------------------------------

class CopyData : public FrameLifecycle {
protected:
  QString Folder() const { return PathOf("runtime/quorvant"); }
};

TEST_F(CopyData, FolderAndSocketsAreTheUsersOnly) {
  ShowForm();
  struct stat Info {};
  ASSERT_EQ(lstat(QFile::encodeName(Folder()).constData(), &Info), 0);
  EXPECT_EQ(Info.st_mode & 0777, 0700u);
  const QString Socket = Folder() + "/TFrameForm-" + QString::number(getpid());
  ASSERT_EQ(lstat(QFile::encodeName(Socket).constData(), &Info), 0);
  EXPECT_TRUE(S_ISSOCK(Info.st_mode));
  EXPECT_EQ(Info.st_mode & 077, 0u);
}

TEST_F(CopyData, LooseFolderIsTightenedAndLinkedOnesRefused) {
  ASSERT_TRUE(QDir().mkpath(Folder()));
  ASSERT_EQ(chmod(QFile::encodeName(Folder()).constData(), 0777), 0);
  EXPECT_EQ(CopyDataFolder(), Folder());
  EXPECT_EQ(QFileInfo(Folder()).permissions() & (QFile::ReadOther | QFile::ReadGroup), 0);

  ASSERT_TRUE(QDir(Folder()).removeRecursively());
  ASSERT_TRUE(QDir().mkpath(PathOf("elsewhere")));
  ASSERT_TRUE(QFile::link(PathOf("elsewhere"), Folder()));
  const QString InTemporary = PathOf("tmp/quorvant-") + QString::number(getuid());
  EXPECT_EQ(CopyDataFolder(), InTemporary) << "a linked runtime folder is passed over";
  ASSERT_TRUE(QDir(InTemporary).removeRecursively());
  ASSERT_TRUE(QFile::link(PathOf("elsewhere"), InTemporary));
  EXPECT_TRUE(CopyDataFolder().isEmpty());
}

TEST_F(CopyData, WithoutRuntimeFolderAUidFolderInTheTemporaryFolderIsUsed) {
  qunsetenv("XDG_RUNTIME_DIR");  // restored by the fixture
  EXPECT_EQ(CopyDataFolder(), PathOf("tmp/quorvant-") + QString::number(getuid()));
}

TEST_F(CopyData, FindWindowMatchesClassAndExactCaption) {
  TFrameForm& F = CreateForm();
  std::vector<std::pair<uint32_t, QByteArray>> Received;
  auto* Receiver = new TCopyDataReceiver(&F, [&](uint32_t DwData, const QByteArray& Data) {
    Received.emplace_back(DwData, Data);
    return 77;
  });
  ASSERT_TRUE(Receiver->Listen());

  const QString BusyCaption = Utf8(FrameCaption) + Utf8(FrameBusySuffix);
  F.setWindowTitle(BusyCaption);
  EXPECT_FALSE(OffThread(
      [] { return FindWindow("TFrameForm", FrameCaption, QDeadlineTimer(3000)) != nullptr; }));
  EXPECT_FALSE(OffThread(
      [&] { return FindWindow("TOtherForm", BusyCaption, QDeadlineTimer(3000)) != nullptr; }));

  F.setWindowTitle(Utf8(FrameCaption));
  const int32_t Reply = OffThread([] {
    TWindowHandle Window = FindWindow("TFrameForm", FrameCaption, QDeadlineTimer(3000));
    int32_t Result = -1;
    if (!Window ||
        !SendCopyData(*Window, 1024, QByteArray("KVX07", 6), QDeadlineTimer(3000), &Result))
      return -1;
    return Result;
  });
  EXPECT_EQ(Reply, 77);
  ASSERT_EQ(Received.size(), 1u);
  EXPECT_EQ(Received[0].first, 1024u);
  EXPECT_EQ(Received[0].second, QByteArray("KVX07", 6));
}

TEST_F(CopyData, MalformedAndSilentPeersAreDroppedWithoutAHandlerCall) {
  TFrameForm& F = CreateForm();
  int Calls = 0;
  auto* Receiver = new TCopyDataReceiver(&F, [&](uint32_t, const QByteArray&) {
    ++Calls;
    return 0;
  });
  ASSERT_TRUE(Receiver->Listen());
  const QString Path = Receiver->SocketPath();

  // Each peer: what it sends, then whether the window hangs up on it.
  const std::vector<QByteArray> Sends = {
      QByteArray(),                         // silent
      Message(1024, 0xFFFFFFFFu, "KVX07"),  // announces 4 GiB
      Message(1024, 6, "KVX"),              // short, then silent
      QByteArray("\x00\x04", 2),            // half a header
  };
  std::vector<std::unique_ptr<QLocalSocket>> Peers;
  for (const QByteArray& Bytes : Sends) {
    auto Peer = std::make_unique<QLocalSocket>();
    Peer->connectToServer(Path);
    ASSERT_TRUE(Peer->waitForConnected(1000));
    Peer->write(Bytes);
    Peer->flush();
    Peers.push_back(std::move(Peer));
  }
  const bool AllDropped = ServeUntil(
      [&] {
        for (const auto& Peer : Peers)
          if (Peer->state() != QLocalSocket::UnconnectedState) return false;
        return true;
      },
      PeerTimeoutMs + 3000);
  EXPECT_TRUE(AllDropped);
  EXPECT_EQ(Calls, 0);

  // The window still serves a well-formed message, extra bytes ignored.
  QLocalSocket Peer;
  Peer.connectToServer(Path);
  ASSERT_TRUE(Peer.waitForConnected(1000));
  Peer.write(Message(5, 2, "ab") + "trailing");
  Peer.flush();
  EXPECT_TRUE(ServeUntil([&] { return Calls == 1; }, 3000));
}

TEST_F(CopyData, IdlePeersDoNotKeepARequestOut) {
  TFrameForm& F = CreateForm();
  F.setWindowTitle(Utf8(FrameCaption));
  int Calls = 0;
  auto* Receiver = new TCopyDataReceiver(&F, [&](uint32_t, const QByteArray&) {
    ++Calls;
    return 77;
  });
  ASSERT_TRUE(Receiver->Listen());

  // Peers that connect and say nothing: as many as a neighbour renewing
  // them might hold, and more than the window keeps.
  for (const int Idle : {20, MaxCopyDataPeers + 4}) {
    std::vector<std::unique_ptr<QLocalSocket>> Peers;
    for (int I = 0; I < Idle; ++I) {
      auto& Peer = Peers.emplace_back(std::make_unique<QLocalSocket>());
      Peer->connectToServer(Receiver->SocketPath());
      // The window is on this thread: it takes each peer from the backlog here.
      ASSERT_TRUE(ServeUntil([&] { return Peer->state() == QLocalSocket::ConnectedState; }, 1000));
    }
    // Every one is greeted; beyond the limit the oldest ones go.
    const auto Held = [&] {
      return std::count_if(Peers.begin(), Peers.end(), [](const auto& Peer) {
        return Peer->state() == QLocalSocket::ConnectedState;
      });
    };
    EXPECT_TRUE(ServeUntil(
        [&] {
          return Held() == std::min(Idle, MaxCopyDataPeers) &&
                 std::all_of(Peers.begin(), Peers.end(),
                             [](const auto& Peer) { return Peer->bytesAvailable() > 0; });
        },
        2000))
        << Idle << " idle peers, " << Held() << " held";
    const int32_t Reply = OffThread([] {
      TWindowHandle Window = FindWindow("TFrameForm", FrameCaption, QDeadlineTimer(2000));
      int32_t Result = -1;
      if (Window)
        SendCopyData(*Window, 1024, QByteArray("KVX07", 6), QDeadlineTimer(2000), &Result);
      return Result;
    });
    EXPECT_EQ(Reply, 77) << Idle << " idle peers";
  }
  EXPECT_EQ(Calls, 2);
}

TEST_F(CopyData, StaleSocketIsRemovedOnlyWhenItsProcessIsGone) {
  ASSERT_FALSE(CopyDataFolder().isEmpty());
  const QString Dead = Folder() + "/TFrameForm-" + QString::number(DeadPid());
  const QString Alive = Folder() + "/TFrameForm-" + QString::number(getppid());
  MakeStaleSocket(Dead);
  MakeStaleSocket(Alive);
  EXPECT_EQ(FindWindow("TFrameForm", FrameCaption, QDeadlineTimer(3000)), nullptr);
  EXPECT_FALSE(QFileInfo::exists(Dead));
  EXPECT_TRUE(QFileInfo::exists(Alive)) << "may be a process about to listen";
}

// ---- two processes of the built program -------------------------------------

class Handshake : public FrameLifecycle {
protected:
  void SetUp() override {
    FrameLifecycle::SetUp();
    // QUORVANT_EXE names the built program; else it lies where the build
    // puts every executable, bin/ beside tests/.
    QString Built = qEnvironmentVariable("QUORVANT_EXE");
    if (Built.isEmpty())
      Built = QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/Quorvant");
    ASSERT_TRUE(QFileInfo(Built).isExecutable()) << Built.toStdString();
    // A copy, so the settings beside it are this test's own.
    ASSERT_TRUE(QFile::copy(Built, ExeName()));
    WriteText(PathOf("ReadmeQ.txt"), "Readme\r\n");
    ASSERT_FALSE(CopyDataFolder().isEmpty());
  }
  void TearDown() override {
    for (auto& Instance : FInstances) {
      if (Instance->state() != QProcess::NotRunning) {
        Instance->kill();
        Instance->waitForFinished(5000);
      }
    }
    FInstances.clear();
    FrameLifecycle::TearDown();
  }

  QString SocketOf(const QProcess& Instance) const {
    return PathOf("runtime/quorvant/TFrameForm-") + QString::number(Instance.processId());
  }

  // Starts the program and, when Wait, waits until its window listens.
  QProcess& Start(bool Wait = true) {
    auto Instance = std::make_unique<QProcess>();
    QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
    Environment.insert("QT_QPA_PLATFORM", "offscreen");
    Instance->setProcessEnvironment(Environment);  // XDG_* and TMPDIR: the fixture's
    Instance->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Instance->start(ExeName(), {});
    EXPECT_TRUE(Instance->waitForStarted(10000));
    QProcess& Started = *Instance;
    FInstances.push_back(std::move(Instance));
    if (Wait) {
      EXPECT_TRUE(Listens(Started)) << "the window never listened";
    }
    return Started;
  }

  bool Listens(QProcess& Instance) {
    return ServeUntil([&] { return QFileInfo::exists(SocketOf(Instance)); }, 15000);
  }

  static bool Ends(QProcess& Instance, int Ms) {
    return Instance.state() == QProcess::NotRunning || Instance.waitForFinished(Ms);
  }

  std::vector<std::unique_ptr<QProcess>> FInstances;
};

TEST_F(Handshake, SecondStartEndsTheFirstWithoutItsSaving) {
  WriteSettings(SettingsBytes(With(ChangedKeys, "X1.Checked", "False")));
  const QByteArray Before = ReadBytes(SettingsPath());
  QProcess& A = Start();
  QProcess& B = Start();
  ASSERT_TRUE(Ends(A, 10000)) << "A did not quit";
  EXPECT_EQ(A.exitStatus(), QProcess::NormalExit);
  EXPECT_EQ(A.exitCode(), 0);
  EXPECT_FALSE(QFileInfo::exists(SocketOf(A)));
  EXPECT_EQ(ReadBytes(SettingsPath()), Before);
  EXPECT_EQ(B.state(), QProcess::Running);
}

TEST_F(Handshake, AllowDoubleLaunchCheckedKeepsBoth) {
  WriteSettings(SettingsBytes(With(FirstStartKeys, "X1.Checked", "True")));
  QProcess& A = Start();
  QProcess& B = Start();
  // B's window listens only after its request was answered.
  EXPECT_FALSE(Ends(A, 1000));
  EXPECT_EQ(B.state(), QProcess::Running);
}

TEST_F(Handshake, GarbageAndSilentPeersDoNotDisturbTheRunningWindow) {
  WriteSettings(SettingsBytes(FirstStartKeys));
  QProcess& A = Start();
  std::vector<std::unique_ptr<QLocalSocket>> Peers;
  for (const QByteArray& Bytes :
       {QByteArray(), Message(1024, 1u << 30, "KVX07"), Message(1024, 6, QByteArray("kvx07", 6)),
        QByteArray("garbage without any form at all")}) {
    auto Peer = std::make_unique<QLocalSocket>();
    Peer->connectToServer(SocketOf(A));
    ASSERT_TRUE(Peer->waitForConnected(3000));
    Peer->write(Bytes);
    Peer->flush();
    Peers.push_back(std::move(Peer));
  }
  EXPECT_FALSE(Ends(A, 1000));
  // A still answers: a new start ends it.
  Start();
  EXPECT_TRUE(Ends(A, 10000));
}

TEST_F(Handshake, KilledInstancesSocketDoesNotStopTheNextStart) {
  WriteSettings(SettingsBytes(FirstStartKeys));
  QProcess& A = Start();
  const QString Stale = SocketOf(A);
  ::kill(static_cast<pid_t>(A.processId()), SIGKILL);
  ASSERT_TRUE(Ends(A, 10000));
  ASSERT_TRUE(QFileInfo::exists(Stale)) << "a killed process leaves its socket";
  QProcess& B = Start();
  EXPECT_FALSE(QFileInfo::exists(Stale));
  EXPECT_EQ(B.state(), QProcess::Running);
}

TEST_F(Handshake, HungInstanceDoesNotHoldUpTheNextStart) {
  WriteSettings(SettingsBytes(FirstStartKeys));
  QProcess& A = Start();
  const auto PidA = static_cast<pid_t>(A.processId());
  ASSERT_EQ(::kill(PidA, SIGSTOP), 0);
  QProcess& B = Start();  // its probe gives up on A and goes on
  EXPECT_EQ(B.state(), QProcess::Running);
  ASSERT_EQ(::kill(PidA, SIGCONT), 0);
  // B never sent its request, so A, awake again, stays.
  EXPECT_FALSE(Ends(A, 1000));
  EXPECT_TRUE(QFileInfo::exists(SocketOf(A)));
}

TEST_F(Handshake, TwoStartsAtTheSameMomentBothListen) {
  WriteSettings(SettingsBytes(With(FirstStartKeys, "X1.Checked", "True")));
  QProcess& A = Start(false);
  QProcess& B = Start(false);
  EXPECT_TRUE(Listens(A));
  EXPECT_TRUE(Listens(B));
}

}  // namespace

// ---- recent files -----------------------------------------------------------

TEST_F(FrameLifecycle, RecentFilesPersistNewestFirstAndABadListIsIgnored) {
  const QString List = PathOf("Quorvant.recent");
  const QString A = PathOf("a.txt"), B = PathOf("b.txt"), C = PathOf("c.txt");
  for (const QString& Path : {A, B, C}) WriteBytes(Path, "abc");
  const auto OpenThrough = [&](TFrameForm& F, const QString& Path) {
    Dialogs.OpenAnswers.push_back(Path);
    F.OpenButton->click();
  };
  const auto MenuEntries = [](TFrameForm& F) {
    emit F.ContextMenu->aboutToShow();
    QStringList Entries;
    for (const QAction* Item : F.RecentMenu->actions())
      Entries << Item->text() + (Item->isEnabled() ? "" : " (gone)");
    return Entries;
  };
  {
    TFrameForm& F = ShowForm();
    EXPECT_FALSE(F.RecentMenu->isEnabled());
    for (const QString& Path : {A, B, A}) OpenThrough(F, Path);
    EXPECT_EQ(ReadBytes(List), (A + "\r\n" + B + "\r\n").toUtf8());
    DestroyForm();
  }
  {
    // The list outlives the window; a file that is gone is shown disabled,
    // and choosing an entry opens it.
    QFile::remove(B);
    TFrameForm& F = ShowForm();
    EXPECT_EQ(MenuEntries(F), QStringList({A, B + " (gone)"}));
    F.RecentMenu->actions().first()->trigger();
    EXPECT_EQ(F.FileName(), A);
    DestroyForm();
  }
  // A damaged or foreign list is ignored without a word; a list that cannot
  // be read is also never written over.
  const QString Fifo = PathOf("list.fifo");
  ASSERT_EQ(mkfifo(QFile::encodeName(Fifo).constData(), 0600), 0);
  struct TCase {
    const char* What;
    std::function<void()> Make;
    bool Replaced;
  };
  const TCase Cases[] = {
      {"a NUL byte", [&] { WriteBytes(List, QByteArray("/x\0/y\r\n", 8)); }, true},
      {"relative and empty lines", [&] { WriteBytes(List, "x.txt\r\n\r\n../y\n"); }, true},
      {"too large", [&] { WriteBytes(List, QByteArray(70000, '/')); }, true},
      {"a link to a FIFO",
       [&] {
         QFile::remove(List);
         QFile::link(Fifo, List);
       },
       false},
  };
  for (const TCase& Case : Cases) {
    SCOPED_TRACE(Case.What);
    Case.Make();
    TFrameForm& F = ShowForm();
    EXPECT_EQ(MenuEntries(F), QStringList());
    OpenThrough(F, C);
    EXPECT_EQ(F.FileName(), C);
    EXPECT_TRUE(Dialogs.Messages.empty()) << Dialogs.Texts().join('|').toStdString();
    if (Case.Replaced)
      EXPECT_EQ(ReadBytes(List), (C + "\r\n").toUtf8());
    else
      EXPECT_EQ(QFileInfo(List).symLinkTarget(), Fifo);
    DestroyForm();
  }
}
