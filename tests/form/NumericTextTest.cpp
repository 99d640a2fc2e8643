#include <gtest/gtest.h>

#include "form/NumericText.h"

namespace hvt::form {
namespace {

TEST(NumericText, FormCheck) {
  const NumberForm whole{3, 0};
  for (const char* ok : {"", "0", "05", "50", "500", " 42 ", "\t7"}) {
    EXPECT_TRUE(PassesForm(ok, whole)) << ok;
  }
  for (const char* bad : {"00", "010", "1000", "1.", "-1", "1 2", "x", "+3"}) {
    EXPECT_FALSE(PassesForm(bad, whole)) << bad;
  }
  for (const char* ok : {"8.00", "0.01", ".5", "12.", "99.99", "0.0"}) {
    EXPECT_TRUE(PassesForm(ok, kVoltageForm)) << ok;
  }
  for (const char* bad : {"3.456", "100", "1.2.3", "00.5", "1,5"}) {
    EXPECT_FALSE(PassesForm(bad, kVoltageForm)) << bad;
  }
}

TEST(NumericText, VoltageTextsCountHundredths) {
  EXPECT_EQ(TextValue("1.5", true), 150);
  EXPECT_EQ(TextValue("2", true), 200);
  EXPECT_EQ(TextValue("0.01", true), 1);
  EXPECT_EQ(TextValue("", true), 0);
  EXPECT_EQ(TextValue(" 42 ", false), 42);
  EXPECT_EQ(ValueText(800, true), "8.00");
  EXPECT_EQ(ValueText(7, false), "7");
}

}  // namespace
}  // namespace hvt::form
