#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "journal/Json.h"
#include "ports/JournalFiles.h"

namespace hvt::journal {

inline constexpr int kFormatVersion = 1;

// "2026-12-11T02:40:00.123Z" and "20261211T024000Z" of a UTC time.
std::string UtcText(int64_t utcMs);
std::string FileStamp(int64_t utcMs);
// Whether a path names a journal file: it ends in ".jsonl", in any case.
// Nothing is ever written over one.
bool IsJournalPath(std::string_view path);

// 128 random bits as 32 lowercase hex digits.
std::string NewRunId();

// The journal of one run, written record by record. Each record is one
// line, written whole and synced before Write returns; its "prev" is the
// SHA-256 of the line before, so a changed or removed record shows.
class Writer {
 public:
  Writer(JournalFolder& folder, const JournalClock& clock) : folder(folder), clock(clock) {}

  // A new file "<UTC start>_<run id>.jsonl", created exclusively; false
  // with the reason (the run goes on without a journal).
  bool Create(std::string* error);
  // Appends a record of this type: the common fields, then the given ones
  // (an Object). False with the reason; the journal is then closed, since a
  // gap would break the chain.
  bool Write(std::string_view type, const Json& fields, std::string* error = nullptr);
  // Lets the file go (and its lock).
  void Close();

  bool IsOpen() const { return file != nullptr; }
  const std::string& RunId() const { return runId; }
  const std::string& FileName() const { return fileName; }
  std::string FilePath() const;
  int64_t Records() const { return seq; }
  const std::string& LastHash() const { return lastHash; }

 private:
  JournalFolder& folder;
  const JournalClock& clock;
  std::unique_ptr<JournalFile> file;
  std::string runId;
  std::string fileName;
  int64_t seq = 0;
  std::string lastHash;
};

// The common fields of a record and its own, in the order every record
// keeps: v, seq, t, mono_ms, run, type, prev (not on seq 0), then fields.
Json MakeRecord(int64_t seq, int64_t utcMs, int64_t monoMs, const std::string& runId,
                std::string_view type, const std::string& prev, const Json& fields);

// What a check of a journal found.
struct CheckResult {
  enum class Outcome { Intact = 0, Broken = 1, NotAJournal = 2 };
  Outcome outcome = Outcome::NotAJournal;
  std::string status;   // run_end's status, "crashed" without one
  int64_t records = 0;  // whole records read
  std::optional<int64_t> firstBreakSeq;
  bool tornTail = false;  // a last line cut short (no break)
  uint64_t tornOffset = 0;
  uint64_t tornLength = 0;
  int marks = 0;
  std::string lastHash;      // SHA-256 of the last whole record's line
  std::string problem;       // why, in words, when not intact
  std::vector<Json> parsed;  // the whole records in file order
};

// Checks the sequence and the hash chain of a journal's bytes. An
// unparsable line is passed over only where a later "recovered" record
// names its offset and length; a torn last line is reported, no break.
CheckResult CheckJournal(std::string_view bytes);

// Appends a record (a mark or an amendment) to the journal of a run that
// has ended: its seq and prev follow the last record. Refused while a live
// writer holds the journal, and for one without its end (close it first).
bool AppendAfterEnd(JournalFolder& folder, const JournalClock& clock, const std::string& name,
                    std::string_view type, const Json& fields, std::string* error);

// Closes the journals of runs whose writer is gone: each file in the folder
// without a run_end and without a live lock gets, appended and nothing
// else, a newline if it lacks one, a "recovered" record naming the torn
// tail (left in place), and a run_end "crashed". Reads only each file's
// tail. Returns the names it closed; problems are described in problems.
std::vector<std::string> RecoverJournals(JournalFolder& folder, const JournalClock& clock,
                                         std::vector<std::string>* problems = nullptr);

}  // namespace hvt::journal
