// The edit history of a frequency table: undo and redo as a plain list of
// steps, each holding only what it changed (the entries that differ and the
// table's length before and after), so memory follows the edits' size and
// not the table's.  No Qt.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class TTableHistory {
public:
  // At most this many steps are kept; the oldest goes first.
  static constexpr size_t MaxSteps = 1000;

  // A new history whose starting point is Table with datum Selected chosen.
  void Reset(const std::vector<int32_t>& Table, int32_t Selected);

  // Table as it stands after an edit (Selected the datum then chosen): a
  // step when it differs from the last recorded state, which it then
  // becomes, and every redo is dropped.  False, recording nothing, when the
  // table is as it was.
  bool Record(const std::vector<int32_t>& Table, int32_t Selected);

  bool CanUndo() const { return FNext > 0; }
  bool CanRedo() const { return FNext < FSteps.size(); }

  // Table and Selected become the state before the last step (after the
  // next undone one for Redo).  False, changing nothing, when there is no
  // such step.
  bool Undo(std::vector<int32_t>& Table, int32_t& Selected);
  bool Redo(std::vector<int32_t>& Table, int32_t& Selected);

private:
  struct TChange {
    uint32_t Index;
    int32_t Before, After;
  };
  struct TStep {
    size_t SizeBefore = 0, SizeAfter = 0;
    int32_t SelectedBefore = 0, SelectedAfter = 0;
    std::vector<TChange> Changes;
  };

  // The recorded state becomes the one after Step (Forward) or before it,
  // and is copied out.
  void Apply(const TStep& Step, bool Forward, std::vector<int32_t>& Table, int32_t& Selected);

  std::deque<TStep> FSteps;
  size_t FNext = 0;                // steps before this one are done
  std::vector<int32_t> FRecorded;  // the table as the last step left it
  int32_t FSelected = 0;           // the datum chosen then
};
