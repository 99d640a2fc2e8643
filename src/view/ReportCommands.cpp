#include "view/ReportCommands.h"

#include <cctype>

#include "form/EquipmentNameInput.h"
#include "form/TestConditionsInput.h"
#include "model/Settings.h"
#include "view/CPELKView.h"
#include "view/RunRecord.h"

namespace hvt {

namespace {

constexpr const char* kUntitledPdf = "report.pdf";

bool IsSeparator(char c) {
#ifdef _WIN32
  return c == '/' || c == '\\';
#else
  return c == '/';
#endif
}

std::string InFolder(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  return IsSeparator(folder.back()) ? folder + name : folder + "/" + name;
}

// Where the file name starts: after the last separator.
size_t NameStart(const std::string& path) {
  size_t at = path.size();
  while (at > 0 && !IsSeparator(path[at - 1])) --at;
  return at;
}

}  // namespace

std::string ProposedPdfPath(const std::string& documentPath, const std::string& lastFolder,
                            const std::string& home) {
  if (documentPath.empty()) return InFolder(lastFolder.empty() ? home : lastFolder, kUntitledPdf);
  const size_t nameStart = NameStart(documentPath);
  std::string stem = documentPath;
  // Documents end in "plk", mostly as ".plk", in any case.
  if (documentPath.size() - nameStart > 4) {
    std::string tail = documentPath.substr(documentPath.size() - 4);
    for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (tail == ".plk") stem.resize(stem.size() - 4);
  }
  return stem + ".pdf";
}

std::string ProposedRunRecordPath(const std::string& journalName, const std::string& documentPath,
                                  const std::string& lastFolder, const std::string& home) {
  std::string stem = journalName;
  if (stem.size() > 6 && stem.compare(stem.size() - 6, 6, ".jsonl") == 0)
    stem.resize(stem.size() - 6);
  const size_t nameStart = NameStart(documentPath);
  const std::string folder = nameStart > 0         ? documentPath.substr(0, nameStart)
                             : !lastFolder.empty() ? lastFolder
                                                   : home;
  return InFolder(folder, stem + ".pdf");
}

ReportCommands::ReportCommands(CPELKView& view) : view(view) {
  auto& handlers = view.events.commandHandlers;
  handlers[CommandId::EquipmentName] = [this] { OnEquipmentNameInput(); };
  handlers[CommandId::TestConditions] = [this] { OnTestConditions(); };
  handlers[CommandId::FilePrint] = [this] { OnFilePrint(); };
  handlers[CommandId::FilePrintPreview] = [this] { OnFilePrintPreview(); };
  handlers[CommandId::FilePrintSetup] = [this] { OnFilePrintSetup(); };
  handlers[CommandId::ExportPdf] = [this] { OnExportPdf(); };
  handlers[CommandId::ExportRunRecord] = [this] { OnExportRunRecord(); };
}

void ReportCommands::OnEquipmentNameInput() {
  CPELKDoc& doc = view.doc;
  EquipmentNameInput dialog(doc.printSerial, doc.printModel);
  if (!view.dialogs->Run(dialog)) return;
  doc.printSerial = dialog.serial;
  doc.printModel = dialog.model;
  // Written on every OK, changed or not; they belong to the PC, not to the
  // document, so the modified flag stays as it is.
  view.settings.WriteSetting("PRINT_ENV", "Model", doc.printModel);
  view.settings.WriteSetting("PRINT_ENV", "Serial", doc.printSerial);
}

void ReportCommands::OnTestConditions() {
  CPELKDoc& doc = view.doc;
  TestConditionsInput dialog;
  for (size_t k = 0; k < TestConditionsInput::kTextFields.size(); ++k) {
    dialog.*TestConditionsInput::kTextFields[k].member = doc.eutTexts[k];
  }
  dialog.deskTop = doc.eutDeskTop;
  dialog.floorStand = doc.eutFloorStand;
  dialog.handy = doc.eutHandy;
  const std::string required = RequiredCriterion(view.settings);
  dialog.requiredCriterion = required;
  if (!view.dialogs->Run(dialog)) return;
  // Written when it differs from what the file holds, a value the program
  // does not know included.
  if (dialog.requiredCriterion != view.settings.ReadSetting("Journal", "REQUIRED_CRITERION")) {
    view.settings.WriteSetting("Journal", "REQUIRED_CRITERION", dialog.requiredCriterion);
    // The next run's start and every mark from now on judge by it.
    if (JournalRecorder* recorder = view.journal())
      recorder->context.requiredCriterion = dialog.requiredCriterion;
  }
  for (size_t k = 0; k < TestConditionsInput::kTextFields.size(); ++k) {
    doc.eutTexts[k] = dialog.*TestConditionsInput::kTextFields[k].member;
  }
  doc.eutDeskTop = dialog.deskTop;
  doc.eutFloorStand = dialog.floorStand;
  doc.eutHandy = dialog.handy;
  // OK always counts as a change.
  doc.SetModifiedFlag(true);
}

ReportJob ReportCommands::OnPreparePrinting() { return ReportJob(view.doc, view.reportPageCount); }

void ReportCommands::OnFilePrint() {
  ReportJob job = OnPreparePrinting();
  view.printer->Print(job);
}

void ReportCommands::OnFilePrintPreview() {
  ReportJob job = OnPreparePrinting();
  view.printer->Preview(job);
}

void ReportCommands::OnFilePrintSetup() { view.printer->PrintSetup(); }

void ReportCommands::OnExportPdf() {
  ReportJob job = OnPreparePrinting();
  view.printer->ExportPdf(
      job, ProposedPdfPath(documentPath ? documentPath() : std::string(),
                           lastDocumentFolder ? lastDocumentFolder() : std::string(), homeFolder));
}

void ReportCommands::OnExportRunRecord() {
  JournalRecorder* recorder = view.journal();
  std::string bytes;
  const bool read = recorder && recorder->ReadLastJournal(bytes);
  // A broken chain is shown on the record itself, as hvtctl shows it.
  const journal::CheckResult check = journal::CheckJournal(read ? bytes : std::string());
  if (check.outcome == journal::CheckResult::Outcome::NotAJournal) {
    const std::string path = recorder ? recorder->LastJournalPath() : std::string();
    view.prompter.Ask(FormatText(LoadString(TextId::RunRecordUnreadable), path), Buttons::Ok,
                      MessageIcon::Warning, Owner::MainWindow);
    return;
  }
  const std::string path = view.printer->AskRunRecordPath(ProposedRunRecordPath(
      recorder->LastJournalName(), documentPath ? documentPath() : std::string(),
      lastDocumentFolder ? lastDocumentFolder() : std::string(), homeFolder));
  if (path.empty()) return;
  // A journal is only ever appended to: not even the save dialog's
  // "replace it?" may turn one into a PDF.
  if (journal::IsJournalPath(path)) {
    view.prompter.Ask(FormatText(LoadString(TextId::RunRecordOverJournal), path), Buttons::Ok,
                      MessageIcon::Warning, Owner::MainWindow);
    return;
  }
  view.printer->WriteRunRecord(DescribeJournal(check), path);
}

}  // namespace hvt
