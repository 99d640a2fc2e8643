#pragma once

#include <functional>
#include <optional>
#include <string_view>

#include "model/StringTable.h"

namespace hvt {

// The language the program speaks: HVT_LANGUAGE ("en" or "ja") when set,
// else the user's UI language on Windows, else the POSIX locale of messages
// (LC_ALL, then LC_MESSAGES, then LANG). Japanese for a Japanese locale,
// English for everything else.
Language SystemLanguage();

// "en", "ja" (also "english", "japanese", any case) as a language; nullopt
// for anything else.
std::optional<Language> ParseLanguage(std::string_view name);

// The POSIX rule of SystemLanguage on an environment given as a lookup
// (nullptr for an unset variable), so that it can be checked without
// changing the process's environment.
Language LanguageFromEnvironment(const std::function<const char*(const char*)>& getenv);

// Code page of the document texts for a language: 932 or 1252.
int CodePageFor(Language language);

// Makes the program speak `language`: its string tables, and Qt's own
// dialogs and buttons through Qt's translations when they are installed.
// Call once the application object exists. Returns false when Qt's Japanese
// translation was wanted but not found (the program's own texts are
// Japanese all the same).
bool ApplyLanguage(Language language);

// Font names the string tables give (the Windows faces) mapped to the faces
// this system has, for widgets as well as the report.
void RegisterFontStandIns();

}  // namespace hvt
