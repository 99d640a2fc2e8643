#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/CPELKDoc.h"

namespace hvt {

class TextCodec;

// Size of a .plk file of a new document.
inline constexpr size_t kNewDocumentFileSize = 18385;

enum class LoadOutcome {
  Loaded,
  TypeDiffers,    // loadStatus 1, nothing after the type was read
  HeaderDiffers,  // loadStatus 2, nothing after the header was read
  UnexpectedEnd,  // the file ended early; fields read before the end keep their new values
};

// Stores the document as a .plk byte stream. The store-time rules (clamped
// voltages, phases and times, zero steps replaced, times at least 1) are
// applied to the document itself while writing, in file order.
std::string StoreDocument(CPELKDoc& doc);

// Loads a .plk byte stream into the document. Nothing is validated; fields
// the file does not hold keep their values. A header that is not ours is
// given to headerFound when asked for.
LoadOutcome LoadDocument(CPELKDoc& doc, std::string_view bytes, const TextCodec& codec,
                         std::string* headerFound = nullptr);

}  // namespace hvt

namespace hvt {

// The injection unit type stored in a .plk stream, or nullopt when the
// stream is too short or its header is not this program's.
std::optional<int32_t> PeekInjectionUnitType(std::string_view bytes, const TextCodec& codec);

}  // namespace hvt
