#pragma once

#include <iosfwd>

#include "model/CPELKDoc.h"

namespace hvt {

class TextCodec;

// The 50 units as the form's unit overview list shows them, one row each,
// with the unit's name added as the last column.
void PrintUnitOverview(const CPELKDoc& doc, const TextCodec& codec, std::ostream& out);

// Every program that has steps: number, Program Times, name and its steps
// as the program list names them.
void PrintPrograms(CPELKDoc& doc, const TextCodec& codec, std::ostream& out);

}  // namespace hvt
