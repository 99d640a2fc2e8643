#pragma once

#include <cstdint>
#include <string>

namespace hvt {

class CPELKDoc;

namespace form {

// The texts of one unit's row, shared by the form's unit overview and the
// program editor's unit table (each shows the columns it has room for).
struct UnitRowTexts {
  std::string number;  // " %2d"
  std::string name;
  std::string polarity;    // "+" / "-"
  std::string width;       // "%d" ns, or the triangle text
  std::string voltage[3];  // start, stop, step; stop and step only when swept
  std::string trigger[3];  // "%dms" (Variable) or "%ddeg" (Phase), same rule
  std::string injection;
  std::string returnLine;
  std::string injectionTime;  // "Endless" or "%d"
  std::string intervalTime;
  std::string terminator;  // "Open", "Int60", "Int53.5", "Ext50", "Ext60"
};

// Row texts of unit `number` (1..50); damaged values give empty cells
// instead of reading outside a table.
UnitRowTexts UnitRow(const CPELKDoc& doc, int number);

// Short terminator name. Code 2 is the external terminator the instrument
// has: 50 ohm with a built-in terminator, else the 60 ohm one.
std::string TerminatorShortText(const CPELKDoc& doc, int terminator, int injectionLine);

// A program step's cell text: "LineOn", "LineOff", the first six characters
// of the unit's name when names are shown, else "No.%2d ". Empty for codes
// that are no step.
std::string StepText(const CPELKDoc& doc, uint16_t code);

}  // namespace form
}  // namespace hvt
