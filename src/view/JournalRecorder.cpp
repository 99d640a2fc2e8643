#include "view/JournalRecorder.h"

#include <cstdio>

#include "form/UnitCells.h"
#include "journal/Sha256.h"
#include "link/Connection.h"
#include "model/CPELKDoc.h"
#include "model/DocumentFile.h"
#include "model/Settings.h"
#include "model/TextCodec.h"

namespace hvt {

using journal::Json;

namespace {

std::string Kilovolts(int32_t hundredths) {
  char text[24];
  const long long v = hundredths;
  std::snprintf(text, sizeof text, "%s%lld.%02lld", v < 0 ? "-" : "", (v < 0 ? -v : v) / 100,
                (v < 0 ? -v : v) % 100);
  return text;
}

const char* EndStatus(RunEnd how, bool started) {
  if (!started) return "aborted";
  switch (how) {
    case RunEnd::Completed:
      return "completed";
    case RunEnd::Stopped:
    case RunEnd::None:
      return "stopped";
    case RunEnd::InstrumentReport:
    case RunEnd::CommunicationFailure:
      return "error";
  }
  return "stopped";
}

const char* EndReason(RunEnd how, bool started) {
  switch (how) {
    case RunEnd::Completed:
      return "the test ended normally";
    case RunEnd::Stopped:
    case RunEnd::None:
      return started ? "stopped by the operator or the program" : "refused before the start";
    case RunEnd::InstrumentReport:
      return "the instrument stopped the test";
    case RunEnd::CommunicationFailure:
      return started ? "communication failure" : "no answer to the start";
  }
  return "";
}

}  // namespace

std::string RequiredCriterion(const SettingsFile& settings) {
  const std::string criterion = settings.ReadSetting("Journal", "REQUIRED_CRITERION");
  return criterion.size() == 1 && criterion[0] >= 'A' && criterion[0] <= 'D' ? criterion : "";
}

void ReadJournalSettings(const SettingsFile& settings, const std::string& loginName,
                         JournalContext& context) {
  const std::string name = settings.ReadSetting("Journal", "OPERATOR");
  context.operatorName = name.empty() ? loginName : name;
  context.requiredCriterion = RequiredCriterion(settings);
}

std::string JournalRecorder::Utf8(const std::string& bytes) const {
  if (auto text = codec.ToUtf8(bytes)) return *text;
  return bytes;  // the JSON writer replaces what is not UTF-8
}

void JournalRecorder::Write(std::string_view type, const Json& fields) {
  if (!writer || !writer->IsOpen()) return;
  std::string error;
  if (!writer->Write(type, fields, &error)) lastError = lastPath + ": " + error;
}

Json JournalRecorder::UnitConditions(int32_t unitNumber) const {
  const form::UnitRowTexts row = form::UnitRow(doc, unitNumber);
  const UnitRecord& u = doc.unit(unitNumber);
  Json conditions = Json::Object()
                        .Set("unit", unitNumber)
                        .Set("name", Utf8(u.name))
                        .Set("mode", u.testMode == 1 ? "sweep" : "manual")
                        .Set("polarity", Utf8(row.polarity))
                        .Set("width", Utf8(row.width))
                        .Set("voltage_kv", Kilovolts(u.voltage));
  if (u.testMode == 1 && u.voltageSweep) {
    conditions.Set("voltage_stop_kv", Kilovolts(u.voltageStop))
        .Set("voltage_step_kv", Kilovolts(u.voltageStep));
  }
  conditions.Set("trigger", u.triggerMode == 1 ? "variable" : "phase")
      .Set("trigger_value", Utf8(row.trigger[0]));
  if (u.testMode == 1 && u.triggerSweep) {
    conditions.Set("trigger_stop", Utf8(row.trigger[1])).Set("trigger_step", Utf8(row.trigger[2]));
  }
  conditions.Set("line", Utf8(row.injection))
      .Set("return", Utf8(row.returnLine))
      .Set("terminator", Utf8(row.terminator))
      .Set("injection_s", u.injectionEndless ? Json("Endless") : Json(u.injectionTime))
      .Set("interval_s", u.intervalEndless ? Json("Endless") : Json(u.intervalTime));
  return conditions;
}

void JournalRecorder::RunStarted(int32_t unitNumber, bool programRun) {
  started = true;
  failure = RunEnd::None;
  operatorStop = false;
  stopReason.clear();
  programTimes = sequence.sendTimesLeft;
  marks = 0;
  writer.reset();
  lastPath.clear();
  if (!folder) return;
  writer = std::make_unique<journal::Writer>(*folder, clock);
  std::string error;
  if (!writer->Create(&error)) {
    lastError = folder->Path() + ": " + error;
    writer.reset();
    return;
  }
  lastPath = writer->FilePath();
  lastError.clear();

  Json document = Json::Object();
  const std::string path = context.documentPath ? context.documentPath() : std::string();
  if (!path.empty()) document.Set("path", path);
  CPELKDoc copy = doc;  // storing applies its rules to the document stored
  const std::string sha = journal::Sha256Hex(StoreDocument(copy));
  document.Set("sha256", sha);
  // The file too when it differs: unsaved changes, or a unit chosen to run.
  if (!path.empty() && context.fileOnDisk) {
    if (auto bytes = context.fileOnDisk()) {
      const std::string onDisk = journal::Sha256Hex(*bytes);
      if (onDisk != sha) document.Set("file_sha256", onDisk);
    }
  }
  Json instrument = Json::Object().Set("demonstration", doc.demoMode != 0);
  if (!doc.demoMode) instrument.Set("identification", Utf8(connection.identity));
  instrument.Set("configuration", Json::Object()
                                      .Set("max_voltage_kv", Kilovolts(doc.maxVoltage))
                                      .Set("injection_unit_type", doc.injectionUnitType)
                                      .Set("min_variable_ms", doc.minVariable)
                                      .Set("built_in_terminator", doc.builtInTerminator != 0));
  Json what = Json::Object().Set("kind", programRun ? "program" : "unit");
  if (programRun) {
    what.Set("program", doc.currentProgram)
        .Set("program_name", Utf8(doc.CurrentProgram().name))
        .Set("times", sequence.sendTimesLeft);
  } else {
    what.Set("unit", unitNumber);
  }
  what.Set("one_shot", run.oneShotMode != 0).Set("demonstration", doc.demoMode != 0);
  Json start =
      Json::Object()
          .Set("program", context.program)
          .Set("version", context.version)
          .Set("operator", context.operatorName)
          .Set("instrument", instrument)
          .Set("document", document)
          .Set("runs", what)
          .Set("required_criterion",
               context.requiredCriterion.empty() ? Json(nullptr) : Json(context.requiredCriterion));
  Write("run_start", start);
  UnitStarted(unitNumber, programRun ? sequence.showPos : 0);
}

void JournalRecorder::UnitStarted(int32_t unitNumber, int32_t position) {
  Json fields = Json::Object();
  if (position > 0) {
    // The demonstration counts its repetitions on the fed side.
    const int32_t left = doc.demoMode ? sequence.sendTimesLeft : sequence.showTimesLeft;
    const int32_t repetition = programTimes - left + 1;
    fields.Set("step", (position + 1) / 2).Set("repetition", repetition);
  }
  const Json conditions = UnitConditions(unitNumber);
  for (const auto& [key, value] : conditions.Members()) fields.Set(key, value);
  Write("unit_start", fields);
}

void JournalRecorder::PointStarted(int32_t unitNumber) {
  const SweepPoint& p = sweep.sweepPoint;
  const UnitRecord& u = doc.unit(unitNumber);
  Json fields = Json::Object()
                    .Set("unit", unitNumber)
                    .Set("voltage_kv", Kilovolts(p.voltage))
                    .Set(u.triggerMode == 1 ? "variable_ms" : "phase_deg",
                         u.triggerMode == 1 ? p.variable : p.phase)
                    .Set("polarity", p.polarity == 0 ? "+" : "-")
                    .Set("injection_count", sweep.injectionLeft);
  Write("point", fields);
}

JournalRecorder::Moment JournalRecorder::TakeMoment() const {
  Moment m;
  m.utcMs = clock.UtcMs();
  const int32_t unit = run.activeUnit;
  Json at = Json::Object().Set("running", run.RunActive());
  if (unit >= 1 && unit <= kUnitCount) {
    if (doc.programMode) {
      const int32_t left = doc.demoMode ? sequence.sendTimesLeft : sequence.showTimesLeft;
      at.Set("step", (sequence.showPos + 1) / 2).Set("repetition", programTimes - left + 1);
    }
    const SweepPoint& p = sweep.sweepPoint;
    const UnitRecord& u = doc.unit(unit);
    at.Set("point", Json::Object()
                        .Set("voltage_kv", Kilovolts(p.voltage))
                        .Set(u.triggerMode == 1 ? "variable_ms" : "phase_deg",
                             u.triggerMode == 1 ? p.variable : p.phase)
                        .Set("polarity", p.polarity == 0 ? "+" : "-"));
    at.Set("conditions", UnitConditions(unit));
  }
  m.at = at;
  return m;
}

bool JournalRecorder::WriteMark(const Moment& moment, char criterion, const std::string& noteUtf8,
                                std::optional<int32_t> durationS) {
  if (lastPath.empty() || !writer || !folder) {
    markError = "no run journal to mark";
    return false;
  }
  const std::string seen(1, criterion);
  Json mark = Json::Object()
                  .Set("criterion", seen)
                  .Set("note", noteUtf8)
                  .Set("pressed_at", journal::UtcText(moment.utcMs));
  if (durationS) mark.Set("duration_s", *durationS);
  mark.Set("operator", context.operatorName);
  // A letter later in A..D is a worse effect than the test allows.
  if (!context.requiredCriterion.empty()) {
    mark.Set("required", context.requiredCriterion)
        .Set("worse_than_required", seen > context.requiredCriterion);
  }
  mark.Set("at", moment.at);
  std::string error;
  bool ok = false;
  if (writer->IsOpen()) {
    ok = writer->Write("mark", mark, &error);
  } else {
    ok = journal::AppendAfterEnd(*folder, clock, writer->FileName(), "mark", mark, &error);
  }
  if (!ok) {
    markError = lastPath + ": " + error;
    return false;
  }
  ++marks;
  return true;
}

bool JournalRecorder::ReadLastJournal(std::string& bytes) const {
  if (lastPath.empty() || !writer || !folder) return false;
  uint64_t size = 0;
  return folder->ReadTail(writer->FileName(), UINT64_MAX, bytes, size);
}

void JournalRecorder::Paused() { Write("pause", Json::Object()); }
void JournalRecorder::Resumed() { Write("resume", Json::Object()); }
void JournalRecorder::Next() { Write("next", Json::Object()); }
void JournalRecorder::SingleShot() { Write("single_shot", Json::Object()); }

namespace {

const char* CauseText(LineCause cause) {
  switch (cause) {
    case LineCause::Operator:
      return "LINE";
    case LineCause::LineWatch:
      return "line watch: off at the instrument";
    case LineCause::FoundOn:
      return "found on at the instrument";
    case LineCause::Exit:
      return "program exit";
    case LineCause::NoAnswer:
      return "LINE not answered: taken as off, it may still be on";
  }
  return "";
}

}  // namespace

void JournalRecorder::LineSwitched(bool on, LineCause cause) {
  Write("line", Json::Object().Set("on", on).Set("cause", CauseText(cause)));
}

void JournalRecorder::Failed(RunEnd how, const std::string& text, bool byOperator, int32_t code) {
  failure = how;
  operatorStop = byOperator;
  stopReason = text;
  if (!started || byOperator) return;
  Json error =
      Json::Object().Set("source", how == RunEnd::InstrumentReport ? "instrument" : "link");
  if (code != 0) error.Set("code", code);
  // What the program does next; whether STOP was taken is the end's
  // stop_accepted.
  error.Set("text", Utf8(text))
      .Set("action", how == RunEnd::InstrumentReport
                         ? "the program ends the run and sends STOP; the instrument had "
                           "stopped the test"
                         : "the program ends the run and sends STOP");
  Write("error", error);
}

void JournalRecorder::RunAborted(int32_t unitNumber, bool programRun, const std::string& reason) {
  RunStarted(unitNumber, programRun);
  Json end = Json::Object().Set("status", "aborted").Set("reason", Utf8(reason));
  if (writer) end.Set("records", writer->Records() + 1).Set("last_hash", writer->LastHash());
  Write("run_end", end);
  if (writer) writer->Close();
  started = false;
}

void JournalRecorder::Stopped(RunEnd how, bool stopAccepted) {
  if (!started) {
    // A START that never reached the instrument still gets its record.
    RunStarted(run.activeUnit, doc.programMode != 0);
    started = false;
  }
  Json end = Json::Object()
                 .Set("status", operatorStop && started ? "stopped" : EndStatus(how, started))
                 .Set("reason", stopReason.empty() ? EndReason(how, started) : Utf8(stopReason))
                 .Set("stop_accepted", stopAccepted);
  if (writer) {
    end.Set("records", writer->Records() + 1).Set("last_hash", writer->LastHash());
  }
  Write("run_end", end);
  if (writer) writer->Close();
  started = false;
}

}  // namespace hvt
