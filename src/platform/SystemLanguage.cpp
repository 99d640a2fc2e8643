#include "platform/SystemLanguage.h"

#include <QCoreApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

namespace hvt {

namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return out;
}

// A locale name such as "ja_JP.UTF-8", "ja_JP.eucJP", "ja" or "ja_JP@x".
bool IsJapaneseLocale(std::string_view name) {
  const std::string lower = Lower(name);
  return lower == "ja" || lower.starts_with("ja_") || lower.starts_with("ja.") ||
         lower.starts_with("ja@") || lower == "japanese" || lower.starts_with("japanese_");
}

}  // namespace

std::optional<Language> ParseLanguage(std::string_view name) {
  const std::string lower = Lower(name);
  if (lower == "en" || lower == "english") return Language::English;
  if (lower == "ja" || lower == "japanese") return Language::Japanese;
  return std::nullopt;
}

Language LanguageFromEnvironment(const std::function<const char*(const char*)>& getenv) {
  if (const char* forced = getenv("HVT_LANGUAGE"); forced && *forced) {
    if (auto language = ParseLanguage(forced)) return *language;
  }
  // The first of these that is set and not empty decides, as in setlocale.
  for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = getenv(name);
    if (value && *value) return IsJapaneseLocale(value) ? Language::Japanese : Language::English;
  }
  return Language::English;
}

Language SystemLanguage() {
#ifdef _WIN32
  if (const char* forced = std::getenv("HVT_LANGUAGE"); forced && *forced) {
    if (auto language = ParseLanguage(forced)) return *language;
  }
  return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::Japanese
                                                                    : Language::English;
#else
  return LanguageFromEnvironment([](const char* name) { return std::getenv(name); });
#endif
}

int CodePageFor(Language language) { return language == Language::Japanese ? 932 : 1252; }

bool ApplyLanguage(Language language) {
  StringTable::SetLanguage(language);
  static QTranslator* installed = nullptr;
  if (installed) {
    QCoreApplication::removeTranslator(installed);
    delete installed;
    installed = nullptr;
  }
  static bool localeSet = false;
  if (language != Language::Japanese) {
    if (localeSet) QLocale::setDefault(QLocale::system());
    localeSet = false;
    return true;
  }
  // Qt's dialogs (file, print, message box buttons) read the default locale
  // for their own formats as well.
  QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
  localeSet = true;
  auto* translator = new QTranslator(QCoreApplication::instance());
  if (!translator->load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  QCoreApplication::installTranslator(translator);
  installed = translator;
  return true;
}

void RegisterFontStandIns() {
  // The Japanese table names Windows' faces: a fixed-pitch Gothic (1001), a
  // proportional Gothic (1002) and a proportional Mincho (1003). Noto CJK
  // (fonts-noto-cjk) stands in, with the other CJK faces fontconfig may
  // know as further choices.
  const QString gothic = QString::fromUtf8(
      "\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF");
  const QString pGothic = QString::fromUtf8(
      "\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF");
  const QString pMincho =
      QString::fromUtf8("\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE6\x98\x8E\xE6\x9C\x9D");
  const QStringList mono{QStringLiteral("Noto Sans Mono CJK JP"),
                         QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAGothic"),
                         QStringLiteral("VL Gothic")};
  const QStringList sans{QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic"),
                         QStringLiteral("VL PGothic")};
  const QStringList serif{QStringLiteral("Noto Serif CJK JP"), QStringLiteral("IPAPMincho"),
                          QStringLiteral("Noto Sans CJK JP")};
  for (const QString& name : {gothic, QStringLiteral("MS Gothic")})
    QFont::insertSubstitutions(name, mono);
  for (const QString& name : {pGothic, QStringLiteral("MS PGothic")})
    QFont::insertSubstitutions(name, sans);
  for (const QString& name : {pMincho, QStringLiteral("MS PMincho")})
    QFont::insertSubstitutions(name, serif);
}

}  // namespace hvt
