#include "form/FormTables.h"

#include <algorithm>

#include "model/StringTable.h"

namespace hvt::form {

namespace {
using C = ControlId;
constexpr Rgb kRed{255, 0, 0};
constexpr Rgb kDarkBlue{0, 0, 150};
constexpr Rgb kBlack{0, 0, 0};
}  // namespace

std::vector<std::string> PolarityItems() {
  return {LoadString(TextId::Plus), LoadString(TextId::Minus)};
}

std::vector<std::string> TabNames() {
  return {LoadString(TextId::TabManual), LoadString(TextId::TabSweep)};
}

const std::vector<SpinAcceleration>& AccelerationSteps() {
  static const std::vector<SpinAcceleration> steps{{0, 1}, {2, 10}, {3, 100}, {4, 1000}};
  return steps;
}

std::vector<SpinSetUp> SpinSetUps(int voltageLimit) {
  return {
      {C::VoltageSpin, 1, voltageLimit, true}, {C::VoltageStopSpin, 1, voltageLimit, true},
      {C::VoltageStepSpin, 1, 410, true},      {C::InjectionTimeSpin, 1, 9999, true},
      {C::IntervalTimeSpin, 0, 999, true},     {C::ProgramTimesSpin, 1, 999, false},
  };
}

const std::vector<ToolTip>& ToolTips() {
  static const std::vector<ToolTip> tips{
      {C::TestMemoButton, TextId::TestMemoCaption},
      {C::ProgramMemoButton, TextId::ProgramMemoCaption},
      {C::UnitNameEditButton, TextId::UnitNameCaption},
      {C::ProgramNameEditButton, TextId::ProgramNameCaption},
      {C::Start, TextId::Start},
      {C::Stop, TextId::Stop},
      {C::Pause, TextId::Pause},
      {C::Line, TextId::LineLabel},
      {C::OneShotMode, TextId::OneShotMode},
      {C::Trigger, TextId::Trigger},
      {C::InjectionTimeEdit, TextId::InjectionTimeHint},
      {C::IntervalTimeEdit, TextId::IntervalTimeHint},
      {C::ProgramTimesEdit, TextId::TimesHint},
  };
  return tips;
}

const std::vector<FontSpec>& Fonts() {
  static const std::vector<FontSpec> fonts{
      {"list", 14, 400, false, true, TextId::FixedFace, {C::ProgramList}},
      {"label",
       19,
       700,
       false,
       true,
       TextId::FixedFace,
       {Offset(C::SequenceValue0, 0), Offset(C::SequenceValue0, 1), Offset(C::SequenceValue0, 2),
        Offset(C::SequenceValue0, 3), Offset(C::SequenceValue0, 4), Offset(C::SequenceValue0, 5),
        C::UnitName, C::ProgramName}},
      {"demo", 30, 400, false, true, TextId::FixedFace, {C::DemoLabel}},
      {"pulse", 22, 700, true, false, TextId::SerifFace, {C::PulseLabel}},
  };
  return fonts;
}

const std::vector<ColourRule>& Colours() {
  static const std::vector<ColourRule> rules{
      {{Offset(C::SequenceValue0, 0), Offset(C::SequenceValue0, 1), Offset(C::SequenceValue0, 2),
        Offset(C::SequenceValue0, 3), Offset(C::SequenceValue0, 4), Offset(C::SequenceValue0, 5)},
       false,
       kRed,
       std::nullopt,
       true},
      {{Offset(C::SequenceText0, 0), Offset(C::SequenceText0, 1), Offset(C::SequenceText0, 2),
        Offset(C::SequenceText0, 3), Offset(C::SequenceText0, 4), Offset(C::SequenceText0, 5)},
       false,
       kDarkBlue,
       std::nullopt,
       false},
      {{C::DemoLabel}, false, Rgb{0, 100, 255}, std::nullopt, false},
      {{C::PulseLabel}, false, kRed, std::nullopt, false},
      {{Offset(C::SequenceCombo0, 0), Offset(C::SequenceCombo0, 1), Offset(C::SequenceCombo0, 2),
        Offset(C::SequenceCombo0, 3), Offset(C::SequenceCombo0, 4), Offset(C::SequenceCombo0, 5)},
       false,
       kDarkBlue,
       std::nullopt,
       false},
      {{C::InjectionTimeEdit, C::IntervalTimeEdit}, true, kRed, kBlack, false},
  };
  return rules;
}

ProgramListLook ProgramListStyle() {
  return {Rgb{0, 255, 0}, kBlack, 10, 24, LoadString(TextId::NoStep)};
}

const std::vector<ButtonIcon>& ButtonIcons() {
  static const std::vector<ButtonIcon> icons{
      {C::TestMemoButton, 134, 16},
      {C::UnitNameEditButton, 152, 16},
      {C::ProgramMemoButton, 151, 16},
      {C::ProgramNameEditButton, 153, 16},
      {C::UnitUpButton, 161, 12},
      {C::ProgramUpButton, 161, 12},
      {C::UnitDownButton, 162, 12},
      {C::ProgramDownButton, 162, 12},
      {C::Start, 136, 32},
      {C::Stop, 144, 32},
      {C::Pause, 147, 32},
      {C::Line, 172, 32},
      {C::OneShotMode, 170, 32},
      {C::Trigger, 163, 32},
  };
  return icons;
}

const std::vector<ControlId>& ImeOffEdits() {
  static const std::vector<ControlId> edits{
      C::VoltageEdit,     C::VoltageStopEdit, C::VoltageStepEdit,   C::TriggerEdit,
      C::TriggerStopEdit, C::TriggerStepEdit, C::InjectionTimeEdit, C::IntervalTimeEdit,
  };
  return edits;
}

const std::vector<ControlId>& HiddenControls() {
  static const std::vector<ControlId> hidden{
      C::PolaritySweepCheck, C::PolarityStopCombo, C::WidthSweepCheck,
      C::WidthStopCombo,     C::WidthStopUnit,     C::InjectionSweepCheck,
      C::InjectionStopCombo, C::ReturnSweepCheck,  C::ReturnStopCombo,
  };
  return hidden;
}

bool IsHiddenControl(ControlId id) {
  const auto& hidden = HiddenControls();
  return std::find(hidden.begin(), hidden.end(), id) != hidden.end();
}

}  // namespace hvt::form
