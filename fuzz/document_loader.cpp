// Any byte stream given to the .plk loader must end in one of the load
// outcomes, never in a crash, an out-of-bounds read or a huge allocation.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "model/DocumentFile.h"
#include "model/TextCodec.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const hvt::CPELKDoc fresh = [] {
    hvt::CPELKDoc doc;
    doc.InitNewDocument();
    return doc;
  }();
  hvt::CPELKDoc doc = fresh;
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  const auto outcome = hvt::LoadDocument(doc, bytes, hvt::Cp1252Codec::Instance());
  if (outcome == hvt::LoadOutcome::Loaded) {
    // What loads must store again without trouble.
    (void)hvt::StoreDocument(doc);
  }
  (void)hvt::PeekInjectionUnitType(bytes, hvt::Cp1252Codec::Instance());
  return 0;
}
