#include "run/SequenceControl.h"

#include <algorithm>
#include <cstdio>

#include "form/UnitCells.h"
#include "model/StringTable.h"
#include "run/RunWiring.h"

namespace hvt {

namespace {

int32_t IntervalSeconds(const UnitRecord& u) { return u.intervalEndless ? 1 : u.intervalTime; }

}  // namespace

std::vector<int32_t> SequenceControl::RunPositions() const {
  std::vector<int32_t> out;
  const int32_t last = 2 * with.doc.programStepCount - 1;
  for (int32_t pos = 1; pos <= last && pos <= ProgramRecord::kPositions; pos += 2) {
    if (UnitAt(pos) != 0) out.push_back(pos);
  }
  return out;
}

int32_t SequenceControl::UnitAt(int32_t position) const {
  if (position < 1 || position > ProgramRecord::kPositions) return 0;
  const uint16_t code = with.doc.CurrentProgram().step(position);
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
  return IsLastRunPosition(state.showPos) && state.sendTimesLeft <= 1;
}

void SequenceControl::ShowTimesLeft(int32_t times) {
  with.form.SetText(ControlId::TimesLeft, std::to_string(times));
}

SequenceControl::ProgramStart SequenceControl::PrepareProgramRun() {
  positions = RunPositions();
  if (positions.empty()) return {};
  const CPELKDoc& doc = with.doc;
  long long t = 0;
  for (size_t k = 0; k < positions.size(); ++k) {
    t += with.sweep.UnitRunSeconds(UnitAt(positions[k]), false);
    if (k >= 1) t += IntervalSeconds(doc.unit(UnitAt(positions[k - 1])));
  }
  const long long m = state.sendTimesLeft;
  const UnitRecord& last = doc.unit(UnitAt(positions.back()));
  long long total = last.intervalEndless ? (t + 1) * m - 1 : (m - 1) * last.intervalTime + t * m;
  total = std::clamp<long long>(total, INT32_MIN, INT32_MAX);
  state.sendPos = positions.front();
  state.showPos = positions.front();
  return {UnitAt(positions.front()), static_cast<int32_t>(total)};
}

void SequenceControl::ShowProgramStart(int32_t first) {
  ShowRunUnit(first);
  with.sweep.ShowSweepValues(false);
  with.host.FillUnitOverview();
  with.enabling.ShowConditionPanel(false);
  with.form.SelectRow(ControlId::UnitOverview, first - 1);
}

bool SequenceControl::FeedProgram(bool nextUnitRequest, int32_t unitToggle, int32_t& reached) {
  reached = 0;
  if (positions.empty()) return true;
  if (nextUnitRequest) {
    int32_t unit = 0;
    state.sendPos = NextRunPosition(state.sendPos);
    if (state.sendPos <= ProgramRecord::kPositions) {
      unit = UnitAt(state.sendPos);
    } else if (state.sendTimesLeft > 1) {
      state.sendPos = positions.front();
      --state.sendTimesLeft;
      unit = UnitAt(state.sendPos);
    }
    // Otherwise the instrument finishes the unit it holds.
    if (unit != 0 && !with.commands.SendUnit(unit) && !with.commands.SendUnit(unit)) {
      // Recorded before EndRun, which would take the end for an operator's stop.
      with.run.FailRun(RunEnd::CommunicationFailure);
      with.doc.demoMode = with.connection.AskDemo();
      with.run.EndRun();
      return false;
    }
  }
  if (unitToggle != with.status.lastUnitToggle) {
    if (!IsLastRunPosition(state.showPos)) {
      SetProgramRowText(state.showPos, true);
      state.showPos = NextRunPosition(state.showPos);
      if (!with.commands.SendStepCode(20)) with.commands.SendStepCode(20);
    } else {
      --state.showTimesLeft;
      ShowTimesLeft(state.showTimesLeft);
      SetProgramRowText(state.showPos, true);
      state.showPos = positions.front();
    }
    reached = UnitAt(state.showPos);
  }
  return true;
}

void SequenceControl::ShowUnitReached(int32_t unit) {
  with.sweep.LoadRunCounters(unit);
  ShowRunUnit(unit);
  with.sweep.SetPhaseTimes(with.doc.unit(unit).injectionTime, with.doc.unit(unit).intervalTime);
  with.sweep.ShowSweepValues(true);
  with.form.SelectRow(ControlId::UnitOverview, unit - 1);
}

int32_t SequenceControl::AdvanceDemoProgram() {
  SetProgramRowText(state.showPos, true);
  if (IsLastRunPosition(state.showPos)) {
    if (state.sendTimesLeft <= 1 || positions.empty()) {
      with.form.SetProgress(100);
      with.clock.Sleep(100);
      with.run.EndRun();
      return 0;
    }
    state.showPos = positions.front();
    --state.sendTimesLeft;
    ShowTimesLeft(state.sendTimesLeft);
  } else {
    state.showPos = NextRunPosition(state.showPos);
  }
  return UnitAt(state.showPos);
}

void SequenceControl::ShowDemoUnit(int32_t unit) {
  with.sweep.LoadRunCounters(unit);
  ShowRunUnit(unit);
  with.sweep.ShowSweepValues(true);
  with.enabling.ShowRemainingTimes(true);
  with.enabling.UpdateRunControls();
  with.form.SelectRow(ControlId::UnitOverview, unit - 1);
}

void SequenceControl::ShowRunUnit(int unitNumber) {
  if (unitNumber < 1 || unitNumber > kUnitCount) return;
  with.host.ShowRunUnit(unitNumber);
  with.enabling.FreezeSequenceCombos();
}

void SequenceControl::SetProgramRowText(int32_t position, bool visible) {
  if (position < 1 || position > ProgramRecord::kPositions) return;
  const uint16_t code = with.doc.CurrentProgram().step(position);
  with.form.SetCell(ControlId::ProgramList, position - 1,
                    visible ? form::StepText(with.doc, code) : std::string(7, ' '));
}

std::string SequenceControl::RemainingTimeText(int32_t r) {
  if (r < 0) r = 0;  // an estimate that ran out shows no time left
  const std::string& s = LoadString(TextId::SecondsUnit);
  const std::string& m = LoadString(TextId::MinutesUnit);
  const std::string& h = LoadString(TextId::HoursUnit);
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
  std::snprintf(buffer, sizeof buffer, "%s   %lld%%   %s ", LoadString(TextId::Start).c_str(), p,
                LoadString(TextId::Remaining).c_str());
  return buffer + RemainingTimeText(secondsLeft);
}

void SequenceControl::ShowProgress(bool final) {
  if (final) {
    with.form.SetProgress(0);
    return;
  }
  int percent = 0;
  const std::string text =
      ProgressText(with.status.totalSeconds, with.status.secondsLeft, &percent);
  with.form.SetProgress(percent);
  with.form.SetStatusText(text);
}

}  // namespace hvt
