// The document operations: each calls its computation in Document.h and moves
// the results into the window's fields and controls.
#include "Frame.h"
#include "Locale.h"

#include <QFile>
#include <QLabel>
#include <QLocale>

void TFrameForm::TakeScan(const TTableScan& Scan) {
  FDataCount = Scan.DataCount;
  FMaxFrequency = Scan.MaxFrequency;
  FMaxData = Scan.MaxData;
}

bool TFrameForm::ReadExtendedData() {
  TTableScan Scan;
  const bool Ok = ::ReadExtendedData(FHuffman->InStream(), FFrequency, Scan);
  TakeScan(Scan);
  return Ok;
}

bool TFrameForm::TakeFrequencies() {
  TTableScan Scan;
  if (!::TakeFrequencies(*FHuffman, FFrequency, Scan)) return false;
  TakeScan(Scan);
  return true;
}

bool TFrameForm::StoreFrequencies() {
  TTableScan Scan;
  if (!::StoreFrequencies(*FHuffman, FFrequency, Scan)) return false;
  TakeScan(Scan);
  return true;
}

bool TFrameForm::BuildFrequencyOrder() {
  return ::BuildFrequencyOrder(FFrequency, FSortedFrequency, FOrderCount);
}

void TFrameForm::ComputeStatistics() {
  const TStatistics S = ::ComputeStatistics(FFrequency, FDataCount, FSortedFrequency, FOrderCount);
  FDataMean = S.DataMean;
  FDataVariance = S.DataVariance;
  FOrderMean = S.OrderMean;
  FOrderVariance = S.OrderVariance;
}

void TFrameForm::ComputeNormalCurve() {
  int32_t Height = 0;
  if (!TryStrToInt(Edit13->text().toStdString(), Height)) Height = FMaxFrequency;
  FNormalCurve = ::ComputeNormalCurve(FFrequency.size(), UpDown4->Position(), UpDown5->Position(),
                                      Height);
}

void TFrameForm::BuildViewTexts() {
  const std::string Name = ExtractFileName(QFile::encodeName(FFileName).toStdString());
  TViewTexts Texts;
  if (FHuffman) {
    Texts = ::BuildViewTexts(Name, FDataCount, FFrequency, *FHuffman, LocaleDecimalSeparator());
  } else {
    const THuffman NoCode;
    Texts = ::BuildViewTexts(Name, FDataCount, FFrequency, NoCode, LocaleDecimalSeparator());
  }
  FHuffmanText = std::move(Texts.HuffmanText);
  FArrayText = std::move(Texts.ArrayText);
  FTableText = std::move(Texts.TableText);
}

// The mean and variance of the order the graph shows, into the overlay's
// boxes (low 16 bits) and labels (full value); the maximum into Edit13 and
// Label12.
void TFrameForm::ShowOrderStatistics() {
  const bool DataOrder = RadioButton1->isChecked();
  const int32_t Mean = DataOrder ? FDataMean : FOrderMean;
  const int32_t Variance = DataOrder ? FDataVariance : FOrderVariance;
  UpDown4->SetPosition(Mean);
  Label9->setText(QString::number(Mean));
  UpDown5->SetPosition(Variance);
  Label10->setText(QString::number(Variance));
  Edit13->setText(QString::number(FMaxFrequency));
  Label12->setText(QString::number(FMaxFrequency));
}
