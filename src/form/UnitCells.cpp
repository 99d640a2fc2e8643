#include "form/UnitCells.h"

#include <cstdio>

#include "model/CPELKDoc.h"
#include "model/CodePageText.h"
#include "model/ProgramRecord.h"
#include "model/StringTable.h"

namespace hvt::form {

namespace {

// The form's own texts (the report has its own, English in every language).

std::string Format(const char* format, long long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

template <typename Table>
std::string Entry(const Table& table, int32_t index) {
  if (index < 0 || static_cast<size_t>(index) >= table.size()) return {};
  return table[static_cast<size_t>(index)];
}

}  // namespace

std::string TerminatorShortText(const CPELKDoc& doc, int terminator, int injectionLine) {
  switch (terminator) {
    case kTerminatorOpen:
      return LoadString(TextId::TerminatorOpen);
    case kTerminatorInt:
      return injectionLine == doc.lastLine - 1 ? "Int60" : "Int53.5";
    case kTerminatorExt50:
      return doc.builtInTerminator != 0 ? "Ext50" : "Ext60";
    case kTerminatorExt60:
      return "Ext60";
    default:
      return {};
  }
}

UnitRowTexts UnitRow(const CPELKDoc& doc, int number) {
  UnitRowTexts row;
  row.number = Format(" %2lld", number);
  if (number < 1 || number > kUnitCount) return row;
  const UnitRecord& u = doc.unit(number);
  row.name = u.name;
  row.polarity = LoadString(u.polarity == 0 ? TextId::Plus : TextId::Minus);
  if (u.widthIndex >= 0 && static_cast<size_t>(u.widthIndex) < doc.widthTable.size()) {
    const int32_t width = doc.widthTable[static_cast<size_t>(u.widthIndex)];
    row.width = width == -1 ? LoadString(TextId::Triangle) : Format("%lld", width);
  }
  const bool swept = u.testMode == 1;
  row.voltage[0] = VoltageDisplayText(u.voltage);
  if (swept && u.voltageSweep == 1) {
    row.voltage[1] = VoltageDisplayText(u.voltageStop);
    row.voltage[2] = VoltageDisplayText(u.voltageStep);
  }
  const bool variable = u.triggerMode == 1;
  const char* unit = variable ? "%lldms" : "%llddeg";
  row.trigger[0] = Format(unit, variable ? u.variable : u.phase);
  if (swept && u.triggerSweep == 1) {
    row.trigger[1] = Format(unit, variable ? u.variableStop : u.phaseStop);
    row.trigger[2] = Format(unit, variable ? u.variableStep : u.phaseStep);
  }
  row.injection = Entry(doc.lineNames, u.injectionLine);
  row.returnLine = Entry(doc.lineNames, u.returnLine);
  row.injectionTime =
      u.injectionEndless != 0 ? LoadString(TextId::Endless) : Format("%lld", u.injectionTime);
  row.intervalTime =
      u.intervalEndless != 0 ? LoadString(TextId::Endless) : Format("%lld", u.intervalTime);
  row.terminator = TerminatorShortText(doc, u.terminator, u.injectionLine);
  return row;
}

std::string StepText(const CPELKDoc& doc, uint16_t code) {
  // The form's names: the report keeps LineOn and LineOff in every language.
  if (code == kStepLineOn) return LoadString(TextId::LineOn);
  if (code == kStepLineOff) return LoadString(TextId::LineOff);
  if (code < 1 || code > kUnitCount) return {};
  if (doc.showUnitNames == 1) return CutToBytes(doc.unit(code).name, 6, doc.codePage);
  return Format("No.%2lld ", code);
}

std::string CutToBytes(const std::string& text, size_t limit, int codePage) {
  return std::string(CutBytes(text, limit, codePage));
}

}  // namespace hvt::form
