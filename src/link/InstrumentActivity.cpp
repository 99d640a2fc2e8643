#include "link/InstrumentActivity.h"

#include "link/Connection.h"
#include "link/InstrumentCommands.h"
#include "model/StringTable.h"

namespace hvt {

InstrumentActivity ActivityFromStatus(const std::string& answer) {
  InstrumentActivity a;
  if (answer.size() < 4 || answer.compare(0, 2, "AG") != 0) return a;
  a.answered = true;
  a.testRunning = (status::Flags(answer, 2) & status::kRunning) != 0;
  a.lineOn = (status::Flags(answer, 3) & status::kLineOn) != 0;
  return a;
}

InstrumentActivity ReadActivity(InstrumentCommands& commands) {
  return ActivityFromStatus(commands.QueryStatus());
}

StopResult StopInstrument(InstrumentCommands& commands) {
  StopResult r;
  r.stopSent = commands.SendStop() || commands.SendStop();
  r.lineOffSent = commands.SendLine(false) || commands.SendLine(false);
  r.after = ReadActivity(commands);
  return r;
}

std::string BusyText(const InstrumentActivity& activity) {
  std::string text;
  if (activity.testRunning) text = LoadString(TextId::FoundTestRunning);
  if (activity.lineOn) {
    if (!text.empty()) text += '\n';
    text += LoadString(TextId::FoundLineOn);
  }
  return text;
}

}  // namespace hvt
