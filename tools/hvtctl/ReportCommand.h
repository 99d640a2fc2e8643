#pragma once

#include <functional>
#include <iosfwd>
#include <string>
#include <vector>

namespace hvt {

// "hvtctl report ..." with the arguments after "report". Needs a
// QGuiApplication; see RunReportMain.
int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// Runs a command that draws (a PDF) under a QGuiApplication, offscreen when
// there is no display.
int WithGuiApplication(int argc, char** argv, const std::function<int()>& command);

// Starts a QGuiApplication (offscreen when there is no display) and runs the
// command.
int RunReportMain(int argc, char** argv, const std::vector<std::string>& args, std::ostream& out,
                  std::ostream& err);

extern const char* const kReportHelp;

}  // namespace hvt
