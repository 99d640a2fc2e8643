#include "model/DocumentOpen.h"

#include <cctype>
#include <cstdio>

#include "model/CPELKDoc.h"
#include "model/DocumentFile.h"
#include "model/StringTable.h"
#include "model/TextCodec.h"

namespace hvt {

bool HasPlkExtension(const std::string& path) {
  if (path.size() < 3) return false;
  std::string tail = path.substr(path.size() - 3);
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == "plk";
}

std::optional<TextId> RefusalMessage(OpenRefusal refusal) {
  switch (refusal) {
    case OpenRefusal::None:
      return std::nullopt;
    case OpenRefusal::WrongExtension:
      return TextId::NotPlkExtension;
    case OpenRefusal::NotADocument:
      return TextId::NotAPlkDocument;
    case OpenRefusal::OtherUnitType:
      return TextId::OtherInjectionUnitType;
    case OpenRefusal::UnexpectedEnd:
      return TextId::UnexpectedFileFormat;
  }
  return std::nullopt;
}

OpenRefusal OpenDocumentBytes(CPELKDoc& doc, const std::string& path, std::string_view bytes,
                              const TextCodec& codec, std::string* headerFound) {
  if (!HasPlkExtension(path)) return OpenRefusal::WrongExtension;
  if (bytes.empty()) return OpenRefusal::None;
  CPELKDoc loaded = doc;
  switch (LoadDocument(loaded, bytes, codec, headerFound)) {
    case LoadOutcome::Loaded:
      break;
    case LoadOutcome::HeaderDiffers:
      return OpenRefusal::NotADocument;
    case LoadOutcome::TypeDiffers:
      return OpenRefusal::OtherUnitType;
    case LoadOutcome::UnexpectedEnd:
      return OpenRefusal::UnexpectedEnd;
  }
  loaded.loadStatus = 0;
  doc = loaded;
  return OpenRefusal::None;
}

namespace {

constexpr size_t kQuotedLength = 60;

std::string Escaped(std::string_view text, bool keepHighBytes) {
  std::string out;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F || (byte >= 0x80 && !keepHighBytes)) {
      char escape[8];
      std::snprintf(escape, sizeof escape, "\\x%02X", byte);
      out += escape;
    } else {
      out += c;
    }
  }
  return out;
}

}  // namespace

std::string QuotedHeader(const std::string& header, const TextCodec& codec) {
  const std::optional<std::string> utf8 = codec.ToUtf8(header);
  if (!utf8) {
    // Not text in this code page (a foreign binary file): bytes, not characters.
    const bool cut = header.size() > kQuotedLength;
    return Escaped(std::string_view(header).substr(0, kQuotedLength), false) + (cut ? "..." : "");
  }
  // Cut between characters, never inside a double-byte one.
  size_t characters = 0;
  size_t end = 0;
  while (end < utf8->size() && characters < kQuotedLength) {
    ++end;
    while (end < utf8->size() && (static_cast<unsigned char>((*utf8)[end]) & 0xC0) == 0x80) ++end;
    ++characters;
  }
  const bool cut = end < utf8->size();
  const std::string kept = codec.FromUtf8(utf8->substr(0, end)).value_or(header);
  return Escaped(kept, true) + (cut ? "..." : "");
}

std::string RefusalText(OpenRefusal refusal, const std::string& path, size_t fileSize,
                        const std::string& headerFound, const TextCodec& codec) {
  const std::optional<TextId> message = RefusalMessage(refusal);
  if (!message) return {};
  const TextId id = *message;
  switch (refusal) {
    case OpenRefusal::UnexpectedEnd:
      return LoadString(id) + "\n" + path + ": " +
             FormatText(LoadString(TextId::FileEndsAt), std::to_string(fileSize));
    case OpenRefusal::NotADocument:
      return FormatText(LoadString(id), path) + "\n" +
             FormatText(LoadString(TextId::HeaderReads), QuotedHeader(headerFound, codec));
    default:
      return FormatText(LoadString(id), path);
  }
}

bool AdaptToInstrument(CPELKDoc& doc) {
  bool adapted = false;
  for (UnitRecord& u : doc.units) {
    if (u.variable < doc.minVariable || u.variableStop < doc.minVariable) {
      u.variable = doc.minVariable;
      u.variableStop = doc.minVariable + 1;
      adapted = true;
    }
    const int limit = doc.VoltageLimit(u.terminator);
    if (u.voltage > limit || u.voltageStop > limit) {
      u.voltage = 1;
      u.voltageStop = 2;
      u.voltageStep = 1;
      adapted = true;
    }
  }
  return adapted;
}

}  // namespace hvt
