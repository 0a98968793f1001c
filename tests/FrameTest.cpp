// The window's main road, driven through its real controls on the offscreen
// platform: layout, the control stand-ins, opening in both modes, the views
// and the detail line, the graph and its paging, statistics and the curve.
#include "AbracadabraGolden.h"
#include "FrameTestSupport.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMimeData>
#include <QPainter>
#include <QProcess>
#include <QProgressDialog>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QTimer>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>

namespace {

const QString NotFound = QStringLiteral(" は見つかりません。");
const QString Unspecifiable = QStringLiteral(" は指定出来ません。");
const QString EmptyFile = QStringLiteral("サイズが 0 のファイルは表示出来ません。");

QString Q(const char* Utf8) { return QString::fromUtf8(Utf8); }

// The 32-bit fallback message for Path, composed here line by line.
QString FallbackMessage(const QString& Path) {
  return Q("\r\nファイル ") + Path +
         Q("\r\n\r\nに含まれるデータは 32 bit の拡張データとして扱えない特性") +
         Q("\r\n\r\nを持っていますので、8 bit の通常データとして扱います。\r\n");
}

std::string TableRow(int Data, int Frequency) {
  char Row[96];
  std::snprintf(Row, sizeof Row, "%8d  =  $%X     | %8d  =  $%X", Data, Data, Frequency, Frequency);
  return Row;
}

const QRgb Blue = qRgb(0, 0, 255);
const QRgb White = qRgb(255, 255, 255);

class FrameTest : public TFrameTest {
protected:
  // Opens Path through the open button and its dialog.
  void OpenWithButton(const QString& Path) {
    Dialogs.OpenAnswers.push_back(Path);
    Click(Form->OpenButton);
  }
  // Shows the window and opens the file Name (written from Bytes) in 32-bit
  // mode when Extended.
  QString ShowAndOpen(const QString& Name, const QByteArray& Bytes, bool Extended = false) {
    ShowForm();
    if (Extended) Form->TableModeRadio->setChecked(true);
    const QString Path = PathOf(Name);
    WriteBytes(Path, Bytes);
    OpenWithButton(Path);
    return Path;
  }
};

// ---- the window's design ------------------------------------------------------

using FrameLayout = FrameTest;

TEST_F(FrameLayout, WindowIsNamedAndCaptioned) {
  CreateForm();
  EXPECT_EQ(Form->objectName(), "TFrameForm");
  EXPECT_EQ(Form->windowTitle(), Q("Quorvant Version 1.0"));
  EXPECT_EQ(Form->ApplicationTitle(), "Quorvant");
  EXPECT_EQ(Form->size(), QSize(711, 515));
}

TEST_F(FrameLayout, ControlsCarryTheirNamesCaptionsAndTexts) {
  CreateForm();
  const std::pair<const char*, const char*> Captions[] = {{"BarWidthLabel", "棒幅 :"},
                                                          {"DatumLabel", "Data :"},
                                                          {"FrequencyLabel", "Frequency :"},
                                                          {"BitLengthLabel", "BitLength :"},
                                                          {"BitPatternLabel", "BitPattern :"},
                                                          {"DatumHexLabel", "= $00"},
                                                          {"MeanLabel", "平均 :"},
                                                          {"VarianceLabel", "分散 :"},
                                                          {"MeanValueLabel", "0"},
                                                          {"VarianceValueLabel", "10"},
                                                          {"PeakLabel", "最大 :"},
                                                          {"PeakValueLabel", "100"},
                                                          {"OpenButton", "開く"},
                                                          {"FillZerosButton", "0 ～"},
                                                          {"RestoreButton", "元に"},
                                                          {"UpdateButton", "更新"},
                                                          {"AddButton", "＋"},
                                                          {"SubtractButton", "－"},
                                                          {"MultiplyButton", "×"},
                                                          {"DivideButton", "÷"},
                                                          {"DrawCurveButton", "描画"},
                                                          {"ClearCurveButton", "クリア"},
                                                          {"FitButton", "適合"},
                                                          {"ArrangeButton", "A = 0"},
                                                          {"PreviousPageButton", "<=="},
                                                          {"NextPageButton", "==>"},
                                                          {"DataOrderRadio", "データ順"},
                                                          {"FrequencyOrderRadio", "頻度順"},
                                                          {"DistributionViewRadio", "ハフマン分布"},
                                                          {"ArraysViewRadio", "ハフマン配列"},
                                                          {"TableViewRadio", "頻度テーブル"},
                                                          {"ByteModeRadio", " 8 bit(通常)"},
                                                          {"TableModeRadio", "32 bit(拡張)"},
                                                          {"BarWidthBox", "10"},
                                                          {"RangeEndBox", "255"},
                                                          {"DatumBox", "0"},
                                                          {"FrequencyBox", "0"},
                                                          {"BitLengthBox", "0"},
                                                          {"BitPatternBox", ""},
                                                          {"AddBox", "1"},
                                                          {"SubtractBox", "1"},
                                                          {"MultiplyBox", "2"},
                                                          {"DivideBox", "2"},
                                                          {"MeanBox", "0"},
                                                          {"VarianceBox", "10"},
                                                          {"PeakBox", "100"}};
  for (const auto& [Name, Caption] : Captions) {
    QWidget* W = Form->findChild<QWidget*>(QString::fromLatin1(Name));
    ASSERT_NE(W, nullptr) << Name;
    QString Text;
    if (auto* L = qobject_cast<QLabel*>(W))
      Text = L->text();
    else if (auto* B = qobject_cast<QAbstractButton*>(W))
      Text = B->text();
    else if (auto* E = qobject_cast<QLineEdit*>(W))
      Text = E->text();
    EXPECT_EQ(Text, Q(Caption)) << Name;
  }
  const std::pair<QGroupBox*, const char*> Groups[] = {{Form->GraphOrderGroup, "グラフ"},
                                                       {Form->ViewGroup, "情報"},
                                                       {Form->CurveGroup, "正規分布"},
                                                       {Form->DataBitsGroup, "データビット"}};
  for (const auto& [Group, Title] : Groups) EXPECT_EQ(Group->title(), Q(Title));
  EXPECT_EQ(Form->ViewMemo->Text(), MemoDesignText);
  EXPECT_TRUE(Form->BitLengthBox->isReadOnly());
  EXPECT_TRUE(Form->BitPatternBox->isReadOnly());
  EXPECT_EQ(Form->FillZerosButton->toolTip(),
            Q("この Data の区間内に頻度 0 が出現しない様に Frequency を調節します。"));
  EXPECT_EQ(Form->RestoreButton->toolTip(), Q("ファイルを開いた直後の状態に戻します。"));
  EXPECT_EQ(Form->ArrangeButton->toolTip(), Q("表示中の正規分布をアレンジします。"));
}

TEST_F(FrameLayout, ContextMenuEntriesInOrder) {
  CreateForm();
  QStringList Entries;
  for (const QAction* Item : Form->ContextMenu->actions())
    Entries << (Item->isSeparator() ? QStringLiteral("-")
                                    : Item->objectName() + QLatin1Char(' ') + Item->text() +
                                          QLatin1Char(' ') + Item->shortcut().toString());
  EXPECT_EQ(Entries, (QStringList{Q("HelpItem ﾍﾙﾌﾟ(&H) F1"),
                                  Q("AboutItem ﾊﾞｰｼﾞｮﾝ情報(&A) "),
                                  "-",
                                  Q("AllowDoubleLaunchItem 二重起動を許す(&X) "),
                                  "-",
                                  Q("UndoItem 元に戻す(&U) Ctrl+Z"),
                                  Q("RedoItem やり直し(&R) Ctrl+Shift+Z"),
                                  Q("SelectAllItem 全て選択(&A) Ctrl+A"),
                                  "-",
                                  Q("ResetItem 初期状態に戻す(&Q) Ctrl+Q"),
                                  "-",
                                  Q("CopyCArraysItem C 配列をコピー(&C) "),
                                  Q("SaveTableItem 頻度テーブルを保存(&S)... "),
                                  Q("SaveGraphItem グラフを保存(&G)... "),
                                  "-",
                                  Q("RecentMenu 最近使ったファイル(&F) "),
                                  "-",
                                  Q("LimitMenu 符号長の上限(&L) "),
                                  Q("OptimalCodeItem 最適な符号(&O) "),
                                  Q("EvaluateItem 他のファイルで評価(&E)... ")}));
  EXPECT_TRUE(Form->AllowDoubleLaunchItem->isCheckable());
  EXPECT_FALSE(Form->AllowDoubleLaunchItem->isChecked());
}

TEST_F(FrameLayout, StartStateOfButtonsAndOptions) {
  CreateForm();
  for (QPushButton* B : {Form->DrawCurveButton, Form->ClearCurveButton, Form->FitButton,
                         Form->ArrangeButton, Form->PreviousPageButton, Form->NextPageButton})
    EXPECT_FALSE(B->isEnabled()) << B->objectName().toStdString();
  for (QPushButton* B :
       {Form->OpenButton, Form->FillZerosButton, Form->RestoreButton, Form->UpdateButton})
    EXPECT_TRUE(B->isEnabled());
  EXPECT_TRUE(Form->DataOrderRadio->isChecked());
  EXPECT_TRUE(Form->DistributionViewRadio->isChecked());
  EXPECT_TRUE(Form->ByteModeRadio->isChecked());
  EXPECT_FALSE(Form->FrequencyOrderRadio->isChecked());
  EXPECT_FALSE(Form->TableModeRadio->isChecked());
}

TEST_F(FrameLayout, SpinBoxesAreBoundWithTheirRanges) {
  CreateForm();
  struct TBinding {
    TSpinArrows* UpDown;
    TEntryBox* Edit;
    int Min, Max, Position;
    bool Thousands;
  };
  const TBinding Bindings[] = {{Form->BarWidthSpin, Form->BarWidthBox, 1, 20, 10, true},
                               {Form->RangeEndSpin, Form->RangeEndBox, 0, 10239, 255, true},
                               {Form->DatumSpin, Form->DatumBox, 0, 10239, 0, true},
                               {Form->MeanSpin, Form->MeanBox, -255, 255, 0, false},
                               {Form->VarianceSpin, Form->VarianceBox, 0, 32767, 10, false},
                               {Form->PeakSpin, Form->PeakBox, 0, 32767, 100, false}};
  for (const TBinding& B : Bindings) {
    const std::string Name = B.UpDown->objectName().toStdString();
    EXPECT_EQ(B.UpDown->Associate(), B.Edit) << Name;
    EXPECT_EQ(B.UpDown->Min(), B.Min) << Name;
    EXPECT_EQ(B.UpDown->Max(), B.Max) << Name;
    EXPECT_EQ(B.UpDown->Position(), B.Position) << Name;
    EXPECT_EQ(B.UpDown->Thousands(), B.Thousands) << Name;
  }
}

TEST_F(FrameLayout, AreasAtTheDesignSizeAndOnResize) {
  ShowForm();
  EXPECT_EQ(Form->GraphView->geometry(), QRect(0, 0, 711, 230));
  EXPECT_EQ(Form->LowerPanel->geometry(), QRect(0, 230, 711, 285));
  EXPECT_EQ(Form->ControlPanel->geometry(), QRect(0, 0, 280, 285));
  EXPECT_EQ(Form->ViewMemo->geometry(), QRect(280, 0, 431, 285));
  EXPECT_EQ(Form->OpenButton->geometry(), QRect(138, 8, 33, 25));
  EXPECT_EQ(Form->CurveGroup->geometry(), QRect(6, 160, 170, 119));
  EXPECT_EQ(Form->ArrangeButton->parentWidget(), Form->CurveGroup);

  Form->resize(900, 700);
  QApplication::processEvents();
  EXPECT_EQ(Form->GraphView->geometry(), QRect(0, 0, 900, 415));
  EXPECT_EQ(Form->LowerPanel->geometry(), QRect(0, 415, 900, 285));
  EXPECT_EQ(Form->ControlPanel->geometry(), QRect(0, 0, 280, 285));
  EXPECT_EQ(Form->ViewMemo->geometry(), QRect(280, 0, 620, 285));
}

// The room a line edit gives its text: the style's contents rectangle less
// the edit's own 2-pixel side margins.
int TextRoom(QLineEdit* Edit) {
  QStyleOptionFrame Option;
  Option.initFrom(Edit);
  Option.rect = Edit->rect();
  Option.lineWidth = Edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &Option, Edit);
  return Edit->style()->subElementRect(QStyle::SE_LineEditContents, &Option, Edit).width() - 4;
}

TEST_F(FrameLayout, EveryBoxShowsItsWholeValue) {
  ShowForm();
  const struct {
    QLineEdit* Edit;
    const char* Value;
  } Cases[] = {
      {Form->FrequencyBox, "1048576"},
      {Form->FrequencyBox, "8888888"},
      {Form->RangeEndBox, "10,239"},
      {Form->DatumBox, "10,239"},
      {Form->PeakBox, "3000000"},
      {Form->MeanBox, "-255"},
      {Form->VarianceBox, "32767"},
      {Form->BitPatternBox, "1111111111111111 = 65535"},
      {Form->BitPatternBox, "0000000000000000 = 0"},
  };
  for (const auto& Case : Cases) {
    const QString Value = QString::fromUtf8(Case.Value);
    EXPECT_LE(Case.Edit->fontMetrics().horizontalAdvance(Value), TextRoom(Case.Edit))
        << Case.Edit->objectName().toStdString() << " cuts " << Case.Value;
  }
}

TEST_F(FrameLayout, TabOrderFollowsTheDesign) {
  CreateForm();
  const QList<QWidget*> Expected = {Form->OpenButton,
                                    Form->BarWidthBox,
                                    Form->DataOrderRadio,
                                    Form->FrequencyOrderRadio,
                                    Form->DistributionViewRadio,
                                    Form->ArraysViewRadio,
                                    Form->TableViewRadio,
                                    Form->RangeEndBox,
                                    Form->FillZerosButton,
                                    Form->RestoreButton,
                                    Form->DatumBox,
                                    Form->FrequencyBox,
                                    Form->BitLengthBox,
                                    Form->BitPatternBox,
                                    Form->UpdateButton,
                                    Form->AddBox,
                                    Form->SubtractBox,
                                    Form->MultiplyBox,
                                    Form->DivideBox,
                                    Form->AddButton,
                                    Form->SubtractButton,
                                    Form->MultiplyButton,
                                    Form->DivideButton,
                                    Form->DrawCurveButton,
                                    Form->ClearCurveButton,
                                    Form->FitButton,
                                    Form->MeanBox,
                                    Form->VarianceBox,
                                    Form->PeakBox,
                                    Form->ArrangeButton,
                                    Form->ByteModeRadio,
                                    Form->TableModeRadio,
                                    Form->PreviousPageButton,
                                    Form->NextPageButton};
  for (qsizetype I = 1; I < Expected.size(); ++I) {
    // The next control in the chain that can take focus by Tab.
    QWidget* Next = Expected[I - 1]->nextInFocusChain();
    while (Next && !(Next->focusPolicy() & Qt::TabFocus)) Next = Next->nextInFocusChain();
    EXPECT_EQ(Next, Expected[I]) << Expected[I - 1]->objectName().toStdString();
  }
}

TEST_F(FrameLayout, EscapedErrorGoesToTheErrorBoxWithAFullStop) {
  ShowForm();
  const QString Fifo = PathOf("pipe");
  ASSERT_EQ(::mkfifo(QFile::encodeName(Fifo).constData(), 0600), 0);
  OpenWithButton(Fifo);
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Kind, TDialogs::TKind::Error);
  EXPECT_EQ(Dialogs.Messages[0].Title, "Quorvant");
  EXPECT_EQ(Dialogs.Messages[0].Text, Q("ファイル ") + Fifo + Q(" は開けません."));
  // The window goes on working.
  Dialogs.Messages.clear();
  ShowAndOpen("a.txt", "aab");
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_EQ(Form->Frequency()[97], 2);
}

// ---- the control stand-ins ----------------------------------------------------

class Controls : public TFrameTest {
protected:
  void SetUp() override {
    TFrameTest::SetUp();
    FParent = std::make_unique<QWidget>();
    FParent->show();
  }
  void TearDown() override {
    FParent.reset();
    TFrameTest::TearDown();
  }
  // Created once the application exists.
  std::unique_ptr<QWidget> FParent;
};

TEST_F(Controls, UpDownWritesItsPositionWithThousandsSeparators) {
  TEntryBox Edit(FParent.get());
  TSpinArrows UpDown(FParent.get());
  UpDown.SetRange(0, 10239);
  UpDown.SetAssociate(&Edit);
  UpDown.SetPosition(1000);
  EXPECT_EQ(Edit.text(), "1,000");
  UpDown.SetPosition(10239);
  EXPECT_EQ(Edit.text(), "10,239");
  UpDown.SetPosition(999);
  EXPECT_EQ(Edit.text(), "999");
  UpDown.SetThousands(false);
  UpDown.SetPosition(10000);
  EXPECT_EQ(Edit.text(), "10000");
}

TEST_F(Controls, UpDownTakesTheLow16BitsThenClamps) {
  TEntryBox Edit(FParent.get());
  TSpinArrows UpDown(FParent.get());
  UpDown.SetRange(-255, 255);
  UpDown.SetAssociate(&Edit);
  UpDown.SetPosition(65536 + 7);  // low 16 bits: 7
  EXPECT_EQ(UpDown.Position(), 7);
  UpDown.SetPosition(65535);  // low 16 bits: -1
  EXPECT_EQ(UpDown.Position(), -1);
  UpDown.SetPosition(40000);  // -25536, clamped to the minimum
  EXPECT_EQ(UpDown.Position(), -255);
  UpDown.SetPosition(300);
  EXPECT_EQ(UpDown.Position(), 255);
  EXPECT_EQ(Edit.text(), "255");
}

TEST_F(Controls, UpDownPositionReadsAValidEditText) {
  TEntryBox Edit(FParent.get());
  TSpinArrows UpDown(FParent.get());
  UpDown.SetRange(0, 10239);
  UpDown.SetAssociate(&Edit);
  UpDown.SetPosition(5);
  Edit.setText("1,234");
  EXPECT_EQ(UpDown.Position(), 1234);
  Edit.setText("77");
  EXPECT_EQ(UpDown.Position(), 77);
  Edit.setText("abc");
  EXPECT_EQ(UpDown.Position(), 77);
  Edit.setText("20000");
  EXPECT_EQ(UpDown.Position(), 77);
  Edit.setText("1 2");
  EXPECT_EQ(UpDown.Position(), 77);
  UpDown.SetThousands(false);
  Edit.setText("1,234");
  EXPECT_EQ(UpDown.Position(), 77);
}

TEST_F(Controls, UpDownDetachedKeepsTheEditText) {
  TEntryBox Edit(FParent.get());
  TSpinArrows UpDown(FParent.get());
  UpDown.SetRange(0, 32767);
  UpDown.SetAssociate(&Edit);
  UpDown.SetPosition(100);
  UpDown.SetAssociate(nullptr);
  Edit.setText("50000");
  UpDown.SetPosition(200);
  EXPECT_EQ(Edit.text(), "50000");
  EXPECT_EQ(UpDown.Position(), 200);
  UpDown.SetAssociate(&Edit);
  UpDown.SetPosition(300);
  EXPECT_EQ(Edit.text(), "300");
}

TEST_F(Controls, UpDownArrowsStepWithoutWrapAndClick) {
  TEntryBox Edit(FParent.get());
  TSpinArrows UpDown(FParent.get());
  UpDown.SetRange(1, 20);
  UpDown.SetAssociate(&Edit);
  UpDown.SetPosition(19);
  int Clicks = 0;
  QObject::connect(&UpDown, &TSpinArrows::Click, [&] { ++Clicks; });
  UpDown.Step(+1);
  UpDown.Step(+1);
  EXPECT_EQ(UpDown.Position(), 20);
  EXPECT_EQ(Edit.text(), "20");
  EXPECT_EQ(Clicks, 2);
  // The arrow starts from what the edit box holds.
  Edit.setText("5");
  UpDown.Step(-1);
  EXPECT_EQ(UpDown.Position(), 4);
  // The Down key in the edit box presses the lower arrow.
  QKeyEvent Down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
  QApplication::sendEvent(&Edit, &Down);
  EXPECT_EQ(UpDown.Position(), 3);
  EXPECT_EQ(Clicks, 4);
}

TEST_F(Controls, EntryBoxSignalsEnterAndReturnOnly) {
  TEntryBox Edit(FParent.get());
  int Entered = 0;
  QObject::connect(&Edit, &TEntryBox::Entered, [&] { ++Entered; });
  PressEnter(&Edit);
  QKeyEvent Letter(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
  QApplication::sendEvent(&Edit, &Letter);
  EXPECT_EQ(Entered, 1);
  QKeyEvent KeypadEnter(QEvent::KeyPress, Qt::Key_Enter, Qt::KeypadModifier);
  QApplication::sendEvent(&Edit, &KeypadEnter);
  EXPECT_EQ(Entered, 2);
  EXPECT_EQ(Edit.text(), "a");
}

TEST_F(Controls, MemoKeepsCrLfAndLimitsWhatIsTyped) {
  TMemoText Memo(FParent.get());
  Memo.SetText(Q("one\r\ntwo\r\n"));
  EXPECT_EQ(Memo.Text(), Q("one\r\ntwo\r\n"));
  EXPECT_EQ(Memo.lineWrapMode(), QPlainTextEdit::NoWrap);

  // Lines of 1023 characters and a line break: 1024 a line.
  const QString Line = QString(1023, QLatin1Char('x')) + QLatin1Char('\n');
  QString Full = Line.repeated(TMemoText::MaxLength / 1024);
  Full.chop(1);  // one short of the limit
  Memo.SetText(Full);
  Memo.moveCursor(QTextCursor::End);
  QKeyEvent Key(QEvent::KeyPress, Qt::Key_Y, Qt::NoModifier, QStringLiteral("y"));
  QApplication::sendEvent(&Memo, &Key);
  QApplication::sendEvent(&Memo, &Key);
  EXPECT_EQ(Memo.toPlainText().size(), TMemoText::MaxLength);
  EXPECT_TRUE(Memo.toPlainText().endsWith("xy"));

  Full.chop(2);  // three short
  Memo.SetText(Full);
  Memo.moveCursor(QTextCursor::End);
  QApplication::clipboard()->setText(QStringLiteral("abcdef"));
  Memo.paste();
  EXPECT_EQ(Memo.toPlainText().size(), TMemoText::MaxLength);
  EXPECT_TRUE(Memo.toPlainText().endsWith("xabc"));
}

// ---- opening ----------------------------------------------------------------

using FrameOpen = FrameTest;

TEST_F(FrameOpen, TextIn8BitModeGivesTheDistributionView) {
  const QString Path = ShowAndOpen("abra.txt", "abracadabra");
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_EQ(Dialogs.OpenDialogDirs, QStringList{PathOf("QuorvantData")});
  EXPECT_EQ(Form->FileName(), Path);
  const std::string& Expected = AbracadabraGolden::DistributionView;
  EXPECT_EQ(Form->HuffmanText(), Expected);
  EXPECT_EQ(Form->ViewMemo->Text(), QString::fromStdString(Expected));
  EXPECT_EQ(Form->ArrayText(), AbracadabraGolden::ArrayView);
  ASSERT_EQ(Form->Frequency().size(), 256u);
  EXPECT_EQ(Form->Frequency()[97], 5);
  EXPECT_EQ(Form->Frequency()[114], 2);
  EXPECT_EQ(Form->DataCount(), 115);
  EXPECT_EQ(Form->OrderCount(), 5);
  EXPECT_EQ(Form->MaxFrequency(), 5);
  EXPECT_EQ(Form->MaxData(), 97);
  EXPECT_EQ(Form->windowTitle(), Q("Quorvant Version 1.0"));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(FrameOpen, FourBytesCountedAsInTheTable) {
  ShowAndOpen("abca", "abca");
  EXPECT_EQ(Form->Frequency()[97], 2);
  EXPECT_EQ(Form->Frequency()[98], 1);
  EXPECT_EQ(Form->Frequency()[99], 1);
  EXPECT_EQ(Form->DataCount(), 100);
  EXPECT_EQ(Form->MaxFrequency(), 2);
  EXPECT_EQ(Form->MaxData(), 97);
  EXPECT_EQ(Form->OrderCount(), 3);
  EXPECT_EQ(Form->SelectedData(), 0);
  EXPECT_EQ(Form->PeakBox->text(), "2");
  EXPECT_EQ(Form->PeakValueLabel->text(), "2");
  EXPECT_EQ(Form->RangeEndSpin->Position(), 255);
}

TEST_F(FrameOpen, CopiedCArraysAreWhatQuorvantCliPrints) {
  const QString Path = ShowAndOpen("abra.txt", "abracadabra");
  QGuiApplication::clipboard()->setText(QStringLiteral("untouched"));
  Form->CopyCArraysItem->trigger();
  QProcess Cli;
  Cli.start(QString::fromLocal8Bit(qgetenv("QUORVANT_CLI")), {"arrays", "--lang", "c", Path});
  ASSERT_TRUE(Cli.waitForFinished(10000));
  ASSERT_EQ(Cli.exitCode(), 0);
  EXPECT_EQ(QGuiApplication::clipboard()->text().toUtf8(), Cli.readAllStandardOutput());
}

// The limited code in every view and the evaluation on other files are the
// texts quorvant-cli prints for the same table.
TEST_F(FrameOpen, LimitedCodeAndEvaluationAreWhatQuorvantCliPrints) {
  // A skewed table whose 16-bit code is longer than the limits tried.
  std::vector<int32_t> Words(40);
  for (size_t I = 0; I < Words.size(); ++I) Words[I] = I < 20 ? 1 << (I % 20) : 1;
  const QString Table = ShowAndOpen("skewed.frq", WordBytes(Words), true);
  const QString Other = PathOf("other.bin");
  WriteBytes(Other, QByteArray("\x00\x01\x01\x05\x27\x27\xff", 7));  // $FF has no code
  const auto Cli = [&](QStringList Args) {
    QProcess Run;
    Run.setWorkingDirectory(Dir());
    Run.start(QString::fromLocal8Bit(qgetenv("QUORVANT_CLI")), Args);
    EXPECT_TRUE(Run.waitForFinished(10000));
    EXPECT_EQ(Run.exitCode(), 0) << Run.readAllStandardError().toStdString();
    return Run.readAllStandardOutput();
  };
  const auto ChooseLimit = [&](int Bits) {
    for (QAction* Item : Form->LimitMenu->actions())
      if (Item->data().toInt() == Bits) Item->trigger();
  };
  struct TCase {
    int MaxBits;
    bool Optimal;
  };
  for (const TCase& Case : {TCase{16, false}, TCase{9, false}, TCase{9, true}, TCase{16, true}}) {
    SCOPED_TRACE(std::to_string(Case.MaxBits) + (Case.Optimal ? " optimal" : " repair"));
    ChooseLimit(Case.MaxBits);
    if (Form->OptimalCodeItem->isChecked() != Case.Optimal) Form->OptimalCodeItem->trigger();
    const QStringList Limit = {"--32bit",
                               "--max-bits",
                               QString::number(Case.MaxBits),
                               "--limit-rule",
                               Case.Optimal ? "optimal" : "repair",
                               "skewed.frq"};
    Form->DistributionViewRadio->setChecked(true);
    EXPECT_EQ(Form->ViewMemo->Text().toUtf8(), Cli(QStringList{"distribution"} + Limit));
    Form->CopyCArraysItem->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text().toUtf8(),
              Cli(QStringList{"arrays", "--lang", "c"} + Limit));

    // The detail line of every datum shows the same code.
    const QList<QByteArray> Rows = Cli(QStringList{"table", "--csv"} + Limit).split('\n');
    for (int Datum = 0; Datum < 40; ++Datum) {
      TypeText(Form->DatumBox, QString::number(Datum));
      PressEnter(Form->DatumBox);
      const QList<QByteArray> Row = Rows[Datum + 1].trimmed().split(',');
      EXPECT_EQ(Form->BitLengthBox->text().toUtf8(), Row[2]) << Datum;
      EXPECT_EQ(Form->BitPatternBox->text().section(' ', 0, 0).toUtf8(), Row[3]) << Datum;
    }
    Dialogs.OpenManyAnswers.push_back({Other, Table});
    Form->EvaluateItem->trigger();
    QByteArray Expected =
        Cli({"evaluate", "--table", "skewed.frq", "--max-bits", QString::number(Case.MaxBits),
             "--limit-rule", Case.Optimal ? "optimal" : "repair", Other, Table});
    Expected.replace("\n", "\r\n");
    EXPECT_EQ(Form->ViewMemo->Text().toUtf8(),
              Q("ファイル名 = skewed.frq\r\n").toUtf8() + Expected);
  }
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
}

TEST_F(FrameOpen, SavedTableOpensBackAsTheSameTableIn32Bit) {
  ShowAndOpen("abra.txt", "abracadabra");
  Click(Form->FillZerosButton);  // edits the table: every entry lifted off zero
  const std::vector<int32_t> Edited = Form->Frequency();
  ASSERT_EQ(Edited.size(), 256u);
  ASSERT_EQ(Edited['a'], 6);
  Dialogs.SaveAnswers.push_back(PathOf("saved.frq"));
  Form->SaveTableItem->trigger();
  QFile Saved(PathOf("saved.frq"));
  ASSERT_TRUE(Saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(Saved.readAll(), WordBytes(Edited));
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
  THuffman Huffman;
  TDocument Reopened;
  const TOpenResult Result =
      OpenDocumentFile(PathOf("saved.frq").toStdString(), true, Huffman, Reopened, '.');
  EXPECT_FALSE(Result.FellBack);
  EXPECT_EQ(Reopened.Frequency, Edited);
}

TEST_F(FrameOpen, CancelledOpenLeavesTheDocumentAsItWas) {
  ShowAndOpen("abra.txt", "abracadabra");
  const TDocument Before = Form->Document();
  // A sparse file of three counting pieces: zeros that cost no disk.
  QFile Large(PathOf("large.bin"));
  ASSERT_TRUE(Large.open(QIODevice::WriteOnly) && Large.resize(qint64{130} << 20));
  Large.close();
  Form->SetProgressDelay(0);
  bool Shown = false;
  QTimer Canceller;  // the user's Cancel, once the dialog is on the screen
  QObject::connect(&Canceller, &QTimer::timeout, [&] {
    auto* Dialog = Form->findChild<QProgressDialog*>(QStringLiteral("OpenProgress"));
    if (Dialog && Dialog->isVisible()) {
      Shown = true;
      Dialog->cancel();
      Canceller.stop();
    }
  });
  Canceller.start(0);
  Form->OpenDataFile(PathOf("large.bin"));
  EXPECT_TRUE(Shown);
  EXPECT_EQ(Form->Frequency(), Before.Frequency);
  EXPECT_EQ(Form->HuffmanText(), Before.Texts.HuffmanText);
  EXPECT_EQ(Form->FileName(), PathOf("abra.txt"));
  EXPECT_EQ(Form->Huffman()->Count(), 5);
  EXPECT_EQ(Form->windowTitle(), Q(FrameCaption));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
}

TEST_F(FrameOpen, ExtendedWordsBecomeTheTable) {
  ShowAndOpen("t.frq", WordBytes({0, 5}), true);
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_TRUE(Form->TableModeRadio->isChecked());
  EXPECT_EQ(Form->Frequency(), (std::vector<int32_t>{0, 5}));
  EXPECT_EQ(Form->SortedFrequency(), (std::vector<int32_t>{5, 0}));
  EXPECT_EQ(Form->DataCount(), 2);
  EXPECT_EQ(Form->OrderCount(), 1);
  EXPECT_EQ(Form->MaxFrequency(), 5);
  EXPECT_EQ(Form->MaxData(), 1);
  EXPECT_EQ(Form->RangeEndSpin->Position(), 1);
}

TEST_F(FrameOpen, ShortLastWordKeepsTheHighBytesOfThePrevious) {
  ShowAndOpen("six", QByteArray::fromHex("050001000700"), true);
  EXPECT_EQ(Form->Frequency(), (std::vector<int32_t>{65541, 65543}));
}

TEST_F(FrameOpen, ExtendedSizeLimitIs40960Bytes) {
  ShowAndOpen("max.frq", WordBytes(std::vector<int32_t>(10240, 3)), true);
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_EQ(Form->Frequency().size(), 10240u);
  EXPECT_EQ(Form->DataCount(), 10240);
  EXPECT_EQ(Form->RangeEndSpin->Position(), 10239);

  QByteArray Longer = WordBytes(std::vector<int32_t>(10240, 3));
  Longer.append('\x01');
  const QString Path = PathOf("over.frq");
  WriteBytes(Path, Longer);
  OpenWithButton(Path);
  EXPECT_EQ(Dialogs.Texts(), QStringList{FallbackMessage(Path)});
  EXPECT_TRUE(Form->ByteModeRadio->isChecked());
  EXPECT_FALSE(Form->TableModeRadio->isChecked());
  EXPECT_EQ(Form->SkipModeReload, 0);
  EXPECT_EQ(Form->Frequency().size(), 256u);
  EXPECT_EQ(Form->Frequency()[3], 10240);
  EXPECT_EQ(Form->Frequency()[1], 1);
  EXPECT_EQ(Form->Frequency()[0], 3 * 10240);
}

TEST_F(FrameOpen, FallbackShowsItsMessageWhileBusyAndOpensOnce) {
  const QString Path = ShowAndOpen("big.frq", WordBytes({1048577}), true);
  ASSERT_EQ(Dialogs.Messages.size(), 1u);
  EXPECT_EQ(Dialogs.Messages[0].Text, FallbackMessage(Path));
  EXPECT_EQ(Dialogs.Messages[0].Kind, TDialogs::TKind::Information);
  EXPECT_EQ(Dialogs.Messages[0].OwnerCaption, Q(FrameCaption) + Q(FrameBusySuffix));
  EXPECT_FALSE(Dialogs.Messages[0].WaitCursor);
  EXPECT_EQ(Form->windowTitle(), Q(FrameCaption));
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
  // Counted as bytes: 01 00 10 00.
  EXPECT_EQ(Form->Frequency()[0x10], 1);
  EXPECT_EQ(Form->Frequency()[0], 2);
}

TEST_F(FrameOpen, ExtendedWordLimits) {
  const QString Ok = ShowAndOpen("ok.frq", WordBytes({1048576, 1}), true);
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_EQ(Form->MaxFrequency(), 1048576);

  for (const int32_t Bad : {1048577, -1, INT32_MIN}) {
    Dialogs.Messages.clear();
    const QString Path = PathOf("bad.frq");
    WriteWords(Path, {7, Bad});
    OpenWithButton(Path);
    EXPECT_EQ(Dialogs.Texts(), QStringList{FallbackMessage(Path)}) << Bad;
    EXPECT_TRUE(Form->ByteModeRadio->isChecked()) << Bad;
    EXPECT_EQ(Form->Frequency().size(), 256u) << Bad;
    // Back to 32 bit with the good table: the switch reloads it.
    OpenWithButton(Ok);
    Click(Form->TableModeRadio);
    ASSERT_EQ(Form->Frequency().size(), 2u);
  }
}

TEST_F(FrameOpen, AfterTheFallbackLaterOpensStayIn8Bit) {
  ShowAndOpen("bad.frq", WordBytes({-5}), true);
  Dialogs.Messages.clear();
  const QString Good = PathOf("good.frq");
  WriteWords(Good, {0, 5});
  OpenWithButton(Good);
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_EQ(Form->Frequency().size(), 256u);
  EXPECT_EQ(Form->Frequency()[0], 7);
  EXPECT_EQ(Form->Frequency()[5], 1);
}

TEST_F(FrameOpen, AllZeroWordsOpenWithoutACode) {
  ShowAndOpen("zero.frq", WordBytes({0, 0, 0}), true);
  EXPECT_TRUE(Dialogs.Messages.empty());
  EXPECT_EQ(Form->DataCount(), 0);
  EXPECT_EQ(Form->Frequency().size(), 3u);
  EXPECT_EQ(Form->HuffmanText(),
            "ファイル名 = zero.frq\r\n\r\nハフマン符号が作成出来ない為、\r\n\r\n"
            "ハフマン分布は表示出来ません。");
  EXPECT_EQ(Form->ArrayText(),
            "ファイル名 = zero.frq\r\n\r\nハフマン符号が作成出来ない為、\r\n\r\n"
            "ハフマン配列は表示出来ません。");
  EXPECT_FALSE(Form->GraphView->HasPicture());
  EXPECT_FALSE(Form->DrawCurveButton->isEnabled());
}

TEST_F(FrameOpen, AllZeroBytesIn8Bit) {
  ShowAndOpen("zeros", QByteArray(1000, '\0'));
  EXPECT_EQ(Form->Frequency()[0], 1000);
  EXPECT_EQ(Form->DataCount(), 1);
  EXPECT_EQ(Form->OrderCount(), 1);
  EXPECT_TRUE(Form->GraphView->HasPicture());
  EXPECT_NE(Form->HuffmanText().find("ハフマン符号による圧縮率 = 12.5 %"), std::string::npos);
}

TEST_F(FrameOpen, RefusedOpensLeaveTheDocument) {
  ShowAndOpen("abra.txt", "abracadabra");
  const std::vector<int32_t> Before = Form->Frequency();
  const std::string Text = Form->HuffmanText();
  const QString Name = Form->FileName();

  const QString Missing = PathOf("missing.txt");
  const QString Folder = PathOf("folder");
  ASSERT_TRUE(QDir().mkpath(Folder));
  const QString Empty = PathOf("empty.txt");
  WriteBytes(Empty, QByteArray());
  const QString Huge = PathOf("huge.bin");
  {
    QFile File(Huge);
    ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    ASSERT_TRUE(File.resize(int64_t{2147483648}));  // sparse
  }
  const std::pair<QString, QString> Cases[] = {{Missing, Missing + NotFound},
                                               {Folder, Folder + NotFound},
                                               {Empty, EmptyFile},
                                               {Huge, Huge + Q(" は大きすぎて表示出来ません。")}};
  for (const auto& [Path, Message] : Cases) {
    Form->DatumSpin->SetPosition(7);
    Dialogs.Messages.clear();
    OpenWithButton(Path);
    ASSERT_EQ(Dialogs.Messages.size(), 1u) << Path.toStdString();
    EXPECT_EQ(Dialogs.Messages[0].Text, Message);
    EXPECT_EQ(Dialogs.Messages[0].Kind, TDialogs::TKind::Information);
    EXPECT_EQ(Form->DatumSpin->Position(), 0);
    EXPECT_EQ(Form->Frequency(), Before);
    EXPECT_EQ(Form->HuffmanText(), Text);
    EXPECT_EQ(Form->FileName(), Name);
    EXPECT_EQ(Form->windowTitle(), Q(FrameCaption));
  }
}

TEST_F(FrameOpen, UnreadableFileGivesTheErrorBox) {
  if (::geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
  ShowAndOpen("abra.txt", "abracadabra");
  const QString Locked = PathOf("locked");
  WriteBytes(Locked, "abc");
  ASSERT_EQ(::chmod(QFile::encodeName(Locked).constData(), 0), 0);
  Dialogs.Messages.clear();
  OpenWithButton(Locked);
  EXPECT_EQ(Dialogs.ErrorTexts(), QStringList{Q("ファイル ") + Locked + Q(" は開けません.")});
  EXPECT_EQ(Form->Frequency()[97], 5);
}

TEST_F(FrameOpen, CancelledDialogOpensNothing) {
  ShowForm();
  Click(Form->OpenButton);
  EXPECT_EQ(Dialogs.OpenDialogDirs.size(), 1);
  EXPECT_TRUE(Form->FileName().isEmpty());
  EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(FrameOpen, RestoreRereadsTheFileAndDiscardsEdits) {
  const QString Path = ShowAndOpen("abra.txt", "abracadabra");
  TypeText(Form->FrequencyBox, "9");  // frequency of datum 0
  PressEnter(Form->FrequencyBox);
  ASSERT_EQ(Form->Frequency()[0], 9);
  Click(Form->RestoreButton);
  EXPECT_EQ(Form->Frequency()[0], 0);
  EXPECT_EQ(Form->Frequency()[97], 5);

  TypeText(Form->FrequencyBox, "9");
  PressEnter(Form->FrequencyBox);
  ASSERT_TRUE(QFile::remove(Path));
  Dialogs.Messages.clear();
  Click(Form->RestoreButton);
  EXPECT_EQ(Dialogs.Texts(), QStringList{Path + NotFound});
  EXPECT_EQ(Form->Frequency()[0], 9);
}

TEST_F(FrameOpen, ModeSwitchReloadsTheFile) {
  ShowAndOpen("t.frq", WordBytes({0, 5}));
  ASSERT_EQ(Form->Frequency().size(), 256u);
  Click(Form->TableModeRadio);
  EXPECT_EQ(Form->Frequency(), (std::vector<int32_t>{0, 5}));
  Click(Form->ByteModeRadio);
  EXPECT_EQ(Form->Frequency().size(), 256u);
  EXPECT_EQ(Form->Frequency()[5], 1);
  EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(FrameOpen, ModeSwitchWithoutAFileOnlyChangesTheOption) {
  ShowForm();
  Click(Form->TableModeRadio);
  EXPECT_TRUE(Form->TableModeRadio->isChecked());
  EXPECT_TRUE(Form->Frequency().empty());
  EXPECT_TRUE(Dialogs.Messages.empty());
}

TEST_F(FrameOpen, OpeningEndsTheCurve) {
  ShowAndOpen("abra.txt", "abracadabra");
  Click(Form->DrawCurveButton);
  ASSERT_TRUE(Form->ClearCurveButton->isEnabled());
  Click(Form->RestoreButton);
  EXPECT_TRUE(Form->DrawCurveButton->isEnabled());
  EXPECT_FALSE(Form->ClearCurveButton->isEnabled());
  EXPECT_FALSE(Form->FitButton->isEnabled());
  EXPECT_FALSE(Form->ArrangeButton->isEnabled());
}

// ---- views and the detail line ---------------------------------------------------

using FrameViews = FrameTest;

TEST_F(FrameViews, SwitchingShowsTheStoredTexts) {
  ShowAndOpen("abra.txt", "abracadabra");
  Click(Form->ArraysViewRadio);
  EXPECT_EQ(Form->ViewMemo->Text(), QString::fromStdString(Form->ArrayText()));
  Click(Form->TableViewRadio);
  EXPECT_EQ(Form->ViewMemo->Text(), QString::fromStdString(Form->TableText()));
  // Another open shows the checked view.
  Form->ViewMemo->SetText("typed");
  Click(Form->RestoreButton);
  EXPECT_EQ(Form->ViewMemo->Text(), QString::fromStdString(Form->TableText()));
  Click(Form->DistributionViewRadio);
  EXPECT_EQ(Form->ViewMemo->Text(), QString::fromStdString(Form->HuffmanText()));
}

TEST_F(FrameViews, TableViewListsEveryEntry) {
  ShowAndOpen("abra.txt", "abracadabra");
  const std::string Rule(48, '=');
  std::string Expected =
      "ファイル名 = abra.txt\r\n\r\n<データの頻度テーブル>   10 進  =  16 進表現\r\n" + Rule +
      "\r\n        Data:       |      Frequency:\r\n" + Rule + "\r\n";
  for (int I = 0; I < 256; ++I) Expected += TableRow(I, Form->Frequency()[I]) + "\r\n";
  Expected += "\r\n";
  EXPECT_EQ(Form->TableText(), Expected);
  EXPECT_NE(Expected.find("      97  =  $61     |        5  =  $5\r\n"), std::string::npos);
}

TEST_F(FrameViews, DetailLineOfTheChosenDatum) {
  ShowAndOpen("abra.txt", "abracadabra");
  EXPECT_EQ(Form->DatumHexLabel->text(), "= $00");
  EXPECT_EQ(Form->FrequencyBox->text(), "0");
  EXPECT_EQ(Form->BitLengthBox->text(), "");
  EXPECT_EQ(Form->BitPatternBox->text(), "");

  TypeText(Form->DatumBox, "114");
  PressEnter(Form->DatumBox);
  EXPECT_EQ(Form->DatumHexLabel->text(), "= $72");
  EXPECT_EQ(Form->FrequencyBox->text(), "2");
  EXPECT_EQ(Form->BitLengthBox->text(), "3");
  EXPECT_EQ(Form->BitPatternBox->text(), "101 = 5");
  EXPECT_EQ(Form->SelectedData(), 114);

  TypeText(Form->DatumBox, "300");
  PressEnter(Form->DatumBox);
  EXPECT_EQ(Form->DatumHexLabel->text(), "= $12C");
  EXPECT_EQ(Form->FrequencyBox->text(), "");
  EXPECT_EQ(Form->BitLengthBox->text(), "");
  EXPECT_EQ(Form->BitPatternBox->text(), "");
  EXPECT_TRUE(Dialogs.Messages.empty());

  Form->DatumSpin->Step(+1);
  EXPECT_EQ(Form->DatumHexLabel->text(), "= $12D");
  EXPECT_EQ(Form->SelectedData(), 301);
}

TEST_F(FrameViews, RejectedDatumBringsThePreviousBack) {
  QLocale::setDefault(QLocale::c());
  ShowAndOpen("abra.txt", "abracadabra");
  TypeText(Form->DatumBox, "97");
  PressEnter(Form->DatumBox);
  for (const QString& Typed :
       {QStringLiteral("abc"), QStringLiteral("10240"), QStringLiteral("-1")}) {
    Dialogs.Messages.clear();
    TypeText(Form->DatumBox, Typed);
    PressEnter(Form->DatumBox);
    EXPECT_EQ(Dialogs.Texts(), QStringList{Typed + Unspecifiable});
    EXPECT_EQ(Form->DatumBox->text(), "97");
    EXPECT_EQ(Form->SelectedData(), 97);
  }
  // The spin box writes 1000 with a separator, which Enter does not accept.
  Form->DatumSpin->SetPosition(999);
  Form->DatumSpin->Step(+1);
  ASSERT_EQ(Form->DatumBox->text(), "1,000");
  EXPECT_EQ(Form->SelectedData(), 1000);
  Dialogs.Messages.clear();
  PressEnter(Form->DatumBox);
  EXPECT_EQ(Dialogs.Texts(), QStringList{QStringLiteral("1,000") + Unspecifiable});
  EXPECT_EQ(Form->DatumBox->text(), "1000");
}

// ---- the graph ---------------------------------------------------------------------

using FrameGraph = FrameTest;

// 256 data values, each present.
QByteArray AllBytes() {
  QByteArray Bytes;
  for (int Repeat = 1; Repeat <= 2; ++Repeat)
    for (int I = 0; I < 256; ++I) Bytes.append(static_cast<char>(I));
  return Bytes;
}

TEST_F(FrameGraph, PagingThrough256PositionsAtWidth10) {
  ShowAndOpen("all.bin", AllBytes());
  EXPECT_EQ(Form->BarWidth(), 10);
  EXPECT_EQ(Form->BarsFit(), 67);
  EXPECT_EQ(Form->PageStep(), 64);
  EXPECT_EQ(Form->FirstShown(), 0);
  EXPECT_FALSE(Form->PreviousPageButton->isEnabled());
  EXPECT_TRUE(Form->NextPageButton->isEnabled());
  EXPECT_TRUE(Form->DrawCurveButton->isEnabled());
  for (const int32_t First : {64, 128, 192}) {
    Click(Form->NextPageButton);
    EXPECT_EQ(Form->FirstShown(), First);
    EXPECT_TRUE(Form->PreviousPageButton->isEnabled());
  }
  EXPECT_FALSE(Form->NextPageButton->isEnabled());
  Click(Form->PreviousPageButton);
  EXPECT_EQ(Form->FirstShown(), 128);
  EXPECT_TRUE(Form->NextPageButton->isEnabled());
}

TEST_F(FrameGraph, ForwardArrowOnlyWhilePositionsAreHidden) {
  // 67 positions fit at width 10: data 0..66 fill the view exactly.
  ShowAndOpen("fits", QByteArray("\x00\x42", 2));
  ASSERT_EQ(Form->DataCount(), 67);
  EXPECT_FALSE(Form->NextPageButton->isEnabled());
  ShowAndOpen("one-more", QByteArray("\x00\x43", 2));
  ASSERT_EQ(Form->DataCount(), 68);
  EXPECT_TRUE(Form->NextPageButton->isEnabled());
  Click(Form->NextPageButton);
  EXPECT_EQ(Form->FirstShown(), 64);
  EXPECT_FALSE(Form->NextPageButton->isEnabled());
}

TEST_F(FrameGraph, Width5FitsTwiceAsMany) {
  ShowAndOpen("all.bin", AllBytes());
  TypeText(Form->BarWidthBox, "5");
  PressEnter(Form->BarWidthBox);
  EXPECT_EQ(Form->BarWidth(), 5);
  EXPECT_EQ(Form->BarsFit(), 135);
  EXPECT_EQ(Form->PageStep(), 128);
  Click(Form->NextPageButton);
  EXPECT_EQ(Form->FirstShown(), 128);
  EXPECT_FALSE(Form->NextPageButton->isEnabled());
}

TEST_F(FrameGraph, PageStepZeroRedrawsTheSameView) {
  ShowAndOpen("all.bin", AllBytes());
  Form->resize(36 + 15 * 20 + 5, 515);  // 15 bars of 20 pixels: fewer than 16
  QApplication::processEvents();
  TypeText(Form->BarWidthBox, "20");
  PressEnter(Form->BarWidthBox);
  EXPECT_EQ(Form->BarsFit(), 15);
  EXPECT_EQ(Form->PageStep(), 0);
  EXPECT_TRUE(Form->NextPageButton->isEnabled());
  Click(Form->NextPageButton);
  EXPECT_EQ(Form->FirstShown(), 0);
}

TEST_F(FrameGraph, BeyondTheLastPositionBlanksTheGraph) {
  ShowAndOpen("all.bin", AllBytes());
  Click(Form->DrawCurveButton);
  ASSERT_TRUE(Form->ClearCurveButton->isEnabled());
  Form->DrawCurrentOrder(false, 256);
  EXPECT_FALSE(Form->GraphView->HasPicture());
  for (QPushButton* B :
       {Form->DrawCurveButton, Form->ClearCurveButton, Form->FitButton, Form->ArrangeButton})
    EXPECT_FALSE(B->isEnabled());
  EXPECT_TRUE(Form->NextPageButton->isEnabled());  // untouched
  EXPECT_EQ(Form->FirstShown(), 0);
}

TEST_F(FrameGraph, BarWidthInputIsChecked) {
  ShowAndOpen("all.bin", AllBytes());
  for (const QString& Typed : {QStringLiteral("0"), QStringLiteral("21"), QStringLiteral("x")}) {
    Dialogs.Messages.clear();
    TypeText(Form->BarWidthBox, Typed);
    PressEnter(Form->BarWidthBox);
    EXPECT_EQ(Dialogs.Texts(), QStringList{Typed + Unspecifiable});
    EXPECT_EQ(Form->BarWidthBox->text(), "10");
    EXPECT_EQ(Form->BarWidthSpin->Position(), 10);
    EXPECT_EQ(Form->BarWidth(), 10);
  }
  Form->BarWidthSpin->Step(+1);
  EXPECT_EQ(Form->BarWidth(), 11);
  EXPECT_EQ(Form->BarsFit(), (711 - 36) / 11);
}

TEST_F(FrameGraph, PagingAndResizeKeepOrDropTheCurve) {
  ShowAndOpen("all.bin", AllBytes());
  Click(Form->DrawCurveButton);
  ASSERT_TRUE(Form->ArrangeButton->isEnabled());
  Click(Form->NextPageButton);
  Form->resize(800, 515);
  QApplication::processEvents();
  EXPECT_EQ(Form->FirstShown(), 0);
  EXPECT_EQ(Form->BarsFit(), (800 - 36) / 10);
  // Without a curve drawn again the curve buttons keep their state.
  EXPECT_TRUE(Form->ArrangeButton->isEnabled());
}

TEST_F(FrameGraph, BarsOfTheMaximumReachTheTop) {
  // One 'A' (maximum 1): every bar present reaches y 8.
  ShowAndOpen("one", "A");
  const QImage Image = Rendered(*Form);
  const int H = Form->GraphView->height();
  const int X = 36 + 65 * 10 + 5;  // centre of bar 65
  EXPECT_EQ(Image.pixel(X, 9), Blue);
  EXPECT_EQ(Image.pixel(X, H - 18), Blue);
  EXPECT_EQ(Image.pixel(X, H - 17), White);  // the outline's bottom
  EXPECT_NE(Image.pixel(X, 6), Blue);
  EXPECT_NE(Image.pixel(36 + 64 * 10 + 5, H - 18), Blue);  // datum 64 is absent
  // Width 10 bars are outlined in white.
  EXPECT_EQ(Image.pixel(36 + 65 * 10, 50), White);
}

TEST_F(FrameGraph, NarrowBarsAreFilledOnly) {
  ShowAndOpen("one", "A");
  TypeText(Form->BarWidthBox, "3");
  PressEnter(Form->BarWidthBox);
  const QImage Image = Rendered(*Form);
  EXPECT_EQ(Image.pixel(36 + 65 * 3, 50), Blue);
  EXPECT_EQ(Image.pixel(36 + 65 * 3 + 2, 50), Blue);
}

TEST_F(FrameGraph, MillionsStandInProportion) {
  QByteArray Bytes(3000000, 'a');
  Bytes.append(QByteArray(1000000, 'b'));
  ShowAndOpen("millions", Bytes);
  EXPECT_EQ(Form->MaxFrequency(), 3000000);
  const int H = Form->GraphView->height();
  const int Band = H - 24;
  TypeText(Form->BarWidthBox, "2");  // all 256 positions on one page
  PressEnter(Form->BarWidthBox);
  const QImage Narrow = Rendered(*Form);
  const int Top = H - 16 - Band * 1000000 / 3000000;
  EXPECT_EQ(Narrow.pixel(36 + 97 * 2, 8), Blue);
  EXPECT_EQ(Narrow.pixel(36 + 98 * 2, Top), Blue);
  EXPECT_NE(Narrow.pixel(36 + 98 * 2, Top - 1), Blue);
}

TEST_F(FrameGraph, FrequencyOrderDescendsAndStopsAtTheLastNonZero) {
  ShowAndOpen("abra.txt", "abracadabra");
  Click(Form->FrequencyOrderRadio);
  EXPECT_EQ(Form->FirstShown(), 0);
  const QImage Image = Rendered(*Form);
  const int H = Form->GraphView->height();
  EXPECT_EQ(Image.pixel(36 + 5, 9), Blue);                // 5 of 5
  EXPECT_EQ(Image.pixel(36 + 4 * 10 + 5, H - 18), Blue);  // the fifth (1)
  EXPECT_NE(Image.pixel(36 + 5 * 10 + 5, H - 18), Blue);  // no sixth bar
  EXPECT_FALSE(Form->NextPageButton->isEnabled());
}

TEST_F(FrameGraph, PeakBoxIsNormalisedAtTheDraw) {
  ShowAndOpen("abra.txt", "abracadabra");
  TypeText(Form->PeakBox, "abc");
  Form->DrawCurrentOrder(false, 0);
  EXPECT_EQ(Form->PeakBox->text(), "5");
  EXPECT_EQ(Form->PeakSpin->Associate(), Form->PeakBox);
  TypeText(Form->PeakBox, "40000");
  Form->DrawCurrentOrder(false, 0);
  EXPECT_EQ(Form->PeakBox->text(), "40000");
  EXPECT_EQ(Form->PeakSpin->Associate(), nullptr);
  TypeText(Form->PeakBox, "-4");
  Form->DrawCurrentOrder(false, 0);
  EXPECT_EQ(Form->PeakSpin->Associate(), Form->PeakBox);
  EXPECT_EQ(Form->PeakBox->text(), "0");
}

TEST(FrequencyTickStep, PowersOfTenAndTheirAdjustments) {
  const std::pair<int32_t, int64_t> Cases[] = {{1, 1},
                                               {5, 1},
                                               {8, 2},
                                               {15, 2},
                                               {20, 10},
                                               {71, 20},
                                               {100, 20},
                                               {200, 100},
                                               {701, 200},
                                               {1048576, 200000},
                                               {999999999, 200000000},
                                               {1000000000, 200000000},
                                               {1999999999, 200000000},
                                               {2000000000, 1000000000},
                                               {2147483647, 1000000000}};
  for (const auto& [Maximum, Step] : Cases) EXPECT_EQ(FrequencyTickStep(Maximum), Step) << Maximum;
}

// ---- statistics and the curve --------------------------------------------------

using FrameStatistics = FrameTest;

TEST_F(FrameStatistics, EachOrderShowsItsMeanAndVariance) {
  ShowAndOpen("s.frq", WordBytes({0, 10, 20, 10}), true);
  EXPECT_EQ(Form->Statistics().DataMean, 2);
  EXPECT_EQ(Form->Statistics().DataVariance, 0);
  EXPECT_EQ(Form->Statistics().OrderMean, 0);
  EXPECT_EQ(Form->Statistics().OrderVariance, 1);
  EXPECT_EQ(Form->MeanValueLabel->text(), "2");
  EXPECT_EQ(Form->VarianceValueLabel->text(), "0");
  EXPECT_EQ(Form->MeanSpin->Position(), 2);
  Click(Form->FrequencyOrderRadio);
  EXPECT_EQ(Form->MeanValueLabel->text(), "0");
  EXPECT_EQ(Form->VarianceValueLabel->text(), "1");
  EXPECT_EQ(Form->VarianceSpin->Position(), 1);
  EXPECT_EQ(Form->PeakBox->text(), "20");
  EXPECT_EQ(Form->PeakValueLabel->text(), "20");
  Click(Form->DataOrderRadio);
  EXPECT_EQ(Form->MeanValueLabel->text(), "2");
}

TEST_F(FrameStatistics, LabelsShowTheFullValueAndBoxesTheLow16Bits) {
  std::vector<int32_t> Words(10240, 0);
  Words[10000] = 4;
  Words[10200] = 4;
  ShowAndOpen("far.frq", WordBytes(Words), true);
  EXPECT_EQ(Form->MeanValueLabel->text(), "10100");
  EXPECT_EQ(Form->MeanSpin->Position(), 255);  // 10100 clamped to -255..255
  EXPECT_EQ(Form->VarianceValueLabel->text(), "10000");
  EXPECT_EQ(Form->VarianceSpin->Position(), 10000);
}

TEST_F(FrameStatistics, CurveValues) {
  ShowAndOpen("all.bin", AllBytes());
  TypeText(Form->MeanBox, "0");
  TypeText(Form->VarianceBox, "10");
  TypeText(Form->PeakBox, "100");
  Form->ComputeNormalCurve();
  std::vector<int32_t> Expected(256, 0);
  const int32_t Head[] = {100, 95, 82, 64, 45, 29, 17, 9, 4, 2, 1};
  std::copy(std::begin(Head), std::end(Head), Expected.begin());
  EXPECT_EQ(Form->NormalCurve(), Expected);

  TypeText(Form->MeanBox, "5");
  TypeText(Form->VarianceBox, "0");
  TypeText(Form->PeakBox, "50");
  Form->ComputeNormalCurve();
  std::fill(Expected.begin(), Expected.end(), 0);
  const int32_t Bell[] = {0, 0, 1, 7, 30, 50, 30, 7, 1};
  std::copy(std::begin(Bell), std::end(Bell), Expected.begin());
  EXPECT_EQ(Form->NormalCurve(), Expected);
}

TEST_F(FrameStatistics, DrawnCurveIsRedOverTheBars) {
  ShowAndOpen("all.bin", AllBytes());
  TypeText(Form->MeanBox, "3");
  TypeText(Form->VarianceBox, "4");
  TypeText(Form->PeakBox, "2");  // the bars' maximum: the peak reaches the top
  Click(Form->DrawCurveButton);
  ASSERT_TRUE(Form->ClearCurveButton->isEnabled());
  const QImage Image = Rendered(*Form);
  EXPECT_EQ(Image.pixel(36 + 3 * 10 + 5, 8), qRgb(255, 0, 0));
}

}  // namespace
