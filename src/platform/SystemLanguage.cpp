#include "platform/SystemLanguage.h"

#include <QLocale>

namespace hvt {

Language SystemLanguage() {
  return QLocale::system().language() == QLocale::Japanese ? Language::Japanese : Language::English;
}

int CodePageFor(Language language) { return language == Language::Japanese ? 932 : 1252; }

}  // namespace hvt
