#include "hvtctl/JournalCommand.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <ostream>

#include "hvtctl/OutputFile.h"
#include "hvtctl/PlkCommands.h"
#include "journal/Journal.h"
#include "os/JournalFolder.h"
#include "os/SettingsLocation.h"
#include "platform/AtomicFile.h"
#include "platform/RunRecordPdf.h"
#include "view/JournalRecorder.h"
#include "view/RunRecord.h"

namespace hvt {

const char* const kJournalHelp =
    "Usage: hvtctl journal FILE [--json] [--pdf OUT.pdf [--paper a4|letter]]\n"
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
    "  --pdf OUT.pdf        also write the run record as a PDF/A-1b in the\n"
    "                       report's style, every page it takes; its last line\n"
    "                       holds the record count and the last hash. '-' writes\n"
    "                       it to standard output instead of the text\n"
    "  --paper a4|letter    the PDF's paper (a4)\n"
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
    return record.Find("seq")->AsInt() == a.seq && record.Find("type")->AsString() == "mark";
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
  std::optional<std::string> pdfPath;
  Paper paper = Paper::A4;
  bool paperGiven = false;
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
    if (a == "--pdf" || a == "--paper") {
      const std::string* v = value();
      if (!v) return kExitUsage;
      if (a == "--pdf") {
        pdfPath = *v;
      } else if (*v == "a4" || *v == "letter") {
        paper = *v == "a4" ? Paper::A4 : Paper::Letter;
        paperGiven = true;
      } else {
        err << "hvtctl journal: --paper must be a4 or letter\n";
        return kExitUsage;
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
  // Combinations that would leave something asked for undone.
  const char* refused = nullptr;
  if (amendment && (pdfPath || paperGiven)) {
    refused = "--amend writes no PDF: run --pdf on its own";
  } else if (paperGiven && !pdfPath) {
    refused = "--paper is the paper of --pdf";
  } else if (json && pdfPath && IsStdStream(*pdfPath)) {
    refused = "--json and --pdf - cannot share standard output";
  } else if (pdfPath && journal::IsJournalPath(*pdfPath)) {
    refused = "the PDF may not be written over a journal (.jsonl)";
  }
  if (refused) {
    err << "hvtctl journal: " << refused << "\n";
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
  const RunRecord record = DescribeJournal(r);
  if (pdfPath) {
    // Never over the journal itself, which is only ever appended to.
    if (!OutputAllowed("hvtctl journal", file, *pdfPath, true, err)) return kExitUsage;
    std::string pdf;
    if (!RenderRunRecordPdf(record, paper, LocalDate, pdf, &error) ||
        !WriteOutput(*pdfPath, pdf, true, out, &error)) {
      err << "hvtctl journal: " << *pdfPath << ": the run record was not written: " << error
          << "\n";
      return kExitFailure;
    }
  }
  if (json) {
    Json check = Json::Object()
                     .Set("status", r.status)
                     .Set("records", r.records)
                     .Set("first_break_seq", r.firstBreakSeq ? Json(*r.firstBreakSeq) : Json())
                     .Set("torn_tail", r.tornTail)
                     .Set("marks", r.marks);
    out << check.Dump() << "\n";
  } else if (!pdfPath || !IsStdStream(*pdfPath)) {
    for (const RunRecordLine& line : record.lines) out << line.text << "\n";
  }
  if (!intact) {
    err << "hvtctl journal: " << file << ": the chain breaks at seq " << *r.firstBreakSeq << ": "
        << r.problem << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace hvt
