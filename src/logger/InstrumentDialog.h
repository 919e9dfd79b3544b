#pragma once
// "Instrument": the driver, a device its scan finds or a connection, up to ten channels with
// their quantity, unit and range, and the interval. OK writes the choice back.
#include <QDialog>

#include "logger/InstrumentSource.h"

class QComboBox;
class QLineEdit;
class QSpinBox;
class QLabel;
class QDoubleSpinBox;

namespace velatrace {

class InstrumentDialog final : public QDialog {
    Q_OBJECT
  public:
    InstrumentDialog(InstrumentCatalog& catalog, InstrumentChoice& choice, QWidget* parent);

  private:
    void ScanDevices();
    void ReadUnits();
    void Accept();
    // The choice the controls show now.
    InstrumentChoice Shown() const;

    InstrumentCatalog& catalog_;
    InstrumentChoice& choice_;
    QComboBox* driver_ = nullptr;
    QLineEdit* conn_ = nullptr;
    QComboBox* device_ = nullptr;
    QComboBox* channel_[kChannels] = {};
    QLabel* unit_[kChannels] = {};
    QDoubleSpinBox* range_[kChannels] = {};
    QSpinBox* interval_ = nullptr;
    QLabel* status_ = nullptr;
};

}  // namespace velatrace
