#include "run/ReportCommands.h"

#include "form/EquipmentNameInput.h"
#include "form/TestConditionsInput.h"
#include "model/Settings.h"
#include "run/CPELKView.h"

namespace hvt {

ReportCommands::ReportCommands(CPELKView& view) : view(view) {
  auto& handlers = view.events.commandHandlers;
  handlers[CommandId::EquipmentName] = [this] { OnEquipmentNameInput(); };
  handlers[CommandId::TestConditions] = [this] { OnTestConditions(); };
  handlers[CommandId::FilePrint] = [this] { OnFilePrint(); };
  handlers[CommandId::FilePrintPreview] = [this] { OnFilePrintPreview(); };
  handlers[CommandId::FilePrintSetup] = [this] { OnFilePrintSetup(); };
  handlers[CommandId::ExportPdf] = [this] { OnExportPdf(); };
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
  if (!view.dialogs->Run(dialog)) return;
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
  view.printer->ExportPdf(job);
}

}  // namespace hvt
