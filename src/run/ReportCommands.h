#pragma once

#include "report/ReportJob.h"

namespace hvt {

class CPELKView;

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

 private:
  CPELKView& view;
};

}  // namespace hvt
