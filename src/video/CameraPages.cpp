#include "video/CameraPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <cstdlib>

#include "video/FormatChoices.h"

namespace velatrace {

namespace {

// Opens `dialog` at (x, y) of `owner`, modal, and returns how it was closed.
int RunAt(QDialog& dialog, QWidget* owner, int32_t x, int32_t y) {
    if (owner != nullptr) {
        dialog.move(owner->mapToGlobal(QPoint(x, y)));
    }
    return dialog.exec();
}

}  // namespace

CameraFilterDialog::CameraFilterDialog(Camera& camera, std::vector<DeviceControl> controls,
                                       QWidget* parent)
    : QDialog(parent), camera_(camera), controls_(std::move(controls)) {
    setWindowTitle(tr("Filter"));
    auto* form = new QFormLayout;
    for (const DeviceControl& c : controls_) {
        const QString name = QString::fromStdString(c.name);
        switch (c.kind) {
            case ControlKind::Boolean: {
                auto* box = new QCheckBox(this);
                box->setChecked(c.value != 0);
                connect(box, &QCheckBox::toggled, this,
                        [this, &c](bool on) { Set(c, on ? 1 : 0); });
                showValue_.push_back([box](int32_t v) {
                    const QSignalBlocker quiet(box);
                    box->setChecked(v != 0);
                });
                form->addRow(name, box);
                break;
            }
            case ControlKind::Menu: {
                auto* list = new QComboBox(this);
                for (const ControlMenuItem& item : c.menuItems) {
                    list->addItem(QString::fromStdString(item.name), item.value);
                }
                list->setCurrentIndex(list->findData(c.value));
                connect(list, &QComboBox::activated, this,
                        [this, &c, list](int index) { Set(c, list->itemData(index).toInt()); });
                showValue_.push_back([list](int32_t v) {
                    const QSignalBlocker quiet(list);
                    list->setCurrentIndex(list->findData(v));
                });
                form->addRow(name, list);
                break;
            }
            case ControlKind::Integer:
            default: {
                auto* slider = new QSlider(Qt::Horizontal, this);
                slider->setRange(c.minimum, std::max(c.minimum, c.maximum));
                slider->setSingleStep(std::max(1, c.step));
                slider->setPageStep(std::max(1, c.step) * 10);
                slider->setValue(c.value);
                slider->setMinimumWidth(200);
                auto* value = new QLabel(QString::number(c.value), this);
                value->setMinimumWidth(40);
                // The device takes values on its step from its minimum only.
                const int32_t step = std::max(1, c.step);
                connect(slider, &QSlider::valueChanged, this,
                        [this, &c, slider, value, step](int v) {
                            const int32_t onStep = c.minimum + (v - c.minimum) / step * step;
                            if (onStep != v) {
                                slider->setValue(onStep);
                                return;
                            }
                            value->setNum(v);
                            Set(c, v);
                        });
                showValue_.push_back([slider, value](int32_t v) {
                    const QSignalBlocker quiet(slider);
                    slider->setValue(v);
                    value->setNum(v);
                });
                auto* row = new QHBoxLayout;
                row->addWidget(slider);
                row->addWidget(value);
                form->addRow(name, row);
                break;
            }
        }
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    QPushButton* defaults = buttons->addButton(tr("&Default"), QDialogButtonBox::ResetRole);
    connect(defaults, &QPushButton::clicked, this, &CameraFilterDialog::BackToDefaults);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

void CameraFilterDialog::Set(const DeviceControl& control, int32_t value) {
    const MediaError hr = camera_.SetControl(control.id, value);
    if (Failed(hr)) {
        QMessageBox::warning(this, windowTitle(),
                             tr("The camera did not take %1 = %2 (%3).")
                                 .arg(QString::fromStdString(control.name))
                                 .arg(value)
                                 .arg(QString::fromUtf8(ErrorText(hr))));
    }
}

void CameraFilterDialog::BackToDefaults() {
    for (size_t i = 0; i < controls_.size(); ++i) {
        // Shown without the change signals, so each default goes to the camera once.
        showValue_[i](controls_[i].defaultValue);
        Set(controls_[i], controls_[i].defaultValue);
    }
}

CameraFormatDialog::CameraFormatDialog(const std::vector<VideoMode>& modes,
                                       const VideoMode& current, QWidget* parent)
    : QDialog(parent), formats_(SortedModes(modes)) {
    setWindowTitle(tr("Format"));
    list_ = new QListWidget(this);
    for (const VideoMode& f : formats_) {
        list_->addItem(QString::fromStdString(ModeLabel(f)));
    }
    const int32_t index = CurrentModeIndex(formats_, current);
    if (index >= 0) {
        list_->setCurrentRow(index);
    }
    list_->setMinimumSize(280, 240);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(list_, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Output size and frame rate:"), this));
    layout->addWidget(list_);
    layout->addWidget(buttons);
}

int32_t CameraFormatDialog::Selected() const {
    return list_->currentRow();
}

MediaError CameraPages::ShowFilterPages(Camera& camera, int32_t x, int32_t y) {
    std::vector<DeviceControl> controls;
    const MediaError hr = camera.Controls(&controls);
    if (Failed(hr)) {
        return hr;
    }
    CameraFilterDialog dialog(camera, std::move(controls), filterOwner_);
    RunAt(dialog, filterOwner_, x, y);
    return MediaError::None;
}

MediaError CameraPages::ShowFormatPages(Camera& camera, const std::vector<VideoMode>& modes,
                                        int32_t x, int32_t y) {
    const VideoMode current = camera.Mode();
    CameraFormatDialog dialog(modes, current, formatOwner_);
    if (RunAt(dialog, formatOwner_, x, y) != QDialog::Accepted || dialog.Selected() < 0) {
        return MediaError::Nothing;
    }
    const VideoMode& chosen = dialog.Modes()[static_cast<size_t>(dialog.Selected())];
    if (chosen.width == current.width && chosen.height == current.height &&
        FramesPerSecond(chosen.frameTime) == FramesPerSecond(current.frameTime)) {
        return MediaError::Nothing;  // the mode in force: nothing to change
    }
    return camera.SetMode(chosen);
}

}  // namespace velatrace
