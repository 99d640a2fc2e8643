#pragma once

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "sim/SimInstrument.h"
#include "link/Frame.h"
#include "link/SerialDevice.h"
#include "support/VirtualTime.h"

namespace hvt::testing {

// A serial device whose other end is the simulated instrument, on virtual
// time: every frame the program sends is answered at once, the way the
// instrument would, and the instrument's test clock follows the virtual
// clock. Waits with nothing to read move the clock by their time-out.
class SimDevice : public SerialDevice {
 public:
  SimDevice(VirtualTime& clock, sim::InstrumentOptions options) : instrument(options), time(clock) {
    time.onMove = [this](uint32_t now) { instrument.Advance(now); };
  }

  // Every command text the instrument received, in order.
  std::vector<std::string> received;
  // Set to make the instrument fall silent.
  bool silent = false;
  // Frames the instrument takes but leaves unanswered, when it returns true
  // for their text: one command failing while the rest of the link works.
  std::function<bool(const std::string&)> unanswered;
  bool openFails = false;
  // What the device says of a failed open.
  OpenFailure openFailure{OpenFailure::Kind::Other, "No such file or directory", "", 0, "", ""};
  // When set, only the device paths it accepts open (several ports).
  std::function<bool(const std::string& path)> opens;
  // Frames whose text begins with a key are refused with NAK that many more
  // times; they still count as received, as they were on the wire.
  std::map<std::string, int> refuse;
  // Frames with these texts get this answer instead of the instrument's.
  std::map<std::string, std::string> answerWith;

  sim::SimInstrument instrument;

  bool Open(const std::string& path) override {
    open = !openFails && (!opens || opens(path));
    return open;
  }
  bool IsOpen() const override { return open; }
  OpenFailure LastOpenFailure() const override { return openFailure; }
  bool Close() override {
    open = false;
    return true;
  }
  bool SetQueueSizes(size_t, size_t) override { return true; }
  bool SetLineFormat(const LineFormat&) override { return true; }
  ControlLineResult SetDtr(bool) override { return ControlLineResult::NotSupported; }
  ControlLineResult SetRts(bool) override { return ControlLineResult::NotSupported; }

  bool Write(const uint8_t* data, size_t count, int) override {
    if (!open) return false;
    for (size_t i = 0; i < count; ++i) Take(data[i]);
    return true;
  }
  size_t BytesPending() override { return incoming.size(); }
  int64_t Read(uint8_t* buffer, size_t count) override {
    size_t n = 0;
    while (n < count && !incoming.empty()) {
      buffer[n++] = incoming.front();
      incoming.pop_front();
    }
    return static_cast<int64_t>(n);
  }
  bool WaitForBytes(int timeoutMs) override {
    if (!incoming.empty()) return true;
    time.Sleep(static_cast<uint32_t>(timeoutMs));
    return false;
  }

 private:
  void Send(const std::vector<uint8_t>& bytes) {
    if (!silent) incoming.insert(incoming.end(), bytes.begin(), bytes.end());
  }

  void Take(uint8_t byte) {
    if (!inFrame) {
      if (byte == kEnq) Send({kAck});
      if (byte == kStx) {
        inFrame = true;
        reader = FrameReader(kMaxSentText);
        reader.Feed(byte);
      }
      return;  // ACKs after our answers need nothing
    }
    const FrameStatus status = reader.Feed(byte);
    if (status == FrameStatus::NeedMore) return;
    inFrame = false;
    if (status != FrameStatus::Complete) {
      Send({kNak});
      return;
    }
    if (silent) return;
    received.push_back(reader.text());
    if (unanswered && unanswered(reader.text())) return;
    for (auto& [prefix, times] : refuse) {
      if (times > 0 && reader.text().rfind(prefix, 0) == 0) {
        --times;
        Send({kNak});
        return;
      }
    }
    if (const auto it = answerWith.find(reader.text()); it != answerWith.end()) {
      Send(BuildFrame(it->second));
      return;
    }
    const sim::Reply reply = instrument.Handle(reader.text(), time.now);
    if (reply.kind == sim::Reply::Answer) {
      Send(BuildFrame(reply.answer));
    } else {
      Send({reply.kind == sim::Reply::Ack ? kAck : kNak});
    }
  }

  VirtualTime& time;
  bool open = false;
  bool inFrame = false;
  FrameReader reader{kMaxSentText};
  std::deque<uint8_t> incoming;
};

}  // namespace hvt::testing
