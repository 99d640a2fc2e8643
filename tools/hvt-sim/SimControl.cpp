#include "SimControl.h"

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

}  // namespace

std::string ApplyControlCommand(std::string_view line, SimInstrument& instrument, SimLine& wire,
                                LineControl& control, int64_t nowMs) {
  std::istringstream in{std::string(line)};
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  if (words.empty()) return {};
  const std::string& name = words[0];
  std::vector<int> args;
  for (size_t i = 1; i < words.size(); ++i) {
    const auto n = Number(words[i]);
    if (!n || *n < 0) return "error: bad number " + words[i];
    args.push_back(*n);
  }
  auto arg = [&](size_t i, int fallback) { return i < args.size() ? args[i] : fallback; };
  const std::string ok = "ok " + std::string(line);

  if (name == "error") {
    const int code = arg(0, 0);
    if (code < 1 || code > 8) return "error: the error code must be 1..8";
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
