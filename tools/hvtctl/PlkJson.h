#pragma once

#include <nlohmann/json.hpp>
#include <string>

#include "model/CPELKDoc.h"

namespace hvt {

class TextCodec;

// JSON of every field a .plk file stores, keyed by field name. Texts are
// converted from the code page to UTF-8; a text that is not valid in the
// code page is written as {"hex": "..."} so that no byte is lost.
nlohmann::ordered_json DocumentToJson(const CPELKDoc& doc, const TextCodec& codec);

// Fills the stored fields of doc from JSON made by DocumentToJson. Keys that
// are missing keep the document's values; unknown keys, wrong types, values
// out of range and texts the code page cannot hold are errors.
bool DocumentFromJson(const nlohmann::ordered_json& json, const TextCodec& codec, CPELKDoc& doc,
                      std::string& error);

}  // namespace hvt
