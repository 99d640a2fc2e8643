#include <gtest/gtest.h>

#include "model/Archive.h"
#include "model/DocumentFile.h"
#include "model/StringTable.h"
#include "model/TextCodec.h"

namespace hvt {
namespace {

const TextCodec& codec = Cp1252Codec::Instance();

CPELKDoc NewDocument(int type) {
  CPELKDoc doc;
  doc.SetDemoConfiguration(type);
  doc.InitNewDocument();
  return doc;
}

int32_t Int32At(const std::string& bytes, size_t offset) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i)
    v = (v << 8) | static_cast<uint8_t>(bytes.at(offset + static_cast<size_t>(i)));
  return static_cast<int32_t>(v);
}

// A document with something different from the new values in every stored field.
CPELKDoc BusyDocument() {
  CPELKDoc doc = NewDocument(3);
  int n = 0;
  for (UnitRecord& u : doc.units) {
    ++n;
    u.polarity = 1;
    u.widthIndexStop = n % 9;
    u.voltage = 100 + n;
    u.voltageStop = 300;
    u.voltageStep = 7;
    u.voltageSweep = 1;
    u.phase = n;
    u.phaseStop = 359;
    u.phaseStep = 2;
    u.variable = 30;
    u.variableStop = 500;
    u.variableStep = 10;
    u.triggerMode = n % 2;
    u.triggerSweep = 1;
    u.returnLine = 2;
    u.injectionTime = 60 + n;
    u.injectionEndless = 0;
    u.intervalTime = n;
    u.terminator = n % 4;
    u.testMode = 1;
    u.sweepOrder = {0, 1, 4, 5, 3, 2};
    u.sweepCount = 2;
    u.name = "Name \xE9" + std::to_string(n);
  }
  for (size_t i = 0; i < doc.programs.size(); ++i) {
    ProgramRecord& p = doc.programs[i];
    p.step(1) = static_cast<uint16_t>(i + 1);
    p.step(3) = kStepLineOn;
    p.step(5) = kStepLineOff;
    p.memo = std::string(300, 'm');
    p.times = static_cast<int32_t>(i + 2);
  }
  doc.testMemo = "Test memo\r\nsecond line";
  doc.currentUnit = 9;
  doc.portNumber = 4;
  doc.currentProgram = 3;
  doc.programStepCount = 3;
  doc.programMode = 1;
  doc.programCursor = 7;
  doc.showUnitNames = 0;
  for (size_t i = 0; i < doc.eutTexts.size(); ++i) doc.eutTexts[i] = "eut" + std::to_string(i);
  doc.eutDeskTop = 1;
  doc.eutFloorStand = 1;
  doc.eutHandy = 1;
  return doc;
}

TEST(DocumentFile, NewDocumentLayout) {
  CPELKDoc doc = NewDocument(3);
  const std::string bytes = StoreDocument(doc);
  ASSERT_EQ(bytes.size(), kNewDocumentFileSize);
  EXPECT_EQ(bytes[0], '\x28');
  EXPECT_EQ(bytes.substr(1, 40), "HVT-KP4 Remote Control Software Ver2.0.0");
  EXPECT_EQ(Int32At(bytes, 41), 3);
  // Unit 1: 35 integers from 45, then the name's length prefix at 185.
  EXPECT_EQ(Int32At(bytes, 45), 0);            // polarity
  EXPECT_EQ(Int32At(bytes, 45 + 4), 1);        // polarityStop
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 6), 1);    // voltage
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 13), 20);  // variable
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 16), 0);   // triggerSweep comes before...
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 17), 1);   // ...triggerMode
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 20), 5);   // returnLine
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 27), 1);   // terminator comes before...
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 28), 0);   // ...testMode
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 29), 4);   // sweepOrder[0]
  EXPECT_EQ(bytes[185], '\x06');
  EXPECT_EQ(bytes.substr(186, 6), "Unit01");
  EXPECT_EQ(Int32At(bytes, 192), 0);  // sweepCount
  // Unit blocks of 151 bytes, program blocks of 215, a tail of 40.
  EXPECT_EQ(bytes.substr(45 + 151 + 141, 6), "Unit02");
  const size_t programs = 45 + 50 * 151;
  EXPECT_EQ(bytes.substr(programs + 201, 9), "Program01");
  EXPECT_EQ(Int32At(bytes, programs + 211), 1);  // times
  EXPECT_EQ(bytes.substr(programs + 215 + 201, 9), "Program02");
  const size_t tail = programs + 50 * 215;
  EXPECT_EQ(bytes.size() - tail, 40u);

  CPELKDoc type1 = NewDocument(1);
  const std::string bytes1 = StoreDocument(type1);
  EXPECT_EQ(Int32At(bytes1, 41), 1);
  EXPECT_EQ(Int32At(bytes1, 45 + 4 * 20), 4);
}

TEST(DocumentFile, RoundTripKeepsEveryStoredField) {
  CPELKDoc doc = BusyDocument();
  doc.units[0].name = std::string(255, 'N');    // 0xFF + u16 form
  doc.units[1].name = std::string(65534, 'L');  // long form
  const std::string bytes = StoreDocument(doc);

  CPELKDoc loaded = NewDocument(3);
  ASSERT_EQ(LoadDocument(loaded, bytes, codec), LoadOutcome::Loaded);
  EXPECT_EQ(loaded.units, doc.units);
  EXPECT_EQ(loaded.programs, doc.programs);
  EXPECT_EQ(loaded.testMemo, doc.testMemo);
  EXPECT_EQ(loaded.currentUnit, 9);
  EXPECT_EQ(loaded.portNumber, 4);
  EXPECT_EQ(loaded.currentProgram, 3);
  EXPECT_EQ(loaded.programStepCount, 3);
  EXPECT_EQ(loaded.programMode, 1);
  EXPECT_EQ(loaded.programCursor, 7);
  EXPECT_EQ(loaded.showUnitNames, 0);
  EXPECT_EQ(loaded.eutTexts, doc.eutTexts);
  EXPECT_EQ(loaded.eutDeskTop, 1);
  EXPECT_EQ(loaded.eutFloorStand, 1);
  EXPECT_EQ(loaded.eutHandy, 1);
  EXPECT_EQ(StoreDocument(loaded), bytes);
}

TEST(DocumentFile, SweepFlagsThatFilesDoNotHoldSurviveALoad) {
  CPELKDoc source = NewDocument(3);
  const std::string bytes = StoreDocument(source);
  CPELKDoc doc = NewDocument(3);
  doc.units[5].injectionSweep = 1;
  doc.units[5].returnSweep = 1;
  ASSERT_EQ(LoadDocument(doc, bytes, codec), LoadOutcome::Loaded);
  EXPECT_EQ(doc.units[5].injectionSweep, 1);
  EXPECT_EQ(doc.units[5].returnSweep, 1);
}

TEST(DocumentFile, StoreTimeRulesApplyToTheDocumentInFieldOrder) {
  CPELKDoc doc = NewDocument(3);
  UnitRecord& u = doc.unit(1);
  u.voltage = 0;
  u.voltageStop = -50;
  u.voltageStep = 0;  // start and stop both become 1 first, so the step stays 0
  u.phase = 10;
  u.phaseStop = 40;
  u.phaseStep = 0;
  u.injectionTime = 0;
  u.intervalTime = -3;
  u.variable = 5;  // below the instrument's minimum: written as it is
  u.variableStop = 3;
  u.variableStep = 0;

  UnitRecord& v = doc.unit(2);
  v.voltage = -10;
  v.voltageStop = 5;
  v.voltageStep = 0;  // from the clamped start: |5 - 1| = 4
  v.phase = -20;
  v.phaseStop = 30;
  v.phaseStep = 0;  // |30 - 0|

  UnitRecord& w = doc.unit(3);
  w.phase = 15;
  w.phaseStop = 15;
  w.phaseStep = 0;  // start = stop: stays 0
  w.voltageStep = 0;
  w.voltage = 5;
  w.voltageStop = 5;

  doc.program(4).times = 0;
  doc.program(5).times = -7;
  doc.program(6).times = 1000;  // no upper clamp when storing

  const std::string bytes = StoreDocument(doc);
  EXPECT_EQ(u.voltage, 1);
  EXPECT_EQ(u.voltageStop, 1);
  EXPECT_EQ(u.voltageStep, 0);
  EXPECT_EQ(u.phaseStep, 30);
  EXPECT_EQ(u.injectionTime, 1);
  EXPECT_EQ(u.intervalTime, 0);
  EXPECT_EQ(u.variable, 5);
  EXPECT_EQ(u.variableStop, 3);
  EXPECT_EQ(u.variableStep, 2);
  EXPECT_EQ(v.voltage, 1);
  EXPECT_EQ(v.voltageStep, 4);
  EXPECT_EQ(v.phase, 0);
  EXPECT_EQ(v.phaseStep, 30);
  EXPECT_EQ(w.phaseStep, 0);
  EXPECT_EQ(w.voltageStep, 0);
  EXPECT_EQ(doc.program(4).times, 1);
  EXPECT_EQ(doc.program(5).times, 1);
  EXPECT_EQ(doc.program(6).times, 1000);

  // What was written is the adjusted document.
  CPELKDoc loaded = NewDocument(3);
  ASSERT_EQ(LoadDocument(loaded, bytes, codec), LoadOutcome::Loaded);
  EXPECT_EQ(loaded.units, doc.units);
  EXPECT_EQ(loaded.programs, doc.programs);
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 6), 1);
  EXPECT_EQ(Int32At(bytes, 45 + 4 * 12), 30);
}

TEST(DocumentFile, StepFromExtremeRangeDoesNotOverflow) {
  CPELKDoc doc = NewDocument(3);
  UnitRecord& u = doc.unit(1);
  u.variable = INT32_MIN;
  u.variableStop = INT32_MAX;
  u.variableStep = 0;
  StoreDocument(doc);
  EXPECT_EQ(u.variableStep, INT32_MAX);
}

TEST(DocumentFile, LoadingDoesNotValidate) {
  CPELKDoc doc = NewDocument(3);
  doc.unit(1).voltage = -4;  // stored after the rules run: patch the bytes instead
  std::string bytes = StoreDocument(doc);
  bytes[45 + 24] = '\xFC';
  bytes[45 + 25] = bytes[45 + 26] = bytes[45 + 27] = '\xFF';
  CPELKDoc loaded = NewDocument(3);
  ASSERT_EQ(LoadDocument(loaded, bytes, codec), LoadOutcome::Loaded);
  EXPECT_EQ(loaded.unit(1).voltage, -4);
}

TEST(DocumentFile, HeaderAndTypeMismatchStopAtOnce) {
  CPELKDoc source = BusyDocument();
  const std::string bytes = StoreDocument(source);

  // Another header: nothing read, status 2.
  std::string foreign = bytes;
  foreign[40] = '1';
  CPELKDoc doc = NewDocument(3);
  const CPELKDoc before = doc;
  EXPECT_EQ(LoadDocument(doc, foreign, codec), LoadOutcome::HeaderDiffers);
  EXPECT_EQ(doc.loadStatus, kHeaderDiffers);
  EXPECT_EQ(doc.units, before.units);

  // Case matters.
  std::string lower = bytes;
  lower[1] = 'h';
  doc.loadStatus = 0;
  EXPECT_EQ(LoadDocument(doc, lower, codec), LoadOutcome::HeaderDiffers);

  // The header and a type only: refused on the type though the rest is missing.
  CPELKDoc type1 = NewDocument(1);
  doc.loadStatus = 0;
  EXPECT_EQ(LoadDocument(type1, bytes.substr(0, 45), codec), LoadOutcome::TypeDiffers);
  EXPECT_EQ(type1.loadStatus, kTypeDiffers);
  EXPECT_EQ(type1.unit(1).returnLine, 4);

  // A file of the other type in full: the document keeps its contents.
  CPELKDoc other = NewDocument(1);
  other.unit(3).name = "Other";
  EXPECT_EQ(LoadDocument(other, bytes, codec), LoadOutcome::TypeDiffers);
  EXPECT_EQ(other.unit(3).name, "Other");
  EXPECT_EQ(other.portNumber, 1);
}

TEST(DocumentFile, TruncationFailsAndKeepsWhatWasRead) {
  const CPELKDoc source = BusyDocument();
  CPELKDoc copy = source;
  const std::string bytes = StoreDocument(copy);
  const CPELKDoc fresh = NewDocument(3);

  // Every cut inside the first unit, around block boundaries, and a spread
  // of offsets through the rest.
  std::vector<size_t> cuts;
  for (size_t i = 0; i < 400; ++i) cuts.push_back(i);
  for (size_t i = 400; i < bytes.size(); i += 97) cuts.push_back(i);
  cuts.push_back(bytes.size() - 1);
  for (size_t cut : cuts) {
    CPELKDoc doc = fresh;
    const LoadOutcome outcome = LoadDocument(doc, std::string_view(bytes).substr(0, cut), codec);
    ASSERT_EQ(outcome, LoadOutcome::UnexpectedEnd) << cut;
    EXPECT_EQ(doc.loadStatus, 0) << cut;
  }

  // A cut in the middle of unit 3: units 1 and 2 are loaded, unit 3 has the
  // fields before the cut, unit 4 is untouched.
  ArchiveReader probe(bytes, codec);
  std::string text;
  int32_t value;
  probe.ReadText(text);
  probe.ReadInt32(value);
  // Walk two units: 35 ints, name, 1 int each.
  for (int n = 0; n < 2; ++n) {
    for (int i = 0; i < 35; ++i) probe.ReadInt32(value);
    probe.ReadText(text);
    probe.ReadInt32(value);
  }
  const size_t cut = probe.position() + 4 * 7 + 2;  // inside voltageStop of unit 3
  CPELKDoc doc = fresh;
  ASSERT_EQ(LoadDocument(doc, std::string_view(bytes).substr(0, cut), codec),
            LoadOutcome::UnexpectedEnd);
  EXPECT_EQ(doc.unit(1), source.unit(1));
  EXPECT_EQ(doc.unit(2), source.unit(2));
  EXPECT_EQ(doc.unit(3).voltage, source.unit(3).voltage);
  EXPECT_EQ(doc.unit(3).voltageStop, fresh.unit(3).voltageStop);
  EXPECT_EQ(doc.unit(3).name, fresh.unit(3).name);
  EXPECT_EQ(doc.unit(4), fresh.unit(4));
  EXPECT_EQ(doc.programs, fresh.programs);

  // A cut in the last field: everything before it is read.
  CPELKDoc tailCut = fresh;
  ASSERT_EQ(LoadDocument(tailCut, std::string_view(bytes).substr(0, bytes.size() - 3), codec),
            LoadOutcome::UnexpectedEnd);
  EXPECT_EQ(tailCut.testMemo, source.testMemo);
  EXPECT_EQ(tailCut.eutDeskTop, 1);
  EXPECT_EQ(tailCut.eutFloorStand, 1);
  EXPECT_EQ(tailCut.eutHandy, 0);
}

TEST(DocumentFile, DamagedLengthPrefixIsAnEndOfFile) {
  CPELKDoc source = NewDocument(3);
  std::string bytes = StoreDocument(source);
  // Unit 1's name claims 2 GiB.
  bytes.replace(185, 1, std::string("\xFF\xFF\xFF\xFF\xFF\xFF\x7F", 7));
  CPELKDoc doc = NewDocument(3);
  EXPECT_EQ(LoadDocument(doc, bytes, codec), LoadOutcome::UnexpectedEnd);
  EXPECT_EQ(doc.unit(1).name, "Unit01");
}

TEST(DocumentFile, SixteenBitNamesLoadAsEightBitText) {
  CPELKDoc source = NewDocument(3);
  std::string bytes = StoreDocument(source);
  // Replace unit 1's "Unit01" with a 16-bit string "Zé".
  bytes.replace(185, 7,
                std::string("\xFF\xFE\xFF\x02"
                            "Z\x00\xE9\x00",
                            8));
  CPELKDoc doc = NewDocument(3);
  ASSERT_EQ(LoadDocument(doc, bytes, codec), LoadOutcome::Loaded);
  EXPECT_EQ(doc.unit(1).name, "Z\xE9");
  EXPECT_EQ(doc.unit(2).name, "Unit02");
}

TEST(DocumentFile, PeekTypeReadsOnlyOurFiles) {
  CPELKDoc doc = NewDocument(1);
  const std::string bytes = StoreDocument(doc);
  EXPECT_EQ(PeekInjectionUnitType(bytes, codec), 1);
  EXPECT_EQ(PeekInjectionUnitType(bytes.substr(0, 44), codec), std::nullopt);
  EXPECT_EQ(PeekInjectionUnitType("\x03"
                                  "abc\x01\x00\x00\x00",
                                  codec),
            std::nullopt);
}

}  // namespace
}  // namespace hvt
