#include "journal/Json.h"

#include <charconv>
#include <cmath>
#include <system_error>
#include <unordered_map>

namespace hvt::journal {

namespace {

// Length of the well-formed UTF-8 sequence starting at s[i], or 0 if there is
// none (stray continuation byte, overlong form, surrogate, above U+10FFFF or
// cut short).
size_t Utf8SequenceLength(std::string_view s, size_t i) {
  const auto byte = [&](size_t k) { return static_cast<unsigned char>(s[k]); };
  const unsigned char lead = byte(i);
  if (lead < 0x80) return 1;

  size_t length = 0;
  unsigned char secondMin = 0x80;
  unsigned char secondMax = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) secondMin = 0xA0;  // overlong
    if (lead == 0xED) secondMax = 0x9F;  // surrogates
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) secondMin = 0x90;  // overlong
    if (lead == 0xF4) secondMax = 0x8F;  // above U+10FFFF
  } else {
    return 0;
  }
  if (s.size() - i < length) return 0;
  if (byte(i + 1) < secondMin || byte(i + 1) > secondMax) return 0;
  for (size_t k = 2; k < length; ++k) {
    if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
  }
  return length;
}

void AppendUtf8(std::string& out, uint32_t codePoint) {
  if (codePoint < 0x80) {
    out.push_back(static_cast<char>(codePoint));
  } else if (codePoint < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (codePoint >> 6)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else if (codePoint < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (codePoint >> 12)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (codePoint >> 18)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((codePoint >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (codePoint & 0x3F)));
  }
}

void DumpString(std::string& out, std::string_view s) {
  static constexpr char kHex[] = "0123456789abcdef";
  out.push_back('"');
  size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80) {
      const size_t length = Utf8SequenceLength(s, i);
      if (length == 0) {
        out.append("\xEF\xBF\xBD");  // U+FFFD
        ++i;
      } else {
        out.append(s.substr(i, length));
        i += length;
      }
      continue;
    }
    switch (c) {
      case '"':
        out.append("\\\"");
        break;
      case '\\':
        out.append("\\\\");
        break;
      case '\n':
        out.append("\\n");
        break;
      case '\r':
        out.append("\\r");
        break;
      case '\t':
        out.append("\\t");
        break;
      case '\b':
        out.append("\\b");
        break;
      case '\f':
        out.append("\\f");
        break;
      default:
        if (c < 0x20) {
          out.append("\\u00");
          out.push_back(kHex[c >> 4]);
          out.push_back(kHex[c & 0xF]);
        } else {
          out.push_back(static_cast<char>(c));
        }
    }
    ++i;
  }
  out.push_back('"');
}

void DumpDouble(std::string& out, double value) {
  if (!std::isfinite(value)) {
    out.append("null");
    return;
  }
  char buffer[32];
  const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
  if (ec != std::errc()) {
    out.append("null");  // cannot happen with 32 bytes; stay valid JSON anyway
    return;
  }
  const std::string_view text(buffer, static_cast<size_t>(end - buffer));
  out.append(text);
  // "3" would read back as an Int; keep the value a Double.
  if (text.find_first_of(".e") == std::string_view::npos) out.append(".0");
}

class Parser {
 public:
  explicit Parser(std::string_view text) : text_(text) {}

  std::optional<Json> ParseDocument() {
    SkipWhitespace();
    std::optional<Json> value = ParseValue(0);
    if (!value) return std::nullopt;
    SkipWhitespace();
    if (pos_ != text_.size()) return std::nullopt;
    return value;
  }

 private:
  bool AtEnd() const { return pos_ >= text_.size(); }
  char Peek() const { return text_[pos_]; }

  void SkipWhitespace() {
    while (!AtEnd() && (Peek() == ' ' || Peek() == '\t' || Peek() == '\n' || Peek() == '\r')) {
      ++pos_;
    }
  }

  bool Consume(std::string_view word) {
    if (text_.substr(pos_, word.size()) != word) return false;
    pos_ += word.size();
    return true;
  }

  std::optional<Json> ParseValue(int depth) {
    if (AtEnd()) return std::nullopt;
    switch (Peek()) {
      case '{':
        return ParseObject(depth + 1);
      case '[':
        return ParseArray(depth + 1);
      case '"': {
        std::optional<std::string> s = ParseString();
        if (!s) return std::nullopt;
        return Json(std::move(*s));
      }
      case 't':
        return Consume("true") ? std::optional<Json>(true) : std::nullopt;
      case 'f':
        return Consume("false") ? std::optional<Json>(false) : std::nullopt;
      case 'n':
        return Consume("null") ? std::optional<Json>(Json()) : std::nullopt;
      default:
        return ParseNumber();
    }
  }

  bool SkipDigits() {
    const size_t start = pos_;
    while (!AtEnd() && Peek() >= '0' && Peek() <= '9') ++pos_;
    return pos_ > start;
  }

  std::optional<Json> ParseNumber() {
    const size_t start = pos_;
    if (!AtEnd() && Peek() == '-') ++pos_;
    if (AtEnd()) return std::nullopt;
    if (Peek() == '0') {
      ++pos_;  // no leading zeros
    } else if (!SkipDigits()) {
      return std::nullopt;
    }
    bool integral = true;
    if (!AtEnd() && Peek() == '.') {
      ++pos_;
      if (!SkipDigits()) return std::nullopt;
      integral = false;
    }
    if (!AtEnd() && (Peek() == 'e' || Peek() == 'E')) {
      ++pos_;
      if (!AtEnd() && (Peek() == '+' || Peek() == '-')) ++pos_;
      if (!SkipDigits()) return std::nullopt;
      integral = false;
    }
    const char* first = text_.data() + start;
    const char* last = text_.data() + pos_;

    if (integral) {
      int64_t i = 0;
      const auto [end, ec] = std::from_chars(first, last, i);
      if (ec == std::errc() && end == last) return Json(i);
      // Too large for int64: falls through to a Double.
    }
    double d = 0.0;
    const auto [end, ec] = std::from_chars(first, last, d);
    if (ec != std::errc() || end != last) return std::nullopt;
    return Json(d);
  }

  std::optional<uint32_t> ParseHex4() {
    if (text_.size() - pos_ < 4) return std::nullopt;
    uint32_t value = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = text_[pos_++];
      value <<= 4;
      if (c >= '0' && c <= '9') {
        value |= static_cast<uint32_t>(c - '0');
      } else if (c >= 'a' && c <= 'f') {
        value |= static_cast<uint32_t>(c - 'a' + 10);
      } else if (c >= 'A' && c <= 'F') {
        value |= static_cast<uint32_t>(c - 'A' + 10);
      } else {
        return std::nullopt;
      }
    }
    return value;
  }

  // After the backslash and the 'u'.
  bool ParseUnicodeEscape(std::string& out) {
    const std::optional<uint32_t> unit = ParseHex4();
    if (!unit) return false;
    if (*unit >= 0xDC00 && *unit <= 0xDFFF) return false;  // low half without a high one
    if (*unit < 0xD800 || *unit > 0xDBFF) {
      AppendUtf8(out, *unit);
      return true;
    }
    if (!Consume("\\u")) return false;
    const std::optional<uint32_t> low = ParseHex4();
    if (!low || *low < 0xDC00 || *low > 0xDFFF) return false;
    AppendUtf8(out, 0x10000 + ((*unit - 0xD800) << 10) + (*low - 0xDC00));
    return true;
  }

  std::optional<std::string> ParseString() {
    ++pos_;  // opening quote
    std::string out;
    while (true) {
      if (AtEnd()) return std::nullopt;
      const auto c = static_cast<unsigned char>(Peek());
      if (c == '"') {
        ++pos_;
        return out;
      }
      if (c < 0x20) return std::nullopt;
      if (c >= 0x80) {
        const size_t length = Utf8SequenceLength(text_, pos_);
        if (length == 0) return std::nullopt;
        out.append(text_.substr(pos_, length));
        pos_ += length;
        continue;
      }
      ++pos_;
      if (c != '\\') {
        out.push_back(static_cast<char>(c));
        continue;
      }
      if (AtEnd()) return std::nullopt;
      const char escape = text_[pos_++];
      switch (escape) {
        case '"':
          out.push_back('"');
          break;
        case '\\':
          out.push_back('\\');
          break;
        case '/':
          out.push_back('/');
          break;
        case 'b':
          out.push_back('\b');
          break;
        case 'f':
          out.push_back('\f');
          break;
        case 'n':
          out.push_back('\n');
          break;
        case 'r':
          out.push_back('\r');
          break;
        case 't':
          out.push_back('\t');
          break;
        case 'u':
          if (!ParseUnicodeEscape(out)) return std::nullopt;
          break;
        default:
          return std::nullopt;
      }
    }
  }

  std::optional<Json> ParseArray(int depth) {
    if (depth > Json::kMaxDepth) return std::nullopt;
    ++pos_;  // '['
    Json array = Json::Array();
    SkipWhitespace();
    if (!AtEnd() && Peek() == ']') {
      ++pos_;
      return array;
    }
    while (true) {
      SkipWhitespace();
      std::optional<Json> item = ParseValue(depth);
      if (!item) return std::nullopt;
      array.Push(std::move(*item));
      SkipWhitespace();
      if (AtEnd()) return std::nullopt;
      const char c = text_[pos_++];
      if (c == ']') return array;
      if (c != ',') return std::nullopt;
    }
  }

  std::optional<Json> ParseObject(int depth) {
    if (depth > Json::kMaxDepth) return std::nullopt;
    ++pos_;  // '{'
    Json::ObjectMembers members;
    SkipWhitespace();
    if (!AtEnd() && Peek() == '}') {
      ++pos_;
      return Json::Object();
    }
    while (true) {
      SkipWhitespace();
      if (AtEnd() || Peek() != '"') return std::nullopt;
      std::optional<std::string> key = ParseString();
      if (!key) return std::nullopt;
      SkipWhitespace();
      if (AtEnd() || Peek() != ':') return std::nullopt;
      ++pos_;
      SkipWhitespace();
      std::optional<Json> value = ParseValue(depth);
      if (!value) return std::nullopt;
      members.emplace_back(std::move(*key), std::move(*value));
      SkipWhitespace();
      if (AtEnd()) return std::nullopt;
      const char c = text_[pos_++];
      if (c == '}') break;
      if (c != ',') return std::nullopt;
    }
    return Json::Object(std::move(members));
  }

  std::string_view text_;
  size_t pos_ = 0;
};

}  // namespace

Json::Json(const char* value) {
  if (value != nullptr) value_.emplace<std::string>(value);
}

Json Json::Array(ArrayItems items) {
  Json json;
  json.value_.emplace<ArrayItems>(std::move(items));
  return json;
}

Json Json::Object(ObjectMembers members) {
  Json json;
  ObjectMembers& unique = json.value_.emplace<ObjectMembers>();
  unique.reserve(members.size());
  if (members.size() <= 8) {
    for (auto& [key, value] : members) json.Set(std::move(key), std::move(value));
    return json;
  }
  // Same result as Set one by one, without its linear search per key, so a
  // large parsed object does not cost quadratic time.
  std::unordered_map<std::string_view, size_t> slotOf;
  std::vector<size_t> keyFrom;    // per slot: member whose key it keeps (the first)
  std::vector<size_t> valueFrom;  // per slot: member whose value it keeps (the last)
  for (size_t i = 0; i < members.size(); ++i) {
    const auto [it, inserted] = slotOf.try_emplace(members[i].first, keyFrom.size());
    if (inserted) {
      keyFrom.push_back(i);
      valueFrom.push_back(i);
    } else {
      valueFrom[it->second] = i;
    }
  }
  slotOf.clear();  // its views point into keys about to be moved
  for (size_t slot = 0; slot < keyFrom.size(); ++slot) {
    unique.emplace_back(std::move(members[keyFrom[slot]].first),
                        std::move(members[valueFrom[slot]].second));
  }
  return json;
}

bool Json::AsBool(bool fallback) const {
  const bool* b = std::get_if<bool>(&value_);
  return b != nullptr ? *b : fallback;
}

int64_t Json::AsInt(int64_t fallback) const {
  const int64_t* i = std::get_if<int64_t>(&value_);
  return i != nullptr ? *i : fallback;
}

double Json::AsDouble(double fallback) const {
  if (const double* d = std::get_if<double>(&value_)) return *d;
  if (const int64_t* i = std::get_if<int64_t>(&value_)) return static_cast<double>(*i);
  return fallback;
}

const std::string& Json::AsString() const {
  static const std::string kEmpty;
  const std::string* s = std::get_if<std::string>(&value_);
  return s != nullptr ? *s : kEmpty;
}

const Json::ArrayItems& Json::Items() const {
  static const ArrayItems kEmpty;
  const ArrayItems* items = std::get_if<ArrayItems>(&value_);
  return items != nullptr ? *items : kEmpty;
}

const Json::ObjectMembers& Json::Members() const {
  static const ObjectMembers kEmpty;
  const ObjectMembers* members = std::get_if<ObjectMembers>(&value_);
  return members != nullptr ? *members : kEmpty;
}

const Json* Json::Find(std::string_view key) const {
  const ObjectMembers* members = std::get_if<ObjectMembers>(&value_);
  if (members == nullptr) return nullptr;
  for (const auto& [k, v] : *members) {
    if (k == key) return &v;
  }
  return nullptr;
}

Json* Json::Find(std::string_view key) { return const_cast<Json*>(std::as_const(*this).Find(key)); }

Json& Json::Set(std::string key, Json value) & {
  if (Json* existing = Find(key)) {
    *existing = std::move(value);
    return *this;
  }
  if (!IsObject()) value_.emplace<ObjectMembers>();
  std::get<ObjectMembers>(value_).emplace_back(std::move(key), std::move(value));
  return *this;
}

Json&& Json::Set(std::string key, Json value) && {
  return std::move(Set(std::move(key), std::move(value)));
}

Json& Json::Push(Json value) & {
  if (!IsArray()) value_.emplace<ArrayItems>();
  std::get<ArrayItems>(value_).push_back(std::move(value));
  return *this;
}

Json&& Json::Push(Json value) && { return std::move(Push(std::move(value))); }

std::string Json::Dump() const {
  std::string out;
  DumpTo(out);
  return out;
}

void Json::DumpTo(std::string& out) const {
  switch (Kind()) {
    case JsonKind::Null:
      out.append("null");
      break;
    case JsonKind::Bool:
      out.append(std::get<bool>(value_) ? "true" : "false");
      break;
    case JsonKind::Int: {
      char buffer[24];
      const auto result = std::to_chars(buffer, buffer + sizeof buffer, std::get<int64_t>(value_));
      out.append(buffer, result.ptr);
      break;
    }
    case JsonKind::Double:
      DumpDouble(out, std::get<double>(value_));
      break;
    case JsonKind::String:
      DumpString(out, std::get<std::string>(value_));
      break;
    case JsonKind::Array: {
      out.push_back('[');
      bool first = true;
      for (const Json& item : std::get<ArrayItems>(value_)) {
        if (!first) out.push_back(',');
        first = false;
        item.DumpTo(out);
      }
      out.push_back(']');
      break;
    }
    case JsonKind::Object: {
      out.push_back('{');
      bool first = true;
      for (const auto& [key, value] : std::get<ObjectMembers>(value_)) {
        if (!first) out.push_back(',');
        first = false;
        DumpString(out, key);
        out.push_back(':');
        value.DumpTo(out);
      }
      out.push_back('}');
      break;
    }
  }
}

std::optional<Json> Json::Parse(std::string_view text) {
  try {
    return Parser(text).ParseDocument();
  } catch (...) {
    return std::nullopt;  // only allocation failure can get here
  }
}

bool Json::operator==(const Json& other) const { return value_ == other.value_; }

}  // namespace hvt::journal
