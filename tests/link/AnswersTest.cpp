#include <gtest/gtest.h>

#include "link/Answers.h"

namespace hvt {
namespace {

TEST(AnswersTest, StatusNeedsPrefixAndTwoCharacters) {
  EXPECT_EQ(StatusFromAnswer("AG10"), "AG10");
  EXPECT_EQ(StatusFromAnswer("AG10xyz"), "AG10xyz");
  EXPECT_EQ(StatusFromAnswer("AG1"), "");
  EXPECT_EQ(StatusFromAnswer("AH10"), "");
  EXPECT_EQ(StatusFromAnswer(""), "");
}

TEST(AnswersTest, ErrorCodes) {
  EXPECT_EQ(ErrorCodeFromAnswer("AN0"), 0);
  EXPECT_EQ(ErrorCodeFromAnswer("AN8"), 8);
  EXPECT_EQ(ErrorCodeFromAnswer("AN  4x"), 4);
  EXPECT_EQ(ErrorCodeFromAnswer("AN9"), -1);
  EXPECT_EQ(ErrorCodeFromAnswer("AN-1"), -1);
  EXPECT_EQ(ErrorCodeFromAnswer("AN-2"), -1);
  EXPECT_EQ(ErrorCodeFromAnswer("AN"), 0);
  EXPECT_EQ(ErrorCodeFromAnswer("AN99999999999999"), -1);
  EXPECT_EQ(ErrorCodeFromAnswer("AX3"), -1);
}

TEST(AnswersTest, LineState) {
  EXPECT_EQ(LineStateFromAnswer("AC1"), 1);
  EXPECT_EQ(LineStateFromAnswer("AC0"), 0);
  EXPECT_EQ(LineStateFromAnswer("AC"), 0);
  EXPECT_EQ(LineStateFromAnswer("AC2"), 0);
  EXPECT_EQ(LineStateFromAnswer("AX1"), 0xFF);
  EXPECT_EQ(LineStateFromAnswer("A"), 0xFF);
}

TEST(AnswersTest, TextAfterPrefix) {
  EXPECT_EQ(TextAfterPrefix("AE150", 'E'), "150");
  EXPECT_EQ(TextAfterPrefix("AE", 'E'), "");
  EXPECT_FALSE(TextAfterPrefix("AF150", 'E'));
}

TEST(AnswersTest, ProgressFieldsAndRanges) {
  auto p = ParseProgressAnswer("AH12/3/150/90/1/7");
  ASSERT_TRUE(p);
  EXPECT_EQ(p->injectionCount, 12);
  EXPECT_EQ(p->intervalCount, 3);
  EXPECT_EQ(p->voltage, 150);
  EXPECT_EQ(p->triggerValue, 90);
  EXPECT_EQ(p->unitChange, 1);
  EXPECT_EQ(p->secondsDigit, 7);
  EXPECT_TRUE(ProgressInRange(*p, 0, 150));
  EXPECT_FALSE(ProgressInRange(*p, 0, 149));

  // Endless counters are in range; beyond them is not.
  EXPECT_TRUE(ProgressInRange(*ParseProgressAnswer("AH10000/1000/0/360/0/0"), 0, 800));
  EXPECT_FALSE(ProgressInRange(*ParseProgressAnswer("AH10001/0/0/0/0/0"), 0, 800));
  EXPECT_FALSE(ProgressInRange(*ParseProgressAnswer("AH0/1001/0/0/0/0"), 0, 800));
  EXPECT_FALSE(ProgressInRange(*ParseProgressAnswer("AH0/0/-1/0/0/0"), 0, 800));
  EXPECT_FALSE(ProgressInRange(*ParseProgressAnswer("AH0/0/0/361/0/0"), 0, 800));
  EXPECT_TRUE(ProgressInRange(*ParseProgressAnswer("AH0/0/0/999/0/0"), 1, 800));
  EXPECT_FALSE(ProgressInRange(*ParseProgressAnswer("AH0/0/0/1000/0/0"), 1, 800));
  EXPECT_FALSE(ProgressInRange(*ParseProgressAnswer("AH0/0/0/0/0/10"), 1, 800));
  EXPECT_EQ(ParseProgressAnswer("AH0/0/0/0/2/0")->unitChange, 0);
}

TEST(AnswersTest, ProgressWithMissingSeparatorsStillReadsItsFields) {
  auto p = ParseProgressAnswer("AH12/3/150/90/1");
  ASSERT_TRUE(p);
  EXPECT_FALSE(p->complete);
  EXPECT_EQ(p->unitChange, 1);    // read to the end of the text
  EXPECT_EQ(p->secondsDigit, 0);  // no start: 0
  EXPECT_FALSE(ProgressInRange(*p, 0, 800));

  p = ParseProgressAnswer("AH77");
  EXPECT_EQ(p->injectionCount, 77);
  EXPECT_EQ(p->intervalCount, 0);
  EXPECT_FALSE(ParseProgressAnswer("AG12/3/150/90/1/7"));
  EXPECT_FALSE(ParseProgressAnswer("A"));
}

TEST(AnswersTest, ConfigurationAnswers) {
  auto c = ParseConfigurationAnswer("AM205x1/1/2/4/8/10/16/20/1/");
  ASSERT_TRUE(c);
  EXPECT_EQ(c->maxVoltage, 205);
  EXPECT_EQ(c->injectionUnitType, 1);
  EXPECT_EQ(c->typeText, "1");
  EXPECT_EQ(c->widths[0], 50);
  EXPECT_EQ(c->widths[6], 1000);
  EXPECT_TRUE(c->triangle);

  c = ParseConfigurationAnswer("AM410x3/1/2/4/8/10/16/20/0/");
  EXPECT_EQ(c->maxVoltage, 410);
  EXPECT_EQ(c->injectionUnitType, 3);
  EXPECT_FALSE(c->triangle);

  // The triangle flag without its closing "/" reads as 0.
  EXPECT_FALSE(ParseConfigurationAnswer("AM205x1/1/2/4/8/10/16/20/1")->triangle);
  c = ParseConfigurationAnswer("AM4");
  EXPECT_EQ(c->maxVoltage, 4);
  EXPECT_EQ(c->typeText, "");
  EXPECT_EQ(c->widths[3], 0);
  EXPECT_FALSE(ParseConfigurationAnswer("AX410x3/"));
}

}  // namespace
}  // namespace hvt
