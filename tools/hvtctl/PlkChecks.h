#pragma once

#include <string>
#include <vector>

#include "hvtctl/PlkJson.h"
#include "model/CPELKDoc.h"

namespace hvt {

// Text lengths the desktop program lets one type, in code page bytes.
inline constexpr size_t kNameBytes = 20;
inline constexpr size_t kMemoBytes = 1024;

// Every value of the document that no instrument accepts or the desktop
// program would never let one enter, as "JSON.path: value and limit", in
// document order. Values that saving corrects (a voltage of 0, a negative
// phase, Program Times 0, ...) are not errors. Voltages are held against a
// 4.10 kV instrument: 8.00 kV into an open terminator, 3.96 kV into 50 ohm
// and 4.10 kV otherwise.
std::vector<std::string> CheckDocument(const CPELKDoc& doc, const JsonShape& shape);

}  // namespace hvt
