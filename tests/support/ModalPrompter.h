#pragma once

#include <algorithm>

#include "support/ScriptedPrompter.h"
#include "support/VirtualTime.h"

namespace hvt::testing {

// A scripted prompter whose boxes stay open for openMs of virtual time.
// A real message box runs its own message loop, so the timers that are set
// keep firing while it is open; here they fire inside Ask, and a box opened
// from such a tick nests inside the one already open. The answer of a box
// is taken from the script when it closes: the innermost box first.
class ModalPrompter : public ScriptedPrompter {
 public:
  explicit ModalPrompter(VirtualTime& time) : time(time) {}

  using Prompter::Ask;
  Answer Ask(const std::string& text, Buttons buttons, MessageIcon icon, Owner owner,
             std::optional<Answer> defaultButton) override {
    shown.push_back({text, buttons, icon, owner, defaultButton});
    ++open;
    maxOpen = std::max(maxOpen, open);
    if (openMs > 0) time.RunFor(openMs);
    --open;
    return Choose(text, buttons);
  }

  uint32_t openMs = 0;  // 0: answered at once, nothing fires
  int open = 0;         // boxes open now
  int maxOpen = 0;      // most boxes open at once so far

 private:
  VirtualTime& time;
};

}  // namespace hvt::testing
