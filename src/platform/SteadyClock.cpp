#include "platform/SteadyClock.h"

#include <QThread>

namespace hvt {

uint32_t SteadyClock::TickCount() { return static_cast<uint32_t>(timer.elapsed()); }

void SteadyClock::Sleep(uint32_t ms) { QThread::msleep(ms); }

}  // namespace hvt
