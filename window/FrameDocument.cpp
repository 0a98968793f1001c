// The document in the window: the one rebuild from the table, the refresh
// that derives everything else from it (DeriveDocument, the same derivation
// quorvant-cli's open takes), and the controls that show its figures.
#include "Frame.h"
#include "FrameBusy.h"
#include "Locale.h"

#include <QFile>
#include <QLabel>
#include <QPushButton>

bool TFrameForm::StoreFrequencies() {
  return ::StoreFrequencies(*FHuffman, FFrequency, FDocument.Scan);
}

void TFrameForm::RebuildFromTable() {
  if (FFrequency.empty() || !FHuffman) return;
  {
    TBusyScope Busy(this);
    Busy.Start();
    BuildLimitedCode();
    RefreshDocument();
  }
  ShowRebuiltDocument();
  RecordEdit();
}

void TFrameForm::BuildLimitedCode() {
  StoreFrequencies();
  FHuffman->SetMaxBitLength(FChosenMaxBits);
  FHuffman->SetLimitRule(FChosenRule);
  FHuffman->BuildFromTable();
}

void TFrameForm::RefreshDocument() {
  static const THuffman NoCode;
  DeriveDocument(FDocument, FHuffman ? *FHuffman : NoCode, LocaleDecimalSeparator());
  ShowDocumentControls();
}

// The controls RefreshDocument fills from the document: the end of the
// editing range, the statistics of the order shown and the maximum.
void TFrameForm::ShowDocumentControls() {
  RangeEndSpin->SetPosition(static_cast<int>(FFrequency.size()) - 1);
  ShowOrderStatistics();
}

// The mean and variance of the order the graph shows, into the overlay's
// boxes (low 16 bits) and labels (full value); the maximum into PeakBox and
// PeakValueLabel.
void TFrameForm::ShowOrderStatistics() {
  const TStatistics& S = FDocument.Statistics;
  const bool DataOrder = DataOrderRadio->isChecked();
  const int32_t Mean = DataOrder ? S.DataMean : S.OrderMean;
  const int32_t Variance = DataOrder ? S.DataVariance : S.OrderVariance;
  MeanSpin->SetPosition(Mean);
  MeanValueLabel->setText(QString::number(Mean));
  VarianceSpin->SetPosition(Variance);
  VarianceValueLabel->setText(QString::number(Variance));
  PeakBox->setText(QString::number(FMaxFrequency));
  PeakValueLabel->setText(QString::number(FMaxFrequency));
}

void TFrameForm::ShowCheckedViewText() {
  const std::string& Text = DistributionViewRadio->isChecked() ? FHuffmanText
                            : ArraysViewRadio->isChecked()     ? FArrayText
                                                               : FTableText;
  ViewMemo->SetText(QString::fromStdString(Text));
}

void TFrameForm::ShowRebuiltDocument() {
  DrawCurrentOrder(false, 0);
  ShowCheckedViewText();
  ShowDatum();
  // The redraw dropped any curve; nothing is left to clear, fit or arrange.
  ClearCurveButton->setEnabled(false);
  FitButton->setEnabled(false);
  ArrangeButton->setEnabled(false);
}
