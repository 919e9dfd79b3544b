#pragma once
// The camera's Filter and Format dialogs: modal over their owner widget, opened at (x, y) of it.
#include <QDialog>
#include <functional>
#include <vector>

#include "video/PropertyPages.h"

class QListWidget;

namespace velatrace {

// The camera's controls, live: every change goes to the running camera at once.
class CameraFilterDialog : public QDialog {
    Q_OBJECT

  public:
    CameraFilterDialog(Camera& camera, std::vector<DeviceControl> controls, QWidget* parent);

  private:
    void Set(const DeviceControl& control, int32_t value);
    void BackToDefaults();

    Camera& camera_;
    std::vector<DeviceControl> controls_;
    std::vector<std::function<void(int32_t)>> showValue_;  // per control: put a value on screen
};

// The camera's modes; OK asks the camera for the one selected.
class CameraFormatDialog : public QDialog {
    Q_OBJECT

  public:
    CameraFormatDialog(const std::vector<VideoMode>& modes, const VideoMode& current,
                       QWidget* parent);
    // The mode selected, or -1; an index into Modes().
    int32_t Selected() const;
    const std::vector<VideoMode>& Modes() const { return formats_; }

  private:
    std::vector<VideoMode> formats_;
    QListWidget* list_ = nullptr;
};

class CameraPages final : public PropertyPages {
  public:
    // Filter pages open over `filterOwner` (the main window), format pages over `formatOwner`
    // (the video pane).
    CameraPages(QWidget* filterOwner, QWidget* formatOwner)
        : filterOwner_(filterOwner), formatOwner_(formatOwner) {}

    MediaError ShowFilterPages(Camera& camera, int32_t x, int32_t y) override;
    MediaError ShowFormatPages(Camera& camera, const std::vector<VideoMode>& modes, int32_t x,
                               int32_t y) override;

  private:
    QWidget* filterOwner_;
    QWidget* formatOwner_;
};

}  // namespace velatrace
