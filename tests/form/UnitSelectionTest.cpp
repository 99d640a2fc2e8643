// The program editor driven as an operator drives its dialog: mode buttons,
// clicks on program cells, double clicks on unit rows, on virtual time.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "form/UnitSelection.h"
#include "model/DocumentFile.h"
#include "model/StringTable.h"
#include "model/TextCodec.h"
#include "support/FormRig.h"
#include "support/ScriptedPrompter.h"
#include "support/VirtualTime.h"

namespace hvt {
namespace {

using D = UnitDialogId;

// The dialog's widgets as plain state. Touching a cell that does not exist
// is a fault of the presenter, not something a list would forgive.
struct RecordingDialog : UnitSelectionControls {
  void SetCaption(const std::string& text) override { caption = text; }
  void SetUnitColumns(const std::vector<UnitColumn>& c) override { columns = c; }
  void SetUnitCell(int row, int column, const std::string& text) override {
    unitCells[{row, column}] = text;
  }
  void InsertCell(int item, const std::string& text) override {
    ASSERT_GE(item, 0);
    ASSERT_LE(item, static_cast<int>(cells.size()));
    cells.insert(cells.begin() + item, text);
  }
  void DeleteCell(int item) override {
    ASSERT_GE(item, 0);
    ASSERT_LT(item, static_cast<int>(cells.size()));
    cells.erase(cells.begin() + item);
  }
  void SetCellText(int item, const std::string& text) override {
    ASSERT_GE(item, 0);
    ASSERT_LT(item, static_cast<int>(cells.size()));
    cells[static_cast<size_t>(item)] = text;
  }
  void SelectCell(int item) override { selected = item; }
  void Check(UnitDialogId id, bool checked) override { checks[id] = checked; }
  void SetToolTip(UnitDialogId id, const std::string& text) override { tips[id] = text; }
  void SetUnitCursor(bool hint) override { doubleClickCursor = hint; }

  std::string caption;
  std::vector<UnitColumn> columns;
  std::map<std::pair<int, int>, std::string> unitCells;
  std::vector<std::string> cells;
  int selected = -1;
  std::map<UnitDialogId, bool> checks;
  std::map<UnitDialogId, std::string> tips;
  bool doubleClickCursor = false;
};

// One opened editor on a document of its own.
struct Editor {
  explicit Editor(std::initializer_list<int> units) {
    doc.SetDemoConfiguration(3);
    doc.InitNewDocument();
    doc.showUnitNames = 0;  // "No. n " cells
    int position = 1;
    for (int u : units) {
      doc.program(1).step(position) = static_cast<uint16_t>(u);
      position += 2;
    }
    doc.programStepCount = doc.CountProgramSteps(1);
    dialog = std::make_unique<UnitSelection>(doc, prompter);
    time.client = dialog.get();
    dialog->Attach(controls, time);
    dialog->OnInitDialog();
  }

  // What cell `item` shows over the next two blink ticks.
  std::vector<std::string> TwoTicks(int item) {
    std::vector<std::string> out;
    for (int tick = 0; tick < 2; ++tick) {
      time.RunFor(UnitSelection::kBlinkMs);
      out.push_back(controls.cells.at(static_cast<size_t>(item)));
    }
    std::sort(out.begin(), out.end());
    return out;
  }
  std::vector<int> Steps() const {
    std::vector<int> out;
    for (int p = 1; p <= 2 * dialog->stepCount - 1; p += 2) out.push_back(dialog->Step(p));
    return out;
  }
  // The cells as the operator reads them, arrows left out.
  std::vector<std::string> StepCells() const {
    std::vector<std::string> out;
    for (size_t i = 0; i < controls.cells.size(); i += 2) out.push_back(controls.cells[i]);
    return out;
  }
  void Mode(UnitDialogId id) { dialog->OnModeButton(id); }
  void ClickStep(int k) { dialog->OnCellClick(2 * k - 2); }
  void DoubleClickUnit(int u) { dialog->OnUnitDoubleClick(u - 1); }

  CPELKDoc doc;
  testing::ScriptedPrompter prompter;
  testing::VirtualTime time;
  RecordingDialog controls;
  std::unique_ptr<UnitSelection> dialog;
};

TEST(UnitSelection, OpensWithTheUnitTableTheProgramCellsAndLastPressed) {
  Editor e({});
  EXPECT_EQ(e.controls.caption, "SelectUnit");
  ASSERT_EQ(e.controls.columns.size(), 15u);
  EXPECT_EQ(e.controls.columns[1].title, "UNIT NAME");
  EXPECT_EQ(e.controls.columns[14].title, "TERM");
  EXPECT_EQ(e.controls.unitCells[std::make_pair(49, 0)], " 50");
  EXPECT_EQ(e.controls.unitCells[std::make_pair(2, 1)], "Unit03");
  EXPECT_EQ(e.controls.unitCells[std::make_pair(2, 12)], "Endless");  // injection time
  EXPECT_EQ(e.controls.cells, std::vector<std::string>{"None  "});
  EXPECT_TRUE(e.controls.checks[D::Last]);
  EXPECT_FALSE(e.controls.checks[D::Prior]);
  EXPECT_EQ(e.controls.tips[D::Prior], "Adds a new Unit prior to the selected (blinking) unit");
  EXPECT_EQ(e.controls.tips.size(), 6u);

  // Last with nothing selected appends at every double click.
  e.DoubleClickUnit(3);
  e.DoubleClickUnit(5);
  EXPECT_EQ(e.Steps(), (std::vector<int>{3, 5}));
  EXPECT_EQ(e.controls.cells, (std::vector<std::string>{"No. 3 ", "->", "No. 5 "}));
  EXPECT_EQ(e.controls.selected, 2);
  EXPECT_TRUE(e.prompter.shown.empty());
  EXPECT_EQ(e.dialog->edited, 1);
}

TEST(UnitSelection, ModeButtonsExcludeEachOtherAndPressedAgainLeaveNone) {
  Editor e({});
  e.Mode(D::Replace);
  EXPECT_EQ((std::vector<int>{e.dialog->modeLast, e.dialog->modePrior, e.dialog->modePosterior,
                              e.dialog->modeReplace}),
            (std::vector<int>{0, 0, 0, 1}));
  EXPECT_FALSE(e.controls.checks[D::Last]);
  EXPECT_TRUE(e.controls.checks[D::Replace]);
  e.Mode(D::Replace);
  EXPECT_FALSE(e.controls.checks[D::Replace]);
  EXPECT_EQ(e.dialog->modeReplace, 0);

  // No mode but a position: the operator is asked for a mode.
  e.ClickStep(1);
  e.DoubleClickUnit(2);
  EXPECT_EQ(e.prompter.Texts(),
            std::vector<std::string>{"Select the desired edition mode button to make a Program"});
  EXPECT_EQ(e.prompter.shown[0].icon, MessageIcon::Question);
  EXPECT_EQ(e.Steps(), std::vector<int>{});
  EXPECT_EQ(e.dialog->edited, 0);
}

TEST(UnitSelection, PriorToWithNothingSelectedAsksForAPositionOnly) {
  Editor e({1, 2});
  e.Mode(D::Prior);
  e.DoubleClickUnit(4);
  ASSERT_EQ(e.prompter.shown.size(), 1u);
  EXPECT_EQ(e.prompter.shown[0].text, "Select the desired position.");
  EXPECT_EQ(e.prompter.shown[0].buttons, Buttons::Ok);
  EXPECT_EQ(e.prompter.shown[0].icon, MessageIcon::Question);
  EXPECT_EQ(e.Steps(), (std::vector<int>{1, 2}));
  EXPECT_EQ(e.dialog->edited, 0);
}

TEST(UnitSelection, PriorPosteriorAndReplaceAroundTheBlinkingStep) {
  {
    Editor e({1, 2, 3});
    e.ClickStep(2);
    e.Mode(D::Prior);
    e.DoubleClickUnit(4);
    EXPECT_EQ(e.Steps(), (std::vector<int>{1, 4, 2, 3}));
    EXPECT_EQ(e.StepCells(), (std::vector<std::string>{"No. 1 ", "No. 4 ", "No. 2 ", "No. 3 "}));
    EXPECT_EQ(e.dialog->selectedPos, 3);  // now unit 4's position
    e.time.RunFor(250);
    EXPECT_EQ(e.controls.cells[2], "      ");
    e.time.RunFor(250);
    EXPECT_EQ(e.controls.cells[2], "No. 4 ");
  }
  {
    Editor e({1, 2, 3});
    e.ClickStep(2);
    e.Mode(D::Posterior);
    e.DoubleClickUnit(4);
    EXPECT_EQ(e.Steps(), (std::vector<int>{1, 2, 4, 3}));
    EXPECT_EQ(e.controls.cells.size(), 7u);
    EXPECT_EQ(e.controls.cells[4], "No. 4 ");
    EXPECT_EQ(e.controls.selected, 4);
    EXPECT_EQ(e.dialog->selectedPos, 3);  // unit 2 still blinks
    e.time.RunFor(500);
    EXPECT_EQ(e.controls.cells[2], "No. 2 ");
  }
  {
    Editor e({1, 2, 3});
    e.ClickStep(2);
    e.Mode(D::Replace);
    e.DoubleClickUnit(4);
    EXPECT_EQ(e.Steps(), (std::vector<int>{1, 4, 3}));
    EXPECT_EQ(e.controls.cells.size(), 5u);
    EXPECT_EQ(e.dialog->edited, 1);
  }
}

TEST(UnitSelection, TheBlinkAlternatesEvery250MsAndMovesWithTheClick) {
  Editor e({1, 2, 3});
  e.dialog->OnCellClick(1);  // an arrow: no position
  EXPECT_EQ(e.dialog->selectedPos, -1);
  EXPECT_FALSE(e.time.IsSet(UnitSelection::kBlinkTimer));
  e.ClickStep(3);
  std::vector<std::string> seen;
  for (int tick = 0; tick < 4; ++tick) {
    e.time.RunFor(249);
    seen.push_back(e.controls.cells[4]);
    e.time.RunFor(1);
    seen.push_back(e.controls.cells[4]);
  }
  EXPECT_EQ(seen, (std::vector<std::string>{"No. 3 ", "      ", "      ", "No. 3 ", "No. 3 ",
                                            "      ", "      ", "No. 3 "}));
  // A blank phase is restored when another step is picked.
  e.time.RunFor(250);
  ASSERT_EQ(e.controls.cells[4], "      ");
  e.ClickStep(1);
  EXPECT_EQ(e.controls.cells[4], "No. 3 ");
  EXPECT_EQ(e.dialog->selectedPos, 1);
  e.dialog->OnClose();
  EXPECT_FALSE(e.time.IsSet(UnitSelection::kBlinkTimer));
}

TEST(UnitSelection, AFullProgramTakesNoFurtherStepExceptByReplace) {
  Editor e({});
  for (int k = 0; k < 50; ++k) e.DoubleClickUnit(k % 7 + 1);
  ASSERT_EQ(e.dialog->stepCount, 50);
  EXPECT_EQ(e.controls.cells.size(), 99u);
  e.DoubleClickUnit(9);
  e.ClickStep(50);
  e.Mode(D::Posterior);
  e.DoubleClickUnit(9);
  e.Mode(D::Prior);
  e.DoubleClickUnit(9);
  EXPECT_EQ(e.dialog->stepCount, 50);
  EXPECT_EQ(e.dialog->Step(99), 49 % 7 + 1);  // the fiftieth pick
  EXPECT_TRUE(e.prompter.shown.empty());
  e.Mode(D::Replace);
  e.DoubleClickUnit(9);
  EXPECT_EQ(e.dialog->stepCount, 50);
  EXPECT_EQ(e.dialog->Step(99), 9);
  EXPECT_EQ(e.controls.cells[98], "No. 9 ");
}

TEST(UnitSelection, DeleteClosesTheGapAndMovesTheBlinkOffADeletedLastStep) {
  Editor e({1, 2, 3, 4});
  e.dialog->OnDelete();  // nothing selected
  EXPECT_EQ(e.prompter.Texts(), std::vector<std::string>{"Select Unit numbers to be deleted."});
  EXPECT_EQ(e.dialog->edited, 0);

  e.ClickStep(2);
  e.dialog->OnDelete();
  EXPECT_EQ(e.Steps(), (std::vector<int>{1, 3, 4}));
  EXPECT_EQ(e.controls.cells, (std::vector<std::string>{"No. 1 ", "->", "No. 3 ", "->", "No. 4 "}));
  EXPECT_EQ(e.dialog->selectedPos, 3);  // same position, the following step
  EXPECT_EQ(e.dialog->Step(7), 0);

  e.ClickStep(3);
  e.time.RunFor(250);  // the last cell is dark when it goes
  e.dialog->OnDelete();
  EXPECT_EQ(e.Steps(), (std::vector<int>{1, 3}));
  EXPECT_EQ(e.controls.cells.size(), 3u);
  EXPECT_EQ(e.dialog->selectedPos, 3);  // the new last step
  EXPECT_EQ(e.TwoTicks(2), (std::vector<std::string>{"      ", "No. 3 "}));

  e.dialog->OnDelete();
  e.dialog->OnDelete();  // the only step: the program is empty, its cell stays
  EXPECT_EQ(e.Steps(), std::vector<int>{});
  EXPECT_EQ(e.dialog->Step(1), 0);
  EXPECT_EQ(e.TwoTicks(0), (std::vector<std::string>{"      ", "None  "}));
  e.dialog->OnDelete();  // nothing left: no box
  EXPECT_EQ(e.prompter.shown.size(), 1u);
}

TEST(UnitSelection, ClearAsksAndCancelKeepsEverything) {
  Editor e({5, 6, 7});
  e.ClickStep(2);
  e.prompter.answers = {Answer::Cancel, Answer::Ok};
  e.dialog->OnClear();
  ASSERT_EQ(e.prompter.shown.size(), 1u);
  EXPECT_EQ(e.prompter.shown[0].text,
            "You are going to delete all units in Program. Are you sure?");
  EXPECT_EQ(e.prompter.shown[0].buttons, Buttons::OkCancel);
  EXPECT_EQ(e.prompter.shown[0].icon, MessageIcon::Question);
  EXPECT_EQ(e.Steps(), (std::vector<int>{5, 6, 7}));
  EXPECT_EQ(e.controls.cells.size(), 5u);
  EXPECT_EQ(e.dialog->selectedPos, 3);
  EXPECT_EQ(e.dialog->edited, 0);

  e.dialog->OnClear();
  EXPECT_EQ(e.Steps(), std::vector<int>{});
  EXPECT_EQ(e.controls.cells, std::vector<std::string>{"None  "});
  EXPECT_EQ(e.dialog->selectedPos, -1);
  EXPECT_FALSE(e.time.IsSet(UnitSelection::kBlinkTimer));
  EXPECT_EQ(e.dialog->Step(5), 0);
  EXPECT_EQ(e.dialog->edited, 1);
}

TEST(UnitSelection, TheDoubleClickCursorOnlyBelowTheColumnHeadings) {
  Editor e({});
  e.dialog->OnMouseMove(true, 40, 17, 500, 300);
  EXPECT_FALSE(e.controls.doubleClickCursor);
  e.dialog->OnMouseMove(true, 40, 18, 500, 300);
  EXPECT_TRUE(e.controls.doubleClickCursor);
  e.dialog->OnMouseMove(false, 40, 100, 500, 300);
  EXPECT_FALSE(e.controls.doubleClickCursor);
}

// Space on a unit row as the keyboard delivers it: a held key repeats as
// release and press pairs, each marked as a repeat.
Disposition Space(Editor& e, KeyEvent::Kind kind, int row, bool repeat = false, bool ctrl = false) {
  KeyEvent key;
  key.kind = kind;
  key.key = Key::Space;
  key.autoRepeat = repeat;
  key.ctrl = ctrl;
  return e.dialog->OnUnitTableKey(key, row);
}

TEST(UnitSelection, SpaceOnAUnitRowAddsItOncePerPressWhateverTheRepeats) {
  using K = KeyEvent::Kind;
  Editor e({});
  EXPECT_EQ(Space(e, K::Down, 2), Disposition::Swallow);
  for (int k = 0; k < 5; ++k) {
    EXPECT_EQ(Space(e, K::Up, 2, true), Disposition::Swallow);
    EXPECT_EQ(Space(e, K::Down, 2, true), Disposition::Swallow);
  }
  Space(e, K::Up, 2);
  Space(e, K::Down, 6);
  EXPECT_EQ(e.controls.cells, (std::vector<std::string>{"No. 3 ", "->", "No. 7 "}));
  // No current row, Ctrl+Space (a selection toggle) and Alt+Space (the
  // window's menu, passed on) add nothing; nor do the keys that move.
  Space(e, K::Down, -1);
  Space(e, K::Down, 4, false, true);
  EXPECT_EQ(Space(e, K::SystemDown, 4), Disposition::Pass);
  for (Key other : {Key::Enter, Key::Tab, Key::Other}) {
    KeyEvent key;
    key.key = other;
    EXPECT_EQ(e.dialog->OnUnitTableKey(key, 4), Disposition::Pass);
  }
  EXPECT_EQ(e.Steps(), (std::vector<int>{3, 7}));
  // With a mode that needs a position, Space asks for one as a double click does.
  e.Mode(D::Prior);
  Space(e, K::Down, 4);
  EXPECT_EQ(e.prompter.Texts(), std::vector<std::string>{"Select the desired position."});
}

// Runs the editor the way the desktop program's dialog does and lets a
// script act as the operator.
struct ScriptedEditor : Dialogs {
  using Script = std::function<bool(UnitSelection&, RecordingDialog&)>;
  bool Run(UnitSelection& editor) override {
    ++opened;
    RecordingDialog controls;
    testing::VirtualTime time;
    time.client = &editor;
    editor.Attach(controls, time);
    editor.OnInitDialog();
    const bool ok = script(editor, controls);
    editor.OnClose();
    return ok;
  }
  Script script;
  int opened = 0;
};

struct EditorOnForm : testing::FormRig {
  EditorOnForm() {
    view->dialogs = &editor;
    UseProgram(1, {1, 2, 3}, 2);
    Click(ControlId::ProgramCheck);  // TEST SEQUENCE on: the list takes clicks
    doc.SetModifiedFlag(false);
  }
  void DoubleClickProgramList() { events().OnListDoubleClick(ControlId::ProgramList, 0); }
  ScriptedEditor editor;
};

TEST(ProgramEditor, OkWithoutChangeAndCancelAfterChangesLeaveTheDocumentAsItWas) {
  EditorOnForm rig;
  const std::string before = StoreDocument(rig.doc);

  rig.editor.script = [](UnitSelection&, RecordingDialog&) { return true; };
  rig.DoubleClickProgramList();
  EXPECT_EQ(StoreDocument(rig.doc), before);
  EXPECT_FALSE(rig.doc.IsModified());

  rig.editor.script = [](UnitSelection& e, RecordingDialog&) {
    e.OnCellClick(0);
    e.OnModeButton(D::Replace);
    e.OnUnitDoubleClick(9);
    e.OnModeButton(D::Last);
    e.OnUnitDoubleClick(20);
    return false;  // Cancel
  };
  rig.DoubleClickProgramList();
  EXPECT_EQ(rig.editor.opened, 2);
  EXPECT_EQ(StoreDocument(rig.doc), before);
  EXPECT_FALSE(rig.doc.IsModified());
}

TEST(ProgramEditor, OkWritesTheEditedProgramBackRefillsTheListAndMarksModified) {
  EditorOnForm rig;
  rig.doc.showUnitNames = 0;
  rig.editor.script = [](UnitSelection& e, RecordingDialog&) {
    e.OnCellClick(2);
    e.OnModeButton(D::Prior);
    e.OnUnitDoubleClick(3);
    return true;
  };
  rig.DoubleClickProgramList();
  const ProgramRecord& p = rig.doc.program(1);
  EXPECT_EQ((std::vector<int>{p.step(1), p.step(3), p.step(5), p.step(7), p.step(9)}),
            (std::vector<int>{1, 4, 2, 3, 0}));
  EXPECT_EQ(rig.doc.programStepCount, 4);
  EXPECT_TRUE(rig.doc.IsModified());
  EXPECT_EQ(rig.form.Cell(ControlId::ProgramList, 2), "No. 4 ");
  EXPECT_EQ(rig.form.RowCount(ControlId::ProgramList), 7);

  // Stored and read back: the file holds the new program.
  CPELKDoc reread;
  ASSERT_EQ(LoadDocument(reread, StoreDocument(rig.doc), Cp1252Codec{}), LoadOutcome::Loaded);
  EXPECT_EQ(reread.program(1).steps, p.steps);
}

TEST(ProgramEditor, OpensWhenNoRunIsActiveIncludingLineOn) {
  EditorOnForm rig;
  rig.editor.script = [](UnitSelection&, RecordingDialog&) { return false; };
  rig.view->runStatus.runState = Running;
  rig.DoubleClickProgramList();
  rig.view->runStatus.runState = Paused;
  rig.DoubleClickProgramList();
  EXPECT_EQ(rig.editor.opened, 0);
  rig.view->runStatus.runState = LineOn;
  rig.DoubleClickProgramList();
  EXPECT_EQ(rig.editor.opened, 1);
  rig.view->runStatus.runState = Idle;
  rig.events().OnListDoubleClick(ControlId::UnitOverview, 0);  // another list
  EXPECT_EQ(rig.editor.opened, 1);
  rig.Click(ControlId::ProgramCheck);  // off: the list is grayed
  rig.DoubleClickProgramList();
  EXPECT_EQ(rig.editor.opened, 1);
}

}  // namespace
}  // namespace hvt
