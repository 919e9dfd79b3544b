#pragma once
// The window timers in Qt: one Qt timer per timer ID, each tick handed to the frame core.
#include <QObject>
#include <cstdint>
#include <functional>
#include <map>

#include "base/Timers.h"

namespace velatrace {

class QtTimers final : public QObject, public Timers {
  public:
    using Tick = std::function<void(uint32_t id)>;

    explicit QtTimers(Tick tick, QObject* parent = nullptr);

    void StartTimer(uint32_t id, uint32_t periodMs) override;
    void KillTimer(uint32_t id) override;
    bool IsRunning(uint32_t id) const { return running_.count(id) != 0; }

  protected:
    void timerEvent(QTimerEvent* event) override;

  private:
    Tick tick_;
    std::map<uint32_t, int> running_;  // timer ID -> Qt's timer
};

}  // namespace velatrace
