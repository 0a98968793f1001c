// The code as a design: its length limit and limit rule, and the current
// code tried on other files.  The figures come from the document layer
// (Designer.h, Corpus.h), the same code quorvant-cli's `distribution
// --max-bits N --limit-rule R` and `evaluate --table` run, so both programs
// show the same texts.  The choice is kept for the session only.  A code
// covers data 0..255, at most 256 values, which every limit offered (8..16)
// holds, so no choice is ever out of reach.
#include "Frame.h"

#include "Designer.h"
#include "Dialogs.h"

#include <QAction>
#include <QActionGroup>
#include <QFile>
#include <QMenu>

bool TFrameForm::CodeIsLimited() const {
  return FChosenMaxBits != 16 || FChosenRule != TLimitRule::Repair;
}

void TFrameForm::MaxBitsChosen(int32_t MaxBits) {
  if (MaxBits == FChosenMaxBits) return;
  FChosenMaxBits = MaxBits;
  RebuildFromTable();  // the table is unchanged: no step of the history
}

void TFrameForm::OptimalCodeChosen() {
  FChosenRule = OptimalCodeItem->isChecked() ? TLimitRule::Optimal : TLimitRule::Repair;
  RebuildFromTable();
}

// "他のファイルで評価": the current code (limit and rule included) on files
// the user picks; the report replaces the memo's text until another view is
// chosen.
void TFrameForm::EvaluateChosen() {
  if (FFrequency.empty()) return;
  const QStringList Picked = TDialogs::Current().OpenFileNames(this, FDataDir);
  if (Picked.isEmpty()) return;
  std::vector<std::string> Files;
  for (const QString& Name : Picked) Files.push_back(QFile::encodeName(Name).toStdString());
  std::optional<std::string> Report;
  RunWithProgress([&](const TProgressStep& Step) {
    TEvaluateHooks Hooks;
    Hooks.Progress = [&](size_t Index, size_t Count, int64_t Done, int64_t Size) {
      // Each file an equal share of the bar.
      const int64_t Share = 1 << 20;
      const int64_t Within = Size > 0 ? Done * Share / Size : Share;
      return Step(static_cast<int64_t>(Index) * Share + Within,
                  static_cast<int64_t>(Count) * Share);
    };
    Report =
        EvaluateTableText(FFrequency, FChosenMaxBits, FChosenRule,
                          ExtractFileName(FDocument.FileName), Files, TFigureFormat::Text, Hooks);
  });
  if (!Report) return;  // cancelled: the memo stays as it was
  // The views' file-name line, then the report with the memo's line ends.
  std::string Text = FirstLine(FHuffmanText);
  for (const char C : *Report) {
    if (C == '\n') Text += '\r';
    Text += C;
  }
  ViewMemo->SetText(QString::fromStdString(Text));
}

std::string TFrameForm::FirstLine(const std::string& Text) {
  const size_t End = Text.find("\r\n");
  return End == std::string::npos ? Text + "\r\n" : Text.substr(0, End + 2);
}
