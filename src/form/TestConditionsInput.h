#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "ports/ReportDialogControls.h"

namespace hvt {

// "Test conditions": the equipment under test and its environment as the
// report prints them. Works on its own copies; the caller takes them on OK.
class TestConditionsInput {
 public:
  struct TextField {
    std::string TestConditionsInput::*member;
    int control;
    size_t limit;
  };
  struct CheckField {
    int32_t TestConditionsInput::*member;
    int control;
  };
  // In the order of the document's eutTexts.
  static const std::array<TextField, 9> kTextFields;
  // Desk Top, Floor Stand, Handy: independent boxes, any combination.
  static const std::array<CheckField, 3> kCheckFields;
  static constexpr int kClearButton = 1265;
  // The performance criterion the test requires: none, A, B, C or D.
  static constexpr int kRequiredCriterion = 1280;

  void OnInitDialog(ReportDialogControls& controls);
  void OnOK(ReportDialogControls& controls);
  // Empties the boxes only; the members change on OK.
  void OnClear(ReportDialogControls& controls);

  std::string description;
  std::string modelNo;
  std::string serialNo;
  std::string temperatureFrom;
  std::string temperatureTo;
  std::string humidityFrom;
  std::string humidityTo;
  std::string pressureFrom;
  std::string pressureTo;
  int32_t deskTop = 0;
  int32_t floorStand = 0;
  int32_t handy = 0;
  // "" for none, else "A".."D". It belongs to the bench, not to the
  // document: the caller keeps it in the settings file.
  std::string requiredCriterion;
};

}  // namespace hvt
