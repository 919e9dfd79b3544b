#include "app/FirstExposure.h"

#include <QEvent>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <utility>

namespace velatrace {

namespace {

// Watches the native window; the exposure is painted by the window's own handling of the event,
// which runs after this filter, so the work is queued behind it.
class ExposureWatch : public QObject {
  public:
    ExposureWatch(QWindow* window, std::function<void()> work)
        : QObject(window), window_(window), work_(std::move(work)) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == window_ && event->type() == QEvent::Expose && window_->isExposed()) {
            window_->removeEventFilter(this);
            QTimer::singleShot(0, window_, std::move(work_));
            deleteLater();
        }
        return false;
    }

  private:
    QWindow* window_;
    std::function<void()> work_;
};

}  // namespace

void RunAfterFirstExposure(QWidget* window, std::function<void()> work) {
    QWindow* native = window->windowHandle();
    if (native == nullptr) {
        QTimer::singleShot(0, window, std::move(work));
        return;
    }
    if (native->isExposed()) {
        QTimer::singleShot(0, window, std::move(work));
        return;
    }
    native->installEventFilter(new ExposureWatch(native, std::move(work)));
}

}  // namespace velatrace
