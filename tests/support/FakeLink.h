#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "link/Clock.h"
#include "link/Frame.h"
#include "link/SerialDevice.h"

namespace hvt::testing {

// Time that moves only when a wait or a sleep says so.
class VirtualClock : public Clock {
 public:
  explicit VirtualClock(uint32_t start = 0) : now(start) {}
  uint32_t TickCount() override { return now; }
  void Sleep(uint32_t ms) override { now += ms; }
  uint32_t now;
};

using Bytes = std::vector<uint8_t>;

inline Bytes B(std::initializer_list<int> list) {
  Bytes out;
  for (int v : list) out.push_back(static_cast<uint8_t>(v));
  return out;
}
inline Bytes B(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A serial device whose other end is a script. Bytes delivered with a delay
// arrive in virtual time; a wait with nothing due moves the clock by its
// whole time-out, as a blocking wait would.
class ScriptedDevice : public SerialDevice {
 public:
  explicit ScriptedDevice(VirtualClock& clock) : clock(clock) {}

  // Called with the bytes of every successful write.
  std::function<void(const Bytes&)> onWrite;

  void Deliver(const Bytes& bytes, uint32_t delayMs = 0) {
    for (uint8_t b : bytes) incoming.push_back({clock.now + delayMs, b});
  }

  bool Open(const std::string& path) override {
    calls.push_back("open " + path);
    if (!paths.count(path)) return false;
    open = true;
    return true;
  }
  bool IsOpen() const override { return open; }
  bool Close() override {
    calls.push_back("close");
    open = false;
    return true;
  }
  bool SetQueueSizes(size_t in, size_t out) override {
    calls.push_back("queues " + std::to_string(in) + " " + std::to_string(out));
    return true;
  }
  bool SetLineFormat(const LineFormat& f) override {
    calls.push_back("format " + std::to_string(f.baudRate) + " " + std::to_string(f.byteSize) +
                    " " + std::to_string(f.parity) + " " + std::to_string(f.stopBits));
    format = f;
    return formatOk;
  }
  ControlLineResult SetDtr(bool on) override {
    calls.push_back(std::string("dtr ") + (on ? "1" : "0"));
    return controlResult;
  }
  ControlLineResult SetRts(bool on) override {
    calls.push_back(std::string("rts ") + (on ? "1" : "0"));
    return controlResult;
  }
  bool Write(const uint8_t* data, size_t count, int /*timeoutMs*/) override {
    if (!open || failWrites) return false;
    Bytes bytes(data, data + count);
    written.insert(written.end(), bytes.begin(), bytes.end());
    if (onWrite) onWrite(bytes);
    return true;
  }
  size_t BytesPending() override {
    ++pendingCalls;
    if (babble) return 1;
    size_t n = 0;
    for (const auto& in : incoming) n += in.at <= clock.now ? 1 : 0;
    return n;
  }
  int64_t Read(uint8_t* buffer, size_t count) override {
    if (babble) {
      // A line that never stops: each read takes a millisecond and more
      // bytes are always there.
      clock.now += 1;
      for (size_t i = 0; i < count; ++i) buffer[i] = 'Z';
      return static_cast<int64_t>(count);
    }
    size_t n = 0;
    while (n < count && !incoming.empty() && incoming.front().at <= clock.now) {
      buffer[n++] = incoming.front().byte;
      incoming.pop_front();
    }
    return static_cast<int64_t>(n);
  }
  bool WaitForBytes(int timeoutMs) override {
    ++waits;
    if (BytesPending() > 0) return true;
    if (!incoming.empty() && incoming.front().at - clock.now <= static_cast<uint32_t>(timeoutMs)) {
      clock.now = incoming.front().at;
      return true;
    }
    clock.now += static_cast<uint32_t>(timeoutMs);
    return false;
  }

  VirtualClock& clock;
  std::set<std::string> paths{"/dev/test"};
  std::vector<std::string> calls;
  Bytes written;
  LineFormat format;
  bool formatOk = true;
  ControlLineResult controlResult = ControlLineResult::Set;
  bool failWrites = false;
  bool babble = false;
  int pendingCalls = 0;
  int waits = 0;

 private:
  struct In {
    uint32_t at;
    uint8_t byte;
  };
  std::deque<In> incoming;
  bool open = false;
};

// An instrument that knows the procedure and answers command texts from a
// table: an answer text, or "ACK"/"NAK" for set commands; texts not in the
// table are refused with NAK. `silentFrames` makes the next frames go
// unanswered, to test the retries.
class TextPeer {
 public:
  explicit TextPeer(ScriptedDevice& device) : device(device) {
    device.onWrite = [this](const Bytes& bytes) { OnWrite(bytes); };
  }

  std::map<std::string, std::string> replies;
  std::vector<std::string> received;
  int silentFrames = 0;

 private:
  void OnWrite(const Bytes& bytes) {
    if (bytes.size() == 1 && bytes[0] == kEnq) {
      device.Deliver({kAck});
      return;
    }
    if (bytes.size() == 1) return;  // the program's ACK of an answer
    std::string text;
    if (ReadFrame(bytes, text) != FrameStatus::Complete) return;
    received.push_back(text);
    if (silentFrames > 0) {
      --silentFrames;
      return;
    }
    const auto it = replies.find(text);
    if (it == replies.end() || it->second == "NAK") {
      device.Deliver({kNak});
    } else if (it->second == "ACK") {
      device.Deliver({kAck});
    } else {
      device.Deliver(BuildFrame(it->second));
    }
  }

  ScriptedDevice& device;
};

}  // namespace hvt::testing
