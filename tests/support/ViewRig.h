#pragma once

#include <filesystem>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

#include "model/CPELKDoc.h"
#include "model/Settings.h"
#include "model/StringTable.h"
#include "view/CPELKView.h"
#include "support/ModalPrompter.h"
#include "support/RecordingForm.h"
#include "support/SimDevice.h"
#include "support/TempFolder.h"
#include "support/UnitSetup.h"
#include "support/VirtualTime.h"

namespace hvt::testing {

// A view on virtual time with the simulated instrument behind the real
// protocol, a recording form and scripted prompts (which may stay open
// while time passes).
struct ViewRig {
  explicit ViewRig(sim::InstrumentOptions options = DefaultOptions(), bool demo = false,
                   bool startUp = true)
      : settingsPath(PrivateFolder() / "HVT-KP4RS.INI"),
        settings(settingsPath),
        device(time, options) {
    doc.firstUpdate = 1;
    view = std::make_unique<CPELKView>(
        doc, CPELKView::Ports{device, time, time, prompter, form, settings,
                              [this](int n) { return portPath(n); }});
    time.client = view.get();
    if (!startUp) return;
    if (demo) {
      doc.demoMode = 1;
      view->StartUp(false);
    } else {
      view->StartUp(true);
    }
  }
  ~ViewRig() {
    view.reset();
    std::error_code ec;
    std::filesystem::permissions(settingsPath, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(settingsPath.parent_path(), ec);
  }

  // A new folder of its own for each rig, so that rigs in parallel test
  // processes never share a settings file.
  static std::filesystem::path PrivateFolder() { return NewTempFolder("hvt-rig"); }

  static sim::InstrumentOptions DefaultOptions() {
    sim::InstrumentOptions o;
    o.identity = LoadString(TextId::Identification);
    return o;
  }

  UnitRecord& Unit(int n, int injection, int interval) {
    return TimedUnit(doc, n, injection, interval);
  }
  void UseUnit(int n) { hvt::testing::UseUnit(doc, *view, n); }
  void UseProgram(int number, std::initializer_list<int> units, int times) {
    ProgramRecord& p = doc.program(number);
    p.steps.fill(0);
    int pos = 1;
    for (int u : units) {
      p.step(pos) = static_cast<uint16_t>(u);
      pos += 2;
    }
    p.times = times;
    doc.currentProgram = static_cast<uint16_t>(number);
    doc.programMode = 1;
    view->lists.ShowProgram();
  }
  void Start() { view->run.StartRun(); }
  // Runs until the run has ended; false when it did not within the limit.
  bool RunToEnd(uint32_t limitMs) {
    return time.RunUntil([&] { return !view->RunActive(); }, limitMs);
  }

  // The device of each COM port; tests may map more ports.
  std::function<std::string(int)> portPath = [](int n) {
    return n == 1 ? std::string("/dev/sim") : std::string();
  };
  std::filesystem::path settingsPath;
  SettingsFile settings;
  VirtualTime time;
  SimDevice device;
  RecordingForm form;
  ModalPrompter prompter{time};
  CPELKDoc doc;
  std::unique_ptr<CPELKView> view;
};

}  // namespace hvt::testing
