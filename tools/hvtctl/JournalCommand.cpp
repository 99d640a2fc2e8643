#include "hvtctl/JournalCommand.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>

#include "hvtctl/PlkCommands.h"
#include "journal/Journal.h"
#include "os/JournalFolder.h"
#include "os/SettingsLocation.h"
#include "platform/AtomicFile.h"
#include "view/JournalRecorder.h"

namespace hvt {

const char* const kJournalHelp =
    "Usage: hvtctl journal FILE [--json]\n"
    "       hvtctl journal FILE --amend SEQ --criterion A|B|C|D [--note TEXT]\n"
    "                      --reason TEXT\n"
    "       hvtctl journal --schema\n"
    "\n"
    "Shows the run a journal (FILE.jsonl, written by hvtctl run and the\n"
    "desktop program) records: its header, the units and points with their\n"
    "times, the operator's marks, how and when it ended. Checks the records'\n"
    "sequence and their SHA-256 chain: a record changed or taken out before\n"
    "the last one is named by its seq. A journal without an end is shown as\n"
    "crashed; a last line cut short (the program was killed while writing it)\n"
    "is reported, and is no break. The file is not changed.\n"
    "\n"
    "The chain finds damage and naive edits; someone who recomputes every\n"
    "hash after an edit makes a chain that checks intact. Keep the printed\n"
    "record count and last hash (or the journal's PDF) apart from the file to\n"
    "tie the two together.\n"
    "\n"
    "Options:\n"
    "  --json               print the check as one JSON object: status, records,\n"
    "                       first_break_seq, torn_tail, marks\n"
    "  --schema             print the JSON Schema of a journal's records\n"
    "  --amend SEQ          correct the EUT anomaly mark SEQ of an ended run: an\n"
    "                       amend record naming SEQ, with the new criterion and\n"
    "                       note, the reason and the operator, is appended; the\n"
    "                       mark itself stays as it was. Refused while the run\n"
    "                       is still going\n"
    "  -h, --help           show this help\n"
    "\n"
    "Exit status: 0 intact, 1 a record before the last was changed or removed,\n"
    "2 bad arguments, a file that cannot be read or that is no journal.\n";

extern const std::string_view kJournalSchemaText;

namespace {

using journal::CheckResult;
using journal::Json;

std::string Field(const Json& record, std::string_view key) {
  const Json* value = record.Find(key);
  if (!value) return {};
  if (value->IsString()) return value->AsString();
  return value->Dump();
}

// The record's time without the date: "02:40:12.016".
std::string Clock(const Json& record) {
  const std::string t = Field(record, "t");
  return t.size() >= 23 ? t.substr(11, 12) : t;
}

void PrintRecord(const Json& r, std::ostream& out) {
  const std::string type = Field(r, "type");
  out << Clock(r) << "  ";
  if (type == "run_start") {
    const Json* runs = r.Find("runs");
    out << "start: " << (runs ? Field(*runs, "kind") : "") << " "
        << (runs ? Field(*runs, runs->Find("unit") ? "unit" : "program") : "");
    if (runs && runs->Find("demonstration") && runs->Find("demonstration")->AsBool())
      out << ", demonstration";
    if (runs && runs->Find("one_shot") && runs->Find("one_shot")->AsBool()) out << ", 1SHOT";
  } else if (type == "unit_start") {
    out << "unit " << Field(r, "unit") << " \"" << Field(r, "name") << "\"";
    if (r.Find("step"))
      out << " (step " << Field(r, "step") << ", repetition " << Field(r, "repetition") << ")";
    out << ": " << Field(r, "voltage_kv") << " kV " << Field(r, "polarity") << ", "
        << Field(r, "width") << " ns, " << Field(r, "trigger") << " " << Field(r, "trigger_value")
        << ", " << Field(r, "line") << "/" << Field(r, "return") << ", " << Field(r, "terminator")
        << ", injection " << Field(r, "injection_s") << " s, interval " << Field(r, "interval_s")
        << " s";
  } else if (type == "point") {
    out << "point: " << Field(r, "voltage_kv") << " kV";
    if (r.Find("phase_deg")) out << ", " << Field(r, "phase_deg") << " deg";
    if (r.Find("variable_ms")) out << ", " << Field(r, "variable_ms") << " ms";
  } else if (type == "line") {
    out << "line " << (r.Find("on") && r.Find("on")->AsBool() ? "on" : "off");
  } else if (type == "error") {
    out << "error (" << Field(r, "source") << "): " << Field(r, "text");
  } else if (type == "mark") {
    out << "mark: criterion " << Field(r, "criterion") << ": " << Field(r, "note");
  } else if (type == "amend") {
    out << "amend of mark " << Field(r, "amends") << ": criterion " << Field(r, "criterion");
    if (r.Find("note")) out << ": " << Field(r, "note");
    out << " (" << Field(r, "reason") << ", " << Field(r, "operator") << ")";
  } else if (type == "recovered") {
    out << "recovered: " << Field(r, "torn_length") << " torn bytes at " << Field(r, "torn_offset")
        << " left in place";
  } else if (type == "run_end") {
    out << "end: " << Field(r, "status") << " (" << Field(r, "reason") << ")";
  } else {
    out << type;
  }
  out << "\n";
}

void PrintHeader(const Json& start, std::ostream& out) {
  out << "run " << Field(start, "run") << "\n";
  out << "started " << Field(start, "t") << " by " << Field(start, "operator") << " with "
      << Field(start, "program") << " " << Field(start, "version") << "\n";
  if (const Json* instrument = start.Find("instrument")) {
    out << "instrument: "
        << (instrument->Find("demonstration") && instrument->Find("demonstration")->AsBool()
                ? std::string("demonstration mode")
                : Field(*instrument, "identification"))
        << "\n";
  }
  if (const Json* document = start.Find("document")) {
    out << "document: " << (document->Find("path") ? Field(*document, "path") : "(untitled)")
        << ", sha256 " << Field(*document, "sha256") << "\n";
  }
  if (start.Find("required_criterion") && start.Find("required_criterion")->IsString())
    out << "required criterion: " << Field(start, "required_criterion") << "\n";
}

int64_t MonoSpan(const CheckResult& r) {
  if (r.parsed.size() < 2) return 0;
  const Json* first = r.parsed.front().Find("mono_ms");
  const Json* last = r.parsed.back().Find("mono_ms");
  return first && last ? last->AsInt() - first->AsInt() : 0;
}

}  // namespace

namespace {

struct Amendment {
  int64_t seq = -1;
  std::string criterion;
  std::optional<std::string> note;
  std::string reason;
};

// Appends the amendment of a mark; the exit code.
int Amend(const std::string& file, const CheckResult& r, const Amendment& a, std::ostream& out,
          std::ostream& err) {
  const std::string who = "hvtctl journal: " + file + ": ";
  const auto mark = std::find_if(r.parsed.begin(), r.parsed.end(), [&](const Json& record) {
    return record.Find("seq")->AsInt() == a.seq && Field(record, "type") == "mark";
  });
  if (mark == r.parsed.end()) {
    err << who << "seq " << a.seq << " is no mark\n";
    return kExitUsage;
  }
  const std::filesystem::path path(file);
  std::string error;
  auto folder = os::OpenJournalFolder(
      path.has_parent_path() ? path.parent_path() : std::filesystem::path("."), &error);
  if (!folder) {
    err << who << error << "\n";
    return kExitFailure;
  }
  JournalContext context;
  ReadJournalSettings(UserSettingsFile(), os::LoginName(), context);
  Json amend = Json::Object().Set("amends", a.seq).Set("criterion", a.criterion);
  if (a.note) amend.Set("note", *a.note);
  amend.Set("reason", a.reason).Set("operator", context.operatorName);
  if (!journal::AppendAfterEnd(*folder, os::SystemJournalClock(), path.filename().string(), "amend",
                               amend, &error)) {
    err << who << "not amended: " << error << "\n";
    return kExitFailure;
  }
  out << "amended mark " << a.seq << ": criterion " << a.criterion << "\n";
  return kExitOk;
}

}  // namespace

int RunJournalCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string file;
  bool json = false;
  std::optional<Amendment> amendment;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&]() -> const std::string* {
      if (i + 1 >= args.size()) {
        err << "hvtctl journal: " << a << " needs a value\n";
        return nullptr;
      }
      return &args[++i];
    };
    if (a == "--amend" || a == "--criterion" || a == "--note" || a == "--reason") {
      const std::string* v = value();
      if (!v) return kExitUsage;
      if (!amendment) amendment.emplace();
      if (a == "--amend") {
        if (v->empty() || v->size() > 9 ||
            v->find_first_not_of("0123456789") != std::string::npos) {
          err << "hvtctl journal: --amend takes a record's seq\n";
          return kExitUsage;
        }
        amendment->seq = std::stoll(*v);
      } else if (a == "--criterion") {
        if (v->size() != 1 || (*v)[0] < 'A' || (*v)[0] > 'D') {
          err << "hvtctl journal: --criterion must be A, B, C or D\n";
          return kExitUsage;
        }
        amendment->criterion = *v;
      } else if (a == "--note") {
        amendment->note = *v;
      } else {
        amendment->reason = *v;
      }
      continue;
    }
    if (a == "--help" || a == "-h") {
      out << kJournalHelp;
      return kExitOk;
    }
    if (a == "--schema") {
      out << kJournalSchemaText;
      return kExitOk;
    }
    if (a == "--json") {
      json = true;
    } else if (a.size() > 1 && a[0] == '-') {
      err << "hvtctl journal: unknown option " << a << "\n(see hvtctl journal --help)\n";
      return kExitUsage;
    } else if (file.empty()) {
      file = a;
    } else {
      err << "hvtctl journal: one journal only\n";
      return kExitUsage;
    }
  }
  if (file.empty()) {
    err << "hvtctl journal: no journal given\n(see hvtctl journal --help)\n";
    return kExitUsage;
  }
  std::string bytes;
  std::string error;
  if (!ReadWholeFile(file, bytes, &error)) {
    err << "hvtctl journal: " << file << ": cannot read: " << error << "\n";
    return kExitUsage;
  }
  const CheckResult r = journal::CheckJournal(bytes);
  if (r.outcome == CheckResult::Outcome::NotAJournal) {
    err << "hvtctl journal: " << file << ": not a journal: " << r.problem << "\n";
    return kExitUsage;
  }
  const bool intact = r.outcome == CheckResult::Outcome::Intact;
  if (amendment) {
    if (amendment->seq < 0 || amendment->criterion.empty() || amendment->reason.empty()) {
      err << "hvtctl journal: --amend needs SEQ, --criterion and --reason\n";
      return kExitUsage;
    }
    if (!intact) {
      err << "hvtctl journal: " << file << ": the chain breaks at seq " << *r.firstBreakSeq
          << "; not amended\n";
      return kExitFailure;
    }
    return Amend(file, r, *amendment, out, err);
  }
  if (json) {
    Json check = Json::Object()
                     .Set("status", r.status)
                     .Set("records", r.records)
                     .Set("first_break_seq", r.firstBreakSeq ? Json(*r.firstBreakSeq) : Json())
                     .Set("torn_tail", r.tornTail)
                     .Set("marks", r.marks);
    out << check.Dump() << "\n";
  } else {
    const Json& first = r.parsed.front();
    if (Field(first, "type") == "run_start") PrintHeader(first, out);
    for (const Json& record : r.parsed) PrintRecord(record, out);
    char duration[32];
    std::snprintf(duration, sizeof duration, "%.1f", static_cast<double>(MonoSpan(r)) / 1000.0);
    out << "status: " << r.status << ", " << duration << " s, " << r.records << " records, "
        << r.marks << " marks\n";
    if (r.tornTail) {
      out << "torn tail: " << r.tornLength << " bytes at " << r.tornOffset
          << " (the last record was cut short)\n";
    }
    out << "chain: " << (intact ? "intact" : "broken") << ", last hash " << r.lastHash << "\n";
  }
  if (!intact) {
    err << "hvtctl journal: " << file << ": the chain breaks at seq " << *r.firstBreakSeq << ": "
        << r.problem << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace hvt
