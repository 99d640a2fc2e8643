#include "hvtctl/SettingsCommand.h"

#include <filesystem>
#include <ostream>
#include <string_view>

#include "hvtctl/PlkCommands.h"
#include "model/Profile.h"
#include "model/Settings.h"

namespace hvt {

const char* const kSettingsHelp =
    "Usage: hvtctl settings get SECTION KEY\n"
    "       hvtctl settings set SECTION KEY VALUE\n"
    "\n"
    "Read or write one entry of the settings file that the desktop program and\n"
    "hvtctl share, $XDG_CONFIG_HOME/Korrin/HVT-KP4RS/HVT-KP4RS.INI (without\n"
    "XDG_CONFIG_HOME under ~/.config). The file is read-only between writes:\n"
    "set lifts the protection, replaces the file in one step and protects it\n"
    "again. Section and key names are matched without regard to case; get\n"
    "prints the value as it stands.\n"
    "\n"
    "Entries the programs read:\n"
    "  EMV PORT_NUM         the instrument's COM port number, 1..257\n"
    "  EMV TYPE             the injection unit type last reported, 1 or 3\n"
    "  Ports COMn           the device of COM n, e.g. set Ports COM5 /dev/pts/3\n"
    "                       (without one: COM1-32 /dev/ttyS0-31, COM33-64\n"
    "                       /dev/ttyUSB0-31, COM65-96 /dev/ttyACM0-31)\n"
    "  PRINT_ENV Model      the equipment model on the test report\n"
    "  PRINT_ENV Serial     the equipment serial number on the test report\n"
    "  Position left|top|right|bottom\n"
    "                       the main window's edges, in pixels\n"
    "\n"
    "Options:\n"
    "  -h, --help           show this help\n"
    "\n"
    "Exit status: 0 success; 1 get finds no such entry or set cannot write the\n"
    "file (the message says why); 2 bad arguments: a name that the file cannot\n"
    "hold (empty, a line break, blanks at either end, ']' in a section, '=' in\n"
    "a key) or a value that would not read back as given.\n";

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool HasLineBreak(std::string_view text) {
  return text.find_first_of("\r\n") != std::string_view::npos;
}

bool BlankAtAnEnd(std::string_view text) {
  return !text.empty() && (IsBlank(text.front()) || IsBlank(text.back()));
}

// Why a name cannot stand in the file, or empty when it can. A section name
// ends at its first ']'; a key ends at its first '=' and must not look like
// a comment or a section line.
std::string BadName(std::string_view name, bool section) {
  if (name.empty()) return "is empty";
  if (HasLineBreak(name)) return "holds a line break";
  if (BlankAtAnEnd(name)) return "has a blank at one end";
  if (section && name.find(']') != std::string_view::npos) return "holds ']'";
  if (!section && name.find('=') != std::string_view::npos) return "holds '='";
  if (!section && (name.front() == ';' || name.front() == '[')) return "begins with ';' or '['";
  return {};
}

// Why a value would not read back as given, or empty when it would.
std::string BadValue(std::string_view value) {
  if (HasLineBreak(value)) return "holds a line break";
  if (BlankAtAnEnd(value)) return "has a blank at one end, which reading drops";
  if (value.size() > kProfileReadLimit)
    return "is longer than the " + std::to_string(kProfileReadLimit) + " bytes read back";
  return {};
}

bool CheckNames(const char* who, const std::string& section, const std::string& key,
                std::ostream& err) {
  if (const std::string why = BadName(section, true); !why.empty()) {
    err << who << ": section \"" << section << "\" " << why << "\n";
    return false;
  }
  if (const std::string why = BadName(key, false); !why.empty()) {
    err << who << ": key \"" << key << "\" " << why << "\n";
    return false;
  }
  return true;
}

int Get(const std::vector<std::string>& args, const SettingsFile& settings, std::ostream& out,
        std::ostream& err) {
  const char* who = "hvtctl settings get";
  if (args.size() != 3) {
    err << who << ": expected SECTION and KEY (see hvtctl settings --help)\n";
    return kExitUsage;
  }
  const std::string& section = args[1];
  const std::string& key = args[2];
  if (!CheckNames(who, section, key, err)) return kExitUsage;
  std::string reason;
  const auto value = settings.FindSetting(section, key, &reason);
  if (value) {
    out << *value << "\n";
    return kExitOk;
  }
  err << who << ": " << settings.path().string() << ": ";
  std::error_code ec;
  if (!reason.empty()) {
    err << reason << "\n";
  } else if (!std::filesystem::exists(settings.path(), ec)) {
    err << "no entry " << key << " in [" << section << "]: the file does not exist\n";
  } else {
    err << "no entry " << key << " in [" << section << "]\n";
  }
  return kExitFailure;
}

int Set(const std::vector<std::string>& args, SettingsFile& settings, std::ostream& err) {
  const char* who = "hvtctl settings set";
  if (args.size() != 4) {
    err << who << ": expected SECTION, KEY and VALUE (see hvtctl settings --help)\n";
    return kExitUsage;
  }
  const std::string& section = args[1];
  const std::string& key = args[2];
  const std::string& value = args[3];
  if (!CheckNames(who, section, key, err)) return kExitUsage;
  if (const std::string why = BadValue(value); !why.empty()) {
    err << who << ": the value " << why << "\n";
    return kExitUsage;
  }
  std::string reason;
  if (!settings.WriteSetting(section, key, value, &reason)) {
    err << who << ": " << settings.path().string() << ": " << reason
        << "; the entry was not written\n";
    return kExitFailure;
  }
  return kExitOk;
}

}  // namespace

int RunSettingsCommand(const std::vector<std::string>& args, SettingsFile& settings,
                       std::ostream& out, std::ostream& err) {
  if (WantsHelp(args)) {
    out << kSettingsHelp;
    return kExitOk;
  }
  if (args.empty()) {
    err << kSettingsHelp;
    return kExitUsage;
  }
  if (args[0] == "get") return Get(args, settings, out, err);
  if (args[0] == "set") return Set(args, settings, err);
  err << "hvtctl settings: unknown command " << args[0] << " (see hvtctl settings --help)\n";
  return kExitUsage;
}

}  // namespace hvt
