#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "journal/Json.h"

namespace hvt::journal {
namespace {

using namespace std::string_literals;

std::string ReDump(std::string_view text) {
  const std::optional<Json> value = Json::Parse(text);
  return value ? value->Dump() : "<rejected>";
}

TEST(Json, BuildingRecords) {
  Json record = Json::Object().Set("z", 1).Set("a", "x").Set("m", Json::Array({true, nullptr}));
  EXPECT_EQ(record.Dump(), R"({"z":1,"a":"x","m":[true,null]})");

  // Replacing keeps the key where it was.
  record.Set("z", 2.5).Set("a", Json::Object());
  EXPECT_EQ(record.Dump(), R"({"z":2.5,"a":{},"m":[true,null]})");

  Json fresh;
  fresh.Set("k", std::string("v"));
  EXPECT_TRUE(fresh.IsObject());
  Json list = Json(5).Push(1).Push("two");
  EXPECT_EQ(list.Dump(), R"([1,"two"])");

  EXPECT_EQ(record.Find("a")->Kind(), JsonKind::Object);
  EXPECT_EQ(record.Find("missing"), nullptr);
  EXPECT_EQ(list.Find("0"), nullptr);
  EXPECT_EQ(Json::Object(Json::ObjectMembers{{"a", 1}, {"b", 2}, {"a", 3}}).Dump(),
            R"({"a":3,"b":2})");
}

TEST(Json, ScalarsAndAccessors) {
  EXPECT_TRUE(Json(static_cast<const char*>(nullptr)).IsNull());
  EXPECT_TRUE(Json(int8_t{-5}).IsInt());
  EXPECT_EQ(Json(uint32_t{4000000000}).AsInt(), 4000000000);
  EXPECT_EQ(Json(std::numeric_limits<int64_t>::min()).Dump(), "-9223372036854775808");
  const Json huge(std::numeric_limits<uint64_t>::max());
  EXPECT_TRUE(huge.IsDouble());
  EXPECT_EQ(huge.AsDouble(), 18446744073709551616.0);

  EXPECT_EQ(Json(7).AsDouble(), 7.0);
  EXPECT_EQ(Json(7.5).AsInt(-1), -1);  // no silent truncation
  EXPECT_EQ(Json("7").AsInt(-1), -1);
  EXPECT_EQ(Json(1).AsBool(true), true);
  EXPECT_EQ(Json(true).AsString(), "");
  EXPECT_TRUE(Json("x").Items().empty());
  EXPECT_TRUE(Json(1).Members().empty());
  EXPECT_NE(Json(1), Json(1.0));
}

TEST(Json, DumpNumbers) {
  EXPECT_EQ(Json(0.1).Dump(), "0.1");
  EXPECT_EQ(Json(3.0).Dump(), "3.0");  // still a Double when read back
  EXPECT_EQ(Json(-0.0).Dump(), "-0.0");
  EXPECT_EQ(Json(1e300).Dump(), "1e+300");
  EXPECT_EQ(Json(std::nan("")).Dump(), "null");
  EXPECT_EQ(Json(-std::numeric_limits<double>::infinity()).Dump(), "null");

  for (double d : {1.0 / 3, 5e-324, 1.7976931348623157e308, 2.2250738585072014e-308,
                   123456789012345680.0, -0.0, 1e21, 1e-7}) {
    const std::optional<Json> back = Json::Parse(Json(d).Dump());
    ASSERT_TRUE(back && back->IsDouble()) << d;
    EXPECT_EQ(std::signbit(back->AsDouble()), std::signbit(d));
    EXPECT_EQ(back->AsDouble(), d);
  }
}

TEST(Json, DumpEscapesStrings) {
  EXPECT_EQ(Json("q\"b\\s/").Dump(), R"("q\"b\\s/")");
  EXPECT_EQ(Json("\n\r\t\b\f").Dump(), R"("\n\r\t\b\f")");
  EXPECT_EQ(Json("\x01\x1f\x7f"s).Dump(), "\"\\u0001\\u001f\x7f\"");
  EXPECT_EQ(Json("a\0b"s).Dump(), R"("a\u0000b")");
  EXPECT_EQ(Json("é€😀").Dump(), "\"é€😀\"");
  EXPECT_EQ(Json::Object().Set("k\"\n", 1).Dump(), R"({"k\"\n":1})");
}

TEST(Json, DumpReplacesInvalidUtf8) {
  const std::string fffd = "\xEF\xBF\xBD";
  const std::pair<std::string, std::string> cases[] = {
      {"a\x80z", "a" + fffd + "z"},                                      // stray continuation
      {"\xC0\xAF", fffd + fffd},                                         // overlong '/'
      {"\xE0\x80\xAF", fffd + fffd + fffd},                              // overlong, 3 bytes
      {"\xE2\x82", fffd + fffd},                                         // cut short at the end
      {"\xE2\x82z", fffd + fffd + "z"},                                  // cut short before ASCII
      {"\xED\xA0\x80", fffd + fffd + fffd},                              // encoded surrogate
      {"\xF4\x90\x80\x80", fffd + fffd + fffd + fffd},                   // above U+10FFFF
      {"\xFF\xC3\xA9", fffd + "\xC3\xA9"},                               // valid after invalid
      {"\xF0\x9F\x98", fffd + fffd + fffd},                              // 4-byte form, 3 bytes
      {"\xF4\x8F\xBF\xBF\xEF\xBF\xBF", "\xF4\x8F\xBF\xBF\xEF\xBF\xBF"},  // edges kept
  };
  for (const auto& [input, expected] : cases) {
    const std::string dumped = Json(input).Dump();
    EXPECT_EQ(dumped, '"' + expected + '"');
    const std::optional<Json> back = Json::Parse(dumped);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->AsString(), expected);
  }
  EXPECT_EQ(Json::Object().Set("\xFF", 1).Dump(), "{\"" + fffd + "\":1}");
}

TEST(Json, ParseValues) {
  const std::optional<Json> v = Json::Parse(
      " \t\r\n{\"i\":-42,\"big\":9223372036854775808,\"e\":1E2,\"z\":-0,\"f\":0.5e-1,"
      "\"s\":\"\\u00e9\\uD83D\\uDE00\\/\\u0000\",\"a\":[ ],\"o\":{ }} \n");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->Find("i")->AsInt(), -42);
  EXPECT_TRUE(v->Find("big")->IsDouble());
  EXPECT_EQ(v->Find("big")->AsDouble(), 9223372036854775808.0);
  EXPECT_TRUE(v->Find("e")->IsDouble());
  EXPECT_EQ(v->Find("e")->AsDouble(), 100.0);
  EXPECT_TRUE(v->Find("z")->IsInt());
  EXPECT_EQ(v->Find("f")->AsDouble(), 0.05);
  EXPECT_EQ(v->Find("s")->AsString(), "é😀/\0"s);
  EXPECT_TRUE(v->Find("a")->IsArray());
  EXPECT_TRUE(v->Find("o")->IsObject());
  EXPECT_EQ(Json::Parse("9223372036854775807")->AsInt(), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(Json::Parse("-9223372036854775808")->AsInt(), std::numeric_limits<int64_t>::min());

  // A repeated key keeps its first position and its last value, also in
  // objects large enough to take the indexed path.
  EXPECT_EQ(ReDump(R"({"a":1,"b":2,"a":{"x":3}})"), R"({"a":{"x":3},"b":2})");
  std::string large = "{";
  for (int i = 0; i < 20; ++i)
    large += "\"k" + std::to_string(i % 7) + "\":" + std::to_string(i) + ",";
  large += "\"end\":true}";
  EXPECT_EQ(ReDump(large),
            R"({"k0":14,"k1":15,"k2":16,"k3":17,"k4":18,"k5":19,"k6":13,"end":true})");
}

TEST(Json, RoundTripIsStable) {
  const Json record = Json::Object()
                          .Set("n", nullptr)
                          .Set("b", false)
                          .Set("i", int64_t{-1})
                          .Set("d", 2.0)
                          .Set("s", "tab\there \"q\" é\x01")
                          .Set("a", Json::Array({Json::Array(), Json::Object(), 0.25}))
                          .Set("o", Json::Object().Set("deep", Json::Array({"x"})));
  const std::string once = record.Dump();
  const std::optional<Json> back = Json::Parse(once);
  ASSERT_TRUE(back);
  EXPECT_EQ(*back, record);
  EXPECT_EQ(back->Dump(), once);

  for (std::string_view text :
       {R"([1,-0,1e5,1.5E-3,"\ud800\udc00",{"":""},[[]]])", R"("\u001F\"\\")", "  true ", "-1.0"}) {
    const std::string first = ReDump(text);
    EXPECT_NE(first, "<rejected>") << text;
    EXPECT_EQ(ReDump(first), first);
  }
}

TEST(Json, ParseRejects) {
  const std::vector<std::string> structure = {
      "",          " ",      "[",        "[1,",   "[1,]",   "[,1]",           "[1 2]",
      "{",         "{\"a\"", "{\"a\":}", "{a:1}", "{1:1}",  "{\"a\" 1}",      "{\"a\":1,}",
      "{\"a\":1]", "1 2",    "[] x",     "{}}",   "[1]\0"s, "\xEF\xBB\xBF{}", "\f1",
      "1\v"};
  const std::vector<std::string> literals = {"tru", "nul",  "truex", "True",     "'a'",  "01",
                                             "-01", "-",    "1.",    ".5",       "1e",   "1e+",
                                             "+1",  "0x10", "NaN",   "Infinity", "1e400"};
  const std::vector<std::string> strings = {
      R"("abc)",           R"("\x")",      R"("\)",
      R"("\u12")",         R"("\u12G4")",  R"("\uD800")",
      R"("\uDC00")",       R"("\uD800x")", R"("\uD800\u0041")",
      R"("\uDBFF\uDBFF")", "\"a\nb\"",     "\"\x01\"",
      "\"\x1f\"",          "\"\0\""s};
  const std::vector<std::string> utf8 = {
      "\"\xC3\"",         "\"\xC3(\"",        "\"\xC0\xAF\"",
      "\"\xE0\x9F\xBF\"", "\"\xED\xA0\x80\"", "\"\xF4\x90\x80\x80\"",
      "\"\x80\"",         "\"\xFE\"",         "{\"\xFF\":1}"};
  for (const auto* group : {&structure, &literals, &strings, &utf8}) {
    for (const std::string& text : *group) EXPECT_FALSE(Json::Parse(text)) << text;
  }
}

TEST(Json, ParseRejectsEveryTruncation) {
  const std::string doc =
      R"({"seq":12,"t":"2024-05-01T10:00:00.123Z","v":[true,false,null,-1.5e-3,"\u00e9\ud83d\ude00"],"o":{"k":"\\"}})";
  ASSERT_TRUE(Json::Parse(doc));
  for (size_t n = 0; n < doc.size(); ++n) {
    EXPECT_FALSE(Json::Parse(std::string_view(doc).substr(0, n))) << n;
  }
}

TEST(Json, NestingLimit) {
  const auto nested = [](int depth, std::string_view open, std::string_view close) {
    std::string s;
    for (int i = 0; i < depth; ++i) s += open;
    s += "0";
    for (int i = 0; i < depth; ++i) s += close;
    return s;
  };
  EXPECT_TRUE(Json::Parse(nested(64, "[", "]")));
  EXPECT_FALSE(Json::Parse(nested(65, "[", "]")));
  EXPECT_TRUE(Json::Parse(nested(64, R"({"k":)", "}")));
  EXPECT_FALSE(Json::Parse(nested(65, R"({"k":)", "}")));
  EXPECT_FALSE(Json::Parse(nested(32, R"([{"k":)", "}]") + "x"));
  EXPECT_FALSE(Json::Parse(nested(33, R"([{"k":)", "}]")));
  EXPECT_FALSE(Json::Parse(std::string(200000, '[')));  // must not exhaust the stack
}

TEST(Json, MutatedInputNeverBreaksParser) {
  const std::string doc = R"({"a":[1,2.5e3,"x\u00e9\n",{"b":null}],"c":"é😀","d":-0.0})";
  const char replacements[] = {'"',    '\\',   '[', ']', '{', '}', ',', ':', '\0',
                               '\x80', '\xC3', 'u', 'e', '-', '.', '0', ' '};
  for (size_t pos = 0; pos < doc.size(); ++pos) {
    for (char r : replacements) {
      std::string mutated = doc;
      mutated[pos] = r;
      const std::optional<Json> value = Json::Parse(mutated);
      if (!value) continue;
      const std::string dumped = value->Dump();
      EXPECT_EQ(ReDump(dumped), dumped) << mutated;
    }
  }
}

}  // namespace
}  // namespace hvt::journal
