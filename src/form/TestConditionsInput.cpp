#include "form/TestConditionsInput.h"

#include "model/StringTable.h"

namespace hvt {

const std::array<TestConditionsInput::TextField, 9> TestConditionsInput::kTextFields{{
    {&TestConditionsInput::description, 1238, 70},
    {&TestConditionsInput::modelNo, 1239, 50},
    {&TestConditionsInput::serialNo, 1240, 50},
    {&TestConditionsInput::temperatureFrom, 1247, 10},
    {&TestConditionsInput::temperatureTo, 1056, 10},
    {&TestConditionsInput::humidityFrom, 1015, 10},
    {&TestConditionsInput::humidityTo, 1016, 10},
    {&TestConditionsInput::pressureFrom, 1241, 10},
    {&TestConditionsInput::pressureTo, 1011, 10},
}};

const std::array<TestConditionsInput::CheckField, 3> TestConditionsInput::kCheckFields{{
    {&TestConditionsInput::deskTop, 1272},
    {&TestConditionsInput::floorStand, 1273},
    {&TestConditionsInput::handy, 1274},
}};

void TestConditionsInput::OnInitDialog(ReportDialogControls& controls) {
  // Texts first, limits after: a longer stored text stays whole.
  for (const TextField& f : kTextFields) controls.SetText(f.control, this->*f.member);
  for (const TextField& f : kTextFields) controls.LimitText(f.control, f.limit);
  for (const CheckField& f : kCheckFields) controls.Check(f.control, this->*f.member != 0);
  const bool letter =
      requiredCriterion.size() == 1 && requiredCriterion[0] >= 'A' && requiredCriterion[0] <= 'D';
  controls.SetChoices(kRequiredCriterion,
                      {LoadString(TextId::RequiredCriterionNone), "A", "B", "C", "D"},
                      letter ? requiredCriterion[0] - 'A' + 1 : 0);
}

void TestConditionsInput::OnOK(ReportDialogControls& controls) {
  // As typed: no trimming here, unlike the equipment name.
  for (const TextField& f : kTextFields) this->*f.member = controls.Text(f.control);
  for (const CheckField& f : kCheckFields) this->*f.member = controls.IsChecked(f.control) ? 1 : 0;
  const int chosen = controls.Choice(kRequiredCriterion);
  requiredCriterion = chosen >= 1 && chosen <= 4
                          ? std::string(1, static_cast<char>('A' + chosen - 1))
                          : std::string();
}

void TestConditionsInput::OnClear(ReportDialogControls& controls) {
  for (const TextField& f : kTextFields) controls.SetText(f.control, "");
  for (const CheckField& f : kCheckFields) controls.Check(f.control, false);
}

}  // namespace hvt
