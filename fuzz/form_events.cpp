// The condition form driven by events decoded from the input, over a
// document whose shown unit and selections hold values read from the input
// too: no crash, no endless loop, and after every event the unit on the form
// keeps its invariants (order a permutation, count matching the flags, edit
// texts in form, values within bounds).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "support/DamagedDocument.h"
#include "support/FormEventDriver.h"

namespace {

struct Input {
  const uint8_t* data;
  size_t size;
  size_t pos = 0;
  bool Empty() const { return pos >= size; }
  uint32_t Byte() { return pos < size ? data[pos++] : 0; }
  int32_t Int() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= Byte() << (8 * i);
    return static_cast<int32_t>(v);
  }
  uint32_t Next(uint32_t n) {
    if (n == 0) return 0;
    const uint32_t v = n > 256 ? (Byte() | Byte() << 8) : Byte();
    return v % n;
  }
};

void Check(hvt::testing::FormRig& rig) {
  if (!hvt::testing::FormInvariantFailure(rig).empty()) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using hvt::UnitRecord;
  static auto rigs = [] {
    std::array<std::unique_ptr<hvt::testing::FormRig>, 2> r{
        std::make_unique<hvt::testing::FormRig>(1), std::make_unique<hvt::testing::FormRig>(3)};
    return r;
  }();
  Input in{data, size};
  hvt::testing::FormRig& rig = *rigs[in.Byte() % 2];
  if (rig.view->RunActive()) rig.view->run.EndRun();
  // The rig lives across inputs; what it records would only grow.
  rig.prompter.shown.clear();
  rig.form.statusTexts.clear();
  rig.form.progressHistory.clear();
  rig.form.beeps.clear();
  rig.device.received.clear();
  rig.doc.InitNewDocument();
  hvt::testing::DamageDocument(rig.doc, static_cast<uint32_t>(in.Int()));
  // The unit shown takes its fields straight from the input.
  const int shown = 1 + static_cast<int>(in.Byte() % hvt::kUnitCount);
  rig.doc.currentUnit = static_cast<uint16_t>(shown);
  UnitRecord& u = rig.doc.unit(shown);
  for (int32_t* field : {&u.voltage, &u.voltageStop, &u.voltageStep, &u.voltageSweep, &u.phase,
                         &u.phaseStop, &u.phaseStep, &u.variable, &u.variableStop, &u.variableStep,
                         &u.triggerMode, &u.triggerSweep, &u.injectionLine, &u.returnLine,
                         &u.terminator, &u.testMode, &u.sweepCount}) {
    if (in.Byte() & 1) *field = in.Int();
  }
  if (in.Byte() & 1) {
    for (int32_t& p : u.sweepOrder) p = static_cast<int32_t>(in.Byte() % 9) - 1;
  }
  rig.view->InitialUpdate();
  Check(rig);
  for (int events = 0; !in.Empty() && events < 200; ++events) {
    hvt::testing::DriveOneEvent(rig, [&](uint32_t n) { return in.Next(n); });
    Check(rig);
  }
  return 0;
}
