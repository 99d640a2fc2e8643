#pragma once

#include <QRect>

namespace hvt {

// Layouts are kept in dialog units of the 9-point dialog font: four
// horizontal units to 6 pixels, eight vertical units to 13.
constexpr int DluX(int x) { return x * 6 / 4; }
constexpr int DluY(int y) { return y * 13 / 8; }
inline QRect DluRect(int x, int y, int w, int h) {
  return QRect(DluX(x), DluY(y), DluX(w), DluY(h));
}

}  // namespace hvt
