#pragma once

#include <optional>

#include "ports/ControlId.h"

namespace hvt {

// Raw keyboard and mouse input as the form's widgets see it, before any
// control handles it. The core decides whether it goes on (Pass) or is
// consumed (Swallow); the widget layer only translates and obeys.
enum class Disposition { Pass, Swallow };

enum class Key { Enter, Escape, Space, Tab, F8, Other };

struct KeyEvent {
  enum class Kind { Down, Up, SystemDown };  // SystemDown: Alt combinations, Alt+F4
  Kind kind = Kind::Down;
  Key key = Key::Other;
  bool ctrl = false;
  bool shift = false;
  bool alt = false;
  bool autoRepeat = false;
  std::optional<ControlId> focused;  // the control holding the focus, if it is one of the form's
};

struct FormPoint {
  int x = 0;
  int y = 0;
};

struct MouseEvent {
  enum class Kind { Down, DoubleClick, Move };
  enum class Button { None, Left, Right };
  Kind kind = Kind::Move;
  Button button = Button::None;
  std::optional<ControlId> control;  // the form's control under the point, if any
  FormPoint point;                   // in the form's coordinates
  // A pressed control holds the mouse: the move is that control's, even
  // where the point lies outside it.
  bool captured = false;
};

}  // namespace hvt
