#include "model/DocumentOpen.h"

#include <cctype>

#include "model/CPELKDoc.h"
#include "model/DocumentFile.h"

namespace hvt {

bool HasPlkExtension(const std::string& path) {
  if (path.size() < 3) return false;
  std::string tail = path.substr(path.size() - 3);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == "plk";
}

int RefusalMessage(OpenRefusal refusal) {
  switch (refusal) {
    case OpenRefusal::None:
      return 0;
    case OpenRefusal::WrongExtension:
      return 4001;
    case OpenRefusal::NotADocument:
      return 4002;
    case OpenRefusal::OtherUnitType:
      return 4003;
    case OpenRefusal::UnexpectedEnd:
      return 61728;
  }
  return 0;
}

OpenRefusal OpenDocumentBytes(CPELKDoc& doc, const std::string& path, std::string_view bytes,
                              const TextCodec& codec) {
  if (!HasPlkExtension(path)) return OpenRefusal::WrongExtension;
  if (bytes.empty()) return OpenRefusal::None;
  CPELKDoc loaded = doc;
  switch (LoadDocument(loaded, bytes, codec)) {
    case LoadOutcome::Loaded:
      break;
    case LoadOutcome::HeaderDiffers:
      return OpenRefusal::NotADocument;
    case LoadOutcome::TypeDiffers:
      return OpenRefusal::OtherUnitType;
    case LoadOutcome::UnexpectedEnd:
      return OpenRefusal::UnexpectedEnd;
  }
  loaded.loadStatus = 0;
  doc = loaded;
  return OpenRefusal::None;
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
