#include <gtest/gtest.h>

#include <random>

#include "support/DamagedDocument.h"
#include "support/FormEventDriver.h"

namespace hvt {
namespace {

using testing::FormRig;

// 10,000 random event sequences, every other one on a damaged document:
// after every event the unit on the form keeps its invariants, and no unit
// the form does not show is touched.
TEST(FormProperty, RandomEventSequencesKeepTheUnitSound) {
  constexpr int kSequences = 10000;
  FormRig rigs[2] = {FormRig(1), FormRig(3)};
  std::mt19937 random(20261209);
  auto next = [&](uint32_t n) { return n == 0 ? 0u : static_cast<uint32_t>(random() % n); };
  long long events = 0;
  for (int s = 0; s < kSequences; ++s) {
    FormRig& rig = rigs[s % 2];
    if (rig.view->RunActive()) rig.view->run.EndRun();
    rig.doc.InitNewDocument();
    if (s % 4 >= 2) testing::DamageDocument(rig.doc, static_cast<uint32_t>(s));
    rig.view->InitialUpdate();
    const CPELKDoc loaded = rig.doc;
    const int shown = rig.view->runStatus.activeUnit;
    const std::string first = testing::FormInvariantFailure(rig);
    ASSERT_EQ(first, "") << "sequence " << s << " after the initial update";
    const int length = 1 + static_cast<int>(next(30));
    for (int e = 0; e < length; ++e) {
      testing::DriveOneEvent(rig, next);
      ++events;
      const std::string failure = testing::FormInvariantFailure(rig);
      ASSERT_EQ(failure, "") << "sequence " << s << " event " << e;
    }
    for (int n = 1; n <= kUnitCount; ++n) {
      if (n != shown) {
        ASSERT_TRUE(rig.doc.unit(n) == loaded.unit(n)) << "sequence " << s;
      }
    }
  }
  RecordProperty("events", static_cast<int>(events));
  std::printf("%d sequences, %lld events\n", kSequences, events);
}

}  // namespace
}  // namespace hvt
