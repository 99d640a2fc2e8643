// Any byte stream given to the .plk loader must end in one of the load
// outcomes, never in a crash, an out-of-bounds read or a huge allocation.
// A document that loads must save, and what it saves must load back and save
// to the very same bytes: the writer's tidying is done once and for all.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
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
    const std::string saved = hvt::StoreDocument(doc);
    hvt::CPELKDoc reloaded = fresh;
    if (hvt::LoadDocument(reloaded, saved, hvt::Cp1252Codec::Instance()) !=
        hvt::LoadOutcome::Loaded) {
      std::fprintf(stderr, "a saved document does not load again\n");
      std::abort();
    }
    if (hvt::StoreDocument(reloaded) != saved) {
      std::fprintf(stderr, "a reloaded document saves to other bytes\n");
      std::abort();
    }
  }
  (void)hvt::PeekInjectionUnitType(bytes, hvt::Cp1252Codec::Instance());
  return 0;
}
