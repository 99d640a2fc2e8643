#pragma once

#include <optional>

namespace hvt {

struct LockKeyState {
  bool caps = false;
  bool num = false;
  bool scroll = false;
  bool kana = false;
};

// The lock keys as the platform reports them: X11 through XKB's named
// indicators, Windows through the key state. Nothing where the platform
// cannot tell (offscreen, Wayland): the status bar then leaves the panes out.
std::optional<LockKeyState> ReadLockKeys();

}  // namespace hvt
