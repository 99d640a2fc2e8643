#pragma once

#include <cstddef>
#include <string>

#include "ports/ReportDialogControls.h"

namespace hvt {

// "Equipment name input": the simulator's model and serial number that the
// report prints. Works on its own copies; the caller takes them on OK.
class EquipmentNameInput {
 public:
  enum Control : int {
    kSerialEdit = 1010,
    kModelEdit = 1011,
    kTitle = 1169,
  };
  static constexpr size_t kTextLimit = 20;

  EquipmentNameInput(std::string serial, std::string model)
      : serial(std::move(serial)), model(std::move(model)) {}

  void OnInitDialog(ReportDialogControls& controls);
  void OnOK(ReportDialogControls& controls);

  std::string serial;
  std::string model;
};

// The text without white space (blank, tab, line breaks, form feed, vertical
// tab) at either end; white space inside stays.
std::string TrimWhiteSpace(const std::string& text);

}  // namespace hvt
