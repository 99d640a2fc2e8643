#include "hvtctl/PlkCommands.h"

#include <memory>
#include <ostream>

#include "hvtctl/PlkJson.h"
#include "model/DocumentFile.h"
#include "model/StringTable.h"
#include "platform/AtomicFile.h"
#include "platform/CodePages.h"

namespace hvt {

const char* const kPlkHelp =
    "Usage: hvtctl plk COMMAND [OPTIONS] ARGS\n"
    "\n"
    "Documents (.plk files) to and from JSON.\n"
    "\n"
    "Commands:\n"
    "  new [--type 1|3] OUT.plk\n"
    "      Write a new document for an instrument whose injection unit is of\n"
    "      the given type (default 3), with port number 1.\n"
    "  dump [--codepage 1252|932] FILE.plk\n"
    "      Print every stored field as JSON on stdout. Texts are converted from\n"
    "      the code page to UTF-8; a text that is not valid in the code page is\n"
    "      given as {\"hex\": \"...\"}.\n"
    "      Exit 2 when the file is not a document of this program (the message\n"
    "      goes to stderr), 3 when the file ends early.\n"
    "  build [--codepage 1252|932] FILE.json OUT.plk\n"
    "      Write the document that the JSON describes. Fields the JSON leaves\n"
    "      out take their values in a new document of its injectionUnitType.\n"
    "      The same corrections as when saving are applied (voltages at least\n"
    "      0.01 kV, phases and interval at least 0, injection time at least 1 s,\n"
    "      a zero step with start and stop apart set to their distance, program\n"
    "      times at least 1). For any file this program wrote, dump then build\n"
    "      gives back the same bytes.\n"
    "\n"
    "Options:\n"
    "  --type 1|3           injection unit type: 1 single-phase, 3 three-phase\n"
    "  --codepage 1252|932  code page of the document's texts (default 1252)\n"
    "  -h, --help           show this help\n"
    "\n"
    "Files are replaced in one step: a failed write leaves the old file as it was.\n";

namespace {

struct Options {
  int type = 3;
  int codePage = 1252;
  std::vector<std::string> positional;
};

bool ParseOptions(const std::vector<std::string>& args, size_t first, bool allowType,
                  Options& options, std::ostream& err) {
  for (size_t i = first; i < args.size(); ++i) {
    const std::string& a = args[i];
    auto value = [&](const char* name) -> const std::string* {
      if (i + 1 >= args.size()) {
        err << "hvtctl plk: " << name << " needs a value\n";
        return nullptr;
      }
      return &args[++i];
    };
    if (a == "--type" && allowType) {
      const std::string* v = value("--type");
      if (!v) return false;
      if (*v != "1" && *v != "3") {
        err << "hvtctl plk: --type must be 1 or 3\n";
        return false;
      }
      options.type = *v == "1" ? 1 : 3;
    } else if (a == "--codepage") {
      const std::string* v = value("--codepage");
      if (!v) return false;
      if (*v != "1252" && *v != "932") {
        err << "hvtctl plk: --codepage must be 1252 or 932\n";
        return false;
      }
      options.codePage = std::stoi(*v);
    } else if (a.size() > 1 && a[0] == '-') {
      err << "hvtctl plk: unknown option " << a << "\n";
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

bool Save(CPELKDoc& doc, const std::string& path, std::ostream& err) {
  std::string error;
  if (!WriteFileAtomically(path, StoreDocument(doc), &error)) {
    err << "hvtctl plk: cannot write " << path << ": " << error << "\n";
    return false;
  }
  return true;
}

int New(const Options& o, std::ostream& err) {
  if (o.positional.size() != 1) {
    err << "hvtctl plk new: expected one output file\n";
    return kExitUsage;
  }
  CPELKDoc doc;
  PrepareNew(doc, o.type);
  return Save(doc, o.positional[0], err) ? kExitOk : kExitFailure;
}

int Dump(const Options& o, std::ostream& out, std::ostream& err) {
  if (o.positional.size() != 1) {
    err << "hvtctl plk dump: expected one .plk file\n";
    return kExitUsage;
  }
  const auto codec = MakeCodec(o.codePage);
  CPELKDoc doc;
  if (const int rc = LoadPlkFile(o.positional[0], *codec, doc, err, "hvtctl plk dump")) return rc;
  out << DocumentToJson(doc, *codec).dump(2) << "\n";
  return kExitOk;
}

int Build(const Options& o, std::ostream& err) {
  if (o.positional.size() != 2) {
    err << "hvtctl plk build: expected FILE.json and OUT.plk\n";
    return kExitUsage;
  }
  const auto codec = MakeCodec(o.codePage);
  std::string text, error;
  if (!ReadWholeFile(o.positional[0], text, &error)) {
    err << "hvtctl plk build: cannot read " << o.positional[0] << ": " << error << "\n";
    return kExitUsage;
  }
  const nlohmann::ordered_json json = nlohmann::ordered_json::parse(text, nullptr, false);
  if (json.is_discarded()) {
    err << "hvtctl plk build: " << o.positional[0] << " is not valid JSON\n";
    return kExitUsage;
  }
  int type = 3;
  if (json.is_object() && json.contains("injectionUnitType") &&
      json["injectionUnitType"].is_number_integer()) {
    type = json["injectionUnitType"].get<int>() == 1 ? 1 : 3;
  }
  CPELKDoc doc;
  PrepareNew(doc, type);
  if (!DocumentFromJson(json, *codec, doc, error)) {
    err << "hvtctl plk build: " << o.positional[0] << ": " << error << "\n";
    return kExitUsage;
  }
  return Save(doc, o.positional[1], err) ? kExitOk : kExitFailure;
}

}  // namespace

int LoadPlkFile(const std::string& path, const TextCodec& codec, CPELKDoc& doc, std::ostream& err,
                const char* who) {
  std::string bytes, error;
  if (!ReadWholeFile(path, bytes, &error)) {
    err << who << ": cannot read " << path << ": " << error << "\n";
    return kExitUsage;
  }
  // The path is the command line's own text: it goes into the message after
  // the message has left the code page.
  auto message = [&](int id) {
    return FormatPath(codec.ToUtf8(LoadString(id)).value_or(LoadString(id)), path);
  };
  PrepareNew(doc, PeekInjectionUnitType(bytes, codec).value_or(3));
  switch (LoadDocument(doc, bytes, codec)) {
    case LoadOutcome::Loaded:
      return kExitOk;
    case LoadOutcome::HeaderDiffers:
      err << message(ids::kNotAPlkDocument) << "\n";
      return kExitUsage;
    case LoadOutcome::TypeDiffers:
      err << message(ids::kOtherInjectionUnitType) << "\n";
      return kExitUsage;
    case LoadOutcome::UnexpectedEnd:
      break;
  }
  err << message(ids::kUnexpectedFileFormat) << "\n";
  return kExitTruncated;
}

int RunPlkCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  if (args.empty() || args[0] == "--help" || args[0] == "-h") {
    (args.empty() ? err : out) << kPlkHelp;
    return args.empty() ? kExitUsage : kExitOk;
  }
  for (const std::string& a : args) {
    if (a == "--help" || a == "-h") {
      out << kPlkHelp;
      return kExitOk;
    }
  }
  const std::string& command = args[0];
  Options options;
  if (!ParseOptions(args, 1, command == "new", options, err)) return kExitUsage;
  if (command == "new") return New(options, err);
  if (command == "dump") return Dump(options, out, err);
  if (command == "build") return Build(options, err);
  err << "hvtctl plk: unknown command " << command << "\n" << kPlkHelp;
  return kExitUsage;
}

}  // namespace hvt
