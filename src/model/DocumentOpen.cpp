#include "model/DocumentOpen.h"

#include <cctype>

#include "model/CPELKDoc.h"

namespace hvt {

bool HasPlkExtension(const std::string& path) {
  if (path.size() < 3) return false;
  std::string tail = path.substr(path.size() - 3);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == "plk";
}

bool AdaptToInstrument(CPELKDoc& doc) {
  bool adapted = false;
  for (UnitRecord& u : doc.units) {
    if (u.variable < doc.minVariable || u.variableStop < doc.minVariable) {
      u.variable = doc.minVariable;
      u.variableStop = doc.minVariable + 1;
      adapted = true;
    }
    const int limit = doc.VoltageLimit(u.terminator);
    if (u.voltage > limit || u.voltageStop > limit) {
      u.voltage = 1;
      u.voltageStop = 2;
      u.voltageStep = 1;
      adapted = true;
    }
  }
  return adapted;
}

}  // namespace hvt
