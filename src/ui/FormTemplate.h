#pragma once

#include <span>

namespace hvt {

// The kinds of widget the form is made of.
enum class ControlKind {
  Static,        // a text label
  ValueDisplay,  // a sequence row's present value: label font, red on black
  Edit,
  ReadOnlyEdit,
  Spin,  // up/down arrows of the edit to its left
  Combo,
  Check,
  Radio,
  PushButton,
  IconButton,  // a small or large button showing only an icon
  PushCheck,   // a button that stays pressed (LINE, 1SHOT MODE)
  Group,
  Tab,
  StepList,   // the program's steps as a row of cells
  UnitTable,  // the overview of all units during a program run
  Rule,       // a separator line or an arrow's stroke
  Bitmap,     // the run lamp
};

// One control of the form: its ID, kind, template text and rectangle in
// dialog units. Hidden controls are created invisible and never shown.
struct ControlTemplate {
  int id;  // 0 for decoration nobody addresses
  ControlKind kind;
  const char* text;
  int x, y, w, h;
  bool hidden = false;
};

// The condition form, 532 x 341 dialog units.
std::span<const ControlTemplate> FormTemplate();
inline constexpr int kFormWidthDlu = 532;
inline constexpr int kFormHeightDlu = 341;

}  // namespace hvt
