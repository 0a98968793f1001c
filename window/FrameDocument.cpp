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
    StoreFrequencies();
    FHuffman->BuildFromTable();
    RefreshDocument();
  }
  ShowRebuiltDocument();
}

void TFrameForm::RefreshDocument() {
  static const THuffman NoCode;
  DeriveDocument(FDocument, FHuffman ? *FHuffman : NoCode, LocaleDecimalSeparator());
  ShowDocumentControls();
}

// The controls RefreshDocument fills from the document: the end of the
// editing range, the statistics of the order shown and the maximum.
void TFrameForm::ShowDocumentControls() {
  UpDown2->SetPosition(static_cast<int>(FFrequency.size()) - 1);
  ShowOrderStatistics();
}

// The mean and variance of the order the graph shows, into the overlay's
// boxes (low 16 bits) and labels (full value); the maximum into Edit13 and
// Label12.
void TFrameForm::ShowOrderStatistics() {
  const TStatistics& S = FDocument.Statistics;
  const bool DataOrder = RadioButton1->isChecked();
  const int32_t Mean = DataOrder ? S.DataMean : S.OrderMean;
  const int32_t Variance = DataOrder ? S.DataVariance : S.OrderVariance;
  UpDown4->SetPosition(Mean);
  Label9->setText(QString::number(Mean));
  UpDown5->SetPosition(Variance);
  Label10->setText(QString::number(Variance));
  Edit13->setText(QString::number(FMaxFrequency));
  Label12->setText(QString::number(FMaxFrequency));
}

void TFrameForm::ShowCheckedViewText() {
  const std::string& Text = RadioButton3->isChecked()   ? FHuffmanText
                            : RadioButton4->isChecked() ? FArrayText
                                                        : FTableText;
  Memo1->SetText(QString::fromStdString(Text));
}

void TFrameForm::ShowRebuiltDocument() {
  DrawCurrentOrder(false, 0);
  ShowCheckedViewText();
  ShowDatum();
  // The redraw dropped any curve; nothing is left to clear, fit or arrange.
  Button10->setEnabled(false);
  Button11->setEnabled(false);
  Button12->setEnabled(false);
}
