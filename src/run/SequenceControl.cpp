#include "run/SequenceControl.h"

#include <algorithm>
#include <cstdio>

#include "form/UnitCells.h"
#include "model/StringTable.h"
#include "view/CPELKView.h"

namespace hvt {

namespace {

constexpr int kStartText = 2009;
constexpr int kSecondsUnit = 3103;
constexpr int kMinutesUnit = 3104;
constexpr int kHoursUnit = 3105;
constexpr int kRemainingText = 3106;

int32_t IntervalSeconds(const UnitRecord& u) { return u.intervalEndless ? 1 : u.intervalTime; }

}  // namespace

std::vector<int32_t> SequenceControl::RunPositions() const {
  std::vector<int32_t> out;
  const int32_t last = 2 * view.doc.programStepCount - 1;
  for (int32_t pos = 1; pos <= last && pos <= ProgramRecord::kPositions; pos += 2) {
    if (UnitAt(pos) != 0) out.push_back(pos);
  }
  return out;
}

int32_t SequenceControl::UnitAt(int32_t position) const {
  if (position < 1 || position > ProgramRecord::kPositions) return 0;
  const uint16_t code = view.doc.CurrentProgram().step(position);
  return code >= 1 && code <= kUnitCount ? code : 0;
}

int32_t SequenceControl::NextRunPosition(int32_t position) const {
  for (int32_t p : positions) {
    if (p > position) return p;
  }
  return ProgramRecord::kPositions + 1;  // past the end
}

bool SequenceControl::IsLastRunPosition(int32_t position) const {
  return positions.empty() || position >= positions.back();
}

bool SequenceControl::OnLastUnitOfLastRepetition() const {
  return IsLastRunPosition(view.showPos) && view.sendTimesLeft <= 1;
}

void SequenceControl::ShowTimesLeft(int32_t times) {
  view.form.SetText(ControlId::TimesLeft, std::to_string(times));
}

void SequenceControl::PrepareProgramRun() {
  positions = RunPositions();
  if (positions.empty()) return;
  const CPELKDoc& doc = view.doc;
  long long t = 0;
  for (size_t k = 0; k < positions.size(); ++k) {
    t += view.sweep.UnitRunSeconds(UnitAt(positions[k]), false);
    if (k >= 1) t += IntervalSeconds(doc.unit(UnitAt(positions[k - 1])));
  }
  const long long m = view.sendTimesLeft;
  const UnitRecord& last = doc.unit(UnitAt(positions.back()));
  long long total = last.intervalEndless ? (t + 1) * m - 1 : (m - 1) * last.intervalTime + t * m;
  total = std::clamp<long long>(total, INT32_MIN, INT32_MAX);
  view.totalSeconds = static_cast<int32_t>(total);

  const int32_t first = UnitAt(positions.front());
  view.activeUnit = first;
  ShowRunUnit(first);
  if (doc.unit(first).injectionEndless) view.endlessInjection = 1;
  view.sendPos = positions.front();
  view.showPos = positions.front();
  view.sweep.ShowSweepValues(false);
  view.lists.FillUnitOverview();
  view.enabling.ShowConditionPanel(false);
  view.form.SelectRow(ControlId::UnitOverview, first - 1);
}

bool SequenceControl::FeedProgram(bool nextUnitRequest, int32_t unitToggle) {
  if (positions.empty()) return true;
  if (nextUnitRequest) {
    int32_t unit = 0;
    view.sendPos = NextRunPosition(view.sendPos);
    if (view.sendPos <= ProgramRecord::kPositions) {
      unit = UnitAt(view.sendPos);
    } else if (view.sendTimesLeft > 1) {
      view.sendPos = positions.front();
      --view.sendTimesLeft;
      unit = UnitAt(view.sendPos);
    }
    // Otherwise the instrument finishes the unit it holds.
    if (unit != 0 && !view.commands.SendUnit(unit) && !view.commands.SendUnit(unit)) {
      // Recorded before EndRun, which would take the end for an operator's stop.
      if (view.run.lastRunEnd == RunEnd::None) view.run.lastRunEnd = RunEnd::CommunicationFailure;
      view.doc.demoMode = view.connection.AskDemo();
      view.run.EndRun();
      return false;
    }
  }
  if (unitToggle != view.lastUnitToggle) {
    if (!IsLastRunPosition(view.showPos)) {
      SetProgramRowText(view.showPos, true);
      view.showPos = NextRunPosition(view.showPos);
      if (!view.commands.SendStepCode(20)) view.commands.SendStepCode(20);
    } else {
      --view.showTimesLeft;
      ShowTimesLeft(view.showTimesLeft);
      SetProgramRowText(view.showPos, true);
      view.showPos = positions.front();
    }
    const int32_t unit = UnitAt(view.showPos);
    view.activeUnit = unit;
    view.sweep.LoadRunCounters(unit);
    ShowRunUnit(unit);
    view.injectionLeft = view.doc.unit(unit).injectionTime;
    view.intervalLeft = view.doc.unit(unit).intervalTime;
    view.sweep.ShowSweepValues(true);
    view.form.SelectRow(ControlId::UnitOverview, unit - 1);
    view.lastUnitToggle = unitToggle;
  }
  return true;
}

void SequenceControl::AdvanceDemoProgram() {
  SetProgramRowText(view.showPos, true);
  if (IsLastRunPosition(view.showPos)) {
    if (view.sendTimesLeft <= 1 || positions.empty()) {
      view.form.SetProgress(100);
      view.clock.Sleep(100);
      view.run.EndRun();
      return;
    }
    view.showPos = positions.front();
    --view.sendTimesLeft;
    ShowTimesLeft(view.sendTimesLeft);
  } else {
    view.showPos = NextRunPosition(view.showPos);
  }
  const int32_t unit = UnitAt(view.showPos);
  view.activeUnit = unit;
  view.sweep.LoadRunCounters(unit);
  ShowRunUnit(unit);
  view.endlessInjection = view.doc.unit(unit).injectionEndless;
  view.sweep.ShowSweepValues(true);
  view.enabling.ShowRemainingTimes(true);
  view.enabling.UpdateRunControls();
  view.form.SelectRow(ControlId::UnitOverview, unit - 1);
}

void SequenceControl::ShowRunUnit(int unitNumber) {
  if (unitNumber < 1 || unitNumber > kUnitCount) return;
  const UnitRecord& u = view.doc.unit(unitNumber);
  view.sweepLevels = u.sweepCount;
  view.form.SetText(ControlId::UnitNumberEdit, std::to_string(unitNumber));
  view.form.SetText(ControlId::UnitName, u.name);
  view.sweep.FillSequenceCombos();
  view.selections.ShowSequenceRows(u.testMode);
  view.enabling.FreezeSequenceCombos();
}

void SequenceControl::SetProgramRowText(int32_t position, bool visible) {
  if (position < 1 || position > ProgramRecord::kPositions) return;
  const uint16_t code = view.doc.CurrentProgram().step(position);
  view.form.SetCell(ControlId::ProgramList, position - 1,
                    visible ? form::StepText(view.doc, code) : std::string(7, ' '));
}

std::string SequenceControl::RemainingTimeText(int32_t r) {
  if (r < 0) r = 0;  // an estimate that ran out shows no time left
  const std::string& s = LoadString(kSecondsUnit);
  const std::string& m = LoadString(kMinutesUnit);
  const std::string& h = LoadString(kHoursUnit);
  auto d = [](long v) { return std::to_string(v); };
  if (r < 60) return d(r) + s;
  if (r < 3600) return d(r / 60) + m + " " + d(r % 60) + s;
  const int32_t v = r % 3600;
  std::string out = d(r / 3600) + h + " ";
  if (v < 60) return out + d(v) + s;
  return out + d(v / 60) + m + " " + d(v % 60) + s;
}

std::string SequenceControl::ProgressText(int32_t totalSeconds, int32_t secondsLeft, int* percent) {
  long long p = 100;
  if (totalSeconds > 0) {
    p = (static_cast<long long>(totalSeconds) - secondsLeft) * 100 / totalSeconds;
  }
  p = std::clamp<long long>(p, 0, 100);
  if (percent) *percent = static_cast<int>(p);
  char buffer[128];
  std::snprintf(buffer, sizeof buffer, "%s   %lld%%   %s ", LoadString(kStartText).c_str(), p,
                LoadString(kRemainingText).c_str());
  return buffer + RemainingTimeText(secondsLeft);
}

void SequenceControl::ShowProgress(bool final) {
  if (final) {
    view.form.SetProgress(0);
    return;
  }
  int percent = 0;
  const std::string text = ProgressText(view.totalSeconds, view.secondsLeft, &percent);
  view.form.SetProgress(percent);
  view.form.SetStatusText(text);
}

}  // namespace hvt
