// Query transactions against hvt-sim: median wall and CPU time per
// transaction beside the time the simulator's bytes need on a 9600 bit/s
// line, without pacing and with --pace 9600; and the CPU cost of waiting
// for an instrument that does not answer.

#include <sys/resource.h>
#include <time.h>

#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/CRsBasicProtocol.h"
#include "platform/QtSerialDevice.h"
#include "platform/SteadyClock.h"
#include "support/SimProcess.h"

namespace {

double WallUs() {
  return std::chrono::duration<double, std::micro>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

double CpuUs() {
  timespec ts{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return static_cast<double>(ts.tv_sec) * 1e6 + static_cast<double>(ts.tv_nsec) / 1e3;
}

double RusageCpuUs() {
  rusage r{};
  getrusage(RUSAGE_SELF, &r);
  return static_cast<double>(r.ru_utime.tv_sec + r.ru_stime.tv_sec) * 1e6 +
         static_cast<double>(r.ru_utime.tv_usec + r.ru_stime.tv_usec);
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

struct Row {
  std::string what;
  double wallUs;
  double cpuUs;
  double boundUs;
};

// Line time of n bytes at 9600 bit/s, 10 bits a byte.
double LineUs(size_t bytes) { return static_cast<double>(bytes) * 10.0 / 9600.0 * 1e6; }

bool Measure(const std::vector<std::string>& simArgs, const std::string& label, int count,
             std::vector<Row>& rows) {
  hvt::testing::SimProcess sim(simArgs);
  if (sim.Path().empty()) return false;
  hvt::QtSerialDevice device;
  hvt::SteadyClock clock;
  const std::string path = sim.Path();
  hvt::CRsBasicProtocol protocol(device, clock, [&](int) { return path; });
  if (!protocol.OpenPort(1)) return false;
  struct Case {
    const char* text;
    bool query;
  };
  for (const Case c : {Case{"QG", true}, Case{"QA", true}, Case{"PC0", false}}) {
    for (int i = 0; i < 10; ++i) c.query ? protocol.Query(c.text) : protocol.SendCommand(c.text);
    std::vector<double> wall;
    std::vector<double> cpu;
    size_t answerBytes = 0;
    for (int i = 0; i < count; ++i) {
      const double w0 = WallUs();
      const double c0 = CpuUs();
      const bool ok = c.query ? protocol.Query(c.text) : protocol.SendCommand(c.text);
      cpu.push_back(CpuUs() - c0);
      wall.push_back(WallUs() - w0);
      if (!ok) {
        std::fprintf(stderr, "link_bench: %s failed\n", c.text);
        return false;
      }
      answerBytes = c.query ? protocol.GetAnswer().size() + 3 : 1;
    }
    // The simulator sends its ACK to the ENQ, then the answer frame or ACK.
    rows.push_back({label + " " + c.text, Median(wall), Median(cpu), LineUs(1 + answerBytes)});
  }
  // An instrument that stays silent: one 500 ms wait.
  std::vector<double> wall;
  std::vector<double> cpu;
  for (int i = 0; i < 3; ++i) {
    if (sim.Command("silent") != "ok silent") return false;
    const double w0 = WallUs();
    const double c0 = RusageCpuUs();
    protocol.Query("QG");
    cpu.push_back(RusageCpuUs() - c0);
    wall.push_back(WallUs() - w0);
  }
  rows.push_back({label + " no answer", Median(wall), Median(cpu), 500000});
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;
  std::vector<Row> rows;
  if (!Measure({}, "unpaced", count, rows) || !Measure({"--pace", "9600"}, "paced", count, rows)) {
    std::fprintf(stderr, "link_bench: hvt-sim did not answer\n");
    return 1;
  }
  std::printf(
      "%d transactions each, medians; bound = line time of the simulator's bytes at "
      "9600 bit/s (for \"no answer\": the 500 ms time-out)\n",
      count);
  std::printf("%-20s %12s %12s %12s %10s %10s\n", "transaction", "wall [us]", "cpu [us]",
              "bound [us]", "wall/bound", "cpu/wall");
  for (const Row& r : rows) {
    std::printf("%-20s %12.1f %12.1f %12.1f %9.1f%% %9.2f%%\n", r.what.c_str(), r.wallUs, r.cpuUs,
                r.boundUs, 100.0 * r.wallUs / r.boundUs, 100.0 * r.cpuUs / r.wallUs);
  }
  return 0;
}
