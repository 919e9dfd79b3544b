#pragma once
// The "Capture setting" dialog: shows a CaptureSettingsModel and writes the controls back into it
// when OK is pressed. Each control is named by its ID ("1004", "1007", ...).
#include <QDialog>

#include "session/CaptureSettingsModel.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;

namespace velatrace {

class CaptureSettingsDialog final : public QDialog {
    Q_OBJECT
  public:
    CaptureSettingsDialog(CaptureSettingsModel& model, QWidget* owner);

    void accept() override;

  private:
    void ChooseFolder();
    // Enabled states, the radios and the name preview, as the model has them now.
    void Refresh();
    // The "Level triggers" group: one row per trigger, with ids from kFirstTriggerId on (five
    // per row: enable box, channel, direction, level, hysteresis).
    QGroupBox* MakeTriggerRows();

    static constexpr int kFirstTriggerId = 1030;

    CaptureSettingsModel& target_;  // written only by OK
    CaptureSettingsModel model_;    // what the controls show meanwhile
    QLineEdit* folder_;
    QPushButton* browse_;
    QLineEdit* baseName_;
    QLabel* preview_;
    QCheckBox* autoNumber_;
    QCheckBox* alarm_[4];
    QCheckBox* trans_[4];
    QRadioButton* avi_;
    QRadioButton* bmp_;
    QCheckBox* useTimeLimit_;
    QSpinBox* seconds_;
    QSpinBox* pretrigger_;
    struct TriggerControls {
        QCheckBox* on;
        QComboBox* channel;
        QComboBox* direction;
        QLineEdit* level;
        QLineEdit* hysteresis;
    };
    TriggerControls triggers_[kLevelTriggers];
};

}  // namespace velatrace
