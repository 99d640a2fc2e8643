#pragma once

#include <array>
#include <nlohmann/json.hpp>
#include <string>

#include "model/CPELKDoc.h"

namespace hvt {

class TextCodec;

// JSON of every field a .plk file stores, keyed by field name. Texts are
// converted from the code page to UTF-8; a text that is not valid in the
// code page is written as {"hex": "..."} so that no byte is lost.
nlohmann::ordered_json DocumentToJson(const CPELKDoc& doc, const TextCodec& codec);

// A program's steps are written as a plain list of at most 50 steps (unit
// numbers, "LineOn", "LineOff") that fill the odd positions, or, when the
// stored positions are not such a list, as all 100 positions.
nlohmann::ordered_json StepsToJson(const ProgramRecord& program);

// What the JSON looked like where the document alone cannot tell, so that
// checks can name the JSON path of a value.
struct JsonShape {
  JsonShape();
  // The length of a program's plain step list, -1 for stored positions.
  std::array<int, kProgramCount> plainSteps;
  // Where each unit and program was given: units[2] in an array, units["3"]
  // in an object keyed by number.
  std::array<std::string, kUnitCount> unitPaths;
  std::array<std::string, kProgramCount> programPaths;
};

// The path of member key of the value at path: units, a.b, units["3"].
std::string MemberPath(const std::string& path, const std::string& key);

// Parses JSON text as nlohmann's parse does (a syntax error throws its
// parse_error), except that a key given twice in one object, which the
// parser would silently fold into one, is refused: false, with error
// naming its path.
bool ParseJsonText(const std::string& text, nlohmann::ordered_json& out, std::string& error);

// Fills the stored fields of doc from JSON made by DocumentToJson or written
// by hand. Keys that are missing keep the document's values, and so do the
// units and programs left out: "units" and "programs" are arrays of up to 50
// (entry 0 is number 1) or objects keyed by number ("3": unit 3). Unknown
// keys, numbers outside 1..50, wrong types, values that do not fit the
// stored field and texts the code page cannot hold are errors. Whether the
// values suit an instrument is CheckDocument's matter.
bool DocumentFromJson(const nlohmann::ordered_json& json, const TextCodec& codec, CPELKDoc& doc,
                      std::string& error, JsonShape* shape = nullptr);

}  // namespace hvt
