#pragma once

#include <QObject>
#include <QTimer>
#include <map>
#include <memory>

#include "ports/TimerHost.h"

namespace hvt {

// Window timers on QTimer: periodic until killed, delivered on the thread
// of the event loop, one tick at a time.
class QtTimerHost : public TimerHost {
 public:
  explicit QtTimerHost(TimerClient* client = nullptr) : client(client) {}
  void SetClient(TimerClient* c) { client = c; }

  void SetTimer(int id, uint32_t ms) override;
  void KillTimer(int id) override;

 private:
  TimerClient* client;
  std::map<int, std::unique_ptr<QTimer>> timers;
};

}  // namespace hvt
