#pragma once

#include <optional>
#include <string>
#include <vector>

#include "model/TextId.h"
#include "ports/ControlId.h"

namespace hvt::form {

// The condition form's fixed data. The widgets read these tables; no widget
// code carries its own copy of a text, range, font or colour.

struct Rgb {
  int r = 0;
  int g = 0;
  int b = 0;
  bool operator==(const Rgb&) const = default;
};

// Combo contents that do not depend on the instrument.
std::vector<std::string> PolarityItems();  // "+", "-"
// Tab pages by index: "MANUAL", "SWEEP".
std::vector<std::string> TabNames();

// Spin acceleration: after `seconds` of holding, each step moves by `step`.
struct SpinAcceleration {
  int seconds;
  int step;
};
const std::vector<SpinAcceleration>& AccelerationSteps();

struct SpinSetUp {
  ControlId spin;
  int low;
  int high;
  bool accelerated;
};
// Ranges given at set-up; the voltage spins take the current voltage limit.
std::vector<SpinSetUp> SpinSetUps(int voltageLimit);

// Fixed tooltips (the range tooltips of the voltage and trigger boxes
// change with the unit and are set by the parameter entry).
struct ToolTip {
  ControlId control;
  TextId textId;
};
const std::vector<ToolTip>& ToolTips();
inline constexpr int kToolTipMaxWidth = 200;

struct FontSpec {
  const char* role;
  int heightPx;
  int weight;
  bool italic;
  bool fixedPitch;  // fixed pitch, modern family; else variable pitch, roman
  TextId faceId;    // the face name
  std::vector<ControlId> controls;
};
const std::vector<FontSpec>& Fonts();

struct ColourRule {
  std::vector<ControlId> controls;
  bool onlyDuringRun;  // applies while a run is active (run state 2 or above)
  Rgb text;
  std::optional<Rgb> background;  // none: the default background
  bool transparent;               // text drawn over the black brush without a background
};
const std::vector<ColourRule>& Colours();

// The program list's look.
struct ProgramListLook {
  Rgb text;
  Rgb background;
  int hoverMs;
  int columnWidth;
  std::string emptyItem;
};
ProgramListLook ProgramListStyle();

// Icons on buttons, by resource number, with their size in pixels.
struct ButtonIcon {
  ControlId button;
  int resource;
  int size;  // square, except the 12 x 13 step buttons (size 12)
};
const std::vector<ButtonIcon>& ButtonIcons();

// Edit boxes whose input method is switched off (numeric fields).
const std::vector<ControlId>& ImeOffEdits();
// Controls created invisible and never shown.
const std::vector<ControlId>& HiddenControls();
bool IsHiddenControl(ControlId id);

}  // namespace hvt::form
