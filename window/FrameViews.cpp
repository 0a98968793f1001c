// The information views in ViewMemo and the detail line of one datum.
//
// The three texts are composed by BuildViewTexts at every rebuild; choosing a
// view only shows the stored text.
#include "Frame.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>

namespace {
constexpr int32_t LastData = MaxTableEntries - 1;
}  // namespace

void TFrameForm::DistributionViewChosen() {
  ViewMemo->SetText(QString::fromStdString(FHuffmanText));
}
void TFrameForm::ArraysViewChosen() { ViewMemo->SetText(QString::fromStdString(FArrayText)); }
void TFrameForm::TableViewChosen() { ViewMemo->SetText(QString::fromStdString(FTableText)); }

void TFrameForm::DatumStepped() { ShowDatum(); }

void TFrameForm::DatumEntered() {
  const int32_t Data = DatumBox->IntegerOr(-1);
  if (Data < 0 || Data > LastData) {
    ShowMessage(DatumBox->text() + tr(SCannotSpecify));
    DatumBox->setText(QString::number(FSelectedData));
    return;
  }
  DatumSpin->SetPosition(Data);
  ShowDatum();
}

// The detail line of the datum in DatumSpin: hexadecimal label, frequency, and
// the code length and pattern of its leaf in the window's own code (none for
// a datum that does not occur, lies beyond 255, or when there is no code).
void TFrameForm::ShowDatum() {
  if (FFrequency.empty()) return;
  const int32_t Data = DatumSpin->Position();
  DatumHexLabel->setText(QStringLiteral("= $") +
                         QString::fromStdString(IntToHex(static_cast<uint32_t>(Data), 2)));
  FrequencyBox->setText(Data >= 0 && static_cast<size_t>(Data) < FFrequency.size()
                            ? QString::number(FFrequency[static_cast<size_t>(Data)])
                            : QString());
  QString Length, Pattern;
  if (THuffmanNode Node{}; FindLeaf(Data, Node)) {
    Length = QString::number(Node.BitLength);
    Pattern = PatternText(Node);
  }
  BitLengthBox->setText(Length);
  BitPatternBox->setText(Pattern);
  FSelectedData = Data;
}

QString TFrameForm::PatternText(const THuffmanNode& Node) {
  return QString::fromStdString(BinaryDigits(Node.BitPattern, Node.BitLength)) +
         QStringLiteral(" = ") + QString::number(Node.BitPattern);
}

// The first leaf whose Data is Data (a byte: nothing beyond 255).
bool TFrameForm::FindLeaf(int32_t Data, THuffmanNode& Node) const {
  if (!FHuffman || Data < 0 || Data > 255) return false;
  for (int32_t I = 0; I < FHuffman->Count(); ++I) {
    FHuffman->GetNode(I, Node);
    if (Node.Data == Data) return true;
  }
  return false;
}

// "C 配列をコピー": the C arrays of the current table, as quorvant-cli's
// "arrays --lang c" prints them, to the clipboard; nothing without a code.
void TFrameForm::CopyCArraysChosen() {
  if (!FHuffman) return;
  // The code the views show, with its limit and rule.
  const auto Text = DocumentArrays(FDocument, FArrayText, TArrayLanguage::C, false, std::string(),
                                   FHuffman->MaxBitLength(), FHuffman->LimitRule());
  if (Text) QGuiApplication::clipboard()->setText(QString::fromStdString(*Text));
}
