#include "platform/QtTimerHost.h"

namespace hvt {

void QtTimerHost::SetTimer(int id, uint32_t ms) {
  auto& timer = timers[id];
  if (!timer) {
    timer = std::make_unique<QTimer>();
    timer->setTimerType(Qt::PreciseTimer);
    QObject::connect(timer.get(), &QTimer::timeout, [this, id] {
      if (client) client->OnTimer(id);
    });
  }
  timer->start(static_cast<int>(ms));
}

void QtTimerHost::KillTimer(int id) {
  auto it = timers.find(id);
  if (it != timers.end()) it->second->stop();
}

}  // namespace hvt
