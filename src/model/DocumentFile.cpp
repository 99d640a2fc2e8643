#include "model/DocumentFile.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "model/Archive.h"
#include "model/StringTable.h"

namespace hvt {
namespace {

// Store-time rules.
void AtLeast(int32_t& value, int32_t low) {
  if (value < low) value = low;
}

void StepFromRange(int32_t& step, int32_t start, int32_t stop) {
  // 64 bits: start and stop come from files and may be anything.
  const long long span = std::llabs(static_cast<long long>(stop) - start);
  if (step == 0 && span != 0) step = static_cast<int32_t>(std::min<long long>(span, INT32_MAX));
}

// One walk over the field sequence serves both directions, so writer and
// reader cannot drift apart. Io has Int(int32_t&), U16(uint16_t&), Text(std::string&)
// and Fix(callable) that runs a store-time rule when storing only.
template <class Io>
bool WalkUnit(Io& io, UnitRecord& u) {
  return io.Int(u.polarity) && io.Int(u.polarityStop) && io.Int(u.polaritySweep) &&
         io.Int(u.widthIndex) && io.Int(u.widthIndexStop) && io.Int(u.widthSweep) &&
         io.Fix([&] { AtLeast(u.voltage, 1); }) && io.Int(u.voltage) &&
         io.Fix([&] { AtLeast(u.voltageStop, 1); }) && io.Int(u.voltageStop) &&
         io.Fix([&] { StepFromRange(u.voltageStep, u.voltage, u.voltageStop); }) &&
         io.Int(u.voltageStep) && io.Int(u.voltageSweep) && io.Fix([&] { AtLeast(u.phase, 0); }) &&
         io.Int(u.phase) && io.Fix([&] { AtLeast(u.phaseStop, 0); }) && io.Int(u.phaseStop) &&
         io.Fix([&] { StepFromRange(u.phaseStep, u.phase, u.phaseStop); }) && io.Int(u.phaseStep) &&
         // A Variable below the instrument's minimum is written as it is;
         // File Open raises it.
         io.Int(u.variable) && io.Int(u.variableStop) &&
         io.Fix([&] { StepFromRange(u.variableStep, u.variable, u.variableStop); }) &&
         io.Int(u.variableStep) &&
         // The file has the trigger sweep flag before the trigger mode.
         io.Int(u.triggerSweep) && io.Int(u.triggerMode) && io.Int(u.injectionLine) &&
         io.Int(u.injectionLineStop) && io.Int(u.returnLine) && io.Int(u.returnLineStop) &&
         io.Fix([&] { AtLeast(u.injectionTime, 1); }) && io.Int(u.injectionTime) &&
         io.Int(u.injectionEndless) && io.Fix([&] { AtLeast(u.intervalTime, 0); }) &&
         io.Int(u.intervalTime) && io.Int(u.intervalEndless) && io.Int(u.lineOption) &&
         // ... and the terminator before the test mode.
         io.Int(u.terminator) && io.Int(u.testMode) && io.Int(u.sweepOrder[0]) &&
         io.Int(u.sweepOrder[1]) && io.Int(u.sweepOrder[2]) && io.Int(u.sweepOrder[3]) &&
         io.Int(u.sweepOrder[4]) && io.Int(u.sweepOrder[5]) && io.Text(u.name) &&
         io.Int(u.sweepCount);
}

template <class Io>
bool WalkProgram(Io& io, ProgramRecord& p) {
  for (uint16_t& code : p.steps) {
    if (!io.U16(code)) return false;
  }
  return io.Text(p.name) && io.Text(p.memo) && io.Fix([&] { AtLeast(p.times, 1); }) &&
         io.Int(p.times);
}

// Everything after the header and the type.
template <class Io>
bool WalkBody(Io& io, CPELKDoc& doc) {
  for (UnitRecord& u : doc.units) {
    if (!WalkUnit(io, u)) return false;
  }
  for (ProgramRecord& p : doc.programs) {
    if (!WalkProgram(io, p)) return false;
  }
  if (!(io.Text(doc.testMemo) && io.U16(doc.currentUnit) && io.U16(doc.portNumber) &&
        io.U16(doc.currentProgram) && io.U16(doc.programStepCount) && io.Int(doc.programMode) &&
        io.U16(doc.programCursor) && io.Int(doc.showUnitNames))) {
    return false;
  }
  for (std::string& text : doc.eutTexts) {
    if (!io.Text(text)) return false;
  }
  return io.Int(doc.eutDeskTop) && io.Int(doc.eutFloorStand) && io.Int(doc.eutHandy);
}

struct Storer {
  ArchiveWriter out;
  bool Int(int32_t& v) { return out.WriteInt32(v), true; }
  bool U16(uint16_t& v) { return out.WriteU16(v), true; }
  bool Text(std::string& v) { return out.WriteText(v), true; }
  template <class F>
  bool Fix(F&& rule) {
    rule();
    return true;
  }
};

struct Loader {
  ArchiveReader& in;
  bool Int(int32_t& v) { return in.ReadInt32(v); }
  bool U16(uint16_t& v) { return in.ReadU16(v); }
  bool Text(std::string& v) { return in.ReadText(v); }
  template <class F>
  bool Fix(F&&) {
    return true;
  }
};

}  // namespace

std::string StoreDocument(CPELKDoc& doc) {
  Storer storer;
  storer.out.WriteText(LoadString(TextId::DocumentHeader));
  storer.out.WriteInt32(doc.injectionUnitType);
  WalkBody(storer, doc);
  return storer.out.bytes();
}

LoadOutcome LoadDocument(CPELKDoc& doc, std::string_view bytes, const TextCodec& codec,
                         std::string* headerFound) {
  ArchiveReader reader(bytes, codec);
  std::string header;
  if (!reader.ReadText(header)) return LoadOutcome::UnexpectedEnd;
  if (header != LoadString(TextId::DocumentHeader)) {
    if (headerFound) *headerFound = header;
    doc.loadStatus = kHeaderDiffers;
    return LoadOutcome::HeaderDiffers;
  }
  int32_t type = 0;
  if (!reader.ReadInt32(type)) return LoadOutcome::UnexpectedEnd;
  if (type != doc.injectionUnitType) {
    doc.loadStatus = kTypeDiffers;
    return LoadOutcome::TypeDiffers;
  }
  Loader loader{reader};
  return WalkBody(loader, doc) ? LoadOutcome::Loaded : LoadOutcome::UnexpectedEnd;
}

}  // namespace hvt

namespace hvt {

std::optional<int32_t> PeekInjectionUnitType(std::string_view bytes, const TextCodec& codec) {
  ArchiveReader reader(bytes, codec);
  std::string header;
  int32_t type = 0;
  if (!reader.ReadText(header) || header != LoadString(TextId::DocumentHeader) ||
      !reader.ReadInt32(type)) {
    return std::nullopt;
  }
  return type;
}

}  // namespace hvt
