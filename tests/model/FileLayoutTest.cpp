// The unit block of a .plk file at fixed offsets, worked out from the field
// table by hand rather than by the writer's own walk, and the store-time
// rules at their bounds.

#include <gtest/gtest.h>

#include "model/DocumentFile.h"
#include "model/TextCodec.h"

namespace hvt {
namespace {

int32_t Int32At(const std::string& bytes, size_t offset) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<uint8_t>(bytes.at(offset + static_cast<size_t>(i)));
  return static_cast<int32_t>(v);
}

CPELKDoc NewDocument() {
  CPELKDoc doc;
  doc.SetDemoConfiguration(3);
  doc.InitNewDocument();
  return doc;
}

// The 35 integers ahead of the name, in file order: note triggerSweep before
// triggerMode, terminator before testMode, and no injectionSweep or
// returnSweep.
int32_t& FileField(UnitRecord& u, int k) {
  int32_t* const fields[35] = {
      &u.polarity,       &u.polarityStop,    &u.polaritySweep, &u.widthIndex,
      &u.widthIndexStop, &u.widthSweep,      &u.voltage,       &u.voltageStop,
      &u.voltageStep,    &u.voltageSweep,    &u.phase,         &u.phaseStop,
      &u.phaseStep,      &u.variable,        &u.variableStop,  &u.variableStep,
      &u.triggerSweep,   &u.triggerMode,     &u.injectionLine, &u.injectionLineStop,
      &u.returnLine,     &u.returnLineStop,  &u.injectionTime, &u.injectionEndless,
      &u.intervalTime,   &u.intervalEndless, &u.lineOption,    &u.terminator,
      &u.testMode,       &u.sweepOrder[0],   &u.sweepOrder[1], &u.sweepOrder[2],
      &u.sweepOrder[3],  &u.sweepOrder[4],   &u.sweepOrder[5],
  };
  return *fields[k];
}

TEST(FileLayout, EveryUnitFieldAtItsOffset) {
  CPELKDoc doc = NewDocument();
  // Unit n's field k holds n * 1000 + k + 1: no store-time rule touches it.
  for (int n : {1, 2}) {
    UnitRecord& u = doc.unit(n);
    for (int k = 0; k < 35; ++k) FileField(u, k) = n * 1000 + k + 1;
    u.sweepCount = n * 1000 + 36;
    u.injectionSweep = -11;  // not stored
    u.returnSweep = -12;
  }
  doc.unit(1).name = "First unit";
  doc.unit(2).name = std::string(300, 'x');  // 0xFF and a u16 length
  const std::string bytes = StoreDocument(doc);

  // Unit 1 at 45: 35 integers, the name's one-byte prefix at 185, then
  // sweepCount.
  for (int k = 0; k < 35; ++k) {
    EXPECT_EQ(Int32At(bytes, 45 + 4 * static_cast<size_t>(k)), 1000 + k + 1) << "field " << k + 1;
  }
  EXPECT_EQ(static_cast<uint8_t>(bytes[185]), 10);
  EXPECT_EQ(bytes.substr(186, 10), "First unit");
  EXPECT_EQ(Int32At(bytes, 196), 1036);

  // Unit 2 begins 144 bytes plus the encoded name later: 45 + 144 + 11.
  const size_t unit2 = 200;
  for (int k = 0; k < 35; ++k) {
    EXPECT_EQ(Int32At(bytes, unit2 + 4 * static_cast<size_t>(k)), 2000 + k + 1)
        << "unit 2 field " << k + 1;
  }
  EXPECT_EQ(static_cast<uint8_t>(bytes[unit2 + 140]), 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(bytes[unit2 + 141]), 300 & 0xFF);
  EXPECT_EQ(static_cast<uint8_t>(bytes[unit2 + 142]), 300 >> 8);
  EXPECT_EQ(bytes.substr(unit2 + 143, 300), std::string(300, 'x'));
  EXPECT_EQ(Int32At(bytes, unit2 + 443), 2036);
  // Unit 3 follows at once, a new unit's values.
  EXPECT_EQ(bytes.substr(unit2 + 447 + 141, 6), "Unit03");
  EXPECT_EQ(bytes.size(), kNewDocumentFileSize - 2 * 7 + 11 + 303);

  // And back: every field lands where it came from.
  CPELKDoc loaded = NewDocument();
  ASSERT_EQ(LoadDocument(loaded, bytes, Cp1252Codec::Instance()), LoadOutcome::Loaded);
  for (int n : {1, 2}) {
    for (int k = 0; k < 35; ++k) {
      EXPECT_EQ(FileField(loaded.unit(n), k), n * 1000 + k + 1) << "unit " << n << " field " << k;
    }
    EXPECT_EQ(loaded.unit(n).sweepCount, n * 1000 + 36);
    EXPECT_EQ(loaded.unit(n).injectionSweep, 0);
  }
}

TEST(FileLayout, StoreTimeRulesAtTheirBounds) {
  struct Case {
    const char* what;
    int k;          // the field, as FileField counts
    int32_t given;  // stored as
    int32_t written;
  };
  const Case cases[] = {
      {"voltage 0", 6, 0, 1},
      {"voltage 1", 6, 1, 1},
      {"voltage -1", 6, -1, 1},
      {"voltageStop 0", 7, 0, 1},
      {"voltageStop 1", 7, 1, 1},
      {"phase -1", 10, -1, 0},
      {"phase 0", 10, 0, 0},
      {"phaseStop -1", 11, -1, 0},
      {"phaseStop 0", 11, 0, 0},
      {"injectionTime 0", 22, 0, 1},
      {"injectionTime 1", 22, 1, 1},
      {"intervalTime -1", 24, -1, 0},
      {"intervalTime 0", 24, 0, 0},
      {"variable 0 (no rule)", 13, 0, 0},
      {"variableStop -5 (no rule)", 14, -5, -5},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CPELKDoc doc = NewDocument();
    UnitRecord& u = doc.unit(1);
    // Start = stop with a step of 1: no step rule applies.
    u.voltage = u.voltageStop = 100;
    u.phase = u.phaseStop = 90;
    u.variable = u.variableStop = 50;
    FileField(u, c.k) = c.given;
    const std::string bytes = StoreDocument(doc);
    EXPECT_EQ(Int32At(bytes, 45 + 4 * static_cast<size_t>(c.k)), c.written);
    EXPECT_EQ(FileField(u, c.k), c.written);  // the document keeps it
  }

  // A zero step becomes the distance of the clamped start and stop; a
  // non-zero step is left alone, even when larger.
  CPELKDoc doc = NewDocument();
  UnitRecord& u = doc.unit(1);
  u.voltage = 0;
  u.voltageStop = 2;
  u.voltageStep = 0;  // |2 - 1|
  u.phase = -1;
  u.phaseStop = 1;
  u.phaseStep = 0;  // |1 - 0|
  u.variable = 30;
  u.variableStop = 29;
  u.variableStep = 0;  // |29 - 30|
  doc.unit(2).voltageStep = 500;
  doc.program(1).times = 0;
  doc.program(2).times = 1;
  const std::string bytes = StoreDocument(doc);
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 8), 1);
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 12), 1);
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 15), 1);
  EXPECT_EQ(doc.unit(2).voltageStep, 500);
  EXPECT_EQ(doc.program(1).times, 1);
  EXPECT_EQ(doc.program(2).times, 1);
  // Program 1's times: after 100 steps and two empty texts.
  const size_t programs = 45 + 50 * 151;
  EXPECT_EQ(Int32At(bytes, programs + 200 + 1 + 9 + 1), 1);
}

}  // namespace
}  // namespace hvt
