// Frequency editing: the update "更新" and every change of FFrequency by hand.
//
// Every edit works on FFrequency in data order, whichever order the graph
// shows, and ends in RebuildFromTable, the one rebuild from the table.  A rejected
// input shows exactly one message (the offending text and a fixed suffix),
// resets its box and changes nothing else.  Limit tests are 64-bit, so an
// operand however large can never wrap past them.
#include "Frame.h"
#include "FrameBusy.h"

#include "AtomicFile.h"
#include "SysUtils.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QString>

#include <algorithm>

namespace {

constexpr const char* SCannotAdd = QT_TRANSLATE_NOOP("TFrameForm", " を足す事は出来ません。");
constexpr const char* SCannotSubtract = QT_TRANSLATE_NOOP("TFrameForm", " を引く事は出来ません。");
constexpr const char* SCannotMultiply =
    QT_TRANSLATE_NOOP("TFrameForm", " を掛ける事は出来ません。");
constexpr const char* SCannotDivide = QT_TRANSLATE_NOOP("TFrameForm", " で割る事は出来ません。");

// Last datum the range end may be typed as in each data mode.
constexpr int32_t LastTypedData8 = 255;
constexpr int32_t LastTypedData32 = MaxTableEntries - 1;

}  // namespace

void TFrameForm::ExtendFrequencyTable(int32_t Count) {
  if (Count > 0 && FFrequency.size() < static_cast<size_t>(Count)) FFrequency.resize(Count, 0);
}

int32_t TFrameForm::EditingRangeLength() { return RangeEndSpin->Position() + 1; }

int32_t TFrameForm::EditingRangeMaximum(int32_t Count) const {
  const size_t Existing = std::min(static_cast<size_t>(std::max(Count, 0)), FFrequency.size());
  int32_t Maximum = 0;
  for (size_t I = 0; I < Existing; ++I) Maximum = std::max(Maximum, FFrequency[I]);
  return Maximum;
}

// "更新": the rebuild from the table as it stands.
void TFrameForm::UpdateClicked() { RebuildFromTable(); }

// Enter in the frequency box: set the frequency of the selected datum.
void TFrameForm::FrequencyEntered() {
  const int32_t Data = DatumSpin->Position();
  const QString Previous = static_cast<size_t>(Data) < FFrequency.size()
                               ? QString::number(FFrequency[static_cast<size_t>(Data)])
                               : QString();
  const int32_t Value = FrequencyBox->IntegerOr(-1);
  if (Value < 0 || Value > MaxTableFrequency) {
    ShowMessage(FrequencyBox->text() + tr(SCannotSpecify));
    FrequencyBox->setText(Previous);
    return;
  }
  ExtendFrequencyTable(Data + 1);
  FFrequency[static_cast<size_t>(Data)] = Value;
  RebuildFromTable();
}

// Enter in the range-end box: only moves the range end; nothing is rebuilt.
void TFrameForm::RangeEndEntered() {
  const int32_t Last = TableModeRadio->isChecked() ? LastTypedData32 : LastTypedData8;
  const int32_t Value = RangeEndBox->IntegerOr(-1);
  if (Value >= 0 && Value <= Last) {
    RangeEndSpin->SetPosition(Value);
    RangeEndBox->setText(QString::number(Value));
    return;
  }
  ShowMessage(RangeEndBox->text() + tr(SCannotSpecify));
  if (!FFrequency.empty()) {
    RangeEndBox->setText(QString::number(static_cast<int64_t>(FFrequency.size()) - 1));
  } else {
    // No table yet, so no last index to fall back on: keep the range end the
    // spin box holds, within what this mode accepts.
    const int32_t Kept = std::clamp(RangeEndSpin->Position(), 0, Last);
    RangeEndSpin->SetPosition(Kept);
    RangeEndBox->setText(QString::number(Kept));
  }
}

void TFrameForm::ApplyRangeOperation(TRangeOperation Operation) {
  struct TOperand {
    TEntryBox* Box;
    int32_t NotANumber;  // the operand a text that is no integer counts as
    const char* Suffix;
    const char* Reset;
  };
  const TOperand Operand = [&]() -> TOperand {
    switch (Operation) {
      case TRangeOperation::Add: return {AddBox, 0, SCannotAdd, "1"};
      case TRangeOperation::Subtract: return {SubtractBox, 0, SCannotSubtract, "1"};
      case TRangeOperation::Multiply: return {MultiplyBox, 1, SCannotMultiply, "2"};
      case TRangeOperation::Divide: break;
    }
    return {DivideBox, 1, SCannotDivide, "2"};
  }();

  const int32_t Count = EditingRangeLength();
  const int64_t A = Operand.Box->IntegerOr(Operand.NotANumber);
  const int64_t M = EditingRangeMaximum(Count);
  bool Rejected = false;
  switch (Operation) {
    case TRangeOperation::Add: Rejected = A <= 0 || A + M > MaxTableFrequency; break;
    case TRangeOperation::Subtract: Rejected = A <= 0; break;
    case TRangeOperation::Multiply: Rejected = A < 2 || A * M > MaxTableFrequency; break;
    case TRangeOperation::Divide: Rejected = A <= 1; break;
  }
  if (Rejected) {
    ShowMessage(Operand.Box->text() + tr(Operand.Suffix));
    Operand.Box->setText(QString::fromUtf8(Operand.Reset));
    return;
  }

  ExtendFrequencyTable(Count);
  for (int32_t I = 0; I < Count; ++I) {
    const int64_t F = FFrequency[static_cast<size_t>(I)];
    int64_t Result = F;
    switch (Operation) {
      case TRangeOperation::Add: Result = F + A; break;
      case TRangeOperation::Subtract: Result = std::max<int64_t>(F - A, 0); break;
      case TRangeOperation::Multiply: Result = F * A; break;
      case TRangeOperation::Divide: Result = F / A; break;
    }
    FFrequency[static_cast<size_t>(I)] = static_cast<int32_t>(Result);
  }
  RebuildFromTable();
}

void TFrameForm::AddClicked() { ApplyRangeOperation(TRangeOperation::Add); }
void TFrameForm::SubtractClicked() { ApplyRangeOperation(TRangeOperation::Subtract); }
void TFrameForm::MultiplyClicked() { ApplyRangeOperation(TRangeOperation::Multiply); }
void TFrameForm::DivideClicked() { ApplyRangeOperation(TRangeOperation::Divide); }

void TFrameForm::AddEntered() { AddClicked(); }
void TFrameForm::SubtractEntered() { SubtractClicked(); }
void TFrameForm::MultiplyEntered() { MultiplyClicked(); }
void TFrameForm::DivideEntered() { DivideClicked(); }

// "0 ～": lift the whole range by one when it holds a zero (or reaches beyond
// the table, whose new entries are zeros).  An entry already at the largest
// frequency an edit may produce stays there, so the lift never breaks it.
void TFrameForm::FillZerosClicked() {
  const int32_t Count = EditingRangeLength();
  if (static_cast<size_t>(Count) <= FFrequency.size() &&
      std::find(FFrequency.begin(), FFrequency.begin() + Count, 0) == FFrequency.begin() + Count)
    return;
  ExtendFrequencyTable(Count);
  for (int32_t I = 0; I < Count; ++I) {
    int32_t& F = FFrequency[static_cast<size_t>(I)];
    if (F < MaxTableFrequency) ++F;
  }
  RebuildFromTable();
}

// "頻度テーブルを保存": the table as it stands (edits included) as a 32-bit
// table file, which opens back in "32 bit(拡張)" mode to the same table.  The
// file is replaced whole or not at all; a failure goes to the error box.
void TFrameForm::SaveTableChosen() {
  if (FFrequency.empty()) return;
  const QString Start = FDocument.FileName.empty()
                            ? FDataDir
                            : QDir(FDataDir).filePath(QFileInfo(FileName()).completeBaseName() +
                                                      QStringLiteral(".frq"));
  const QString Path =
      TDialogs::Current().SaveFileName(this, Start, tr("32 bit 頻度テーブル (*.frq);;*.* (*)"));
  if (Path.isEmpty()) return;
  TMemoryStream Words;
  WriteFrequencyTable(Words, FFrequency);
  TAtomicFile File(QFile::encodeName(Path).toStdString());
  File.Write(Words.Memory(), static_cast<size_t>(Words.Size()));
  File.Commit();
}
