#include "form/ProgramCells.h"

#include "form/FormTables.h"
#include "form/UnitCells.h"
#include "model/CPELKDoc.h"

namespace hvt::form {

void FillProgramList(CPELKDoc& doc, CellList& list) {
  const ProgramRecord& p = doc.CurrentProgram();
  doc.programStepCount = doc.CountProgramSteps(doc.currentProgram);
  list.DeleteAllItems();
  const int n = doc.programStepCount;
  if (n == 0) {
    list.InsertItem(0, ProgramListStyle().emptyItem);
    return;
  }
  list.InsertItem(0, StepText(doc, p.step(1)));
  for (int i = 3; i <= 2 * n - 1; i += 2) {
    list.InsertItem(i - 2, "->");
    list.InsertItem(i - 1, StepText(doc, p.step(i)));
  }
}

}  // namespace hvt::form
