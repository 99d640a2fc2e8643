#pragma once

#include <functional>
#include <string>

#include "report/ReportJob.h"

namespace hvt {

class CPELKView;

// Where Export PDF proposes to write (paths UTF-8): beside the document,
// under its name with ".pdf"; for an untitled document "report.pdf" in the
// folder last used for documents, else in the home folder.
std::string ProposedPdfPath(const std::string& documentPath, const std::string& lastFolder,
                            const std::string& home);

// Where the run record proposes to write: the journal's name with ".pdf",
// in the document's folder, else the folder last used, else home.
std::string ProposedRunRecordPath(const std::string& journalName, const std::string& documentPath,
                                  const std::string& lastFolder, const std::string& home);

// The report's commands on the view: the two set-up dialogs of the Option
// menu and the File menu's Print, Print Preview, Print Setup and Export PDF.
// The constructor hooks them into the view's command handlers.
class ReportCommands {
 public:
  explicit ReportCommands(CPELKView& view);

  void OnEquipmentNameInput();
  void OnTestConditions();
  // Fixes the page count of a new job in the view's reportPageCount.
  ReportJob OnPreparePrinting();
  void OnFilePrint();
  void OnFilePrintPreview();
  void OnFilePrintSetup();
  void OnExportPdf();
  // The last run's journal, checked, as the run record PDF.
  void OnExportRunRecord();

  // The document's path ("" while untitled), the folder last used for
  // documents ("" when none is known) and the home folder, for the
  // proposed PDF name; the program sets them.
  std::function<std::string()> documentPath;
  std::function<std::string()> lastDocumentFolder;
  std::string homeFolder;

 private:
  CPELKView& view;
};

}  // namespace hvt
