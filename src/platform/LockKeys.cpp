#include "platform/LockKeys.h"

#include <QGuiApplication>

#if defined(_WIN32)
#include <windows.h>
#elif defined(HVT_HAVE_X11)
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

namespace hvt {

#if defined(_WIN32)

std::optional<LockKeyState> ReadLockKeys() {
  const auto on = [](int key) { return (GetKeyState(key) & 1) != 0; };
  return LockKeyState{on(VK_CAPITAL), on(VK_NUMLOCK), on(VK_SCROLL), on(VK_KANA)};
}

#elif defined(HVT_HAVE_X11)

namespace {

// An indicator the keyboard map names; false when it has none of that name.
bool Indicator(Display* display, const char* name) {
  const Atom atom = XInternAtom(display, name, True);
  if (atom == None) return false;
  Bool state = False;
  if (!XkbGetNamedIndicator(display, atom, nullptr, &state, nullptr, nullptr)) return false;
  return state != False;
}

}  // namespace

std::optional<LockKeyState> ReadLockKeys() {
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return std::nullopt;
  return LockKeyState{Indicator(display, "Caps Lock"), Indicator(display, "Num Lock"),
                      Indicator(display, "Scroll Lock"), Indicator(display, "Kana")};
}

#else

std::optional<LockKeyState> ReadLockKeys() { return std::nullopt; }

#endif

}  // namespace hvt
