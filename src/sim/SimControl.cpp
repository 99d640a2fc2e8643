#include "sim/SimControl.h"

#include <algorithm>
#include <charconv>
#include <optional>
#include <sstream>
#include <vector>

namespace hvt::sim {

namespace {

std::optional<int> Number(const std::string& word) {
  int value = 0;
  const auto [end, ec] = std::from_chars(word.data(), word.data() + word.size(), value);
  if (ec != std::errc() || end != word.data() + word.size()) return std::nullopt;
  return value;
}

// Each command with what it takes, for the message that names the valid forms.
struct CommandForm {
  const char* name;
  size_t minArgs, maxArgs;
  const char* usage;
};

const CommandForm kForms[] = {
    {"error", 1, 1, "error N (N 1..8)"},
    {"panel-stop", 0, 0, "panel-stop"},
    {"external-stop", 0, 0, "external-stop"},
    {"line-off", 0, 0, "line-off"},
    {"nak", 0, 1, "nak [N]"},
    {"silent", 0, 1, "silent [N]"},
    {"bad-bcc", 0, 1, "bad-bcc [N]"},
    {"slow", 1, 2, "slow MS [N]"},
    {"stray", 0, 1, "stray [N]"},
    {"babble", 1, 1, "babble MS"},
    {"clear", 0, 0, "clear"},
    {"status", 0, 0, "status"},
};

std::string AllForms() {
  std::string text;
  for (const CommandForm& form : kForms)
    text += (text.empty() ? "" : ", ") + std::string(form.usage);
  return text;
}

}  // namespace

std::string ApplyControlCommand(std::string_view line, SimInstrument& instrument, SimLine& wire,
                                LineControl& control, int64_t nowMs) {
  std::istringstream in{std::string(line)};
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  if (words.empty()) return {};
  const std::string& name = words[0];
  const CommandForm* form = nullptr;
  for (const CommandForm& f : kForms) {
    if (name == f.name) form = &f;
  }
  if (!form) return "error: unknown command " + name + "; the commands are " + AllForms();
  if (words.size() - 1 < form->minArgs || words.size() - 1 > form->maxArgs) {
    return form->maxArgs == 0 ? "error: " + name + " takes no number"
                              : std::string("error: give ") + form->usage;
  }
  std::vector<int> args;
  for (size_t i = 1; i < words.size(); ++i) {
    const auto n = Number(words[i]);
    if (!n || *n < 0) {
      return "error: bad number " + words[i] + ": give " + form->usage +
             " with whole numbers 0 or more";
    }
    args.push_back(*n);
  }
  auto arg = [&](size_t i, int fallback) { return i < args.size() ? args[i] : fallback; };
  const std::string ok = "ok " + std::string(line);

  if (name == "error") {
    const int code = arg(0, 0);
    if (code < 1 || code > 8)
      return "error: the error code must be 1..8, not " + std::to_string(code);
    instrument.RaiseError(code, nowMs);
  } else if (name == "panel-stop" && args.empty()) {
    instrument.PanelStop(nowMs);
  } else if (name == "external-stop" && args.empty()) {
    instrument.ExternalStop(nowMs);
  } else if (name == "line-off" && args.empty()) {
    instrument.PanelLineOff(nowMs);
  } else if (name == "nak" && args.size() <= 1) {
    wire.NakNextEnq(arg(0, 1));
  } else if (name == "silent" && args.size() <= 1) {
    wire.IgnoreNextEnq(arg(0, 1));
  } else if (name == "bad-bcc" && args.size() <= 1) {
    wire.CorruptNextAnswer(arg(0, 1));
  } else if (name == "slow" && (args.size() == 1 || args.size() == 2)) {
    wire.DelayNextReply(args[0], arg(1, 1));
  } else if (name == "stray" && args.size() <= 1) {
    wire.SendStray(std::string(static_cast<size_t>(std::min(arg(0, 3), 2000)), 'Z'), nowMs);
  } else if (name == "babble" && args.size() == 1) {
    control.babbleUntilMs = nowMs + args[0];
  } else if (name == "clear" && args.empty()) {
    wire.ClearFaults();
    control.babbleUntilMs = 0;
  } else if (name == "status" && args.empty()) {
    instrument.Advance(nowMs);
    return "ok status " + instrument.StatusAnswer() + " " + instrument.ProgressAnswer();
  } else {
    return "error: unknown command " + std::string(line);
  }
  return ok;
}

}  // namespace hvt::sim
