// Writes seed inputs for the fuzzers: stored documents and a settings file.
#include <fstream>
#include <string>

#include "model/DocumentFile.h"
#include "model/Profile.h"

int main(int argc, char** argv) {
  if (argc != 3) return 2;
  for (int type : {1, 3}) {
    hvt::CPELKDoc doc;
    doc.SetDemoConfiguration(type);
    doc.InitNewDocument();
    doc.unit(2).name = std::string(300, 'n');
    doc.program(1).step(1) = 2;
    std::ofstream(std::string(argv[1]) + "/new" + std::to_string(type) + ".plk", std::ios::binary)
        << hvt::StoreDocument(doc);
  }
  std::string ini = hvt::ProfileWrite("", "EMV", "PORT_NUM", "3");
  ini = hvt::ProfileWrite(ini, "EMV", "TYPE", "1");
  ini = hvt::ProfileWrite(ini, "Position", "left", "-20");
  std::ofstream(std::string(argv[2]) + "/settings.ini", std::ios::binary) << ini;
  return 0;
}
