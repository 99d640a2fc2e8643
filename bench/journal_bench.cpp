// What a journal record costs: each is written whole and synced before the
// run goes on, on the run's own thread. The bound: a record synced within
// 2 ms (median) keeps it there; above it, syncing would belong on an
// ordered writer thread. The records are a point's size.
// Usage: journal_bench [RECORDS] [FOLDER]   (default 200 records, a folder
// under the system's temporary folder; pass one on the disk in question)

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <unistd.h>
#include <string>
#include <vector>

#include "journal/Journal.h"
#include "os/JournalFolder.h"

int main(int argc, char** argv) {
  namespace fs = std::filesystem;
  const int records = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  const fs::path folder = argc > 2 ? fs::path(argv[2])
                                   : fs::temp_directory_path() /
                                         ("hvt-journal-bench-" + std::to_string(::getpid()));
  std::string error;
  auto journals = hvt::os::OpenJournalFolder(folder, &error);
  if (!journals) {
    std::fprintf(stderr, "journal_bench: %s: %s\n", folder.string().c_str(), error.c_str());
    return 1;
  }
  hvt::journal::Writer writer(*journals, hvt::os::SystemJournalClock());
  if (!writer.Create(&error)) {
    std::fprintf(stderr, "journal_bench: %s\n", error.c_str());
    return 1;
  }
  using Clock = std::chrono::steady_clock;
  std::vector<double> ms;
  for (int i = 0; i < records; ++i) {
    const hvt::journal::Json point = hvt::journal::Json::Object()
                                         .Set("unit", 1)
                                         .Set("voltage_kv", "1.50")
                                         .Set("phase_deg", 90)
                                         .Set("polarity", "+")
                                         .Set("injection_count", 10 + i);
    const auto t0 = Clock::now();
    if (!writer.Write("point", point, &error)) {
      std::fprintf(stderr, "journal_bench: %s\n", error.c_str());
      return 1;
    }
    ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
  }
  writer.Close();
  std::sort(ms.begin(), ms.end());
  const double median = ms[ms.size() / 2];
  std::printf("journal record written and synced: median %.3f ms, 90%% %.3f ms, max %.3f ms of %d "
              "in %s (bound: median <= 2 ms on the run's thread)\n",
              median, ms[ms.size() * 9 / 10], ms.back(), records, folder.string().c_str());
  if (argc <= 2) {
    std::error_code ec;
    fs::remove_all(folder, ec);
  }
  return median <= 2.0 ? 0 : 1;
}
