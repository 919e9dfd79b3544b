#pragma once
// "DDE transfer setting": shows a DdeSettingsModel and, on OK, hands it the edits' texts.
// Controls carry their resource IDs as object names ("c1040" ...).
#include <QDialog>

class QComboBox;
class QLineEdit;

namespace velatrace {

class DdeSettingsModel;

class DdeSettingsDialog final : public QDialog {
    Q_OBJECT
  public:
    DdeSettingsDialog(DdeSettingsModel& model, QWidget* owner);

    void accept() override;

  private:
    void ShowApp();

    DdeSettingsModel& model_;
    QComboBox* app_ = nullptr;
    QLineEdit* edits_[6] = {};  // 1041..1046
};

}  // namespace velatrace
