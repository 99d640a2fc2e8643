// Crashes on purpose, so that the crash guard of the Windows test run can be
// seen to turn a crash into a failure.

#include <gtest/gtest.h>

namespace {

TEST(CrashGuardProbe, CrashesOnPurpose) {
  volatile int* nowhere = nullptr;
  *nowhere = 1;  // an access violation, as a wrong index into a list would cause
  SUCCEED();
}

}  // namespace
