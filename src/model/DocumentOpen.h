#pragma once

#include <string>

namespace hvt {

class CPELKDoc;

// Only the last three characters count, in any case: "TEST.PLK" and
// "testplk" pass.
bool HasPlkExtension(const std::string& path);

// Fits the units of a document saved with another model to the connected
// instrument: a Variable period below its minimum becomes the minimum (stop
// one above), a voltage above the terminator's limit becomes 0.01 kV (stop
// 0.02, step 0.01). True when any unit was changed.
bool AdaptToInstrument(CPELKDoc& doc);

}  // namespace hvt
