#include "view/RunRecord.h"

#include <cstdio>

namespace hvt {
namespace {

using journal::CheckResult;
using journal::Json;

std::string Field(const Json& record, std::string_view key) {
  const Json* value = record.Find(key);
  if (!value || value->IsNull()) return {};
  if (value->IsString()) return value->AsString();
  return value->Dump();
}

bool Flag(const Json& record, std::string_view key) {
  const Json* value = record.Find(key);
  return value && value->AsBool();
}

// The record's time without the date: "02:40:12.016".
std::string Clock(const std::string& t) { return t.size() >= 23 ? t.substr(11, 12) : t; }

std::string PointText(const Json& p) {
  std::string text = Field(p, "voltage_kv") + " kV";
  if (p.Find("polarity")) text += " " + Field(p, "polarity");
  if (p.Find("phase_deg")) text += ", " + Field(p, "phase_deg") + " deg";
  if (p.Find("variable_ms")) text += ", " + Field(p, "variable_ms") + " ms";
  return text;
}

std::string StepText(const Json& r) {
  if (!r.Find("step")) return {};
  return " (step " + Field(r, "step") + ", repetition " + Field(r, "repetition") + ")";
}

std::string RecordText(const Json& r) {
  const std::string type = Field(r, "type");
  if (type == "run_start") {
    const Json* runs = r.Find("runs");
    if (!runs) return "start";
    std::string text = "start: " + Field(*runs, "kind") + " " +
                       Field(*runs, runs->Find("unit") ? "unit" : "program");
    if (Flag(*runs, "demonstration")) text += ", demonstration";
    if (Flag(*runs, "one_shot")) text += ", 1SHOT";
    return text;
  }
  if (type == "unit_start") {
    return "unit " + Field(r, "unit") + " \"" + Field(r, "name") + "\"" + StepText(r) + ": " +
           Field(r, "voltage_kv") + " kV " + Field(r, "polarity") + ", " + Field(r, "width") +
           " ns, " + Field(r, "trigger") + " " + Field(r, "trigger_value") + ", " +
           Field(r, "line") + "/" + Field(r, "return") + ", " + Field(r, "terminator") +
           ", injection " + Field(r, "injection_s") + " s, interval " + Field(r, "interval_s") +
           " s";
  }
  if (type == "point") return "point: " + PointText(r);
  if (type == "pause" || type == "resume" || type == "next") return type;
  if (type == "single_shot") return "single shot";
  if (type == "line") {
    return std::string("line ") + (Flag(r, "on") ? "on" : "off") + " (" + Field(r, "cause") + ")";
  }
  if (type == "error") {
    std::string text = "error (" + Field(r, "source");
    if (r.Find("code")) text += " " + Field(r, "code");
    text += "): " + Field(r, "text");
    if (r.Find("action")) text += "; " + Field(r, "action");
    return text;
  }
  if (type == "mark") {
    std::string text = "mark: criterion " + Field(r, "criterion");
    if (Flag(r, "worse_than_required"))
      text += " (worse than the required " + Field(r, "required") + ")";
    return text + ": " + Field(r, "note");
  }
  if (type == "amend") {
    std::string text =
        "amend of mark " + Field(r, "amends") + ": criterion " + Field(r, "criterion");
    if (r.Find("note")) text += ": " + Field(r, "note");
    return text + " (" + Field(r, "reason") + ", " + Field(r, "operator") + ")";
  }
  if (type == "recovered") {
    return "recovered: " + Field(r, "torn_length") + " torn bytes at " + Field(r, "torn_offset") +
           " left in place";
  }
  if (type == "run_end") return "end: " + Field(r, "status") + " (" + Field(r, "reason") + ")";
  return type;
}

// Where a mark was pressed: the moment, the unit and step, the point.
std::string MarkMoment(const Json& r) {
  std::string text = "pressed " + Clock(Field(r, "pressed_at"));
  if (const Json* at = r.Find("at")) {
    if (const Json* c = at->Find("conditions")) text += " in unit " + Field(*c, "unit");
    text += StepText(*at);
    if (const Json* p = at->Find("point")) text += " at " + PointText(*p);
    if (!Flag(*at, "running")) text += ", after the run";
  }
  if (r.Find("duration_s")) text += ", lasted " + Field(r, "duration_s") + " s";
  return text + ", by " + Field(r, "operator");
}

void Header(const Json& start, std::vector<RunRecordLine>& lines) {
  lines.push_back({"run " + Field(start, "run")});
  lines.push_back({"started " + Field(start, "t") + " by " + Field(start, "operator") + " with " +
                   Field(start, "program") + " " + Field(start, "version")});
  if (const Json* instrument = start.Find("instrument")) {
    std::string text = "instrument: ";
    text += Flag(*instrument, "demonstration") ? std::string("demonstration mode")
                                               : Field(*instrument, "identification");
    if (const Json* c = instrument->Find("configuration")) {
      text += ", up to " + Field(*c, "max_voltage_kv") + " kV, injection unit type " +
              Field(*c, "injection_unit_type");
    }
    lines.push_back({text});
  }
  if (const Json* document = start.Find("document")) {
    lines.push_back(
        {"document: " + (document->Find("path") ? Field(*document, "path") : "(untitled)")});
    lines.push_back({"  sha256 " + Field(*document, "sha256")});
    if (document->Find("file_sha256")) {
      lines.push_back(
          {"  the file on disk differs (unsaved changes, or the unit chosen to run): sha256 " +
           Field(*document, "file_sha256")});
    }
  }
  const std::string required = Field(start, "required_criterion");
  lines.push_back({"required criterion: " + (required.empty() ? "none" : required)});
  lines.push_back({});
}

int64_t MonoSpan(const CheckResult& r) {
  if (r.parsed.size() < 2) return 0;
  const Json* first = r.parsed.front().Find("mono_ms");
  const Json* last = r.parsed.back().Find("mono_ms");
  return first && last ? last->AsInt() - first->AsInt() : 0;
}

}  // namespace

RunRecord DescribeJournal(const CheckResult& r) {
  RunRecord record;
  auto& lines = record.lines;
  if (!r.parsed.empty() && Field(r.parsed.front(), "type") == "run_start") {
    Header(r.parsed.front(), lines);
  }
  for (const Json& x : r.parsed) {
    const std::string type = Field(x, "type");
    const bool flagged = type == "mark" && Flag(x, "worse_than_required");
    lines.push_back({Clock(Field(x, "t")) + "  " + RecordText(x), flagged});
    if (type == "mark") lines.push_back({"              " + MarkMoment(x), flagged});
  }
  lines.push_back({});
  char duration[32];
  std::snprintf(duration, sizeof duration, "%.1f", static_cast<double>(MonoSpan(r)) / 1000.0);
  lines.push_back({"status: " + r.status + ", " + duration + " s, " + std::to_string(r.records) +
                   " records, " + std::to_string(r.marks) + " marks"});
  if (r.tornTail) {
    lines.push_back({"torn tail: " + std::to_string(r.tornLength) + " bytes at " +
                     std::to_string(r.tornOffset) + " (the last record was cut short)"});
  }
  if (r.outcome == CheckResult::Outcome::Intact) {
    lines.push_back({"chain: intact"});
  } else if (r.firstBreakSeq) {
    lines.push_back(
        {"chain: broken at seq " + std::to_string(*r.firstBreakSeq) + ": " + r.problem});
  } else {
    lines.push_back({"chain: broken: " + r.problem});
  }
  lines.push_back({std::to_string(r.records) + " records, last hash " + r.lastHash});
  return record;
}

}  // namespace hvt
