#include "hvtctl/PlkJson.h"

#include <cstdio>
#include <limits>
#include <set>
#include <utility>
#include <vector>

#include "model/StringTable.h"
#include "model/TextCodec.h"

// Ordered, so a dump lists the fields in a fixed order, grouped as stored.
using json = nlohmann::ordered_json;

namespace hvt {
namespace {

using UnitInt = int32_t UnitRecord::*;

// The names of the line steps in a plain step list.
const char* const kLineOnName = "LineOn";
const char* const kLineOffName = "LineOff";

// The integer fields of a unit that files store, in the record's order.
const std::pair<const char*, UnitInt> kUnitInts[] = {
    {"polarity", &UnitRecord::polarity},
    {"polarityStop", &UnitRecord::polarityStop},
    {"polaritySweep", &UnitRecord::polaritySweep},
    {"widthIndex", &UnitRecord::widthIndex},
    {"widthIndexStop", &UnitRecord::widthIndexStop},
    {"widthSweep", &UnitRecord::widthSweep},
    {"voltage", &UnitRecord::voltage},
    {"voltageStop", &UnitRecord::voltageStop},
    {"voltageStep", &UnitRecord::voltageStep},
    {"voltageSweep", &UnitRecord::voltageSweep},
    {"phase", &UnitRecord::phase},
    {"phaseStop", &UnitRecord::phaseStop},
    {"phaseStep", &UnitRecord::phaseStep},
    {"variable", &UnitRecord::variable},
    {"variableStop", &UnitRecord::variableStop},
    {"variableStep", &UnitRecord::variableStep},
    {"triggerMode", &UnitRecord::triggerMode},
    {"triggerSweep", &UnitRecord::triggerSweep},
    {"injectionLine", &UnitRecord::injectionLine},
    {"injectionLineStop", &UnitRecord::injectionLineStop},
    {"returnLine", &UnitRecord::returnLine},
    {"returnLineStop", &UnitRecord::returnLineStop},
    {"injectionTime", &UnitRecord::injectionTime},
    {"injectionEndless", &UnitRecord::injectionEndless},
    {"intervalTime", &UnitRecord::intervalTime},
    {"intervalEndless", &UnitRecord::intervalEndless},
    {"lineOption", &UnitRecord::lineOption},
    {"testMode", &UnitRecord::testMode},
    {"terminator", &UnitRecord::terminator},
};

const std::pair<const char*, int32_t CPELKDoc::*> kDocInts[] = {
    {"programMode", &CPELKDoc::programMode}, {"showUnitNames", &CPELKDoc::showUnitNames},
    {"eutDeskTop", &CPELKDoc::eutDeskTop},   {"eutFloorStand", &CPELKDoc::eutFloorStand},
    {"eutHandy", &CPELKDoc::eutHandy},
};

const std::pair<const char*, uint16_t CPELKDoc::*> kDocU16s[] = {
    {"currentUnit", &CPELKDoc::currentUnit},
    {"portNumber", &CPELKDoc::portNumber},
    {"currentProgram", &CPELKDoc::currentProgram},
    {"programStepCount", &CPELKDoc::programStepCount},
    {"programCursor", &CPELKDoc::programCursor},
};

json TextToJson(const std::string& bytes, const TextCodec& codec) {
  if (auto utf8 = codec.ToUtf8(bytes); utf8 && codec.FromUtf8(*utf8) == bytes) return *utf8;
  std::string hex;
  char digits[3];
  for (unsigned char b : bytes) {
    std::snprintf(digits, sizeof digits, "%02x", b);
    hex += digits;
  }
  return json{{"hex", hex}};
}

// Reads JSON into the document while tracking where it is, for messages.
class Reader {
 public:
  Reader(const TextCodec& c, std::string& e) : codec(c), error(e) {}

  bool Fail(const std::string& where, const std::string& what) {
    if (error.empty()) error = where + ": " + what;
    return false;
  }

  template <class T>
  bool Number(const json& j, const std::string& where, T& out) {
    if (!j.is_number_integer()) return Fail(where, "expected an integer");
    if (j.is_number_unsigned()) {
      const auto v = j.get<uint64_t>();
      if (v > static_cast<uint64_t>(std::numeric_limits<T>::max()))
        return Fail(where, "out of range");
      out = static_cast<T>(v);
      return true;
    }
    const auto v = j.get<int64_t>();
    if (v < static_cast<int64_t>(std::numeric_limits<T>::min()) ||
        v > static_cast<int64_t>(std::numeric_limits<T>::max())) {
      return Fail(where, "out of range");
    }
    out = static_cast<T>(v);
    return true;
  }

  bool Text(const json& j, const std::string& where, std::string& out) {
    if (j.is_string()) {
      auto bytes = codec.FromUtf8(j.get<std::string>());
      if (!bytes)
        return Fail(where,
                    "text cannot be written in code page " + std::to_string(codec.CodePage()));
      out = std::move(*bytes);
      return true;
    }
    if (j.is_object() && j.size() == 1 && j.contains("hex") && j["hex"].is_string()) {
      const std::string hex = j["hex"].get<std::string>();
      if (hex.size() % 2 != 0) return Fail(where, "odd number of hex digits");
      std::string bytes;
      for (size_t i = 0; i < hex.size(); i += 2) {
        int value = 0;
        for (size_t k = i; k < i + 2; ++k) {
          const char c = hex[k];
          int d = -1;
          if (c >= '0' && c <= '9') d = c - '0';
          if (c >= 'a' && c <= 'f') d = c - 'a' + 10;
          if (c >= 'A' && c <= 'F') d = c - 'A' + 10;
          if (d < 0) return Fail(where, "bad hex digit");
          value = value * 16 + d;
        }
        bytes += static_cast<char>(value);
      }
      out = std::move(bytes);
      return true;
    }
    return Fail(where, "expected a text");
  }

  template <class Fn>
  bool Array(const json& j, const std::string& where, size_t size, Fn&& each) {
    if (!j.is_array() || j.size() != size) {
      return Fail(where, "expected an array of " + std::to_string(size));
    }
    for (size_t i = 0; i < size; ++i) {
      if (!each(j[i], where + "[" + std::to_string(i) + "]", i)) return false;
    }
    return true;
  }

  // The units or the programs: an array whose entry i is number i + 1, or an
  // object keyed by number; either may leave numbers out. each(element,
  // path, index) reads one; paths[index] is where it was given.
  template <class Fn>
  bool Numbered(const json& j, const std::string& where, const char* noun, size_t count,
                std::array<std::string, kUnitCount>& paths, Fn&& each) {
    static_assert(kUnitCount == kProgramCount);
    const std::string expected = std::string("expected an array of up to ") +
                                 std::to_string(count) + " " + noun + "s or an object keyed by " +
                                 noun + " number 1.." + std::to_string(count);
    if (j.is_array()) {
      if (j.size() > count)
        return Fail(where, expected + ", not an array of " + std::to_string(j.size()));
      for (size_t i = 0; i < j.size(); ++i) {
        paths[i] = where + "[" + std::to_string(i) + "]";
        if (!each(j[i], paths[i], i)) return false;
      }
      return true;
    }
    if (!j.is_object()) return Fail(where, expected);
    for (const auto& [key, value] : j.items()) {
      const std::string at = MemberPath(where, key);
      // Written as the program numbers them, so that no two keys name the
      // same one ("3" and "03").
      const bool digits = !key.empty() && key.size() <= 3 &&
                          key.find_first_not_of("0123456789") == std::string::npos;
      const size_t number = digits ? std::stoul(key) : 0;
      const std::string numbers =
          std::string("not a ") + noun + " number 1.." + std::to_string(count);
      if (number < 1 || number > count) return Fail(at, numbers);
      if (key[0] == '0')
        return Fail(at, std::string(noun) + " numbers are written without leading zeros");
      paths[number - 1] = at;
      if (!each(value, at, number - 1)) return false;
    }
    return true;
  }

  bool Unit(const json& j, const std::string& where, UnitRecord& u) {
    if (!j.is_object()) return Fail(where, "expected an object");
    for (const auto& [key, value] : j.items()) {
      const std::string at = where + "." + key;
      bool known = false;
      for (const auto& [name, member] : kUnitInts) {
        if (key == name) {
          known = true;
          if (!Number(value, at, u.*member)) return false;
        }
      }
      if (known) continue;
      if (key == "name") {
        if (!Text(value, at, u.name)) return false;
      } else if (key == "sweepOrder") {
        if (!Array(value, at, 6, [&](const json& e, const std::string& w, size_t i) {
              return Number(e, w, u.sweepOrder[i]);
            })) {
          return false;
        }
      } else if (key == "sweepCount") {
        if (!Number(value, at, u.sweepCount)) return false;
      } else {
        return Fail(at, "unknown field");
      }
    }
    return true;
  }

  // Either all 100 stored positions, or a plain list whose step k goes to
  // position 2k - 1 (the positions between steps stay 0).
  bool Steps(const json& j, const std::string& where, ProgramRecord& p, int& plain) {
    if (j.is_array() && j.size() == ProgramRecord::kPositions) {
      plain = -1;
      return Array(
          j, where, ProgramRecord::kPositions,
          [&](const json& e, const std::string& w, size_t i) { return Number(e, w, p.steps[i]); });
    }
    if (!j.is_array() || j.size() > ProgramRecord::kPositions / 2) {
      return Fail(where, "expected a list of at most 50 steps (or the 100 stored positions)");
    }
    plain = static_cast<int>(j.size());
    p.steps.fill(kStepEnd);
    for (size_t k = 0; k < j.size(); ++k) {
      const std::string w = where + "[" + std::to_string(k) + "]";
      uint16_t& code = p.steps[2 * k];
      if (j[k] == kLineOnName) {
        code = kStepLineOn;
      } else if (j[k] == kLineOffName) {
        code = kStepLineOff;
      } else if (j[k].is_string()) {
        return Fail(w, "expected a unit number, \"LineOn\" or \"LineOff\"");
      } else if (!Number(j[k], w, code)) {
        return false;
      }
    }
    return true;
  }

  bool Program(const json& j, const std::string& where, ProgramRecord& p, int& plainSteps) {
    if (!j.is_object()) return Fail(where, "expected an object");
    for (const auto& [key, value] : j.items()) {
      const std::string at = where + "." + key;
      if (key == "steps") {
        if (!Steps(value, at, p, plainSteps)) return false;
      } else if (key == "name") {
        if (!Text(value, at, p.name)) return false;
      } else if (key == "memo") {
        if (!Text(value, at, p.memo)) return false;
      } else if (key == "times") {
        if (!Number(value, at, p.times)) return false;
      } else {
        return Fail(at, "unknown field");
      }
    }
    return true;
  }

  bool Document(const json& j, CPELKDoc& doc, JsonShape& shape) {
    if (!j.is_object()) return Fail("document", "expected an object");
    for (const auto& [key, value] : j.items()) {
      bool known = false;
      for (const auto& [name, member] : kDocInts) {
        if (key == name) {
          known = true;
          if (!Number(value, key, doc.*member)) return false;
        }
      }
      for (const auto& [name, member] : kDocU16s) {
        if (key == name) {
          known = true;
          if (!Number(value, key, doc.*member)) return false;
        }
      }
      if (known) continue;
      if (key == "header") {
        if (value != json(LoadString(TextId::DocumentHeader))) {
          return Fail(key, "must be \"" + LoadString(TextId::DocumentHeader) + "\"");
        }
      } else if (key == "injectionUnitType") {
        if (!Number(value, key, doc.injectionUnitType)) return false;
        if (doc.injectionUnitType != 1 && doc.injectionUnitType != 3)
          return Fail(key, "must be 1 or 3");
      } else if (key == "units") {
        if (!Numbered(value, key, "unit", kUnitCount, shape.unitPaths,
                      [&](const json& e, const std::string& w, size_t i) {
                        return Unit(e, w, doc.units[i]);
                      })) {
          return false;
        }
      } else if (key == "programs") {
        if (!Numbered(value, key, "program", kProgramCount, shape.programPaths,
                      [&](const json& e, const std::string& w, size_t i) {
                        return Program(e, w, doc.programs[i], shape.plainSteps[i]);
                      })) {
          return false;
        }
      } else if (key == "testMemo") {
        if (!Text(value, key, doc.testMemo)) return false;
      } else if (key == "eutTexts") {
        if (!Array(value, key, doc.eutTexts.size(),
                   [&](const json& e, const std::string& w, size_t i) {
                     return Text(e, w, doc.eutTexts[i]);
                   })) {
          return false;
        }
      } else {
        return Fail(key, "unknown field");
      }
    }
    return true;
  }

 private:
  const TextCodec& codec;
  std::string& error;
};

}  // namespace

JsonShape::JsonShape() {
  plainSteps.fill(-1);
  for (size_t i = 0; i < unitPaths.size(); ++i) unitPaths[i] = "units[" + std::to_string(i) + "]";
  for (size_t i = 0; i < programPaths.size(); ++i)
    programPaths[i] = "programs[" + std::to_string(i) + "]";
}

std::string MemberPath(const std::string& path, const std::string& key) {
  bool name = !key.empty() && !(key[0] >= '0' && key[0] <= '9');
  for (const char c : key) {
    const bool word =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
    if (!word) name = false;
  }
  if (name) return path.empty() ? key : path + "." + key;
  // Anything else is quoted as JSON quotes it, so the path stays readable.
  return path + "[" + json(key).dump() + "]";
}

bool ParseJsonText(const std::string& text, json& out, std::string& error) {
  error.clear();
  // The parser reports every object's keys as it meets them; a stack of the
  // open objects and arrays gives each its path and its keys so far.
  struct Open {
    bool object = false;
    std::string path;
    std::set<std::string> keys;
    std::string key;   // the object's member being read
    size_t index = 0;  // the array's next element
  };
  std::vector<Open> open;
  auto elementPath = [&open]() -> std::string {
    if (open.empty()) return {};
    Open& parent = open.back();
    if (parent.object) return MemberPath(parent.path, parent.key);
    return parent.path + "[" + std::to_string(parent.index++) + "]";
  };
  using Event = json::parse_event_t;
  json::parser_callback_t watch = [&](int, Event event, json& parsed) {
    switch (event) {
      case Event::object_start:
      case Event::array_start: {
        Open o;
        o.object = event == Event::object_start;
        o.path = elementPath();
        open.push_back(std::move(o));
        break;
      }
      case Event::object_end:
      case Event::array_end:
        if (!open.empty()) open.pop_back();
        break;
      case Event::key: {
        Open& object = open.back();
        object.key = parsed.get<std::string>();
        if (!object.keys.insert(object.key).second && error.empty()) {
          error = MemberPath(object.path, object.key) + ": given twice in one object";
        }
        break;
      }
      case Event::value:
        elementPath();  // counts the array's element
        break;
    }
    return true;
  };
  out = json::parse(text, watch);
  return error.empty();
}

json StepsToJson(const ProgramRecord& p) {
  // Steps fill the odd positions from the first on; everything else is 0.
  size_t count = 0;
  while (count < p.steps.size() / 2 && p.steps[2 * count] != kStepEnd) ++count;
  bool plain = true;
  for (size_t i = 0; i < p.steps.size() && plain; ++i) {
    const bool stepPosition = i % 2 == 0 && i / 2 < count;
    if (!stepPosition && p.steps[i] != kStepEnd) plain = false;
  }
  if (!plain) return p.steps;
  json list = json::array();
  for (size_t k = 0; k < count; ++k) {
    const uint16_t code = p.steps[2 * k];
    if (code == kStepLineOn) {
      list.push_back(kLineOnName);
    } else if (code == kStepLineOff) {
      list.push_back(kLineOffName);
    } else {
      list.push_back(code);
    }
  }
  return list;
}

json DocumentToJson(const CPELKDoc& doc, const TextCodec& codec) {
  json out = json::object();
  out["header"] = LoadString(TextId::DocumentHeader);
  out["injectionUnitType"] = doc.injectionUnitType;
  json units = json::array();
  for (const UnitRecord& u : doc.units) {
    json unit = json::object();
    for (const auto& [name, member] : kUnitInts) unit[name] = u.*member;
    unit["name"] = TextToJson(u.name, codec);
    unit["sweepOrder"] = u.sweepOrder;
    unit["sweepCount"] = u.sweepCount;
    units.push_back(std::move(unit));
  }
  out["units"] = std::move(units);
  json programs = json::array();
  for (const ProgramRecord& p : doc.programs) {
    programs.push_back(json{{"steps", StepsToJson(p)},
                            {"name", TextToJson(p.name, codec)},
                            {"memo", TextToJson(p.memo, codec)},
                            {"times", p.times}});
  }
  out["programs"] = std::move(programs);
  out["testMemo"] = TextToJson(doc.testMemo, codec);
  for (const auto& [name, member] : kDocU16s) out[name] = doc.*member;
  for (const auto& [name, member] : kDocInts) out[name] = doc.*member;
  json eut = json::array();
  for (const std::string& text : doc.eutTexts) eut.push_back(TextToJson(text, codec));
  out["eutTexts"] = std::move(eut);
  return out;
}

bool DocumentFromJson(const json& json, const TextCodec& codec, CPELKDoc& doc, std::string& error,
                      JsonShape* shape) {
  error.clear();
  Reader reader(codec, error);
  JsonShape own;
  return reader.Document(json, doc, shape ? *shape : own);
}

}  // namespace hvt
