#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "journal/Journal.h"
#include "ports/RunEvents.h"
#include "run/RunState.h"

namespace hvt {

class CPELKDoc;
class Connection;
class SettingsFile;
class TextCodec;

// Who runs, on what, and with which document: what a run_start records
// besides the run itself. Set by the program that owns the recorder.
struct JournalContext {
  std::string program;  // "hvt-kp4rs", "hvtctl"
  std::string version;
  std::string operatorName;
  std::string requiredCriterion;  // "A".."D", empty for none
  // The document's file, empty while untitled.
  std::function<std::string()> documentPath;
  // The bytes of that file as they are on disk, for a document with unsaved
  // changes; nullopt when they cannot be read.
  std::function<std::optional<std::string>()> fileOnDisk;
};

// The operator ([Journal] OPERATOR, else the login name) and the required
// criterion ([Journal] REQUIRED_CRITERION: A..D, anything else is none)
// from the settings file.
// The settings file's [Journal] REQUIRED_CRITERION: "A".."D", else "" (none).
std::string RequiredCriterion(const SettingsFile& settings);

void ReadJournalSettings(const SettingsFile& settings, const std::string& loginName,
                         JournalContext& context);

// Writes the run journal from the run's events: one journal file a run,
// each record after the wire command it records. Without a folder (or when
// the journal cannot be written) the run goes on and the reason is kept in
// lastError.
class JournalRecorder : public RunEvents {
 public:
  JournalRecorder(CPELKDoc& doc, const Connection& connection, const RunStatus& run,
                  const SweepState& sweep, const SequenceState& sequence, const TextCodec& codec,
                  JournalFolder* folder, const JournalClock& clock)
      : doc(doc),
        connection(connection),
        run(run),
        sweep(sweep),
        sequence(sequence),
        codec(codec),
        folder(folder),
        clock(clock) {}

  JournalContext context;

  // A run refused before START could be sent (a document that cannot be
  // used, an instrument busy or not answering): its journal holds the
  // start and an "aborted" end with the reason.
  void RunAborted(int32_t unitNumber, bool programRun, const std::string& reason);

  void RunStarted(int32_t unitNumber, bool programRun) override;
  void UnitStarted(int32_t unitNumber, int32_t position) override;
  void PointStarted(int32_t unitNumber) override;
  void Paused() override;
  void Resumed() override;
  void Next() override;
  void SingleShot() override;
  void LineSwitched(bool on, LineCause cause) override;
  void Failed(RunEnd how, const std::string& text, bool byOperator, int32_t code) override;
  void Stopped(RunEnd how, bool stopAccepted) override;

  // What ran at one moment (F8 pressed): the time, the unit, the program
  // step and the sweep point with the unit's conditions.
  struct Moment {
    int64_t utcMs = 0;
    journal::Json at;
  };
  Moment TakeMoment() const;
  // The operator's EUT anomaly mark: the criterion seen (A..D), a note, how
  // long the effect lasted (seconds, when given), for what ran at the
  // moment. After the run's end it follows the run_end. False with the
  // reason in MarkError when it could not be written.
  bool WriteMark(const Moment& moment, char criterion, const std::string& noteUtf8,
                 std::optional<int32_t> durationS);
  // Marks of the running test (or the last one).
  int Marks() const { return marks; }

  // The journal of the run in progress or of the last one; empty if none.
  const std::string& LastJournalPath() const { return lastPath; }
  // Why the run's journal could not be created or written; empty when it is.
  const std::string& LastError() const { return lastError; }
  const std::string& MarkError() const { return markError; }
  // The whole journal of the last run as it is on disk now; false when there
  // is none or it cannot be read.
  bool ReadLastJournal(std::string& bytes) const;
  // Its file name, "<UTC start>_<run id>.jsonl"; empty if none.
  std::string LastJournalName() const { return writer ? writer->FileName() : std::string(); }

 private:
  void Write(std::string_view type, const journal::Json& fields);
  journal::Json UnitConditions(int32_t unitNumber) const;
  std::string Utf8(const std::string& bytes) const;

  CPELKDoc& doc;
  const Connection& connection;
  const RunStatus& run;
  const SweepState& sweep;
  const SequenceState& sequence;
  const TextCodec& codec;
  JournalFolder* folder;
  const JournalClock& clock;
  std::unique_ptr<journal::Writer> writer;
  bool started = false;      // the instrument (or the clock) took the START
  int32_t programTimes = 1;  // repetitions of the program run
  int marks = 0;
  RunEnd failure = RunEnd::None;
  bool operatorStop = false;  // the instrument's panel or stop input
  std::string stopReason;     // what the operator was shown
  std::string lastPath;
  std::string lastError;
  std::string markError;
};

}  // namespace hvt
