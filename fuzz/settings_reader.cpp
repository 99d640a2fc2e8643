// The settings reader and writer on arbitrary file contents: no crash, and a
// value written can be read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "model/Profile.h"
#include "model/Settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view content(reinterpret_cast<const char*>(data), size);
  for (const char* section : {"EMV", "PRINT_ENV", "Position"}) {
    for (const char* key : {"PORT_NUM", "TYPE", "Model", "left"}) {
      const std::string value = hvt::ProfileRead(content, section, key);
      if (value.size() > hvt::kProfileReadLimit) std::abort();
      (void)hvt::DecimalValue(value);
      (void)hvt::PortNumberFromSetting(value);
    }
  }
  (void)hvt::DecimalValue(content);
  const std::string written = hvt::ProfileWrite(content, "EMV", "PORT_NUM", "12");
  if (hvt::ProfileRead(written, "EMV", "PORT_NUM") != "12") std::abort();
  return 0;
}
