// Opening a file into the document, the refresh after every load or rebuild,
// and the handlers that open, restore, switch the data mode and the order.
//
// The file is read and its code built by OpenDocumentFile (Document.h), the
// same road quorvant-cli takes; this side shows its messages, the busy
// caption and the wait cursor, and moves the new document into the controls.
#include "Frame.h"

#include "Dialogs.h"
#include "FrameBusy.h"
#include "Locale.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>

void TFrameForm::OpenDataFile(const QString& FileName) {
  // The datum selector goes back to 0 whatever follows.
  UpDown3->SetPosition(0);
  if (!FHuffman) return;

  const std::string Path = QFile::encodeName(FileName).toStdString();
  TBusyScope Busy(this);
  TOpenHooks Hooks;
  Hooks.Busy = [&Busy] { Busy.Start(); };
  Hooks.Fallback = [this, &Busy](const std::string& Message) {
    Busy.Interrupt([&] { ShowMessage(QString::fromStdString(Message)); });
    // The switch to 8 bit must not reload: the open goes on in 8 bit.
    RadioButton6Tag = 1;
    RadioButton6->setChecked(true);
  };
  TDocument Doc;
  const TOpenResult Result = OpenDocumentFile(Path, RadioButton7->isChecked(), *FHuffman, Doc,
                                              LocaleDecimalSeparator(), Hooks);
  if (Result.Status != TOpenStatus::Opened) {
    Busy.Stop();
    ShowMessage(QString::fromStdString(Result.Message));
    return;
  }

  FFileName = FileName;
  FSelectedData = 0;
  FFrequency = std::move(Doc.Frequency);
  FSortedFrequency = std::move(Doc.Sorted);
  TakeScan(Doc.Scan);
  FOrderCount = Doc.OrderCount;
  FDataMean = Doc.Statistics.DataMean;
  FDataVariance = Doc.Statistics.DataVariance;
  FOrderMean = Doc.Statistics.OrderMean;
  FOrderVariance = Doc.Statistics.OrderVariance;
  FHuffmanText = std::move(Doc.Texts.HuffmanText);
  FArrayText = std::move(Doc.Texts.ArrayText);
  FTableText = std::move(Doc.Texts.TableText);
  ShowDocumentControls();
  Busy.Stop();

  ShowRebuiltDocument();
}

void TFrameForm::RefreshDocument() {
  BuildFrequencyOrder();
  ComputeStatistics();
  BuildViewTexts();
  ShowDocumentControls();
}

// The controls RefreshDocument fills from the document: the end of the
// editing range, the statistics of the order shown and the maximum.
void TFrameForm::ShowDocumentControls() {
  UpDown2->SetPosition(static_cast<int>(FFrequency.size()) - 1);
  ShowOrderStatistics();
}

void TFrameForm::Button1Click() {
  const QString Path = TDialogs::Current().OpenFileName(this, FDataDir);
  if (!Path.isEmpty()) OpenDataFile(Path);
}

void TFrameForm::Button3Click() {
  if (!FFileName.isEmpty()) OpenDataFile(FFileName);
}

void TFrameForm::RadioButton6Click() {
  if (RadioButton6Tag != 0) {
    RadioButton6Tag = 0;
    return;
  }
  Button3Click();
}

void TFrameForm::RadioButton7Click() { Button3Click(); }

void TFrameForm::RadioButton1Click() {
  ShowOrderStatistics();
  DrawGraph(FFrequency, false, 0, FDataCount);
}

void TFrameForm::RadioButton2Click() {
  ShowOrderStatistics();
  DrawGraph(FSortedFrequency, false, 0, FOrderCount);
}
