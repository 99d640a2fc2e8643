#include "hvtctl/PlkCommands.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <ostream>

#include "hvtctl/OutputFile.h"
#include "hvtctl/PlkChecks.h"
#include "hvtctl/PlkJson.h"
#include "hvtctl/PlkList.h"
#include "link/Connection.h"
#include "model/DocumentFile.h"
#include "model/DocumentOpen.h"
#include "model/StringTable.h"
#include "platform/CodePages.h"
#include "platform/SystemLanguage.h"

namespace hvt {

const char* const kPlkHelp =
    "Usage: hvtctl plk COMMAND [OPTIONS] ARGS\n"
    "\n"
    "Documents (.plk files) to and from JSON.\n"
    "\n"
    "Commands:\n"
    "  new [--type 1|3] [--force] OUT.plk\n"
    "      a new document\n"
    "  dump [--codepage 1252|932] FILE.plk\n"
    "      every stored field as JSON\n"
    "  build [--codepage 1252|932] [--force] [--unchecked] FILE.json OUT.plk\n"
    "      the document that the JSON describes\n"
    "  list [--codepage 1252|932] FILE.plk\n"
    "      the 50 units as a table and the programs that have steps\n"
    "  schema\n"
    "      the JSON Schema of the document JSON, with every field's unit and codes\n"
    "\n"
    "'hvtctl plk COMMAND --help' describes each command. A FILE of '-' is\n"
    "standard input, an OUT of '-' standard output. An output that is one of\n"
    "the inputs (by any path or link) is refused. Files are replaced in one\n"
    "step: a failed write leaves the old file as it was.\n"
    "\n"
    "Exit status: 0 success, 1 a file could not be written, 2 bad arguments or\n"
    "a file that cannot be used, 3 a document file that ends early.\n";

namespace {

const char* const kNewHelp =
    "Usage: hvtctl plk new [--type 1|3] [--force] OUT.plk\n"
    "\n"
    "Write a new document for an instrument whose injection unit is of the\n"
    "given type, with port number 1. An existing OUT.plk is not replaced\n"
    "unless --force is given. OUT '-' writes the document to standard output.\n"
    "\n"
    "Options:\n"
    "  --type 1|3           injection unit type: 1 single-phase, 3 three-phase\n"
    "                       (default)\n"
    "  --force              replace an existing OUT.plk\n"
    "  -h, --help           show this help\n";

const char* const kDumpHelp =
    "Usage: hvtctl plk dump [--codepage 1252|932] FILE.plk\n"
    "\n"
    "Print every stored field as JSON on standard output ('hvtctl plk schema'\n"
    "describes it). Texts are converted from the code page to UTF-8; a text that\n"
    "is not valid in the code page is given as {\"hex\": \"...\"}. A program's\n"
    "steps are a plain list such as [1, 2, \"LineOn\"], or all 100 stored\n"
    "positions when they are not such a list. FILE '-' reads standard input.\n"
    "\n"
    "Options:\n"
    "  --codepage 1252|932  code page of the document's texts (default: that of\n"
    "                       the system's language)\n"
    "  -h, --help           show this help\n"
    "\n"
    "Exit 2 when the file is not a document of this program, 3 when it ends\n"
    "early (the message goes to standard error).\n";

const char* const kBuildHelp =
    "Usage: hvtctl plk build [--codepage 1252|932] [--force] [--unchecked]\n"
    "                        FILE.json OUT.plk\n"
    "\n"
    "Write the document that the JSON describes ('hvtctl plk schema' describes\n"
    "the JSON). Fields the JSON leaves out take their values in a new document\n"
    "of its injectionUnitType, and so do the units and programs it leaves out:\n"
    "\"units\" and \"programs\" are arrays of up to 50 (the first is number 1)\n"
    "or objects keyed by number (\"3\" is unit or program 3). A program's steps\n"
    "may be a plain list of up to 50 steps - unit numbers 1..50, \"LineOn\",\n"
    "\"LineOff\" - which fills the odd stored positions: [1, 2] runs unit 1,\n"
    "then unit 2. A key given twice in one object is refused.\n"
    "\n"
    "Example: unit 3 at 2.00 kV into the Int terminator, run twice by program 1:\n"
    "  {\"units\": {\"3\": {\"voltage\": 200, \"terminator\": 1}},\n"
    "   \"programs\": {\"1\": {\"steps\": [3, 3], \"name\": \"Twice\"}},\n"
    "   \"programMode\": 1, \"currentUnit\": 3}\n"
    "\n"
    "Values that no instrument accepts are refused, each named by its JSON path\n"
    "with its limit: a voltage above 8.00 kV into an Open terminator, 3.96 kV\n"
    "into Ext 50 ohm or 4.10 kV into the others; codes outside their tables\n"
    "(polarity, width, line, terminator, trigger mode, sweep order, step codes\n"
    "other than 1..50, 100 LineOff and 999 LineOn); current unit or program\n"
    "outside 1..50; texts longer than the desktop program lets one type (names\n"
    "20 bytes, memos 1024). The same corrections as when saving are applied\n"
    "(voltages at least 0.01 kV, phases and interval at least 0, injection time\n"
    "at least 1 s, a zero step with start and stop apart set to their distance,\n"
    "program times at least 1). For any file this program wrote, dump then\n"
    "build gives back the same bytes.\n"
    "\n"
    "Options:\n"
    "  --codepage 1252|932  code page of the document's texts (default: that of\n"
    "                       the system's language)\n"
    "  --force              replace an existing OUT.plk\n"
    "  --unchecked          write values no instrument accepts (to make damaged\n"
    "                       files on purpose)\n"
    "  -h, --help           show this help\n"
    "\n"
    "FILE.json '-' reads standard input, OUT.plk '-' writes standard output.\n"
    "Exit 2 for invalid JSON (with its line and column), refused values, an\n"
    "existing OUT.plk without --force or an OUT.plk that is FILE.json.\n";

const char* const kListHelp =
    "Usage: hvtctl plk list [--codepage 1252|932] FILE.plk\n"
    "\n"
    "Print the 50 units as the form's unit overview table (polarity, width,\n"
    "voltage start/stop/step, trigger start/stop/step, injection and return\n"
    "line, terminator, name) and every program that has steps, with its steps.\n"
    "\n"
    "Options:\n"
    "  --codepage 1252|932  code page of the document's texts (default: that of\n"
    "                       the system's language)\n"
    "  -h, --help           show this help\n";

const char* const kSchemaHelp =
    "Usage: hvtctl plk schema\n"
    "\n"
    "Print the JSON Schema (draft 2020-12) of the JSON that 'plk dump' writes\n"
    "and 'plk build' reads: every field with its unit, codes and limits.\n"
    "\n"
    "Options:\n"
    "  -h, --help           show this help\n";

struct Options {
  int type = 3;
  int codePage = 1252;
  bool force = false;
  bool unchecked = false;
  std::vector<std::string> positional;
};

struct Command {
  const char* name;
  const char* help;
  bool type, codePage, force, unchecked;
};

const Command kCommands[] = {
    {"new", kNewHelp, true, false, true, false},
    {"dump", kDumpHelp, false, true, false, false},
    {"build", kBuildHelp, false, true, true, true},
    {"list", kListHelp, false, true, false, false},
    {"schema", kSchemaHelp, false, false, false, false},
};

bool ParseOptions(const std::vector<std::string>& args, const Command& c, Options& options,
                  std::ostream& err) {
  const std::string who = std::string("hvtctl plk ") + c.name + ": ";
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const char* name) -> const std::string* {
      if (i + 1 >= args.size()) {
        err << who << name << " needs a value\n";
        return nullptr;
      }
      return &args[++i];
    };
    if (a == "--type" && c.type) {
      const std::string* v = value("--type");
      if (!v) return false;
      if (*v != "1" && *v != "3") {
        err << who << "--type must be 1 or 3, not " << *v << "\n";
        return false;
      }
      options.type = *v == "1" ? 1 : 3;
    } else if (a == "--codepage" && c.codePage) {
      const std::string* v = value("--codepage");
      if (!v) return false;
      if (*v != "1252" && *v != "932") {
        err << who << "--codepage must be 1252 or 932, not " << *v << "\n";
        return false;
      }
      options.codePage = std::stoi(*v);
    } else if (a == "--force" && c.force) {
      options.force = true;
    } else if (a == "--unchecked" && c.unchecked) {
      options.unchecked = true;
    } else if (a.size() > 1 && a[0] == '-') {
      err << who << "unknown option " << a << " (see hvtctl plk " << c.name << " --help)\n";
      return false;
    } else {
      options.positional.push_back(a);
    }
  }
  return true;
}

// A document set up as for an instrument of the given type.
void PrepareNew(CPELKDoc& doc, int type) {
  doc.SetDemoConfiguration(type);
  doc.portNumber = 1;
  doc.InitNewDocument();
}

std::string FormatPath(const std::string& text, const std::string& path) {
  std::string out = text;
  if (const size_t at = out.find("%s"); at != std::string::npos) out.replace(at, 2, path);
  return out;
}

int Save(const char* who, CPELKDoc& doc, const std::string& path, bool replace, std::ostream& out,
         std::ostream& err) {
  std::string error;
  if (!WriteOutput(path, StoreDocument(doc), replace, out, &error)) {
    err << who << ": " << path << ": cannot write: " << error << "\n";
    return kExitFailure;
  }
  return kExitOk;
}

int New(const Options& o, std::ostream& out, std::ostream& err) {
  const char* who = "hvtctl plk new";
  if (o.positional.size() != 1) {
    err << who << ": expected one output file (see hvtctl plk new --help)\n";
    return kExitUsage;
  }
  const std::string& path = o.positional[0];
  if (!OutputAllowed(who, "", path, o.force, err)) return kExitUsage;
  CPELKDoc doc;
  PrepareNew(doc, o.type);
  return Save(who, doc, path, o.force, out, err);
}

int Dump(const Options& o, std::ostream& out, std::ostream& err) {
  if (o.positional.size() != 1) {
    err << "hvtctl plk dump: expected one .plk file (see hvtctl plk dump --help)\n";
    return kExitUsage;
  }
  const auto codec = MakeCodec(o.codePage);
  CPELKDoc doc;
  if (const int rc = LoadPlkFile(o.positional[0], *codec, doc, err, "hvtctl plk dump")) return rc;
  out << DocumentToJson(doc, *codec).dump(2) << "\n";
  return kExitOk;
}

int List(const Options& o, std::ostream& out, std::ostream& err) {
  if (o.positional.size() != 1) {
    err << "hvtctl plk list: expected one .plk file (see hvtctl plk list --help)\n";
    return kExitUsage;
  }
  const auto codec = MakeCodec(o.codePage);
  CPELKDoc doc;
  if (const int rc = LoadPlkFile(o.positional[0], *codec, doc, err, "hvtctl plk list")) return rc;
  PrintUnitOverview(doc, *codec, out);
  out << "\n";
  PrintPrograms(doc, *codec, out);
  return kExitOk;
}

int Schema(const Options& o, std::ostream& out, std::ostream& err) {
  if (!o.positional.empty()) {
    err << "hvtctl plk schema: takes no file (see hvtctl plk schema --help)\n";
    return kExitUsage;
  }
  out << kPlkSchemaText;
  return kExitOk;
}

// "line L, column C" of the character that ends at a byte offset (the
// parser counts the bytes it has read), counting characters of UTF-8 text.
std::string TextPosition(const std::string& text, size_t offset) {
  size_t line = 1, column = 0;
  for (size_t i = 0; i < offset && i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c == '\n') {
      ++line;
      column = 0;
    } else if ((c & 0xC0) != 0x80) {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ", column " + std::to_string(std::max<size_t>(column, 1));
}

// The parser's own reason without its prefix and position.
std::string ParseReason(const std::string& what) {
  const size_t column = what.find("column ");
  const size_t colon = what.find(": ", column == std::string::npos ? 0 : column);
  return colon == std::string::npos ? what : what.substr(colon + 2);
}

int Build(const Options& o, std::ostream& out, std::ostream& err) {
  const char* who = "hvtctl plk build";
  if (o.positional.size() != 2) {
    err << who << ": expected FILE.json and OUT.plk (see hvtctl plk build --help)\n";
    return kExitUsage;
  }
  const std::string& input = o.positional[0];
  const std::string& output = o.positional[1];
  if (!OutputAllowed(who, input, output, o.force, err)) return kExitUsage;
  const auto codec = MakeCodec(o.codePage);
  std::string text, error;
  if (!ReadInput(input, text, &error)) {
    err << who << ": " << input << ": cannot read: " << error << "\n";
    return kExitUsage;
  }
  nlohmann::ordered_json json;
  try {
    if (!ParseJsonText(text, json, error)) {
      err << who << ": " << input << ": " << error << "\n";
      return kExitUsage;
    }
  } catch (const nlohmann::json::parse_error& e) {
    err << who << ": " << input << ": " << TextPosition(text, e.byte)
        << ": invalid JSON: " << ParseReason(e.what()) << "\n";
    return kExitUsage;
  }
  int type = 3;
  if (json.is_object() && json.contains("injectionUnitType") &&
      json["injectionUnitType"].is_number_integer()) {
    type = json["injectionUnitType"].get<int>() == 1 ? 1 : 3;
  }
  CPELKDoc doc;
  PrepareNew(doc, type);
  JsonShape shape;
  if (!DocumentFromJson(json, *codec, doc, error, &shape)) {
    err << who << ": " << input << ": " << error << "\n";
    return kExitUsage;
  }
  if (!o.unchecked) {
    const std::vector<std::string> problems = CheckDocument(doc, shape);
    for (const std::string& problem : problems)
      err << who << ": " << input << ": " << problem << "\n";
    if (!problems.empty()) return kExitUsage;
  }
  return Save(who, doc, output, o.force, out, err);
}

}  // namespace

int DefaultCodePage() { return CodePageFor(StringTable::CurrentLanguage()); }

int LoadPlkFile(const std::string& path, const TextCodec& codec, CPELKDoc& doc, std::ostream& err,
                const char* who) {
  std::string bytes, error;
  if (!ReadInput(path, bytes, &error)) {
    err << who << ": " << path << ": cannot read: " << error << "\n";
    return kExitUsage;
  }
  // The path is the command line's own text: it goes into the message after
  // the message has left the code page.
  auto message = [&](TextId id) {
    return std::string(who) + ": " + path + ": " +
           FormatPath(codec.ToUtf8(LoadString(id)).value_or(LoadString(id)), path);
  };
  auto detail = [&](TextId id, const std::string& value) {
    const std::string text = FormatText(LoadString(id), value);
    return std::string(who) + ": " + path + ": " + codec.ToUtf8(text).value_or(text);
  };
  PrepareNew(doc, PeekInjectionUnitType(bytes, codec).value_or(3));
  std::string header;
  switch (LoadDocument(doc, bytes, codec, &header)) {
    case LoadOutcome::Loaded:
      return kExitOk;
    case LoadOutcome::HeaderDiffers:
      err << message(TextId::NotAPlkDocument) << "\n"
          << detail(TextId::HeaderReads, QuotedHeader(header, codec)) << "\n";
      return kExitUsage;
    case LoadOutcome::TypeDiffers:
      err << message(TextId::OtherInjectionUnitType) << "\n";
      return kExitUsage;
    case LoadOutcome::UnexpectedEnd:
      break;
  }
  err << message(TextId::UnexpectedFileFormat) << "\n"
      << detail(TextId::FileEndsAt, std::to_string(bytes.size())) << "\n";
  return kExitTruncated;
}

bool WantsHelp(const std::vector<std::string>& args) {
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") return true;
  }
  return false;
}

int RunPlkCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty()) {
    err << kPlkHelp;
    return kExitUsage;
  }
  const Command* command = nullptr;
  for (const Command& c : kCommands) {
    if (args[0] == c.name) command = &c;
  }
  if (!command) {
    if (WantsHelp({args[0]})) {
      out << kPlkHelp;
      return kExitOk;
    }
    err << "hvtctl plk: unknown command " << args[0] << "\n" << kPlkHelp;
    return kExitUsage;
  }
  if (WantsHelp(args)) {
    out << command->help;
    return kExitOk;
  }
  Options options;
  options.codePage = DefaultCodePage();
  if (!ParseOptions(args, *command, options, err)) return kExitUsage;
  const std::string name = command->name;
  if (name == "new") return New(options, out, err);
  if (name == "dump") return Dump(options, out, err);
  if (name == "build") return Build(options, out, err);
  if (name == "list") return List(options, out, err);
  return Schema(options, out, err);
}

}  // namespace hvt
