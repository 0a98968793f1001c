// Frequency editing and the normal-distribution overlay, driven through the
// window's real controls on the offscreen platform: the update, the
// frequency and range-end boxes, the four range operations, "0 ～", and the
// draw, clear, fit and arrange buttons with the peak-height box.
#include "FrameTestSupport.h"

#include <QApplication>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

QString Q(const char* Utf8) { return QString::fromUtf8(Utf8); }

const QString CannotSpecify = Q(" は指定出来ません。");
const QString CannotAdd = Q(" を足す事は出来ません。");
const QString CannotSubtract = Q(" を引く事は出来ません。");
const QString CannotMultiply = Q(" を掛ける事は出来ません。");
const QString CannotDivide = Q(" で割る事は出来ません。");
const QString CurveTooHigh = Q(" は頻度の上限 1048576 を超えるので適合出来ません。");
const QString Idle = Q("Quorvant Version 1.0");
const QString Busy = Q("Quorvant Version 1.0 ・・・ ハフマン符号を作成しています。");

using TTable = std::vector<int32_t>;

// A table of Length zeros with the given entries set.
TTable Table(size_t Length, std::initializer_list<std::pair<size_t, int32_t>> Entries) {
  TTable T(Length, 0);
  for (const auto& [Index, Value] : Entries) T[Index] = Value;
  return T;
}

// The bell curve as written down for the overlay, computed here on its own:
// round-half-even of A e^(-(j-Mu)^2 / 2V), zero once it has fallen back to 0.
TTable Bell(size_t Length, int Mu, int V, int A) {
  TTable Curve(Length, 0);
  if (V == 0) V = 1;
  for (size_t J = 0; J < Length; ++J) {
    const double D = static_cast<double>(J) - Mu;
    Curve[J] = static_cast<int32_t>(std::nearbyint(A * std::exp(-D * D / (2.0 * V))));
    if (Curve[J] == 0 && J > 0 && Curve[J - 1] != 0) break;
  }
  return Curve;
}

// Frequencies 1, 2, 5, 10, 20, 30, 20, 8, 3, 1 (total 100, peak 30 at datum 5).
// Worked by hand for the fitting rules:
//   data order, 5 % tails at 2 and 7, 10 % tails at 3 and 7;
//   frequency order 30, 20, 20, 10, 8, 5, 3, 2, 1, 1: 5 % tails at 0 and 6
//   (the scan stops at the data-order peak, datum 5); base height
//   (30 + 20 + 20) div 3 = 23.
const TTable Spread = {1, 2, 5, 10, 20, 30, 20, 8, 3, 1};

struct TSnapshot {
  TTable Frequency;
  std::string HuffmanText;
  QString Memo;
  bool HasPicture;
  QByteArray Picture;
  int32_t FirstShown;
};

class FrameEditing : public TFrameTest {
protected:
  // Shows the window and opens a file: words in 32-bit mode, else bytes.
  void OpenWords(const TTable& Words) {
    ShowForm();
    Form->TableModeRadio->setChecked(true);
    Open(QStringLiteral("table.bin"), WordBytes(Words));
    ASSERT_EQ(Form->Frequency(), Words);
  }
  void OpenBytes(const QByteArray& Bytes) {
    ShowForm();
    Open(QStringLiteral("bytes.bin"), Bytes);
  }
  void Open(const QString& Name, const QByteArray& Bytes) {
    WriteBytes(PathOf(Name), Bytes);
    Dialogs.OpenAnswers.push_back(PathOf(Name));
    Click(Form->OpenButton);
    ASSERT_EQ(Dialogs.TakeTexts(), QStringList());
    ASSERT_EQ(Form->FileName(), PathOf(Name));
    WatchCaption();
  }
  // Records every caption the window shows from now on.
  void WatchCaption() {
    Captions.clear();
    QObject::connect(Form.get(), &QWidget::windowTitleChanged,
                     [this](const QString& Caption) { Captions << Caption; });
  }
  void Enter(TEntryBox* Edit, const QString& Text) {
    TypeText(Edit, Text);
    PressEnter(Edit);
  }
  void Operate(QPushButton* Button, TEntryBox* Operand, const QString& Text) {
    TypeText(Operand, Text);
    Click(Button);
  }
  void SelectDatum(int Data) { Enter(Form->DatumBox, QString::number(Data)); }

  TSnapshot Snapshot() const {
    const QPicture& P = Form->GraphView->Picture();
    return {Form->Frequency(),
            Form->HuffmanText(),
            Form->ViewMemo->Text(),
            Form->GraphView->HasPicture(),
            QByteArray(P.data(), P.size()),
            Form->FirstShown()};
  }
  // Nothing the rejected input might have touched has changed, and no
  // rebuild ran.
  void ExpectUnchanged(const TSnapshot& Before) const {
    const TSnapshot After = Snapshot();
    EXPECT_EQ(After.Frequency, Before.Frequency);
    EXPECT_EQ(After.HuffmanText, Before.HuffmanText);
    EXPECT_EQ(After.Memo, Before.Memo);
    EXPECT_EQ(After.HasPicture, Before.HasPicture);
    EXPECT_EQ(After.Picture, Before.Picture);
    EXPECT_EQ(After.FirstShown, Before.FirstShown);
    EXPECT_EQ(Captions, QStringList());
  }
  // The one rebuild ran: busy caption, then the idle one.
  void ExpectRebuilt() {
    EXPECT_EQ(Captions, QStringList({Busy, Idle}));
    Captions.clear();
  }
  int Position(TSpinArrows* UpDown) const { return UpDown->Position(); }
  void ExpectCurveButtons(bool Enabled) const {
    EXPECT_EQ(Form->ClearCurveButton->isEnabled(), Enabled);
    EXPECT_EQ(Form->FitButton->isEnabled(), Enabled);
    EXPECT_EQ(Form->ArrangeButton->isEnabled(), Enabled);
  }
  // µ, V and A as the overlay's controls hold them.
  struct TCurve {
    int Mu, V, A;
    bool operator==(const TCurve&) const = default;
    friend std::ostream& operator<<(std::ostream& Out, const TCurve& C) {
      return Out << "{" << C.Mu << ", " << C.V << ", " << C.A << "}";
    }
  };
  TCurve Controls() const {
    return {Form->MeanSpin->Position(), Form->VarianceSpin->Position(),
            Form->PeakBox->text().toInt()};
  }

  QStringList Captions;
};

}  // namespace

void PrintTo(const QString& S, std::ostream* Out) { *Out << '"' << S.toStdString() << '"'; }

namespace {

// ---- the update "更新" ----------------------------------------------------------

using FrameUpdate = FrameEditing;

TEST_F(FrameUpdate, RebuildsCodeViewsAndGraphFromTheStartWithoutTheCurve) {
  OpenWords(Table(256, {{0, 3}, {1, 5}, {200, 7}}));
  Click(Form->TableViewRadio);  // the frequency-table view
  SelectDatum(200);
  Click(Form->DrawCurveButton);
  Click(Form->NextPageButton);  // page on, so the redraw must come back to 0
  ASSERT_GT(Form->FirstShown(), 0);
  Enter(Form->RangeEndBox, QStringLiteral("10"));
  Captions.clear();

  Click(Form->UpdateButton);

  ExpectRebuilt();
  EXPECT_EQ(Form->windowTitle(), Idle);
  EXPECT_EQ(Form->FirstShown(), 0);
  EXPECT_TRUE(Form->GraphView->HasPicture());
  ExpectCurveButtons(false);
  EXPECT_TRUE(Form->DrawCurveButton->isEnabled());
  EXPECT_EQ(Form->ViewMemo->Text(), QString::fromStdString(Form->TableText()));
  EXPECT_EQ(Form->RangeEndBox->text(), QStringLiteral("255"));  // range end back at the table's end
  EXPECT_EQ(Form->FrequencyBox->text(), QStringLiteral("7"));   // the detail line of datum 200
  EXPECT_EQ(Form->Huffman()->Count(), 3);
}

TEST_F(FrameUpdate, MemoFollowsTheCheckedView) {
  OpenWords(Table(4, {{0, 1}, {3, 2}}));
  Click(Form->ArraysViewRadio);
  Form->ViewMemo->SetText(QStringLiteral("typed by the user"));
  Click(Form->UpdateButton);
  EXPECT_EQ(Form->ViewMemo->Text(), QString::fromStdString(Form->ArrayText()));
  Click(Form->DistributionViewRadio);
  Form->ViewMemo->SetText(QStringLiteral("typed by the user"));
  Click(Form->UpdateButton);
  EXPECT_EQ(Form->ViewMemo->Text(), QString::fromStdString(Form->HuffmanText()));
}

TEST_F(FrameUpdate, DoesNothingWithoutATable) {
  ShowForm();
  WatchCaption();
  const QString Memo = Form->ViewMemo->Text();
  Click(Form->UpdateButton);
  EXPECT_EQ(Captions, QStringList());
  EXPECT_TRUE(Form->Frequency().empty());
  EXPECT_EQ(Form->ViewMemo->Text(), Memo);
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
}

// ---- the frequency box FrequencyBox --------------------------------------------------------

using FrameFrequencyBox = FrameEditing;

TEST_F(FrameFrequencyBox, AcceptsZeroAndTheLimit) {
  OpenBytes("abracadabra");
  SelectDatum('a');
  ASSERT_EQ(Form->FrequencyBox->text(), QStringLiteral("5"));

  Enter(Form->FrequencyBox, QStringLiteral("0"));
  ExpectRebuilt();
  EXPECT_EQ(Form->Frequency()['a'], 0);
  EXPECT_EQ(Form->Huffman()->Count(), 4);

  Enter(Form->FrequencyBox, QStringLiteral("1048576"));
  ExpectRebuilt();
  EXPECT_EQ(Form->Frequency()['a'], 1048576);
  EXPECT_EQ(Form->MaxFrequency(), 1048576);
  EXPECT_EQ(Form->FrequencyBox->text(), QStringLiteral("1048576"));
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
}

TEST_F(FrameFrequencyBox, RejectsOutOfRangeAndLettersRestoringThePreviousFrequency) {
  OpenBytes("abracadabra");
  SelectDatum('b');
  for (const QString& Text : {QStringLiteral("-1"), QStringLiteral("1048577"),
                              QStringLiteral("abc"), QStringLiteral("1,000"), QString()}) {
    SCOPED_TRACE(Text.toStdString());
    const TSnapshot Before = Snapshot();
    Enter(Form->FrequencyBox, Text);
    EXPECT_EQ(Dialogs.TakeTexts(), QStringList{Text + CannotSpecify});
    EXPECT_EQ(Form->FrequencyBox->text(), QStringLiteral("2"));
    ExpectUnchanged(Before);
  }
}

TEST_F(FrameFrequencyBox, DatumBeyondTheTableExtendsItWithZeros) {
  OpenBytes("abracadabra");
  SelectDatum(300);
  EXPECT_EQ(Form->FrequencyBox->text(), QString());
  Enter(Form->FrequencyBox, QStringLiteral("-1"));  // nothing to restore but the empty text
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList{QStringLiteral("-1") + CannotSpecify});
  EXPECT_EQ(Form->FrequencyBox->text(), QString());
  EXPECT_EQ(Form->Frequency().size(), 256u);

  Enter(Form->FrequencyBox, QStringLiteral("9"));
  ExpectRebuilt();
  const TTable& F = Form->Frequency();
  ASSERT_EQ(F.size(), 301u);
  EXPECT_EQ(F[300], 9);
  for (size_t I = 256; I < 300; ++I) EXPECT_EQ(F[I], 0) << I;
  EXPECT_EQ(Form->DataCount(), 301);
  EXPECT_EQ(Form->Huffman()->Count(), 5);  // the code covers data 0..255 only
  EXPECT_EQ(Form->RangeEndBox->text(), QStringLiteral("300"));
}

TEST_F(FrameFrequencyBox, FirstEditWithoutAFileCreatesTheTable) {
  ShowForm();
  WatchCaption();
  SelectDatum(2);
  Enter(Form->FrequencyBox, QStringLiteral("5"));
  ExpectRebuilt();
  EXPECT_EQ(Form->Frequency(), TTable({0, 0, 5}));
  EXPECT_EQ(Form->DataCount(), 3);
  EXPECT_EQ(Form->Huffman()->Count(), 1);
  EXPECT_TRUE(Form->GraphView->HasPicture());
  EXPECT_EQ(Form->ViewMemo->Text(), QString::fromStdString(Form->HuffmanText()));
  EXPECT_TRUE(Form->ViewMemo->Text().startsWith(Q("ファイル名 = \r\n")));
}

TEST_F(FrameFrequencyBox, KeysOtherThanEnterAreLeftToTheBox) {
  OpenBytes("abracadabra");
  SelectDatum('a');
  TypeText(Form->FrequencyBox, QStringLiteral("-1"));
  PressKey(Form->FrequencyBox, Qt::Key_Escape);
  PressKey(Form->FrequencyBox, Qt::Key_A);
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
  EXPECT_EQ(Form->FrequencyBox->text(), QStringLiteral("-1"));
  EXPECT_EQ(Captions, QStringList());
}

// ---- the range end RangeEndBox ----------------------------------------------------------------

using FrameRangeEnd = FrameEditing;

TEST_F(FrameRangeEnd, EightBitModeAccepts255AndRejects256) {
  OpenBytes("abracadabra");
  Enter(Form->RangeEndBox, QStringLiteral("17"));
  EXPECT_EQ(Position(Form->RangeEndSpin), 17);
  Enter(Form->RangeEndBox, QStringLiteral("255"));
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
  EXPECT_EQ(Position(Form->RangeEndSpin), 255);
  EXPECT_EQ(Form->RangeEndBox->text(), QStringLiteral("255"));

  Enter(Form->RangeEndBox, QStringLiteral("17"));
  const TSnapshot Before = Snapshot();
  Enter(Form->RangeEndBox, QStringLiteral("256"));
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList{QStringLiteral("256") + CannotSpecify});
  EXPECT_EQ(Form->RangeEndBox->text(), QStringLiteral("255"));  // the table's last index
  EXPECT_EQ(Position(Form->RangeEndSpin), 255);
  ExpectUnchanged(Before);
}

TEST_F(FrameRangeEnd, RejectsNegativesAndLetters) {
  OpenWords(Table(20, {{3, 1}}));
  for (const QString& Text : {QStringLiteral("-1"), QStringLiteral("x1"), QString()}) {
    Enter(Form->RangeEndBox, Text);
    EXPECT_EQ(Dialogs.TakeTexts(), QStringList{Text + CannotSpecify});
    EXPECT_EQ(Form->RangeEndBox->text(), QStringLiteral("19"));
  }
}

TEST_F(FrameRangeEnd, ThirtyTwoBitModeReaches10239AndRejectsTheSeparatedForm) {
  OpenWords(Table(10240, {{10239, 4}}));
  const QString Separated =
      QStringLiteral("10") + QLocale().groupSeparator() + QStringLiteral("239");
  EXPECT_EQ(Form->RangeEndBox->text(), Separated);  // the spin box writes it so
  EXPECT_EQ(Position(Form->RangeEndSpin), 10239);   // and still counts it

  Enter(Form->RangeEndBox, QStringLiteral("5000"));
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
  EXPECT_EQ(Position(Form->RangeEndSpin), 5000);

  Enter(Form->RangeEndBox, QStringLiteral("10240"));
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList{QStringLiteral("10240") + CannotSpecify});

  // After an accepted edit the end shows the table's end again, separated.
  Enter(Form->FrequencyBox, QStringLiteral("1"));
  ExpectRebuilt();
  EXPECT_EQ(Form->RangeEndBox->text(), Separated);
  PressEnter(Form->RangeEndBox);
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList{Separated + CannotSpecify});
  EXPECT_EQ(Form->RangeEndBox->text(), QStringLiteral("10239"));
  EXPECT_EQ(Captions, QStringList());
}

TEST_F(FrameRangeEnd, WithoutATableKeepsTheSpinBoxEnd) {
  ShowForm();
  Enter(Form->RangeEndBox, QStringLiteral("300"));
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList{QStringLiteral("300") + CannotSpecify});
  EXPECT_EQ(Form->RangeEndBox->text(), QStringLiteral("255"));
  EXPECT_EQ(Position(Form->RangeEndSpin), 255);
  EXPECT_TRUE(Form->Frequency().empty());
}

// ---- arithmetic on the range and "0 ～" ------------------------------------------------------

using FrameRangeOperations = FrameEditing;

TEST_F(FrameRangeOperations, LiftZerosAddsOneToTheWholeRange) {
  OpenWords({3, 0, 5, 0});
  Enter(Form->RangeEndBox, QStringLiteral("2"));
  Click(Form->FillZerosButton);
  ExpectRebuilt();
  EXPECT_EQ(Form->Frequency(), TTable({4, 1, 6, 0}));
  EXPECT_EQ(Form->RangeEndBox->text(), QStringLiteral("3"));
}

TEST_F(FrameRangeOperations, LiftZerosWithoutAZeroDoesNotRebuild) {
  OpenWords({3, 2, 5});
  const TSnapshot Before = Snapshot();
  Click(Form->FillZerosButton);
  ExpectUnchanged(Before);
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
}

TEST_F(FrameRangeOperations, LiftZerosBeyondTheTableExtendsIt) {
  OpenWords({3, 2, 5});
  Enter(Form->RangeEndBox, QStringLiteral("4"));
  Click(Form->FillZerosButton);
  ExpectRebuilt();
  EXPECT_EQ(Form->Frequency(), TTable({4, 3, 6, 1, 1}));
}

TEST_F(FrameRangeOperations, LiftZerosKeepsAnEntryAtTheLimit) {
  OpenWords({1048576, 0, 7});
  Click(Form->FillZerosButton);
  EXPECT_EQ(Form->Frequency(), TTable({1048576, 1, 8}));
  EXPECT_EQ(Form->MaxFrequency(), 1048576);
}

TEST_F(FrameRangeOperations, SubtractStopsAtZero) {
  OpenWords({3, 10, 7});
  Enter(Form->RangeEndBox, QStringLiteral("1"));
  Operate(Form->SubtractButton, Form->SubtractBox, QStringLiteral("5"));
  ExpectRebuilt();
  EXPECT_EQ(Form->Frequency(), TTable({0, 5, 7}));
  Operate(Form->SubtractButton, Form->SubtractBox, QStringLiteral("2147483647"));
  EXPECT_EQ(Form->Frequency(), TTable({0, 0, 0}));
  EXPECT_EQ(Form->DataCount(), 0);
  EXPECT_FALSE(Form->GraphView->HasPicture());
}

TEST_F(FrameRangeOperations, DivideTruncates) {
  OpenWords({3, 5});
  Operate(Form->DivideButton, Form->DivideBox, QStringLiteral("2"));
  ExpectRebuilt();
  EXPECT_EQ(Form->Frequency(), TTable({1, 2}));
}

TEST_F(FrameRangeOperations, MultiplyIsLimitedByTheLargestEntryOfTheRange) {
  OpenWords({400000, 349525, 1});
  const TSnapshot Before = Snapshot();
  Operate(Form->MultiplyButton, Form->MultiplyBox, QStringLiteral("3"));  // 1 200 000
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList{QStringLiteral("3") + CannotMultiply});
  EXPECT_EQ(Form->MultiplyBox->text(), QStringLiteral("2"));
  ExpectUnchanged(Before);

  Enter(Form->RangeEndBox, QStringLiteral("0"));
  Operate(Form->DivideButton, Form->DivideBox, QStringLiteral("400000"));  // entry 0 becomes 1
  Captions.clear();
  Enter(Form->RangeEndBox, QStringLiteral("2"));
  Operate(Form->MultiplyButton, Form->MultiplyBox, QStringLiteral("3"));  // 349 525 x 3 = 1 048 575
  ExpectRebuilt();
  EXPECT_EQ(Form->Frequency(), TTable({3, 1048575, 3}));
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
}

TEST_F(FrameRangeOperations, AddIsLimitedExactlyIn64Bits) {
  OpenWords({1048000, 5});
  const TSnapshot Before = Snapshot();
  for (const QString& Text : {QStringLiteral("2147483647"), QStringLiteral("577"),
                              QStringLiteral("0"), QStringLiteral("-3"), QStringLiteral("abc")}) {
    SCOPED_TRACE(Text.toStdString());
    Operate(Form->AddButton, Form->AddBox, Text);
    EXPECT_EQ(Dialogs.TakeTexts(), QStringList{Text + CannotAdd});
    EXPECT_EQ(Form->AddBox->text(), QStringLiteral("1"));
    ExpectUnchanged(Before);
  }
  Operate(Form->AddButton, Form->AddBox, QStringLiteral("576"));
  ExpectRebuilt();
  EXPECT_EQ(Form->Frequency(), TTable({1048576, 581}));
}

TEST_F(FrameRangeOperations, RejectedOperandsResetTheirBox) {
  OpenWords({6, 9});
  const TSnapshot Before = Snapshot();
  struct TCase {
    QPushButton* Button;
    TEntryBox* Box;
    QString Text, Message, Reset;
  };
  const TCase Cases[] = {
      {Form->SubtractButton, Form->SubtractBox, QStringLiteral("0"), CannotSubtract,
       QStringLiteral("1")},
      {Form->SubtractButton, Form->SubtractBox, QStringLiteral("x"), CannotSubtract,
       QStringLiteral("1")},
      {Form->MultiplyButton, Form->MultiplyBox, QStringLiteral("1"), CannotMultiply,
       QStringLiteral("2")},
      {Form->MultiplyButton, Form->MultiplyBox, QStringLiteral("two"), CannotMultiply,
       QStringLiteral("2")},
      {Form->MultiplyButton, Form->MultiplyBox, QStringLiteral("2147483647"), CannotMultiply,
       QStringLiteral("2")},
      {Form->DivideButton, Form->DivideBox, QStringLiteral("1"), CannotDivide, QStringLiteral("2")},
      {Form->DivideButton, Form->DivideBox, QStringLiteral("-2"), CannotDivide,
       QStringLiteral("2")},
      {Form->DivideButton, Form->DivideBox, QStringLiteral("half"), CannotDivide,
       QStringLiteral("2")},
  };
  for (const TCase& C : Cases) {
    SCOPED_TRACE((C.Text + C.Message).toStdString());
    Operate(C.Button, C.Box, C.Text);
    EXPECT_EQ(Dialogs.TakeTexts(), QStringList{C.Text + C.Message});
    EXPECT_EQ(C.Box->text(), C.Reset);
    ExpectUnchanged(Before);
  }
}

TEST_F(FrameRangeOperations, EnterInAnOperandBoxRunsItsButton) {
  OpenWords({6, 9});
  Enter(Form->AddBox, QStringLiteral("4"));
  EXPECT_EQ(Form->Frequency(), TTable({10, 13}));
  Enter(Form->SubtractBox, QStringLiteral("3"));
  EXPECT_EQ(Form->Frequency(), TTable({7, 10}));
  Enter(Form->MultiplyBox, QStringLiteral("3"));
  EXPECT_EQ(Form->Frequency(), TTable({21, 30}));
  Enter(Form->DivideBox, QStringLiteral("4"));
  EXPECT_EQ(Form->Frequency(), TTable({5, 7}));
  PressKey(Form->AddBox, Qt::Key_Tab);
  PressKey(Form->DivideBox, Qt::Key_Space);
  EXPECT_EQ(Form->Frequency(), TTable({5, 7}));
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
}

TEST_F(FrameRangeOperations, RangeBeyondTheTableExtendsItIn32BitMode) {
  TTable Words(256);
  for (size_t I = 0; I < Words.size(); ++I) Words[I] = static_cast<int32_t>(I % 7);
  OpenWords(Words);
  Enter(Form->RangeEndBox, QStringLiteral("299"));
  ASSERT_EQ(Dialogs.TakeTexts(), QStringList());
  Operate(Form->AddButton, Form->AddBox, QStringLiteral("1"));
  ExpectRebuilt();
  const TTable& F = Form->Frequency();
  ASSERT_EQ(F.size(), 300u);
  for (size_t I = 0; I < 256; ++I) EXPECT_EQ(F[I], Words[I] + 1) << I;
  for (size_t I = 256; I < 300; ++I) EXPECT_EQ(F[I], 1) << I;
  EXPECT_EQ(Form->RangeEndBox->text(), QStringLiteral("299"));
  EXPECT_EQ(Form->DataCount(), 300);
}

TEST_F(FrameRangeOperations, AddWithoutAFileCreatesAFullTable) {
  ShowForm();
  WatchCaption();
  Operate(Form->AddButton, Form->AddBox, QStringLiteral("1"));
  ExpectRebuilt();
  EXPECT_EQ(Form->Frequency(), TTable(256, 1));
  EXPECT_EQ(Form->Huffman()->Count(), 256);
  EXPECT_EQ(Form->ViewMemo->Text(), QString::fromStdString(Form->HuffmanText()));
}

TEST_F(FrameRangeOperations, EditsWorkOnDataOrderWhileFrequencyOrderIsShown) {
  OpenWords({1, 9, 4});
  Click(Form->FrequencyOrderRadio);
  Enter(Form->RangeEndBox, QStringLiteral("0"));
  Operate(Form->AddButton, Form->AddBox, QStringLiteral("10"));
  EXPECT_EQ(Form->Frequency(), TTable({11, 9, 4}));
  EXPECT_EQ(Form->SortedFrequency(), TTable({11, 9, 4}));
  EXPECT_TRUE(Form->FrequencyOrderRadio->isChecked());
}

// ---- the overlay's buttons ----------------------------------------------------------------

using FrameOverlay = FrameEditing;

TEST_F(FrameOverlay, CurveButtonsFollowDrawClearAndEdits) {
  OpenWords(Spread);
  EXPECT_TRUE(Form->DrawCurveButton->isEnabled());
  ExpectCurveButtons(false);

  Click(Form->DrawCurveButton);
  ExpectCurveButtons(true);
  EXPECT_EQ(Form->NormalCurve(), Bell(10, 4, 3, 30));

  Click(Form->ArrangeButton);
  Click(Form->ArrangeButton);
  Click(Form->ClearCurveButton);
  ExpectCurveButtons(false);
  EXPECT_TRUE(Form->DrawCurveButton->isEnabled());
  EXPECT_TRUE(Form->GraphView->HasPicture());
  EXPECT_EQ(Form->FittingRule, 2);  // clearing keeps the rule
  EXPECT_EQ(Form->ArrangeButton->text(), QStringLiteral("A = 2"));

  Click(Form->FitButton);  // disabled: ignored like the user's click
  EXPECT_EQ(Form->Frequency(), Spread);

  Click(Form->DrawCurveButton);
  EXPECT_EQ(Form->FittingRule, 0);  // a fresh draw starts from rule 0
  EXPECT_EQ(Form->ArrangeButton->text(), QStringLiteral("A = 0"));
  Enter(Form->AddBox, QStringLiteral("1"));
  ExpectCurveButtons(false);
  EXPECT_EQ(Form->FittingRule, 0);
}

TEST_F(FrameOverlay, RuleCounterWrapsAfterSixPresses) {
  OpenWords(Spread);
  Click(Form->DrawCurveButton);
  const TCurve Plain = Controls();
  for (int Press = 1; Press <= 6; ++Press) {
    Click(Form->ArrangeButton);
    EXPECT_EQ(Form->ArrangeButton->text(), QStringLiteral("A = %1").arg(Press % 6));
    EXPECT_EQ(Form->FittingRule, Press % 6);
  }
  EXPECT_EQ(Controls(), Plain);  // rule 0: the order's own statistics and maximum
  EXPECT_EQ(Plain, (TCurve{4, 3, 30}));
  Click(Form->ArrangeButton);
  EXPECT_EQ(Form->ArrangeButton->text(), QStringLiteral("A = 1"));
}

TEST_F(FrameOverlay, SixRulesOnASpreadTableInDataOrder) {
  OpenWords(Spread);
  Click(Form->DrawCurveButton);
  const TCurve Expected[] = {{4, 2, 23}, {5, 1, 23}, {5, 1, 20},
                             {2, 9, 23}, {7, 6, 23}, {4, 3, 30}};
  for (int Rule = 1; Rule <= 6; ++Rule) {
    SCOPED_TRACE(Rule);
    Click(Form->ArrangeButton);
    const TCurve& E = Expected[Rule - 1];
    EXPECT_EQ(Controls(), E);
    EXPECT_EQ(Form->NormalCurve(), Bell(10, E.Mu, E.V, E.A));
    ExpectCurveButtons(true);
  }
  EXPECT_EQ(Form->Frequency(), Spread);  // arranging never touches the table
}

TEST_F(FrameOverlay, RuleThreeTakesTheCentralEightyPerCent) {
  // Ten data of 10 and a peak of 11 at datum 5 (total 101): the 5 % tails
  // lie at 0 and 9, the 10 % tails at 1 and 8; base height 31 div 3 = 10.
  OpenWords({10, 10, 10, 10, 10, 11, 10, 10, 10, 10});
  Click(Form->DrawCurveButton);
  const TCurve Expected[] = {{4, 8, 10}, {5, 8, 10}, {5, 5, 9}, {0, 28, 10}, {9, 28, 10}};
  for (const TCurve& E : Expected) {
    Click(Form->ArrangeButton);
    EXPECT_EQ(Controls(), E) << Form->ArrangeButton->text().toStdString();
  }
}

TEST_F(FrameOverlay, RulesInFrequencyOrderUseTheSortedTable) {
  OpenWords(Spread);
  Click(Form->FrequencyOrderRadio);
  Click(Form->DrawCurveButton);
  EXPECT_EQ(Controls(), (TCurve{1, 5, 30}));  // the frequency order's statistics
  Click(Form->ArrangeButton);
  EXPECT_EQ(Controls(), (TCurve{1, 3, 23}));
  Click(Form->ArrangeButton);
  EXPECT_EQ(Controls(), (TCurve{0, 5, 23}));
}

TEST_F(FrameOverlay, SixRulesOnASingleDatumCentreOnIt) {
  OpenWords(Table(16, {{7, 100}}));
  Click(Form->DrawCurveButton);
  for (int Rule = 1; Rule <= 5; ++Rule) {
    SCOPED_TRACE(Rule);
    Click(Form->ArrangeButton);
    const int A = Rule == 3 ? 90 : 100;
    EXPECT_EQ(Controls(), (TCurve{7, 0, A}));
    // Variance 0 is drawn as variance 1.
    EXPECT_EQ(Form->NormalCurve(), Bell(16, 7, 1, A));
    EXPECT_EQ(Form->NormalCurve()[7], A);
  }
}

TEST_F(FrameOverlay, ComputedValuesReachTheSpinBoxesAs16Bits) {
  // Equal weights at data 0 and 600: rule 1 gives the mean 300 and the
  // variance 300 * 300 = 90000.
  OpenWords(Table(601, {{0, 50}, {600, 50}}));
  Click(Form->DrawCurveButton);
  Click(Form->ArrangeButton);
  EXPECT_EQ(Form->MeanSpin->Position(), 255);                // limited to -255..255
  EXPECT_EQ(Form->VarianceSpin->Position(), 90000 - 65536);  // the low 16 bits
  EXPECT_EQ(Form->MeanBox->text(), QStringLiteral("255"));
  EXPECT_EQ(Form->VarianceBox->text(), QStringLiteral("24464"));
}

TEST_F(FrameOverlay, FitFromFrequencyOrderWritesTheLastCurveIntoDataOrder) {
  OpenWords(Spread);
  Click(Form->FrequencyOrderRadio);
  Click(Form->DrawCurveButton);
  const TTable Drawn = Bell(10, 1, 5, 30);
  ASSERT_EQ(Form->NormalCurve(), Drawn);
  Enter(Form->MeanBox, QStringLiteral("7"));  // not drawn: does not count
  Captions.clear();

  Click(Form->FitButton);

  ExpectRebuilt();
  EXPECT_EQ(Form->Frequency(), Drawn);
  EXPECT_TRUE(Form->DataOrderRadio->isChecked());
  EXPECT_FALSE(Form->FrequencyOrderRadio->isChecked());
  ExpectCurveButtons(false);
  EXPECT_EQ(Form->MeanValueLabel->text(), QString::number(Form->Statistics().DataMean));
  EXPECT_TRUE(Form->GraphView->HasPicture());
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
}

TEST_F(FrameOverlay, FitZeroesTheTableBeyondTheDataCount) {
  OpenWords(Table(9, {{4, 10}}));
  Enter(Form->VarianceBox, QStringLiteral("10"));
  Click(Form->DrawCurveButton);
  const TTable Drawn = Bell(9, 4, 10, 10);
  ASSERT_EQ(Form->NormalCurve(), Drawn);
  ASSERT_GT(Drawn[6], 0);
  Click(Form->FitButton);
  EXPECT_EQ(Form->Frequency(),
            TTable({Drawn[0], Drawn[1], Drawn[2], Drawn[3], Drawn[4], 0, 0, 0, 0}));
  EXPECT_TRUE(Form->DataOrderRadio->isChecked());
}

TEST_F(FrameOverlay, FitRefusesACurveAboveTheTableLimit) {
  OpenWords(Table(16, {{7, 100}}));
  Enter(Form->PeakBox, QStringLiteral("2000000"));
  Click(Form->DrawCurveButton);
  ASSERT_EQ(Form->NormalCurve()[7], 2000000);
  Captions.clear();
  const TSnapshot Before = Snapshot();

  Click(Form->FitButton);

  EXPECT_EQ(Dialogs.TakeTexts(), QStringList{QStringLiteral("2000000") + CurveTooHigh});
  ExpectUnchanged(Before);
  ExpectCurveButtons(true);  // the curve is still there to be changed
}

TEST_F(FrameOverlay, FitAcceptsACurveReachingTheLimit) {
  OpenWords(Table(16, {{7, 100}}));
  Enter(Form->PeakBox, QStringLiteral("1048576"));
  Click(Form->DrawCurveButton);
  Click(Form->FitButton);
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
  TTable Written = Bell(16, 7, 1, 1048576);
  std::fill(Written.begin() + 8, Written.end(), 0);  // beyond the last datum of the table
  EXPECT_EQ(Form->Frequency(), Written);
  EXPECT_EQ(Form->MaxFrequency(), 1048576);
}

TEST_F(FrameOverlay, PeakHeightAboveTheSpinBoxDetachesIt) {
  OpenWords(Spread);
  const TSnapshot Before = Snapshot();
  Enter(Form->PeakBox, QStringLiteral("40000"));
  EXPECT_EQ(Form->PeakSpin->Associate(), nullptr);
  EXPECT_EQ(Form->PeakBox->text(), QStringLiteral("40000"));
  ExpectUnchanged(Before);  // nothing is redrawn

  Click(Form->DrawCurveButton);
  EXPECT_EQ(Form->NormalCurve(), Bell(10, 4, 3, 40000));
  EXPECT_EQ(Form->PeakBox->text(), QStringLiteral("40000"));

  Enter(Form->PeakBox, QStringLiteral("500"));
  EXPECT_EQ(Form->PeakSpin->Associate(), Form->PeakBox);
  EXPECT_EQ(Form->PeakSpin->Position(), 500);

  Enter(Form->PeakBox, QStringLiteral("-7"));
  EXPECT_EQ(Form->PeakBox->text(), QStringLiteral("0"));
  EXPECT_EQ(Form->PeakSpin->Position(), 0);

  Enter(Form->PeakBox, QStringLiteral("tall"));
  EXPECT_EQ(Form->PeakBox->text(), QStringLiteral("30"));  // the maximum
  EXPECT_EQ(Form->PeakSpin->Position(), 30);
  EXPECT_EQ(Dialogs.TakeTexts(), QStringList());
}

}  // namespace

// ---- undo and redo ------------------------------------------------------------

TEST_F(FrameEditing, UndoAndRedoWalkEveryKindOfEditBothWays) {
  OpenWords(Spread);
  struct TEditKind {
    const char* What;
    std::function<void()> Apply;
  };
  const TEditKind Edits[] = {
      {"frequency box",
       [&] {
         SelectDatum(3);
         Enter(Form->FrequencyBox, "77");
       }},
      {"0 ～ past the table's end",
       [&] {
         Enter(Form->RangeEndBox, "12");
         Click(Form->FillZerosButton);
       }},
      {"＋", [&] { Operate(Form->AddButton, Form->AddBox, "3"); }},
      {"－", [&] { Operate(Form->SubtractButton, Form->SubtractBox, "2"); }},
      {"×", [&] { Operate(Form->MultiplyButton, Form->MultiplyBox, "2"); }},
      {"÷", [&] { Operate(Form->DivideButton, Form->DivideBox, "3"); }},
      {"適合",
       [&] {
         Click(Form->DrawCurveButton);
         Click(Form->FitButton);
       }},
      {"元に", [&] { Click(Form->RestoreButton); }},
  };
  std::vector<TSnapshot> States = {Snapshot()};
  std::vector<int32_t> Chosen = {Form->SelectedData()};
  for (const TEditKind& Edit : Edits) {
    Edit.Apply();
    ASSERT_NE(Form->Frequency(), States.back().Frequency) << Edit.What;
    States.push_back(Snapshot());
    Chosen.push_back(Form->SelectedData());
  }
  // A rejected operand and an update that changes nothing add no step.
  Operate(Form->DivideButton, Form->DivideBox, "0");
  Dialogs.Messages.clear();
  Click(Form->UpdateButton);

  const auto ExpectState = [&](size_t I) {
    SCOPED_TRACE(I == 0 ? "the open" : Edits[I - 1].What);
    const TSnapshot Now = Snapshot();
    EXPECT_EQ(Now.Frequency, States[I].Frequency);
    EXPECT_EQ(Now.HuffmanText, States[I].HuffmanText);
    EXPECT_EQ(Now.Memo, States[I].Memo);
    EXPECT_EQ(Now.Picture, States[I].Picture);
    EXPECT_EQ(Form->SelectedData(), Chosen[I]);
    EXPECT_EQ(Form->RangeEndSpin->Position(), static_cast<int>(Now.Frequency.size()) - 1);
  };
  // Back to the open with Ctrl+Z in the box just entered: the keys act on the
  // table, not on the box's text.
  for (size_t I = States.size() - 1; I > 0; --I) {
    Press(Form->FrequencyBox, Qt::Key_Z, Qt::ControlModifier);
    ExpectState(I - 1);
  }
  EXPECT_FALSE(Form->UndoItem->isEnabled());
  Press(Form->FrequencyBox, Qt::Key_Z, Qt::ControlModifier);  // nothing left: nothing changes
  ExpectState(0);
  // And forward again with both redo keys, from the memo.
  for (size_t I = 1; I < States.size(); ++I) {
    if (I % 2)
      Press(Form->ViewMemo, Qt::Key_Y, Qt::ControlModifier);
    else
      Press(Form->ViewMemo, Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    ExpectState(I);
  }
  EXPECT_FALSE(Form->RedoItem->isEnabled());
  // A new edit after an undo drops what could have been redone.
  Form->UndoItem->trigger();
  Enter(Form->FrequencyBox, "5");
  EXPECT_FALSE(Form->RedoItem->isEnabled());
  EXPECT_TRUE(Form->UndoItem->isEnabled());
  // A new open starts a new history.
  Open(QStringLiteral("other.bin"), WordBytes({4, 4}));
  EXPECT_FALSE(Form->UndoItem->isEnabled());
}
