#include "TableHistory.h"

#include <algorithm>

void TTableHistory::Reset(const std::vector<int32_t>& Table, int32_t Selected) {
  FSteps.clear();
  FNext = 0;
  FRecorded = Table;
  FSelected = Selected;
}

bool TTableHistory::Record(const std::vector<int32_t>& Table, int32_t Selected) {
  TStep Step;
  Step.SizeBefore = FRecorded.size();
  Step.SizeAfter = Table.size();
  Step.SelectedBefore = FSelected;
  Step.SelectedAfter = Selected;
  // Entries beyond a table's end count as 0 for the comparison; the sizes
  // bring the ends back.
  const size_t Span = std::max(FRecorded.size(), Table.size());
  for (size_t I = 0; I < Span; ++I) {
    const int32_t Before = I < FRecorded.size() ? FRecorded[I] : 0;
    const int32_t After = I < Table.size() ? Table[I] : 0;
    if (Before != After) Step.Changes.push_back({static_cast<uint32_t>(I), Before, After});
  }
  if (Step.Changes.empty() && Step.SizeBefore == Step.SizeAfter) return false;
  FSteps.erase(FSteps.begin() + static_cast<std::ptrdiff_t>(FNext), FSteps.end());
  FSteps.push_back(std::move(Step));
  if (FSteps.size() > MaxSteps) FSteps.pop_front();
  FNext = FSteps.size();
  FRecorded = Table;
  FSelected = Selected;
  return true;
}

bool TTableHistory::Undo(std::vector<int32_t>& Table, int32_t& Selected) {
  if (!CanUndo()) return false;
  Apply(FSteps[--FNext], false, Table, Selected);
  return true;
}

bool TTableHistory::Redo(std::vector<int32_t>& Table, int32_t& Selected) {
  if (!CanRedo()) return false;
  Apply(FSteps[FNext++], true, Table, Selected);
  return true;
}

void TTableHistory::Apply(const TStep& Step, bool Forward, std::vector<int32_t>& Table,
                          int32_t& Selected) {
  FRecorded.resize(std::max(Step.SizeBefore, Step.SizeAfter), 0);
  for (const TChange& Change : Step.Changes)
    FRecorded[Change.Index] = Forward ? Change.After : Change.Before;
  FRecorded.resize(Forward ? Step.SizeAfter : Step.SizeBefore);
  FSelected = Forward ? Step.SelectedAfter : Step.SelectedBefore;
  Table = FRecorded;
  Selected = FSelected;
}
