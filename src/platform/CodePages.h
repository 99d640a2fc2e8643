#pragma once

#include <memory>

#include "model/TextCodec.h"

namespace hvt {

// The codec of a Windows code page: 1252 (Western) or 932 (Japanese
// Shift-JIS). nullptr for any other code page.
std::unique_ptr<TextCodec> MakeCodec(int codePage);

}  // namespace hvt
