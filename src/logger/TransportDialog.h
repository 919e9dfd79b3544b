#pragma once
// "Transport setting": shows a TransportDialogModel and, on OK, hands it the terminator and the
// time-out the user chose. Controls carry their resource IDs as object names ("c1038" ...).
#include <QDialog>

namespace velatrace {

class TransportDialogModel;

class TransportDialog final : public QDialog {
    Q_OBJECT
  public:
    TransportDialog(TransportDialogModel& model, QWidget* owner);

    void accept() override;

  private:
    TransportDialogModel& model_;
};

}  // namespace velatrace
