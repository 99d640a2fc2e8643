#include "journal/Journal.h"

#include <algorithm>
#include <cstdio>
#include <random>

#include "journal/Sha256.h"

namespace hvt::journal {

namespace {

// Civil date of a day count since 1970-01-01 (Howard Hinnant's algorithm).
void CivilFromDays(int64_t z, int64_t& y, unsigned& m, unsigned& d) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const unsigned doe = static_cast<unsigned>(z - era * 146097);
  const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  y = static_cast<int64_t>(yoe) + era * 400;
  const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const unsigned mp = (5 * doy + 2) / 153;
  d = doy - (153 * mp + 2) / 5 + 1;
  m = mp < 10 ? mp + 3 : mp - 9;
  if (m <= 2) ++y;
}

struct Utc {
  int64_t year;
  unsigned month, day, hour, minute, second, millisecond;
};

Utc Split(int64_t ms) {
  const int64_t day = (ms >= 0 ? ms : ms - 86399999) / 86400000;
  const int64_t inDay = ms - day * 86400000;
  Utc u{};
  CivilFromDays(day, u.year, u.month, u.day);
  u.hour = static_cast<unsigned>(inDay / 3600000);
  u.minute = static_cast<unsigned>(inDay / 60000 % 60);
  u.second = static_cast<unsigned>(inDay / 1000 % 60);
  u.millisecond = static_cast<unsigned>(inDay % 1000);
  return u;
}

bool EndsRun(const Json& record) {
  const Json* type = record.Find("type");
  return type && type->AsString() == "run_end";
}

// Records allowed after run_end: the operator's notes on what was seen.
bool MayFollowEnd(const std::string& type) { return type == "mark" || type == "amend"; }

}  // namespace

std::string UtcText(int64_t utcMs) {
  const Utc u = Split(utcMs);
  char text[40];
  std::snprintf(text, sizeof text, "%04lld-%02u-%02uT%02u:%02u:%02u.%03uZ",
                static_cast<long long>(u.year), u.month, u.day, u.hour, u.minute, u.second,
                u.millisecond);
  return text;
}

std::string FileStamp(int64_t utcMs) {
  const Utc u = Split(utcMs);
  char text[32];
  std::snprintf(text, sizeof text, "%04lld%02u%02uT%02u%02u%02uZ", static_cast<long long>(u.year),
                u.month, u.day, u.hour, u.minute, u.second);
  return text;
}

bool IsJournalPath(std::string_view path) {
  constexpr std::string_view kEnd = ".jsonl";
  if (path.size() < kEnd.size()) return false;
  for (size_t k = 0; k < kEnd.size(); ++k) {
    const char c = path[path.size() - kEnd.size() + k];
    if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != kEnd[k]) return false;
  }
  return true;
}

std::string NewRunId() {
  std::random_device source;
  static const char* digits = "0123456789abcdef";
  std::string id;
  for (int i = 0; i < 4; ++i) {
    const uint32_t word = source();
    for (int shift = 28; shift >= 0; shift -= 4) id += digits[(word >> shift) & 0xF];
  }
  return id;
}

Json MakeRecord(int64_t seq, int64_t utcMs, int64_t monoMs, const std::string& runId,
                std::string_view type, const std::string& prev, const Json& fields) {
  Json record = Json::Object()
                    .Set("v", kFormatVersion)
                    .Set("seq", seq)
                    .Set("t", UtcText(utcMs))
                    .Set("mono_ms", monoMs)
                    .Set("run", runId)
                    .Set("type", std::string(type));
  if (seq > 0) record.Set("prev", prev);
  for (const auto& [key, value] : fields.Members()) record.Set(key, value);
  return record;
}

bool Writer::Create(std::string* error) {
  Close();
  runId = NewRunId();
  fileName = FileStamp(clock.UtcMs()) + "_" + runId + ".jsonl";
  seq = 0;
  lastHash.clear();
  file = folder.Create(fileName, error);
  return file != nullptr;
}

bool Writer::Write(std::string_view type, const Json& fields, std::string* error) {
  if (!file) return false;
  const std::string line =
      MakeRecord(seq, clock.UtcMs(), clock.MonotonicMs(), runId, type, lastHash, fields).Dump();
  if (!file->AppendAndSync(line + "\n", error)) {
    Close();
    return false;
  }
  lastHash = Sha256Hex(line);
  ++seq;
  return true;
}

void Writer::Close() { file.reset(); }

std::string Writer::FilePath() const { return folder.Path() + "/" + fileName; }

CheckResult CheckJournal(std::string_view bytes) {
  CheckResult r;
  struct Line {
    uint64_t offset;
    std::string_view text;
    bool terminated;
  };
  std::vector<Line> lines;
  for (size_t at = 0; at < bytes.size();) {
    const size_t end = bytes.find('\n', at);
    if (end == std::string_view::npos) {
      lines.push_back({at, bytes.substr(at), false});
      break;
    }
    lines.push_back({at, bytes.substr(at, end - at), true});
    at = end + 1;
  }

  struct Skipped {
    uint64_t offset, length;
    int64_t expectedSeq;
  };
  std::vector<Skipped> unparsed;
  std::string runId;
  std::string prevHash;
  int64_t expected = 0;
  bool ended = false;
  auto breakAt = [&](int64_t seq, std::string why) {
    if (!r.firstBreakSeq) {
      r.firstBreakSeq = seq;
      r.problem = std::move(why);
    }
  };

  for (const Line& line : lines) {
    std::optional<Json> record = Json::Parse(line.text);
    const bool shaped = record && record->IsObject() && record->Find("v") &&
                        record->Find("v")->AsInt(-1) == kFormatVersion && record->Find("seq") &&
                        record->Find("seq")->IsInt() && record->Find("type") &&
                        record->Find("type")->IsString() && record->Find("run") &&
                        record->Find("run")->IsString();
    if (!shaped) {
      if (!line.terminated) {
        r.tornTail = true;
        r.tornOffset = line.offset;
        r.tornLength = line.text.size();
      } else if (!line.text.empty() || line.offset + 1 < bytes.size()) {
        unparsed.push_back({line.offset, line.text.size(), expected});
      }
      continue;
    }
    if (r.parsed.empty()) {
      const std::string& type = record->Find("type")->AsString();
      if (type != "run_start" && type != "recovered") {
        r.problem = "the first record is not a run_start";
        return r;
      }
      runId = record->Find("run")->AsString();
    }
    const int64_t seq = record->Find("seq")->AsInt();
    const std::string& type = record->Find("type")->AsString();
    if (type == "recovered") {
      const Json* offset = record->Find("torn_offset");
      const Json* length = record->Find("torn_length");
      if (offset && length) {
        std::erase_if(unparsed, [&](const Skipped& s) {
          return s.offset == static_cast<uint64_t>(offset->AsInt(-1)) &&
                 s.length == static_cast<uint64_t>(length->AsInt(-1));
        });
      }
    }
    if (seq != expected) {
      breakAt(std::min(seq, expected),
              seq > expected ? "a record is missing before seq " + std::to_string(seq)
                             : "seq " + std::to_string(seq) + " comes again or out of order");
    } else if (record->Find("run")->AsString() != runId) {
      breakAt(seq, "seq " + std::to_string(seq) + " belongs to another run");
    } else if (seq > 0) {
      const Json* prev = record->Find("prev");
      if (!prev || prev->AsString() != prevHash) {
        breakAt(seq - 1, "seq " + std::to_string(seq - 1) + " is not the record seq " +
                             std::to_string(seq) + " follows");
      }
    }
    if (ended && !MayFollowEnd(type)) {
      breakAt(seq, "seq " + std::to_string(seq) + " (" + type + ") follows the run's end");
    }
    if (EndsRun(*record)) {
      ended = true;
      const Json* status = record->Find("status");
      r.status = status ? status->AsString() : "";
    }
    if (type == "mark") ++r.marks;
    prevHash = Sha256Hex(line.text);
    expected = seq + 1;
    r.parsed.push_back(std::move(*record));
    if (!line.terminated) {
      // The whole last record without its newline: kept, reported as torn.
      r.tornTail = true;
      r.tornOffset = line.offset + line.text.size();
      r.tornLength = 0;
    }
  }
  r.records = static_cast<int64_t>(r.parsed.size());
  if (r.parsed.empty()) {
    r.problem = "no journal record";
    return r;
  }
  for (const Skipped& s : unparsed) {
    breakAt(s.expectedSeq, "an unreadable line at byte " + std::to_string(s.offset));
  }
  if (!ended) r.status = "crashed";
  r.lastHash = prevHash;
  r.outcome = r.firstBreakSeq ? CheckResult::Outcome::Broken : CheckResult::Outcome::Intact;
  return r;
}

namespace {

// What the end of a journal says: its last whole record, and whether the
// run ended. needMore when the tail held only notes after a possible end.
struct TailState {
  std::optional<Json> last;
  std::string lastHash;
  bool ended = false;
  bool needMore = false;
  uint64_t tornOffset = 0;
  uint64_t tornLength = 0;
};

TailState ReadTailState(std::string_view tail, uint64_t size, bool whole) {
  TailState s;
  const uint64_t start = size - tail.size();
  size_t end = tail.size();
  if (!tail.empty() && tail.back() != '\n') {
    const size_t cut = tail.rfind('\n');
    const size_t from = cut == std::string_view::npos ? 0 : cut + 1;
    if (cut == std::string_view::npos && !whole) {
      s.needMore = true;
      return s;
    }
    s.tornOffset = start + from;
    s.tornLength = tail.size() - from;
    end = from;
  }
  // Whole lines from the end backwards, until one that is not a note.
  while (end > 0) {
    const size_t lineEnd = end - 1;  // the newline
    const size_t cut = lineEnd == 0 ? std::string_view::npos : tail.rfind('\n', lineEnd - 1);
    if (cut == std::string_view::npos && !whole) {
      s.needMore = true;
      return s;
    }
    const size_t from = cut == std::string_view::npos ? 0 : cut + 1;
    const std::string_view line = tail.substr(from, lineEnd - from);
    std::optional<Json> record = Json::Parse(line);
    if (record && record->IsObject() && record->Find("seq")) {
      if (!s.last) {
        s.last = record;
        s.lastHash = Sha256Hex(line);
      }
      const std::string& type = record->Find("type") ? record->Find("type")->AsString() : "";
      if (type == "run_end") {
        s.ended = true;
        return s;
      }
      if (!MayFollowEnd(type)) return s;
    }
    end = from;
  }
  return s;
}

// The state of a journal's end, from as much of its tail as that takes.
bool ReadTailOf(const JournalFolder& folder, const std::string& name, TailState& s) {
  for (uint64_t want = 64 * 1024;; want *= 4) {
    std::string tail;
    uint64_t size = 0;
    if (!folder.ReadTail(name, want, tail, size)) return false;
    s = ReadTailState(tail, size, tail.size() == size);
    if (!s.needMore) return true;
  }
}

std::string RunIdOfName(const std::string& name) {
  const size_t under = name.find('_');
  const size_t dot = name.rfind('.');
  if (under == std::string::npos || dot == std::string::npos || dot < under) return {};
  return name.substr(under + 1, dot - under - 1);
}

}  // namespace

bool AppendAfterEnd(JournalFolder& folder, const JournalClock& clock, const std::string& name,
                    std::string_view type, const Json& fields, std::string* error) {
  bool busy = false;
  std::unique_ptr<JournalFile> file = folder.OpenUnlocked(name, &busy, error);
  if (!file) {
    if (busy && error) *error = "the run is still going";
    return false;
  }
  TailState s;
  if (!ReadTailOf(folder, name, s)) {
    if (error) *error = "cannot be read";
    return false;
  }
  if (!s.ended || s.tornLength > 0 || !s.last) {
    if (error) *error = "the run has no end yet";
    return false;
  }
  // After the last record of the file, which may be a note after the end.
  const int64_t seq = s.last->Find("seq")->AsInt() + 1;
  const Json* run = s.last->Find("run");
  const std::string line =
      MakeRecord(seq, clock.UtcMs(), clock.MonotonicMs(), run ? run->AsString() : std::string(),
                 type, s.lastHash, fields)
          .Dump();
  return file->AppendAndSync(line + "\n", error);
}

std::vector<std::string> RecoverJournals(JournalFolder& folder, const JournalClock& clock,
                                         std::vector<std::string>* problems) {
  std::vector<std::string> closed;
  auto problem = [&](const std::string& text) {
    if (problems) problems->push_back(text);
  };
  for (const std::string& name : folder.List()) {
    auto state = [&](TailState& s) { return ReadTailOf(folder, name, s); };
    TailState s;
    if (!state(s)) {
      problem(name + ": cannot be read");
      continue;
    }
    if (s.ended) continue;
    bool busy = false;
    std::string error;
    std::unique_ptr<JournalFile> file = folder.OpenUnlocked(name, &busy, &error);
    if (!file) {
      if (!busy) problem(name + ": " + error);
      continue;  // a live run, or one we may not touch
    }
    // Read again under the lock: the writer may have ended in between.
    if (!state(s) || s.ended) continue;
    const int64_t seq = s.last ? s.last->Find("seq")->AsInt() + 1 : 0;
    const std::string runId =
        s.last && s.last->Find("run") ? s.last->Find("run")->AsString() : RunIdOfName(name);
    std::string prev = s.lastHash;
    auto append = [&](std::string_view type, const Json& fields, int64_t at,
                      std::string_view before) {
      const std::string line =
          MakeRecord(at, clock.UtcMs(), clock.MonotonicMs(), runId, type, prev, fields).Dump();
      if (!file->AppendAndSync(std::string(before) + line + "\n", &error)) return false;
      prev = Sha256Hex(line);
      return true;
    };
    const bool torn = s.tornLength > 0;
    const Json recovered = Json::Object()
                               .Set("torn_offset", static_cast<int64_t>(s.tornOffset))
                               .Set("torn_length", static_cast<int64_t>(s.tornLength));
    if (!append("recovered", recovered, seq, torn ? "\n" : "")) {
      problem(name + ": " + error);
      continue;
    }
    const Json end = Json::Object()
                         .Set("status", "crashed")
                         .Set("reason", "the program ended without closing the run")
                         .Set("records", seq + 2)
                         .Set("last_hash", prev);
    if (!append("run_end", end, seq + 1, "")) {
      problem(name + ": " + error);
      continue;
    }
    closed.push_back(name);
  }
  return closed;
}

}  // namespace hvt::journal
