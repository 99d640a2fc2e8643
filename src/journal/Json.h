#pragma once

#include <concepts>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

namespace hvt::journal {

enum class JsonKind { Null, Bool, Int, Double, String, Array, Object };

// A JSON value as the journal writes and reads its records. Objects keep
// their keys in insertion order so a record dumps the same bytes every time,
// which the hash chain depends on.
class Json {
 public:
  using ArrayItems = std::vector<Json>;
  using ObjectMembers = std::vector<std::pair<std::string, Json>>;

  Json() = default;
  Json(std::nullptr_t) {}
  Json(bool value) : value_(std::in_place_type<bool>, value) {}
  Json(double value) : value_(std::in_place_type<double>, value) {}
  Json(const char* value);  // a null pointer gives Null
  Json(std::string value) : value_(std::in_place_type<std::string>, std::move(value)) {}
  Json(std::string_view value) : value_(std::in_place_type<std::string>, value) {}

  // Any integer type except bool and the character types. An unsigned value
  // above INT64_MAX has no Int form and becomes the nearest Double.
  template <std::integral T>
  requires(!std::same_as<T, bool> && !std::same_as<T, char> && !std::same_as<T, char8_t> &&
           !std::same_as<T, char16_t> && !std::same_as<T, char32_t> && !std::same_as<T, wchar_t>)
      Json(T value) {
    if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(int64_t)) {
      if (value > static_cast<T>(std::numeric_limits<int64_t>::max())) {
        value_.emplace<double>(static_cast<double>(value));
        return;
      }
    }
    value_.emplace<int64_t>(static_cast<int64_t>(value));
  }

  // Without this, any other pointer would silently turn into a Bool.
  template <typename T>
  Json(const T*) = delete;

  static Json Array(ArrayItems items = {});
  // A repeated key keeps its first position and its last value, as with Set.
  static Json Object(ObjectMembers members = {});

  JsonKind Kind() const { return static_cast<JsonKind>(value_.index()); }
  bool IsNull() const { return Kind() == JsonKind::Null; }
  bool IsBool() const { return Kind() == JsonKind::Bool; }
  bool IsInt() const { return Kind() == JsonKind::Int; }
  bool IsDouble() const { return Kind() == JsonKind::Double; }
  bool IsNumber() const { return IsInt() || IsDouble(); }
  bool IsString() const { return Kind() == JsonKind::String; }
  bool IsArray() const { return Kind() == JsonKind::Array; }
  bool IsObject() const { return Kind() == JsonKind::Object; }

  // Reading a record must not fail on a field of the wrong kind, so each
  // accessor falls back instead. AsDouble also accepts an Int; AsInt does not
  // accept a Double, to not truncate silently.
  bool AsBool(bool fallback = false) const;
  int64_t AsInt(int64_t fallback = 0) const;
  double AsDouble(double fallback = 0.0) const;
  const std::string& AsString() const;  // empty unless a String

  // Empty unless an Array / Object.
  const ArrayItems& Items() const;
  const ObjectMembers& Members() const;

  // nullptr if this is not an object or has no such key.
  const Json* Find(std::string_view key) const;
  Json* Find(std::string_view key);

  // Set makes this an Object and Push makes this an Array first if it is not
  // one already (a Null starts empty, anything else is discarded). Setting an
  // existing key replaces its value where it stands.
  Json& Set(std::string key, Json value) &;
  Json&& Set(std::string key, Json value) &&;
  Json& Push(Json value) &;
  Json&& Push(Json value) &&;

  // Compact JSON, keys in insertion order. NaN and infinities become null;
  // bytes in strings that are not valid UTF-8 become U+FFFD.
  std::string Dump() const;
  void DumpTo(std::string& out) const;

  // One JSON value (RFC 8259) with optional surrounding whitespace. nullopt on
  // any error, including nesting deeper than kMaxDepth, invalid UTF-8, lone
  // surrogates and numbers beyond double's range. A repeated key keeps the
  // last value.
  static std::optional<Json> Parse(std::string_view text);

  static constexpr int kMaxDepth = 64;

  // Same kind and same value; Int 1 and Double 1.0 differ.
  bool operator==(const Json& other) const;

 private:
  // Order matches JsonKind.
  std::variant<std::monostate, bool, int64_t, double, std::string, ArrayItems, ObjectMembers>
      value_;
};

}  // namespace hvt::journal
