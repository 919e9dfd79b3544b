#include "app/QtTimers.h"

#include <QTimerEvent>
#include <algorithm>
#include <climits>
#include <utility>

namespace velatrace {

namespace {
// The shortest period a window timer runs at; shorter ones are raised to it.
constexpr uint32_t kMinimumPeriodMs = 10;
}  // namespace

QtTimers::QtTimers(Tick tick, QObject* parent) : QObject(parent), tick_(std::move(tick)) {}

void QtTimers::StartTimer(uint32_t id, uint32_t periodMs) {
    KillTimer(id);  // starting a running ID restarts it with the new period
    const uint32_t period =
        std::clamp<uint32_t>(periodMs, kMinimumPeriodMs, static_cast<uint32_t>(INT_MAX));
    const int qtId = startTimer(static_cast<int>(period), Qt::PreciseTimer);
    if (qtId != 0) {
        running_[id] = qtId;
    }
}

void QtTimers::KillTimer(uint32_t id) {
    const auto it = running_.find(id);
    if (it != running_.end()) {
        killTimer(it->second);
        running_.erase(it);
    }
}

void QtTimers::timerEvent(QTimerEvent* event) {
    for (const auto& [id, qtId] : running_) {
        if (qtId == event->timerId()) {
            const uint32_t fired = id;  // the tick may start or kill timers
            if (tick_) {
                tick_(fired);
            }
            return;
        }
    }
    QObject::timerEvent(event);
}

}  // namespace velatrace
