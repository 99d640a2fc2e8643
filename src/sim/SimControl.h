#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "sim/SimInstrument.h"
#include "sim/SimLine.h"

namespace hvt::sim {

// The fault commands that hvt-sim reads on its standard input.
inline constexpr const char* kControlHelp =
    "Commands on standard input, one a line:\n"
    "  error N         hardware error N (1..8): the test stops, the error bit\n"
    "                  is set, the EUT line drops and \"QN\" answers N\n"
    "  panel-stop      the test is stopped on the instrument's panel\n"
    "  external-stop   the test is stopped by the external stop signal\n"
    "  line-off        the EUT line is switched off on the panel\n"
    "  nak [N]         answer the next N ENQs with NAK instead of ACK\n"
    "  silent [N]      do not answer the next N transactions at all\n"
    "  bad-bcc [N]     send the next N answer frames with a wrong block check\n"
    "  slow MS [N]     hold the next N replies to a frame for MS milliseconds\n"
    "  stray [N]       send N stray bytes now (default 3)\n"
    "  babble MS       keep sending bytes for MS milliseconds\n"
    "  clear           forget pending line faults\n"
    "  status          print the \"QG\" and \"QH\" answers\n"
    "Each command is answered on standard output by \"ok COMMAND\" or\n"
    "\"error: ...\".\n";

struct LineControl {
  int64_t babbleUntilMs = 0;
};

// Carries out one command line; returns the line to print.
std::string ApplyControlCommand(std::string_view line, SimInstrument& instrument, SimLine& wire,
                                LineControl& control, int64_t nowMs);

}  // namespace hvt::sim
