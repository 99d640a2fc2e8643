#pragma once

#include <string>
#include <vector>

#include "view/HeadlessForm.h"

namespace hvt::testing {

// The headless form plus the history of what the operator would have seen.
class RecordingForm : public HeadlessForm {
 public:
  RecordingForm() {
    onStatusText = [this](const std::string& text) { statusTexts.push_back(text); };
    onProgress = [this](int percent) { progressHistory.push_back(percent); };
    onBeep = [this](Beep kind) { beeps.push_back(kind); };
  }

  std::string Status() const { return status; }

  std::vector<std::string> statusTexts;
  std::vector<int> progressHistory;
  std::vector<Beep> beeps;
};

}  // namespace hvt::testing
