#pragma once

#include <string>

namespace hvt {

class CPELKDoc;

namespace form {

// A row of program cells, as a program list shows them. Two lists show the
// current program this way: the form's program list and the program
// editor's own list, which implements this for its dialog.
class CellList {
 public:
  virtual ~CellList() = default;

  virtual void DeleteAllItems() = 0;
  // Inserts a cell before item `index` (at the end when index is the count).
  virtual void InsertItem(int index, const std::string& text) = 0;
};

// Fills `list` from the document's current program: step k in item 2k - 2,
// "->" between steps, or the single cell "None  " for an empty program.
// Recounts the program first: programStepCount takes the number of steps
// and programCursor ends on the first position that is not a step.
void FillProgramList(CPELKDoc& doc, CellList& list);

}  // namespace form
}  // namespace hvt
