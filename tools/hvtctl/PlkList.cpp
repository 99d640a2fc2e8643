#include "hvtctl/PlkList.h"

#include <algorithm>
#include <cstdio>
#include <ostream>
#include <string>
#include <vector>

#include "model/StringTable.h"
#include "model/TextCodec.h"

namespace hvt {
namespace {

std::string Utf8(const TextCodec& codec, const std::string& bytes) {
  return codec.ToUtf8(bytes).value_or(bytes);
}

std::string Format(const char* format, long long value) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, format, value);
  return buffer;
}

// Characters, not bytes, so that UTF-8 names line up.
size_t Width(const std::string& text) {
  size_t n = 0;
  for (unsigned char c : text) n += (c & 0xC0) != 0x80;
  return n;
}

std::string Pad(const std::string& text, size_t width) {
  const size_t w = Width(text);
  return w >= width ? text : text + std::string(width - w, ' ');
}

// A damaged file can hold any number: it shows as "?" rather than as a
// neighbour's entry.
template <class Array>
std::string Entry(const Array& array, long long index) {
  if (index < 0 || static_cast<size_t>(index) >= array.size()) return "?";
  return array[static_cast<size_t>(index)];
}

std::vector<std::string> OverviewRow(const CPELKDoc& doc, const TextCodec& codec, int n) {
  const UnitRecord& u = doc.unit(n);
  const bool sweep = u.testMode == 1;
  const bool variable = u.triggerMode == 1;
  auto trigger = [&](long long v) { return Format(variable ? "%lldms" : "%llddeg", v); };
  std::string width = "?";
  if (u.widthIndex >= 0 && u.widthIndex <= doc.widthLast) {
    const int32_t ns = doc.widthTable[static_cast<size_t>(u.widthIndex)];
    width = ns == -1 ? LoadString(TextId::Triangle) : Format("%lld", ns);
  }
  std::string terminator = "?";
  switch (u.terminator) {
    case 0:
      terminator = "Open";
      break;
    case 1:
      terminator = u.injectionLine == doc.lastLine - 1 ? "Int60" : "Int53.5";
      break;
    case 2:
      // The third entry of the instrument's list: 60 ohm on one without a
      // built-in terminator.
      terminator = doc.builtInTerminator != 0 ? "Ext50" : "Ext60";
      break;
    case 3:
      terminator = "Ext60";
      break;
  }
  const bool voltageSwept = u.voltageSweep == 1 && sweep;
  const bool triggerSwept = u.triggerSweep == 1 && sweep;
  const std::string polarity = u.polarity == 0   ? LoadString(TextId::Plus)
                               : u.polarity == 1 ? LoadString(TextId::Minus)
                                                 : "?";
  return {Format("%2lld", n),
          polarity,
          Utf8(codec, width),
          VoltageDisplayText(u.voltage),
          voltageSwept ? VoltageDisplayText(u.voltageStop) : "",
          voltageSwept ? VoltageDisplayText(u.voltageStep) : "",
          trigger(variable ? u.variable : u.phase),
          triggerSwept ? trigger(variable ? u.variableStop : u.phaseStop) : "",
          triggerSwept ? trigger(variable ? u.variableStep : u.phaseStep) : "",
          Utf8(codec, Entry(doc.lineNames, u.injectionLine)),
          Utf8(codec, Entry(doc.lineNames, u.returnLine)),
          terminator,
          Utf8(codec, u.name)};
}

}  // namespace

void PrintUnitOverview(const CPELKDoc& doc, const TextCodec& codec, std::ostream& out) {
  std::vector<std::vector<std::string>> rows;
  rows.push_back({"No", "+/-", Utf8(codec, LoadString(TextId::ColumnWidth)), "VOL1", "VOL2", "VOL3", "TRG1",
                  "TRG2", "TRG3", Utf8(codec, LoadString(TextId::ColumnInjection)), Utf8(codec, LoadString(TextId::ColumnReturn)),
                  Utf8(codec, LoadString(TextId::ColumnTerminator)), Utf8(codec, LoadString(TextId::UnitNameTitle))});
  for (int n = 1; n <= kUnitCount; ++n) rows.push_back(OverviewRow(doc, codec, n));
  std::vector<size_t> widths(rows[0].size(), 0);
  for (const auto& row : rows) {
    for (size_t c = 0; c < row.size(); ++c) widths[c] = std::max(widths[c], Width(row[c]));
  }
  for (const auto& row : rows) {
    std::string line;
    for (size_t c = 0; c < row.size(); ++c) {
      line += c + 1 < row.size() ? Pad(row[c], widths[c] + 2) : row[c];
    }
    while (!line.empty() && line.back() == ' ') line.pop_back();
    out << line << "\n";
  }
}

void PrintPrograms(CPELKDoc& doc, const TextCodec& codec, std::ostream& out) {
  bool any = false;
  for (int n = 1; n <= kProgramCount; ++n) {
    const int count = doc.CountProgramSteps(n);
    if (count == 0) continue;
    if (!any) out << "Program  Times  " << Utf8(codec, LoadString(TextId::ProgramNameTitle)) << "\n";
    any = true;
    const ProgramRecord& p = doc.program(n);
    out << Format("%7lld", n) << Format("  %5lld  ", p.times) << Utf8(codec, p.name) << "\n";
    std::string steps;
    for (int k = 1; k <= count; ++k) {
      const uint16_t code = p.step(2 * k - 1);
      std::string text;
      if (code == kStepLineOn) {
        text = LoadString(TextId::StepLineOn);
      } else if (code == kStepLineOff) {
        text = LoadString(TextId::StepLineOff);
      } else if (code >= 1 && code <= kUnitCount) {
        text = Format("%lld ", code) + doc.unit(code).name;
      } else {
        text = Format("? %lld", code);  // no step the instrument knows
      }
      steps += (k > 1 ? " -> " : "") + Utf8(codec, text);
    }
    out << "         " << steps << "\n";
  }
  if (!any) out << "No program has steps.\n";
}

}  // namespace hvt
