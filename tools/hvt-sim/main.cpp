// hvt-sim: an HVT-KP4 instrument on a pseudo-terminal (or a given device),
// for trying the program without the instrument and for end-to-end tests.

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#ifdef __linux__
#include <sys/prctl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sim/SimControl.h"
#include "sim/SimInstrument.h"
#include "sim/SimLine.h"
#include "sim/SimLog.h"
#include "model/StringTable.h"

namespace {

using hvt::sim::InstrumentOptions;

const char* const kUsage =
    "Usage: hvt-sim [OPTIONS]\n"
    "\n"
    "An HVT-KP4 impulse noise simulator that answers the remote-control\n"
    "protocol on a pseudo-terminal. The first line on standard output is the\n"
    "device path for the program's side. It runs until standard input closes\n"
    "or it is signalled.\n"
    "\n"
    "Options:\n"
    "  --device PATH       serve this device instead of a new pseudo-terminal\n"
    "  --identity TEXT     the \"QA\" answer (default: a genuine HVT-KP4)\n"
    "  --max-voltage V     410 or 205 (0.01 kV), default 410\n"
    "  --type T            injection unit type 1 or 3, default 3\n"
    "  --triangle          offer the triangle pulse (default)\n"
    "  --no-triangle       do not offer it\n"
    "  --no-terminator     no built-in terminator: \"QO\" is refused\n"
    "  --widths W,...      the seven pulse widths after 10 ns, in ns, each a\n"
    "                      multiple of 50 up to 49950 (default\n"
    "                      50,100,200,400,500,800,1000)\n"
    "  --pace BAUD         send at the line rate of BAUD bit/s, 10 bits a byte\n"
    "  --strict            ignore a frame that arrives before the ACK of its ENQ\n"
    "                      has gone out, as a real instrument may: no reply, no\n"
    "                      effect\n"
    "  --log FILE          record the traffic, one line per frame: the time its\n"
    "                      last byte passed, < from the program or > to it, the\n"
    "                      bytes in hex and, after \"|\", as text (control bytes\n"
    "                      by name, other unprintable bytes as '.'); the first\n"
    "                      line, \"# origin N ns steady clock\", is the monotonic\n"
    "                      clock's reading the times count from\n"
    "  -h, --help          show this help\n"
    "\n";

// "W,W,W,W,W,W,W": seven widths in ns that the configuration answer can
// carry (whole 50 ns units, three digits at most).
bool ParseWidths(const std::string& text, std::array<int, 7>& widths) {
  std::array<int, 7> parsed{};
  size_t at = 0;
  for (size_t k = 0; k < parsed.size(); ++k) {
    const size_t end = k + 1 < parsed.size() ? text.find(',', at) : text.size();
    if (end == std::string::npos) return false;
    const std::string field = text.substr(at, end - at);
    if (field.empty() || field.size() > 5 ||
        field.find_first_not_of("0123456789") != std::string::npos)
      return false;
    const int ns = std::stoi(field);
    if (ns < 50 || ns > 49950 || ns % 50 != 0) return false;
    parsed[k] = ns;
    at = end + 1;
  }
  widths = parsed;
  return true;
}

volatile std::sig_atomic_t signalled = 0;
void OnSignal(int) { signalled = 1; }

int64_t NowNs() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

bool MakeRaw(int fd) {
  termios tio{};
  if (tcgetattr(fd, &tio) != 0) return false;
  cfmakeraw(&tio);
  cfsetispeed(&tio, B9600);
  cfsetospeed(&tio, B9600);
  return tcsetattr(fd, TCSANOW, &tio) == 0;
}

struct Options {
  InstrumentOptions instrument;
  std::string device;
  std::string logPath;
  long pace = 0;
  bool strict = false;
};

// A wrong option is named with the values it takes.
bool Refuse(const std::string& text, int& exitCode) {
  std::fprintf(stderr, "hvt-sim: %s (see hvt-sim --help)\n", text.c_str());
  exitCode = 2;
  return false;
}

bool ParseOptions(int argc, char** argv, Options& options, int& exitCode) {
  std::vector<std::string> args(argv + 1, argv + argc);
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    std::string v;
    // The option's value; what it takes is named when it is missing.
    auto value = [&](const char* takes) {
      if (i + 1 >= args.size()) return Refuse(a + " needs a value: " + takes, exitCode);
      v = args[++i];
      return true;
    };
    if (a == "-h" || a == "--help") {
      std::fputs(kUsage, stdout);
      std::fputs(hvt::sim::kControlHelp, stdout);
      exitCode = 0;
      return false;
    } else if (a == "--device") {
      if (!value("a device path")) return false;
      options.device = v;
    } else if (a == "--identity") {
      if (!value("the \"QA\" answer text")) return false;
      options.instrument.identity = v;
    } else if (a == "--max-voltage") {
      if (!value("410 or 205")) return false;
      if (v != "410" && v != "205")
        return Refuse("--max-voltage must be 410 or 205 (0.01 kV), not " + v, exitCode);
      options.instrument.maxVoltage = std::stoi(v);
    } else if (a == "--type") {
      if (!value("1 or 3")) return false;
      if (v != "1" && v != "3") return Refuse("--type must be 1 or 3, not " + v, exitCode);
      options.instrument.injectionUnitType = std::stoi(v);
    } else if (a == "--triangle") {
      options.instrument.triangle = true;
    } else if (a == "--no-triangle") {
      options.instrument.triangle = false;
    } else if (a == "--no-terminator") {
      options.instrument.terminator = false;
    } else if (a == "--widths") {
      if (!value("seven widths in ns such as 50,100,200,400,500,800,1000")) return false;
      if (!ParseWidths(v, options.instrument.widths))
        return Refuse(
            "--widths must be seven multiples of 50 from 50 to 49950, such as "
            "50,100,200,400,500,800,1000, not " +
                v,
            exitCode);
    } else if (a == "--pace") {
      if (!value("a bit rate such as 9600")) return false;
      if (v.empty() || v.find_first_not_of("0123456789") != std::string::npos || v.size() >= 8 ||
          std::stol(v) <= 0) {
        return Refuse("--pace must be a bit rate from 1 to 9999999 such as 9600, not " + v,
                      exitCode);
      }
      options.pace = std::stol(v);
    } else if (a == "--strict") {
      options.strict = true;
    } else if (a == "--log") {
      if (!value("a file name")) return false;
      options.logPath = v;
    } else {
      return Refuse(
          "unknown option " + a +
              "; the options are --device, --identity, --max-voltage, --type, "
              "--triangle, --no-triangle, --no-terminator, --widths, --pace, --strict, --log, "
              "--help",
          exitCode);
    }
  }
  return true;
}

// The device the program's side opens: a new pseudo-terminal, or the given
// device.
struct Device {
  int fd = -1;
  int keepSlave = -1;  // our own side of a new pseudo-terminal
  std::string path;    // what the program opens
};

bool OpenDevice(const std::string& given, Device& device) {
  if (given.empty()) {
    int master = -1;
    if (openpty(&master, &device.keepSlave, nullptr, nullptr, nullptr) != 0) {
      std::perror("hvt-sim: openpty");
      return false;
    }
    // Our own slave descriptor keeps the master alive while the program
    // closes and reopens its side.
    MakeRaw(device.keepSlave);
    device.fd = master;
    device.path = ttyname(device.keepSlave) ? ttyname(device.keepSlave) : "";
  } else {
    device.fd = open(given.c_str(), O_RDWR | O_NOCTTY);
    if (device.fd < 0) {
      std::fprintf(stderr, "hvt-sim: %s: %s\n", given.c_str(), std::strerror(errno));
      return false;
    }
    MakeRaw(device.fd);
    device.path = given;
  }
  fcntl(device.fd, F_SETFL, fcntl(device.fd, F_GETFL) | O_NONBLOCK);
  fcntl(STDIN_FILENO, F_SETFL, fcntl(STDIN_FILENO, F_GETFL) | O_NONBLOCK);
  return true;
}

// No --log, no file: log stays null.
bool OpenLog(const std::string& path, FILE*& log) {
  if (path.empty()) return true;
  log = std::fopen(path.c_str(), "w");
  if (log == nullptr) {
    std::fprintf(stderr, "hvt-sim: %s: %s\n", path.c_str(), std::strerror(errno));
    return false;
  }
  return true;
}

// The ending signals are only let through while the loop waits, so none is
// missed between its check and the wait; waitMask is the mask for that wait.
void CatchEndingSignals(sigset_t& waitMask) {
  sigset_t blocked;
  sigemptyset(&blocked);
  sigaddset(&blocked, SIGINT);
  sigaddset(&blocked, SIGTERM);
  sigaddset(&blocked, SIGHUP);
  sigprocmask(SIG_BLOCK, &blocked, &waitMask);
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigaction(SIGINT, &action, nullptr);
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGHUP, &action, nullptr);
  std::signal(SIGPIPE, SIG_IGN);
}

// The instrument behind its line on the device, with the control commands
// on standard input, until a signal, the end of standard input or a device
// failure.
class Server {
 public:
  Server(const Options& options, const Device& device, FILE* log, const sigset_t& waitMask)
      : instrument(options.instrument),
        wire(instrument),
        device(device),
        log(log),
        waitMask(waitMask),
        frames([this](const std::string& line) {
          if (this->log) std::fprintf(this->log, "%s\n", line.c_str());
        }) {
    wire.SetStrict(options.strict);
    originNs = NowNs();
    // The frames' times count from here. Its steady-clock reading lets a
    // reader on this machine put them on its own clock.
    if (log) std::fprintf(log, "# origin %lld ns steady clock\n", static_cast<long long>(originNs));
    byteNs = options.pace > 0 ? 10'000'000'000LL / options.pace : 0;
  }

  void Run() {
    while (!signalled && stdinOpen) {
      int64_t now = NowNs();
      int64_t nowMs = (now - originNs) / 1'000'000;
      instrument.Advance(nowMs);

      // A babbling line sends as fast as it can (or at its pace): the queue is
      // kept topped up, and the device's own back-pressure sets the rate.
      if (nowMs < control.babbleUntilMs) {
        while (wire.Output().size() < 64) wire.Output().push_back({nowMs, 'Z'});
      }

      int64_t wakeNs = now + 1'000'000'000LL;
      const bool wantWrite = SendDue(now, nowMs, wakeNs);
      wakeNs = NextWake(wakeNs, nowMs);

      pollfd fds[2] = {{device.fd, static_cast<short>(POLLIN | (wantWrite ? POLLOUT : 0)), 0},
                       {STDIN_FILENO, POLLIN, 0}};
      const int64_t waitNs = std::max<int64_t>(0, wakeNs - NowNs());
      timespec timeout{static_cast<time_t>(waitNs / 1'000'000'000),
                       static_cast<long>(waitNs % 1'000'000'000)};
      const int ready = ppoll(fds, 2, &timeout, &waitMask);
      if (ready < 0) {
        if (errno == EINTR) continue;
        std::perror("hvt-sim: poll");
        break;
      }
      now = NowNs();
      nowMs = (now - originNs) / 1'000'000;

      if (fds[1].revents & (POLLIN | POLLHUP | POLLERR)) ReadControl(nowMs);
      if (!ReadDevice(fds[0].revents, now, nowMs)) break;
      if (log) std::fflush(log);
    }
    frames.Flush();
  }

 private:
  void LogByte(char direction, uint8_t byte, int64_t atNs) {
    if (log) frames.Byte(direction, byte, static_cast<double>(atNs - originNs) / 1e9);
  }

  // Sends what is due; with pacing each byte leaves when its line time is
  // over, as the program's receiver would see it complete. Brings wakeNs
  // forward to the next byte's time; true when the device would not take
  // everything.
  bool SendDue(int64_t now, int64_t nowMs, int64_t& wakeNs) {
    std::vector<hvt::sim::OutByte> taken;
    std::vector<uint8_t> batch;
    auto& out = wire.Output();
    while (!out.empty()) {
      const int64_t readyNs = originNs + out.front().notBeforeMs * 1'000'000;
      const int64_t doneNs = std::max(readyNs, lineFreeNs) + byteNs;
      if (doneNs > now) {
        wakeNs = std::min(wakeNs, doneNs);
        break;
      }
      taken.push_back(out.front());
      batch.push_back(out.front().byte);
      lineFreeNs = doneNs;
      out.pop_front();
    }
    if (batch.empty()) return false;
    size_t done = 0;
    while (done < batch.size()) {
      const ssize_t n = write(device.fd, batch.data() + done, batch.size() - done);
      if (n > 0) {
        done += static_cast<size_t>(n);
      } else if (n < 0 && errno == EINTR) {
        continue;
      } else {
        break;
      }
    }
    for (size_t i = 0; i < done; ++i) LogByte('>', batch[i], now);
    frames.EndBatch('>');
    // What the device would not take goes back to the front of the queue,
    // still unsent (an ENQ's ACK among it has not gone out yet).
    for (size_t i = batch.size(); i > done; --i) {
      taken[i - 1].notBeforeMs = nowMs;
      out.push_front(taken[i - 1]);
    }
    return done < batch.size();
  }

  // The next wake-up: the next byte's, the instrument's next event or the
  // end of a babble, whichever comes first.
  int64_t NextWake(int64_t wakeNs, int64_t nowMs) const {
    if (const auto next = instrument.NextEventMs()) {
      wakeNs = std::min(wakeNs, originNs + *next * 1'000'000);
    }
    if (nowMs < control.babbleUntilMs) {
      wakeNs = std::min(wakeNs, originNs + control.babbleUntilMs * 1'000'000);
    }
    return wakeNs;
  }

  // Control commands, one a line; their replies go to standard output.
  void ReadControl(int64_t nowMs) {
    char buffer[512];
    const ssize_t n = read(STDIN_FILENO, buffer, sizeof buffer);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
      stdinOpen = false;
    } else if (n > 0) {
      stdinLine.append(buffer, static_cast<size_t>(n));
      for (size_t eol; (eol = stdinLine.find('\n')) != std::string::npos;) {
        std::string line = stdinLine.substr(0, eol);
        stdinLine.erase(0, eol + 1);
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const std::string reply =
            hvt::sim::ApplyControlCommand(line, instrument, wire, control, nowMs);
        if (!reply.empty()) {
          std::printf("%s\n", reply.c_str());
          std::fflush(stdout);
        }
      }
      if (stdinLine.size() > 4096) stdinLine.clear();
    }
  }

  // What the program sent, into the line; false when the device failed.
  bool ReadDevice(short revents, int64_t now, int64_t nowMs) {
    if (revents & POLLIN) {
      uint8_t buffer[4096];
      const ssize_t n = read(device.fd, buffer, sizeof buffer);
      if (n > 0) {
        // Nothing can go out before it was asked for.
        if (wire.Output().empty()) lineFreeNs = std::max(lineFreeNs, now);
        for (ssize_t i = 0; i < n; ++i) {
          LogByte('<', buffer[i], now);
          wire.Receive(buffer[i], nowMs);
        }
        frames.EndBatch('<');
      } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        std::fprintf(stderr, "hvt-sim: device: %s\n", std::strerror(errno));
        return false;
      }
    } else if ((revents & (POLLHUP | POLLERR)) && device.keepSlave < 0) {
      std::fprintf(stderr, "hvt-sim: device hung up\n");
      return false;
    }
    return true;
  }

  hvt::sim::SimInstrument instrument;
  hvt::sim::SimLine wire;
  hvt::sim::LineControl control;
  const Device& device;
  FILE* const log;
  const sigset_t& waitMask;
  hvt::sim::FrameLog frames;
  int64_t originNs = 0;
  int64_t byteNs = 0;
  int64_t lineFreeNs = 0;
  std::string stdinLine;
  bool stdinOpen = true;
};

}  // namespace

int main(int argc, char** argv) {
  Options options;
  options.instrument.identity = hvt::LoadString(hvt::TextId::Identification);
  int exitCode = 0;
  if (!ParseOptions(argc, argv, options, exitCode)) return exitCode;

  Device device;
  if (!OpenDevice(options.device, device)) return 1;
  FILE* log = nullptr;
  if (!OpenLog(options.logPath, log)) return 1;
#ifdef __linux__
  // Paced bytes need wake-ups close to their due time.
  prctl(PR_SET_TIMERSLACK, 1UL, 0, 0, 0);
#endif
  sigset_t waitMask;
  CatchEndingSignals(waitMask);

  std::printf("%s\n", device.path.c_str());
  std::fflush(stdout);

  Server(options, device, log, waitMask).Run();
  if (log) std::fclose(log);
  close(device.fd);
  if (device.keepSlave >= 0) close(device.keepSlave);
  return 0;
}
