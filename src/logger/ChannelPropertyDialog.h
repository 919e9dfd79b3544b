#pragma once
// "Channel property": shows a ChannelPropertyModel read-only and ends with "Query"
// (ChannelPropertyModel::kQuery) or "Close" (kClose; Escape closes too). Controls carry their
// resource IDs as object names ("c1047" ...).
#include <QDialog>

namespace velatrace {

class ChannelPropertyModel;

class ChannelPropertyDialog final : public QDialog {
    Q_OBJECT
  public:
    ChannelPropertyDialog(const ChannelPropertyModel& model, QWidget* owner);
    // How the dialog ended, once exec() has returned.
    int Ending() const;
};

}  // namespace velatrace
