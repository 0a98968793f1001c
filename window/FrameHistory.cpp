// Undo and redo of the frequency table.
//
// Every edit ends in RebuildFromTable, which records the table as a step when
// it changed; an open starts a new history, except "元に", which is an edit
// of its own.  Undo and redo put a recorded table back and rebuild it, so the
// code, views and graph are exactly those of that table just rebuilt, and
// choose the datum that was chosen then.
#include "Frame.h"

#include <QAction>

void TFrameForm::RecordEdit() {
  if (FHistory.Record(FFrequency, FSelectedData)) ShowHistoryItems();
}

void TFrameForm::StartHistory() {
  FHistory.Reset(FFrequency, FSelectedData);
  ShowHistoryItems();
}

void TFrameForm::ShowHistoryItems() {
  UndoItem->setEnabled(FHistory.CanUndo());
  RedoItem->setEnabled(FHistory.CanRedo());
}

void TFrameForm::UndoChosen() {
  int32_t Selected = 0;
  if (FHistory.Undo(FFrequency, Selected)) ShowHistoryState(Selected);
}

void TFrameForm::RedoChosen() {
  int32_t Selected = 0;
  if (FHistory.Redo(FFrequency, Selected)) ShowHistoryState(Selected);
}

void TFrameForm::ShowHistoryState(int32_t Selected) {
  DatumSpin->SetPosition(Selected);
  RebuildFromTable();  // records nothing: the history already holds this table
  ShowHistoryItems();
}
