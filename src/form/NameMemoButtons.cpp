#include "form/NameMemoButtons.h"

#include "form/FormWiring.h"
#include "form/MemoEditor.h"
#include "form/NameEditor.h"
#include "model/StringTable.h"

namespace hvt {

namespace {

using C = ControlId;

bool ValidProgram(const CPELKDoc& doc) {
  return doc.currentProgram >= 1 && doc.currentProgram <= kProgramCount;
}

// Fills the names dialog with all 50 names of one kind and runs it; false
// on Cancel.
template <typename Records>
bool EditNames(FormWiring& with, const Records& records, TextId titleId, TextId captionId,
               NameEditor& names) {
  for (const auto& record : records) names.names.push_back(record.name);
  names.columnTitle = LoadString(titleId);
  names.caption = LoadString(captionId);
  names.entryCount = static_cast<int>(records.size());
  return with.dialogs->Run(names);
}

}  // namespace

void NameMemoButtons::OnTestMemo() {
  CPELKDoc& doc = with.doc;
  MemoEditor memo;
  memo.caption = LoadString(TextId::TestMemoCaption);
  memo.text = doc.testMemo;
  if (!with.dialogs->Run(memo)) return;
  if (memo.text == doc.testMemo) return;
  doc.testMemo = memo.text;
  doc.SetModifiedFlag();
}

void NameMemoButtons::OnProgramMemo() {
  CPELKDoc& doc = with.doc;
  // A damaged file may leave no current program to hold the memo.
  if (!ValidProgram(doc)) return;
  ProgramRecord& program = doc.program(doc.currentProgram);
  MemoEditor memo;
  memo.caption = LoadString(TextId::ProgramMemoCaption);
  memo.text = program.memo;
  if (!with.dialogs->Run(memo)) return;
  program.memo = memo.text;
  // The program memo counts as changed by every OK.
  doc.SetModifiedFlag();
}

void NameMemoButtons::OnUnitNameEdit() {
  CPELKDoc& doc = with.doc;
  NameEditor names;
  if (!EditNames(with, doc.units, TextId::UnitNameTitle, TextId::UnitNameCaption, names)) return;
  for (int n = 1; n <= kUnitCount; ++n) doc.unit(n).name = names.names[static_cast<size_t>(n - 1)];
  // The program list shows unit names.
  with.lists.ShowProgram();
  if (names.edited) doc.SetModifiedFlag();
  if (with.run.ActiveUnit() >= 1 && with.run.ActiveUnit() <= kUnitCount) {
    const std::string& name = doc.unit(with.run.ActiveUnit()).name;
    with.state.workingUnit.name = name;  // the working copy must not bring the old name back
    with.form.SetText(C::UnitName, name);
  }
}

void NameMemoButtons::OnProgramNameEdit() {
  CPELKDoc& doc = with.doc;
  NameEditor names;
  if (!EditNames(with, doc.programs, TextId::ProgramNameTitle, TextId::ProgramNameCaption, names))
    return;
  for (int n = 1; n <= kProgramCount; ++n) {
    doc.program(n).name = names.names[static_cast<size_t>(n - 1)];
  }
  with.form.SetText(C::ProgramName, doc.CurrentProgram().name);
  if (names.edited) doc.SetModifiedFlag();
}

}  // namespace hvt
