#pragma once

#include "model/StringTable.h"

namespace hvt {

// Japanese when the system's UI language is Japanese, else English.
Language SystemLanguage();

// Code page of the document texts for a language: 932 or 1252.
int CodePageFor(Language language);

}  // namespace hvt
