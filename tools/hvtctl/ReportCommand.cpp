#include "hvtctl/ReportCommand.h"

#include <QGuiApplication>
#include <charconv>
#include <functional>
#include <optional>
#include <ostream>

#include "hvtctl/OutputFile.h"
#include "hvtctl/PlkCommands.h"
#include "link/PortPaths.h"
#include "model/DocumentFile.h"
#include "model/DocumentOpen.h"
#include "model/Settings.h"
#include "model/StringTable.h"
#include "os/SettingsLocation.h"
#include "platform/CodePages.h"
#include "platform/QtSerialDevice.h"
#include "platform/QtTimerHost.h"
#include "platform/ReportPdf.h"
#include "platform/SteadyClock.h"
#include "platform/SystemLanguage.h"
#include "view/CPELKView.h"
#include "view/HeadlessForm.h"

namespace hvt {

const char* const kReportHelp =
    "Usage: hvtctl report FILE.plk OUT.pdf [--unit N | --program N] [--model TEXT]\n"
    "                     [--serial TEXT] [--paper a4|letter] [--date YYYY-MM-DD]\n"
    "                     [--codepage 1252|932] [--port N | --device PATH]\n"
    "\n"
    "Write the test report that printing the document would produce, as a PDF.\n"
    "Without --unit or --program the document's own sequence mode decides: the\n"
    "unit report of its current unit, or the program report of its current\n"
    "program.\n"
    "\n"
    "The pulse widths, line names and terminator texts come from an instrument\n"
    "when --port or --device is given: it is identified and its configuration\n"
    "read as 'hvtctl run' does, a document of another injection unit type is\n"
    "refused and units beyond the instrument's limits are fitted to it, as the\n"
    "desktop program does on opening. Without either option the report uses the\n"
    "demonstration values (widths 10 to 1000 ns and Tri, a built-in terminator,\n"
    "the document's own injection unit type).\n"
    "\n"
    "Options:\n"
    "  --unit N             the unit report of unit N (1..50)\n"
    "  --program N          the program report of program N (1..50)\n"
    "  --model TEXT         the simulator's model (default: the settings file's\n"
    "                       PRINT_ENV Model)\n"
    "  --serial TEXT        the simulator's serial number (default: PRINT_ENV Serial)\n"
    "  --paper a4|letter    paper size (default a4)\n"
    "  --date YYYY-MM-DD    the date in the footer (default today)\n"
    "  --codepage 1252|932  code page of the document's texts (default: that of\n"
    "                       the system's language, as for 'hvtctl plk')\n"
    "  --port N             read the configuration of the instrument on COM port\n"
    "                       N (1..257)\n"
    "  --device PATH        read it from the instrument on this serial device\n"
    "                       (for example the path that hvt-sim prints)\n"
    "  -h, --help           show this help\n"
    "\n"
    "FILE.plk '-' reads standard input; OUT.pdf '-' writes the PDF to standard\n"
    "output. An existing OUT.pdf is replaced, but never when it is FILE.plk (by\n"
    "any path or link).\n"
    "\n"
    "Exit 1 when the instrument does not answer or the PDF cannot be written, 2\n"
    "for bad arguments, an OUT.pdf that is FILE.plk, or a file that is not a\n"
    "document of this program or not of the instrument's type, 3 for a document\n"
    "file that ends early.\n";

namespace {

struct Options {
  std::optional<int> unit;
  std::optional<int> program;
  std::optional<std::string> model;
  std::optional<std::string> serial;
  Paper paper = Paper::A4;
  std::optional<std::chrono::year_month_day> date;
  int codePage = DefaultCodePage();
  std::optional<int> port;
  std::optional<std::string> device;
  std::vector<std::string> positional;
};

std::optional<int> ParseNumber(const std::string& text, int low, int high) {
  int value = 0;
  const char* end = text.data() + text.size();
  const auto [at, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || at != end || value < low || value > high) return std::nullopt;
  return value;
}

std::optional<std::chrono::year_month_day> ParseDate(const std::string& text) {
  if (text.size() != 10 || text[4] != '-' || text[7] != '-') return std::nullopt;
  const auto y = ParseNumber(text.substr(0, 4), 1, 9999);
  const auto m = ParseNumber(text.substr(5, 2), 1, 12);
  const auto d = ParseNumber(text.substr(8, 2), 1, 31);
  if (!y || !m || !d) return std::nullopt;
  const std::chrono::year_month_day date{std::chrono::year{*y},
                                         std::chrono::month{static_cast<unsigned>(*m)},
                                         std::chrono::day{static_cast<unsigned>(*d)}};
  if (!date.ok()) return std::nullopt;
  return date;
}

bool ParseOptions(const std::vector<std::string>& args, Options& o, std::ostream& err) {
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a.rfind("--", 0) == 0) {
      if (i + 1 >= args.size()) {
        err << "hvtctl report: " << a << " needs a value\n";
        return false;
      }
      const std::string& v = args[++i];
      if (a == "--unit" || a == "--program") {
        const auto n = ParseNumber(v, 1, kUnitCount);
        if (!n) {
          err << "hvtctl report: " << a << " must be a number from 1 to 50\n";
          return false;
        }
        (a == "--unit" ? o.unit : o.program) = *n;
      } else if (a == "--port") {
        o.port = ParseNumber(v, kFirstPort, kLastPort);
        if (!o.port) {
          err << "hvtctl report: --port must be a number from " << kFirstPort << " to " << kLastPort
              << "\n";
          return false;
        }
      } else if (a == "--device") {
        o.device = v;
      } else if (a == "--model") {
        o.model = v;
      } else if (a == "--serial") {
        o.serial = v;
      } else if (a == "--paper") {
        if (v != "a4" && v != "letter") {
          err << "hvtctl report: --paper must be a4 or letter\n";
          return false;
        }
        o.paper = v == "letter" ? Paper::Letter : Paper::A4;
      } else if (a == "--date") {
        o.date = ParseDate(v);
        if (!o.date) {
          err << "hvtctl report: --date must be a date as YYYY-MM-DD\n";
          return false;
        }
      } else if (a == "--codepage") {
        if (v != "1252" && v != "932") {
          err << "hvtctl report: --codepage must be 1252 or 932\n";
          return false;
        }
        o.codePage = v == "932" ? 932 : 1252;
      } else {
        err << "hvtctl report: unknown option " << a << "\n";
        return false;
      }
    } else if (a.size() > 1 && a[0] == '-') {
      err << "hvtctl report: unknown option " << a << "\n";
      return false;
    } else {
      o.positional.push_back(a);
    }
  }
  if (o.unit && o.program) {
    err << "hvtctl report: give --unit or --program, not both\n";
    return false;
  }
  if (o.port && o.device) {
    err << "hvtctl report: give --port or --device, not both\n";
    return false;
  }
  if (o.positional.size() != 2) {
    err << "hvtctl report: expected FILE.plk and OUT.pdf\n";
    return false;
  }
  return true;
}

// Texts typed on the command line are UTF-8; the document holds code page bytes.
std::optional<std::string> ToCodePage(const TextCodec& codec, const std::string& utf8,
                                      const char* what, std::ostream& err) {
  auto bytes = codec.FromUtf8(utf8);
  if (!bytes) err << "hvtctl report: " << what << " has characters the code page lacks\n";
  return bytes;
}

// Messages of the link go to standard error; nobody is there to answer, so
// every question gets the answer that gives up.
class ErrorStreamPrompter : public Prompter {
 public:
  ErrorStreamPrompter(std::ostream& err, const TextCodec& codec) : err(err), codec(codec) {}
  using Prompter::Ask;
  Answer Ask(const std::string& text, Buttons buttons, MessageIcon, Owner,
             std::optional<Answer>) override {
    err << "hvtctl report: " << codec.ToUtf8(text).value_or(text) << "\n";
    return GiveUpAnswer(buttons);
  }

 private:
  std::ostream& err;
  const TextCodec& codec;
};

// The instrument's configuration, read as at the desktop program's start:
// identification, then the configuration query and the terminator probe.
// nullopt (with the reason told) when no instrument answered.
std::optional<CPELKDoc> ReadInstrument(const Options& o, const TextCodec& codec,
                                       std::ostream& err) {
  SettingsFile settings = UserSettingsFile();
  CPELKDoc instrument(&settings);
  if (o.port) instrument.portNumber = static_cast<uint16_t>(*o.port);
  QtSerialDevice device;
  SteadyClock clock;
  QtTimerHost timers;
  HeadlessForm form;
  ErrorStreamPrompter prompter(err, codec);
  CommPort::PathFn path = [&](int n) {
    return o.device ? *o.device : PortDevicePath(n, &settings);
  };
  CPELKView view(instrument,
                 CPELKView::Ports{device, clock, timers, prompter, form, settings, path});
  view.connection.codec = &codec;
  if (o.device) view.connection.namedDevice = *o.device;
  instrument.firstUpdate = 1;
  if (!view.connection.Connect() || instrument.demoMode) return std::nullopt;
  if (!view.configuration.QueryConfiguration()) {
    err << "hvtctl report: the instrument did not give its configuration\n";
    return std::nullopt;
  }
  return instrument;
}

// The document as the desktop program holds it with this instrument.
int TakeInstrument(CPELKDoc& doc, const CPELKDoc& instrument, const TextCodec& codec,
                   const std::string& path, std::ostream& err) {
  auto message = [&](TextId id) {
    return "hvtctl report: " + path + ": " +
           FormatText(codec.ToUtf8(LoadString(id)).value_or(LoadString(id)), path);
  };
  if (doc.injectionUnitType != instrument.injectionUnitType) {
    err << message(TextId::OtherInjectionUnitType) << "\n";
    return kExitUsage;
  }
  doc.maxVoltage = instrument.maxVoltage;
  doc.minVariable = instrument.minVariable;
  doc.lineNames = instrument.lineNames;
  doc.lastLine = instrument.lastLine;
  doc.widthTable = instrument.widthTable;
  doc.widthLast = instrument.widthLast;
  doc.builtInTerminator = instrument.builtInTerminator;
  if (AdaptToInstrument(doc)) err << message(TextId::OtherModel) << "\n";
  return kExitOk;
}

const char* const kWho = "hvtctl report";

// An instrument when --port or --device asks for one; kExitFailure (with
// the reason told) when none answered.
int ReadInstrumentIfAsked(const Options& o, const TextCodec& codec,
                          std::optional<CPELKDoc>& instrument, std::ostream& err) {
  if (!o.port && !o.device) return kExitOk;
  instrument = ReadInstrument(o, codec, err);
  if (!instrument) {
    err << kWho << ": no instrument answered"
        << (o.device ? " on " + *o.device : " on COM" + std::to_string(*o.port))
        << "; nothing was written\n";
    return kExitFailure;
  }
  return kExitOk;
}

// The document from its file, fitted to the instrument when there is one.
int LoadDocument(const std::string& inPath, const TextCodec& codec,
                 const std::optional<CPELKDoc>& instrument, CPELKDoc& doc, std::ostream& err) {
  if (const int rc = LoadPlkFile(inPath, codec, doc, err, kWho)) return rc;
  if (instrument) {
    if (const int rc = TakeInstrument(doc, *instrument, codec, inPath, err)) return rc;
  }
  return kExitOk;
}

// The unit or program the report is of: the one asked for, else the
// document's own, which must then be one there is.
int ChooseReport(const Options& o, const std::string& inPath, CPELKDoc& doc, std::ostream& err) {
  if (o.unit) {
    doc.programMode = 0;
    doc.currentUnit = static_cast<uint16_t>(*o.unit);
  } else if (o.program) {
    doc.programMode = 1;
    doc.currentProgram = static_cast<uint16_t>(*o.program);
  }
  if (doc.programMode == 0 && (doc.currentUnit < 1 || doc.currentUnit > kUnitCount)) {
    err << kWho << ": " << inPath << ": the document's current unit " << doc.currentUnit
        << " is not 1..50; give --unit\n";
    return kExitUsage;
  }
  if (doc.programMode != 0 && (doc.currentProgram < 1 || doc.currentProgram > kProgramCount)) {
    err << kWho << ": " << inPath << ": the document's current program " << doc.currentProgram
        << " is not 1..50; give --program\n";
    return kExitUsage;
  }
  // The page count follows the program as it is now, not the stored count.
  if (doc.programMode != 0) doc.programStepCount = doc.CountProgramSteps(doc.currentProgram);
  return kExitOk;
}

// The simulator's model and serial number: the settings file's, or those
// given.
int TakePrintNames(const Options& o, const TextCodec& codec, CPELKDoc& doc, std::ostream& err) {
  const SettingsFile settings = UserSettingsFile();
  doc.printModel = settings.ReadSetting("PRINT_ENV", "Model");
  doc.printSerial = settings.ReadSetting("PRINT_ENV", "Serial");
  if (o.model) {
    auto text = ToCodePage(codec, *o.model, "--model", err);
    if (!text) return kExitUsage;
    doc.printModel = *text;
  }
  if (o.serial) {
    auto text = ToCodePage(codec, *o.serial, "--serial", err);
    if (!text) return kExitUsage;
    doc.printSerial = *text;
  }
  return kExitOk;
}

ReportPdfOptions PdfOptions(const Options& o) {
  ReportPdfOptions pdf;
  pdf.paper = o.paper;
  pdf.codePage = o.codePage;
  if (o.date) {
    const auto date = *o.date;
    pdf.today = [date] { return date; };
  } else {
    pdf.today = LocalDate;
  }
  return pdf;
}

int WriteReport(CPELKDoc& doc, const ReportPdfOptions& pdf, const std::string& outPath,
                std::ostream& out, std::ostream& err) {
  std::string bytes, error;
  if (!RenderReportPdf(doc, pdf, bytes, &error) ||
      !WriteOutput(outPath, bytes, true, out, &error)) {
    err << kWho << ": " << outPath << ": cannot write: " << error << "\n";
    return kExitFailure;
  }
  // Standard output carries the PDF itself then.
  if (!IsStdStream(outPath)) {
    out << outPath << ": " << ReportPageCount(doc)
        << (ReportPageCount(doc) == 1 ? " page" : " pages") << "\n";
  }
  return kExitOk;
}

}  // namespace

int RunReportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (WantsHelp(args)) {
    out << kReportHelp;
    return kExitOk;
  }
  Options o;
  if (!ParseOptions(args, o, err)) {
    err << "(see hvtctl report --help)\n";
    return kExitUsage;
  }
  const std::string& inPath = o.positional[0];
  const std::string& outPath = o.positional[1];
  // Checked before anything is read or drawn: the report must never replace
  // the document it is made from.
  if (!OutputAllowed(kWho, inPath, outPath, true, err)) return kExitUsage;
  const auto codec = MakeCodec(o.codePage);
  std::optional<CPELKDoc> instrument;
  if (const int rc = ReadInstrumentIfAsked(o, *codec, instrument, err)) return rc;
  CPELKDoc doc;
  if (const int rc = LoadDocument(inPath, *codec, instrument, doc, err)) return rc;
  if (const int rc = ChooseReport(o, inPath, doc, err)) return rc;
  if (const int rc = TakePrintNames(o, *codec, doc, err)) return rc;
  return WriteReport(doc, PdfOptions(o), outPath, out, err);
}

int WithGuiApplication(int argc, char** argv, const std::function<int()>& command) {
  // A PDF needs no screen: run offscreen unless a display is there.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
      qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  QGuiApplication app(argc, argv);
  return command();
}

int RunReportMain(int argc, char** argv, const std::vector<std::string>& args, std::ostream& out,
                  std::ostream& err) {
  return WithGuiApplication(argc, argv, [&] { return RunReportCommand(args, out, err); });
}

}  // namespace hvt
