#include <gtest/gtest.h>

#include "model/Profile.h"

namespace hvt {
namespace {

TEST(ProfileRead, FindsKeysInTheirSectionOnly) {
  const std::string ini =
      "; comment\r\n"
      "[EMV]\r\n"
      "PORT_NUM=3\r\n"
      "  type =  1  \r\n"
      "[PRINT_ENV]\n"
      "Model=HVT KP4 = 4 kV\n"
      "Serial=\n"
      "[emv]\n"
      "Extra=x\n";
  EXPECT_EQ(ProfileRead(ini, "EMV", "PORT_NUM"), "3");
  EXPECT_EQ(ProfileRead(ini, "emv", "TYPE"), "1");  // names ignore case, blanks trimmed
  EXPECT_EQ(ProfileRead(ini, "PRINT_ENV", "Model"), "HVT KP4 = 4 kV");
  EXPECT_EQ(ProfileRead(ini, "PRINT_ENV", "Serial"), "");
  EXPECT_EQ(ProfileRead(ini, "PRINT_ENV", "PORT_NUM"), "");
  EXPECT_EQ(ProfileRead(ini, "Position", "left"), "");
  EXPECT_EQ(ProfileRead("", "EMV", "PORT_NUM"), "");
  EXPECT_EQ(ProfileRead("PORT_NUM=4\n", "EMV", "PORT_NUM"), "");  // outside any section
  EXPECT_EQ(ProfileRead("[EMV", "EMV", "x"), "");                 // unclosed section line
}

TEST(ProfileFind, TellsAnEmptyValueFromAMissingKey) {
  const std::string ini = "[PRINT_ENV]\nSerial=\nModel\n[Ports]\nCOM5 = /dev/pts/3\n";
  EXPECT_EQ(ProfileFind(ini, "PRINT_ENV", "Serial"), std::optional<std::string>(""));
  EXPECT_EQ(ProfileFind(ini, "PRINT_ENV", "Model"), std::nullopt);  // no '=': not an entry
  EXPECT_EQ(ProfileFind(ini, "ports", "com5"), std::optional<std::string>("/dev/pts/3"));
  EXPECT_EQ(ProfileFind(ini, "Ports", "COM6"), std::nullopt);
  EXPECT_EQ(ProfileFind(ini, "EMV", "Serial"), std::nullopt);
}

TEST(ProfileRead, ReturnsAtMost511Characters) {
  const std::string value(600, 'v');
  const std::string ini = "[S]\nK=" + value + "\n";
  EXPECT_EQ(ProfileRead(ini, "S", "K"), std::string(511, 'v'));
}

TEST(ProfileWrite, ReplacesAddsAndKeepsOtherLines) {
  std::string ini = ProfileWrite("", "EMV", "PORT_NUM", "3");
  EXPECT_EQ(ini, "[EMV]\r\nPORT_NUM=3\r\n");
  ini = ProfileWrite(ini, "EMV", "TYPE", "1");
  ini = ProfileWrite(ini, "Position", "left", "10");
  ini = ProfileWrite(ini, "emv", "port_num", "7");
  EXPECT_EQ(ini, "[EMV]\r\nport_num=7\r\nTYPE=1\r\n[Position]\r\nleft=10\r\n");

  // Comments and blank lines stay; a new key goes after the section's last entry.
  std::string commented = "; mine\n[EMV]\nPORT_NUM=3\n\n[Other]\na=b\n";
  commented = ProfileWrite(commented, "EMV", "TYPE", "3");
  EXPECT_EQ(commented, "; mine\r\n[EMV]\r\nPORT_NUM=3\r\nTYPE=3\r\n\r\n[Other]\r\na=b\r\n");
}

TEST(ProfileWrite, LineBreaksInAValueCannotForgeKeys) {
  const std::string ini = ProfileWrite("", "PRINT_ENV", "Model", "KP4\r\n[EMV]\r\nPORT_NUM=9");
  EXPECT_EQ(ProfileRead(ini, "EMV", "PORT_NUM"), "");
  EXPECT_EQ(ProfileRead(ini, "PRINT_ENV", "Model"), "KP4  [EMV]  PORT_NUM=9");
}

}  // namespace
}  // namespace hvt
