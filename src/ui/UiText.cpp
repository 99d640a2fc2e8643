#include "ui/UiText.h"

#include "model/StringTable.h"
#include "platform/CodePages.h"
#include "platform/SystemLanguage.h"

namespace hvt {

QString UiBytes(const std::string& bytes) {
  static const auto english = MakeCodec(1252);
  static const auto japanese = MakeCodec(932);
  const auto& codec = StringTable::CurrentLanguage() == Language::Japanese ? japanese : english;
  if (auto utf8 = codec->ToUtf8(bytes)) return QString::fromStdString(*utf8);
  return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString UiText(TextId id) { return UiBytes(LoadString(id)); }

QString UiText(TextId id, const QString& argument) {
  QString text = UiText(id);
  const qsizetype at = text.indexOf(QLatin1String("%s"));
  if (at >= 0) text.replace(at, 2, argument);
  return text;
}

}  // namespace hvt
