#include "logger/InstrumentDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "base/FixedText.h"

namespace velatrace {

namespace {
constexpr int kMaxDrivers = 256;
constexpr int kMaxDevices = 16;
}  // namespace

InstrumentDialog::InstrumentDialog(InstrumentCatalog& catalog, InstrumentChoice& choice,
                                   QWidget* parent)
    : QDialog(parent), catalog_(catalog), choice_(choice) {
    setWindowTitle(tr("Instrument"));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    driver_ = new QComboBox(this);
    driver_->addItem(tr("(none: the logger)"), QString());
    static char names[kMaxDrivers][32];
    const int32_t drivers = catalog_.Drivers(names, kMaxDrivers);
    for (int32_t i = 0; i < drivers; ++i) {
        driver_->addItem(QString::fromUtf8(names[i]), QString::fromUtf8(names[i]));
    }
    driver_->setCurrentIndex(std::max(0, driver_->findData(QString::fromUtf8(choice.driver))));
    form->addRow(tr("&Driver:"), driver_);
    conn_ = new QLineEdit(QString::fromUtf8(choice.conn), this);
    conn_->setPlaceholderText(tr("for example /dev/ttyUSB0"));
    form->addRow(tr("&Connection:"), conn_);
    auto* scanRow = new QHBoxLayout;
    device_ = new QComboBox(this);
    auto* scan = new QPushButton(tr("&Scan"), this);
    scanRow->addWidget(device_, 1);
    scanRow->addWidget(scan);
    form->addRow(tr("De&vice:"), scanRow);
    interval_ = new QSpinBox(this);
    interval_->setRange(kMinInstrumentIntervalMs, kMaxInstrumentIntervalMs);
    interval_->setSuffix(tr(" ms"));
    interval_->setValue(ClampInstrumentInterval(choice.intervalMs));
    form->addRow(tr("&Interval:"), interval_);
    layout->addLayout(form);

    auto* grid = new QGridLayout;
    grid->addWidget(new QLabel(tr("Channel"), this), 0, 1);
    grid->addWidget(new QLabel(tr("Quantity and unit"), this), 0, 2);
    grid->addWidget(new QLabel(tr("Range (0: from the readings)"), this), 0, 3);
    for (int c = 0; c < kChannels; ++c) {
        grid->addWidget(new QLabel(tr("CH%1").arg(c + 1), this), c + 1, 0);
        channel_[c] = new QComboBox(this);
        channel_[c]->setEditable(true);
        channel_[c]->setEditText(QString::fromUtf8(choice.channel[c]));
        grid->addWidget(channel_[c], c + 1, 1);
        unit_[c] = new QLabel(this);
        grid->addWidget(unit_[c], c + 1, 2);
        range_[c] = new QDoubleSpinBox(this);
        range_[c]->setRange(0, 1e9);
        range_[c]->setDecimals(4);
        range_[c]->setValue(choice.range[c]);
        grid->addWidget(range_[c], c + 1, 3);
    }
    layout->addLayout(grid);
    auto* read = new QPushButton(tr("&Read units"), this);
    status_ = new QLabel(this);
    auto* readRow = new QHBoxLayout;
    readRow->addWidget(read);
    readRow->addWidget(status_, 1);
    layout->addLayout(readRow);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(scan, &QPushButton::clicked, this, &InstrumentDialog::ScanDevices);
    connect(read, &QPushButton::clicked, this, &InstrumentDialog::ReadUnits);
    connect(buttons, &QDialogButtonBox::accepted, this, &InstrumentDialog::Accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void InstrumentDialog::ScanDevices() {
    const QByteArray driver = driver_->currentData().toString().toUtf8();
    const QByteArray conn = conn_->text().toUtf8();
    device_->clear();
    if (driver.isEmpty()) {
        return;
    }
    static InstrumentDevice found[kMaxDevices];
    const int32_t n = catalog_.Scan(driver.constData(), conn.constData(), found, kMaxDevices);
    for (int32_t i = 0; i < n; ++i) {
        device_->addItem(QString::fromUtf8(found[i].description));
    }
    status_->setText(n == 0 ? tr("No device found.") : tr("%n device(s) found.", nullptr, n));
    if (n == 0) {
        return;
    }
    // The first device's analog channels are offered, the first ten chosen where none is.
    if (found[0].conn[0] != '\0' && conn_->text().isEmpty()) {
        conn_->setText(QString::fromUtf8(found[0].conn));
    }
    bool any = false;
    for (int c = 0; c < kChannels; ++c) {
        any = any || !channel_[c]->currentText().isEmpty();
    }
    for (int c = 0; c < kChannels; ++c) {
        const QString kept = channel_[c]->currentText();
        channel_[c]->clear();
        channel_[c]->addItem(QString());
        for (int32_t k = 0; k < found[0].channels; ++k) {
            channel_[c]->addItem(QString::fromUtf8(found[0].channel[k]));
        }
        channel_[c]->setEditText(any                     ? kept
                                 : c < found[0].channels ? QString::fromUtf8(found[0].channel[c])
                                                         : QString());
    }
}

void InstrumentDialog::ReadUnits() {
    const InstrumentChoice shown = Shown();
    if (!shown.Chosen()) {
        return;
    }
    const std::unique_ptr<InstrumentSource> source = catalog_.NewSource();
    if (!source->Open(shown)) {
        status_->setText(QString::fromUtf8(source->Error()));
        return;
    }
    InstrumentChannel channels[kChannels];
    source->Channels(channels);
    const LoggerSetup setup = MakeInstrumentSetup(shown, channels);
    for (int c = 0; c < kChannels; ++c) {
        unit_[c]->setText(shown.channel[c][0] == '\0'
                              ? QString()
                              : tr("%1 (%2)").arg(QString::fromUtf8(channels[c].quantity),
                                                  QString::fromUtf8(channels[c].unit)));
        if (setup.channel[c].type == kTypeInstrument && range_[c]->value() == 0) {
            range_[c]->setValue(setup.channel[c].span);
        }
    }
    source->Close();
    status_->setText(tr("Units read from the device."));
}

InstrumentChoice InstrumentDialog::Shown() const {
    InstrumentChoice shown;
    CopyText(shown.driver, driver_->currentData().toString().toUtf8().constData());
    CopyText(shown.conn, conn_->text().toUtf8().constData());
    shown.intervalMs = interval_->value();
    for (int c = 0; c < kChannels; ++c) {
        CopyText(shown.channel[c], channel_[c]->currentText().trimmed().toUtf8().constData());
        shown.range[c] = range_[c]->value();
    }
    return shown;
}

void InstrumentDialog::Accept() {
    choice_ = Shown();
    accept();
}

}  // namespace velatrace
