#pragma once

#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <string>
#include <thread>

#include "link/Frame.h"

namespace hvt::testing {

// An instrument that identifies itself and then answers nothing: it takes
// every ENQ with ACK and answers "QA" only, on a pseudo-terminal of its own.
// The link works, the configuration query fails.
class IdentifyingPeer {
 public:
  explicit IdentifyingPeer(std::string identity) : identity(std::move(identity)) {
    char name[128];
    if (::openpty(&master, &slave, name, nullptr, nullptr) != 0) return;
    // Raw from the start: no echo of our answers back to us.
    termios raw{};
    ::tcgetattr(slave, &raw);
    ::cfmakeraw(&raw);
    ::tcsetattr(slave, TCSANOW, &raw);
    path = name;
    worker = std::thread([this] { Serve(); });
  }
  ~IdentifyingPeer() {
    stop = true;
    if (worker.joinable()) worker.join();
    if (master >= 0) ::close(master);
    if (slave >= 0) ::close(slave);
  }
  IdentifyingPeer(const IdentifyingPeer&) = delete;
  IdentifyingPeer& operator=(const IdentifyingPeer&) = delete;

  const std::string& Path() const { return path; }
  std::atomic<int> queries{0};  // frames other than "QA" it left unanswered

 private:
  void Serve() {
    FrameReader reader(kMaxSentText);
    bool inFrame = false;
    while (!stop) {
      pollfd p{master, POLLIN, 0};
      if (::poll(&p, 1, 50) <= 0) continue;
      uint8_t byte = 0;
      if (::read(master, &byte, 1) != 1) continue;
      if (!inFrame && byte == kEnq) {
        Send({kAck});
        continue;
      }
      if (!inFrame && byte != kStx) continue;  // our ACK of an answer, stray bytes
      inFrame = true;
      if (reader.Feed(byte) == FrameStatus::NeedMore) continue;
      if (reader.text() == "QA") {
        Send(BuildFrame(identity));
      } else {
        ++queries;
      }
      reader.Reset();
      inFrame = false;
    }
  }
  void Send(const std::vector<uint8_t>& bytes) {
    [[maybe_unused]] const auto n = ::write(master, bytes.data(), bytes.size());
  }

  std::string identity;
  std::string path;
  int master = -1;
  int slave = -1;
  std::atomic<bool> stop{false};
  std::thread worker;
};

}  // namespace hvt::testing
