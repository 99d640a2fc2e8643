#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <sstream>

#include "form/EquipmentNameInput.h"
#include "form/TestConditionsInput.h"
#include "model/DocumentFile.h"
#include "report/RecordingCanvas.h"
#include "support/ViewRig.h"
#include "view/ReportCommands.h"

namespace hvt {
namespace {

using testing::ViewRig;

// The dialog's boxes as an operator sees them; a limit only stops typing.
class FakeDialog : public ReportDialogControls {
 public:
  void SetText(int id, const std::string& text) override { texts[id] = text; }
  std::string Text(int id) const override {
    auto it = texts.find(id);
    return it == texts.end() ? std::string() : it->second;
  }
  void LimitText(int id, size_t bytes) override { limits[id] = bytes; }
  void Check(int id, bool checked) override { checks[id] = checked; }
  bool IsChecked(int id) const override {
    auto it = checks.find(id);
    return it != checks.end() && it->second;
  }
  void SetFont(int id, const DialogFont& font) override { fonts[id] = font; }
  void SetChoices(int id, const std::vector<std::string>& items, int chosen) override {
    choiceItems[id] = items;
    choices[id] = chosen;
  }
  int Choice(int id) const override {
    auto it = choices.find(id);
    return it == choices.end() ? -1 : it->second;
  }
  // Typing replaces the whole text, as far as the limit lets it.
  void Type(int id, const std::string& text) {
    if (TextLimitAllows(Text(id).size(), text.size(), limits.at(id))) texts[id] = text;
  }

  std::map<int, std::string> texts;
  std::map<int, size_t> limits;
  std::map<int, bool> checks;
  std::map<int, DialogFont> fonts;
  std::map<int, std::vector<std::string>> choiceItems;
  std::map<int, int> choices;
};

// Drives the two dialogs through a script of what the operator does.
class ScriptedDialogs : public Dialogs {
 public:
  using Dialogs::Run;
  bool Run(EquipmentNameInput& presenter) override {
    presenter.OnInitDialog(shown);
    const bool ok = equipment ? equipment(shown) : false;
    if (ok) presenter.OnOK(shown);
    return ok;
  }
  bool Run(TestConditionsInput& presenter) override {
    presenter.OnInitDialog(shown);
    const bool ok = conditions ? conditions(presenter, shown) : false;
    if (ok) presenter.OnOK(shown);
    return ok;
  }
  FakeDialog shown;
  std::function<bool(FakeDialog&)> equipment;
  std::function<bool(TestConditionsInput&, FakeDialog&)> conditions;
};

std::string FileText(const std::filesystem::path& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

struct ReportRig : ViewRig {
  ReportRig() : ViewRig(DefaultOptions(), true, false) {}
  void StartUp() {
    view->dialogs = &dialogs;
    view->StartUp(false);
  }
  ScriptedDialogs dialogs;
};

TEST(EquipmentNameInput, LongStoredModelShowsEmptyAndEveryOkWritesBothKeysTrimmed) {
  ReportRig rig;
  rig.settings.WriteSetting("PRINT_ENV", "Model", std::string(25, 'M'));
  rig.settings.WriteSetting("PRINT_ENV", "Serial", std::string(20, '7'));
  rig.StartUp();
  EXPECT_EQ(rig.doc.printModel, std::string(25, 'M')) << "start-up reads the settings";

  // Cancel changes nothing, not even the settings file.
  const std::string before = FileText(rig.settingsPath);
  rig.view->events.OnCommand(CommandId::EquipmentName);
  EXPECT_EQ(rig.dialogs.shown.Text(EquipmentNameInput::kModelEdit), "");
  EXPECT_EQ(rig.dialogs.shown.Text(EquipmentNameInput::kSerialEdit), std::string(20, '7'));
  EXPECT_EQ(rig.dialogs.shown.limits.at(EquipmentNameInput::kModelEdit), 20u);
  EXPECT_EQ(rig.dialogs.shown.Text(EquipmentNameInput::kTitle), "Impulse Noise Simulator");
  const DialogFont& title = rig.dialogs.shown.fonts.at(EquipmentNameInput::kTitle);
  EXPECT_EQ(title.pixelHeight, 20);
  EXPECT_EQ(title.weight, 700);
  EXPECT_FALSE(title.fixedPitch);
  EXPECT_EQ(rig.doc.printModel, std::string(25, 'M'));
  EXPECT_EQ(FileText(rig.settingsPath), before);

  // OK without typing stores the emptied model; both keys are written.
  rig.dialogs.equipment = [](FakeDialog&) { return true; };
  std::filesystem::permissions(rig.settingsPath, std::filesystem::perms::owner_write,
                               std::filesystem::perm_options::add);
  std::filesystem::remove(rig.settingsPath);
  rig.view->events.OnCommand(CommandId::EquipmentName);
  EXPECT_EQ(rig.doc.printModel, "");
  EXPECT_NE(FileText(rig.settingsPath).find("Model="), std::string::npos);
  EXPECT_EQ(rig.settings.ReadSetting("PRINT_ENV", "Serial"), std::string(20, '7'));
  EXPECT_FALSE(rig.doc.IsModified());

  // Blanks at the ends go, blanks inside stay; typing stops at 20 bytes.
  rig.dialogs.equipment = [](FakeDialog& d) {
    d.Type(EquipmentNameInput::kModelEdit, " \tKP4  410 \r\n");
    d.Type(EquipmentNameInput::kSerialEdit, std::string(21, 'x'));
    return true;
  };
  rig.doc.SetModifiedFlag(true);
  rig.view->events.OnCommand(CommandId::EquipmentName);
  EXPECT_EQ(rig.doc.printModel, "KP4  410");
  EXPECT_EQ(rig.settings.ReadSetting("PRINT_ENV", "Model"), "KP4  410");
  EXPECT_EQ(rig.doc.printSerial, std::string(20, '7'));
  EXPECT_TRUE(rig.doc.IsModified()) << "the flag is left as it was";
}

TEST(TestConditionsInput, ClearThenCancelKeepsAllAndOkAlwaysMarksModified) {
  ReportRig rig;
  rig.StartUp();
  const std::string longText(80, 'd');
  rig.doc.eutTexts = {longText, "M-1", "S-2", "20", "25", "40", "60", "1000", "1013"};
  rig.doc.eutDeskTop = 1;
  rig.doc.eutHandy = 1;
  const auto texts = rig.doc.eutTexts;

  std::string shownDescription, shownPressureTo;
  rig.dialogs.conditions = [&](TestConditionsInput& dialog, FakeDialog& d) {
    shownDescription = d.Text(1238);
    shownPressureTo = d.Text(1011);
    dialog.OnClear(d);
    return false;
  };
  rig.view->events.OnCommand(CommandId::TestConditions);
  // The dialog showed everything in its boxes, the long text whole.
  EXPECT_EQ(shownDescription, longText);
  EXPECT_EQ(shownPressureTo, "1013");
  EXPECT_EQ(rig.dialogs.shown.Text(1238), "") << "Clear emptied the box";
  EXPECT_EQ(rig.doc.eutTexts, texts);
  EXPECT_EQ(rig.doc.eutDeskTop, 1);
  EXPECT_EQ(rig.doc.eutHandy, 1);
  EXPECT_FALSE(rig.doc.IsModified());

  // OK without a change: the long text is kept whole and the document counts
  // as modified.
  rig.dialogs.conditions = [](TestConditionsInput&, FakeDialog&) { return true; };
  rig.view->events.OnCommand(CommandId::TestConditions);
  EXPECT_EQ(rig.dialogs.shown.limits.at(1238), 70u);
  EXPECT_EQ(rig.dialogs.shown.limits.at(1011), 10u);
  EXPECT_EQ(rig.doc.eutTexts, texts);
  EXPECT_EQ(rig.doc.eutFloorStand, 0);
  EXPECT_TRUE(rig.doc.IsModified());

  // Checks are independent; typed blanks stay; Clear then OK empties all.
  rig.dialogs.conditions = [](TestConditionsInput&, FakeDialog& d) {
    d.Check(1273, true);
    d.Type(1247, " 21 ");
    return true;
  };
  rig.view->events.OnCommand(CommandId::TestConditions);
  EXPECT_EQ(rig.doc.eutDeskTop + rig.doc.eutFloorStand + rig.doc.eutHandy, 3);
  EXPECT_EQ(rig.doc.eutTexts[3], " 21 ");
  rig.dialogs.conditions = [](TestConditionsInput& dialog, FakeDialog& d) {
    dialog.OnClear(d);
    return true;
  };
  rig.view->events.OnCommand(CommandId::TestConditions);
  EXPECT_EQ(rig.doc.eutTexts, (std::array<std::string, 9>{}));
  EXPECT_EQ(rig.doc.eutDeskTop + rig.doc.eutFloorStand + rig.doc.eutHandy, 0);
}

TEST(TestConditionsInput, TheRequiredCriterionIsKeptInTheSettingsNotInTheDocument) {
  ReportRig rig;
  rig.StartUp();
  rig.settings.WriteSetting("Journal", "REQUIRED_CRITERION", "C");
  int shown = -1;
  rig.dialogs.conditions = [&](TestConditionsInput&, FakeDialog& d) {
    shown = d.Choice(TestConditionsInput::kRequiredCriterion);
    d.choices[TestConditionsInput::kRequiredCriterion] = 2;  // B
    return false;
  };
  rig.view->events.OnCommand(CommandId::TestConditions);
  EXPECT_EQ(shown, 3);
  EXPECT_EQ(rig.dialogs.shown.choiceItems.at(TestConditionsInput::kRequiredCriterion),
            (std::vector<std::string>{"none", "A", "B", "C", "D"}));
  EXPECT_EQ(rig.settings.ReadSetting("Journal", "REQUIRED_CRITERION"), "C") << "Cancel keeps it";

  const std::string document = StoreDocument(rig.doc);
  rig.dialogs.conditions = [](TestConditionsInput&, FakeDialog& d) {
    d.choices[TestConditionsInput::kRequiredCriterion] = 2;
    return true;
  };
  rig.view->events.OnCommand(CommandId::TestConditions);
  EXPECT_EQ(rig.settings.ReadSetting("Journal", "REQUIRED_CRITERION"), "B");
  EXPECT_EQ(StoreDocument(rig.doc), document) << "the document's layout has no place for it";

  // A value the program does not know reads as none; choosing none clears it.
  rig.settings.WriteSetting("Journal", "REQUIRED_CRITERION", "Z");
  rig.dialogs.conditions = [&](TestConditionsInput&, FakeDialog& d) {
    shown = d.Choice(TestConditionsInput::kRequiredCriterion);
    d.choices[TestConditionsInput::kRequiredCriterion] = 0;
    return true;
  };
  rig.view->events.OnCommand(CommandId::TestConditions);
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(rig.settings.ReadSetting("Journal", "REQUIRED_CRITERION"), "");
}

TEST(TextLimit, TypingStopsAtTheLimitButALongerTextMayBeShortened) {
  EXPECT_TRUE(TextLimitAllows(19, 20, 20));
  EXPECT_FALSE(TextLimitAllows(20, 21, 20));
  EXPECT_TRUE(TextLimitAllows(80, 79, 70));
  EXPECT_FALSE(TextLimitAllows(80, 80, 70));
}

// Records what the view asks of the printer.
struct RecordingPrinter : ReportPrinter {
  bool Print(ReportJob& job) override {
    ++prints;
    pageCount = job.PageCount();
    RecordingCanvas canvas;
    for (int page : job.Pages(from, to)) {
      job.DrawPage(canvas, page, 1252, [] { return std::chrono::year{2025} / 1 / 1; });
      for (const auto& call : canvas.calls) {
        if (call.text.rfind("Page ", 0) == 0) footers.push_back(call.text);
      }
      canvas.calls.clear();
    }
    return true;
  }
  void Preview(ReportJob& job) override { previewPages = job.Pages(); }
  bool ExportPdf(ReportJob&, const std::string& proposed) override {
    proposals.push_back(proposed);
    return false;
  }
  std::vector<std::string> proposals;
  int prints = 0;
  int pageCount = 0;
  int from = 0, to = 0;
  std::vector<std::string> footers;
  std::vector<int> previewPages;
};

TEST(ReportPrinting, PageCountIsFixedWhenTheJobIsPreparedAndFollowsTheProgramThen) {
  ReportRig rig;
  rig.StartUp();
  RecordingPrinter printer;
  rig.view->printer = &printer;

  rig.view->events.OnCommand(CommandId::FilePrint);
  EXPECT_EQ(printer.pageCount, 1) << "a unit report";
  EXPECT_EQ(printer.footers, (std::vector<std::string>{"Page 1 / 1"}));

  rig.UseProgram(2, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}, 1);
  printer.footers.clear();
  printer.from = 2;
  printer.to = 9;  // beyond the end: cut to the last page
  rig.view->events.OnCommand(CommandId::FilePrint);
  EXPECT_EQ(rig.view->reportPageCount, 3);
  EXPECT_EQ(printer.footers, (std::vector<std::string>{"Page 2 / 3", "Page 3 / 3"}));

  rig.view->events.OnCommand(CommandId::FilePrintPreview);
  EXPECT_EQ(printer.previewPages, (std::vector<int>{1, 2, 3}));
}

TEST(ReportPrinting, PrintPreviewAndExportAreGrayedOnlyWhileARunIsActive) {
  ReportRig rig;
  rig.StartUp();
  RecordingPrinter printer;
  rig.view->printer = &printer;
  for (int state : {Idle, LineOn, Running, Waiting, Paused}) {
    rig.view->runStatus.runState = state;
    const bool active = state >= Running;
    for (CommandId c : {CommandId::FilePrint, CommandId::FilePrintPreview, CommandId::ExportPdf})
      EXPECT_EQ(rig.view->IsCommandEnabled(c), !active) << static_cast<int>(c) << " " << state;
    EXPECT_TRUE(rig.view->IsCommandEnabled(CommandId::FilePrintSetup));
  }
  rig.view->runStatus.runState = Running;
  rig.view->events.OnCommand(CommandId::FilePrint);
  EXPECT_EQ(printer.prints, 0) << "Ctrl+P during a run prints nothing";
  rig.view->runStatus.runState = Idle;
}

TEST(ReportPrinting, ExportPdfProposesTheDocumentsNameBesideIt) {
  EXPECT_EQ(ProposedPdfPath("/home/op/tests/EUT 12.plk", "/srv/old", "/home/op"),
            "/home/op/tests/EUT 12.pdf");
  EXPECT_EQ(ProposedPdfPath("/home/op/TEST.PLK", "", "/home/op"), "/home/op/TEST.pdf");
  // The extension is only "plk" without its dot: the name is kept whole.
  EXPECT_EQ(ProposedPdfPath("/home/op/testplk", "", "/home/op"), "/home/op/testplk.pdf");
  EXPECT_EQ(ProposedPdfPath("/home/op/.plk", "", "/home/op"), "/home/op/.plk.pdf");
  // Untitled: the folder last used for documents, else home.
  EXPECT_EQ(ProposedPdfPath("", "/srv/tests", "/home/op"), "/srv/tests/report.pdf");
  EXPECT_EQ(ProposedPdfPath("", "/srv/tests/", "/home/op"), "/srv/tests/report.pdf");
  EXPECT_EQ(ProposedPdfPath("", "", "/home/op"), "/home/op/report.pdf");
  // The run record: the journal's name, beside the document, else as above.
  EXPECT_EQ(ProposedRunRecordPath("20261211T040000Z_ab.jsonl", "/srv/t/a.plk", "/x", "/home/op"),
            "/srv/t/20261211T040000Z_ab.pdf");
  EXPECT_EQ(ProposedRunRecordPath("20261211T040000Z_ab.jsonl", "", "", "/home/op"),
            "/home/op/20261211T040000Z_ab.pdf");

  ReportRig rig;
  rig.StartUp();
  RecordingPrinter printer;
  rig.view->printer = &printer;
  std::string document;
  rig.view->report.documentPath = [&] { return document; };
  rig.view->report.lastDocumentFolder = [] { return std::string("/srv/tests"); };
  rig.view->report.homeFolder = "/home/op";
  rig.view->events.OnCommand(CommandId::ExportPdf);
  document = "/srv/tests/night run.plk";
  rig.view->events.OnCommand(CommandId::ExportPdf);
  EXPECT_EQ(printer.proposals,
            (std::vector<std::string>{"/srv/tests/report.pdf", "/srv/tests/night run.pdf"}));
}

}  // namespace
}  // namespace hvt
