#pragma once

#include <cstddef>
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

// A program step's cell text: "LineOn", "LineOff", the first six bytes of
// the unit's name when names are shown, else "No.%2d ". Empty for codes
// that are no step.
std::string StepText(const CPELKDoc& doc, uint16_t code);

// The longest head of `text` of at most `limit` bytes that ends on a
// character boundary: in code page 932 a double-byte character is left out
// whole rather than cut in two.
std::string CutToBytes(const std::string& text, size_t limit, int codePage);

}  // namespace form
}  // namespace hvt
