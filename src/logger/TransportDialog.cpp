#include "logger/TransportDialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "logger/TransportDialogModel.h"

namespace velatrace {

namespace {

template <size_t N>
QComboBox* List(QWidget* parent, const char* const (&items)[N], int selection, int id) {
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("c%1").arg(id));
    for (const char* item : items) {
        box->addItem(QString::fromLatin1(item));
    }
    box->setCurrentIndex(selection);
    return box;
}

void AddRow(QGridLayout* grid, int row, const char* text, QWidget* field) {
    auto* label = new QLabel(TransportDialog::tr(text), field->parentWidget());
    label->setBuddy(field);
    grid->addWidget(label, row, 0);
    grid->addWidget(field, row, 1);
}

}  // namespace

TransportDialog::TransportDialog(TransportDialogModel& model, QWidget* owner)
    : QDialog(owner), model_(model) {
    using M = TransportDialogModel;
    setWindowTitle(tr("Transport setting"));
    setModal(true);

    auto* tcp = new QGroupBox(tr("TCP/IP"), this);
    auto* tcpGrid = new QGridLayout(tcp);
    auto* useIp = new QCheckBox(tr("&IP address:"), tcp);
    useIp->setObjectName(QStringLiteral("c1030"));
    useIp->setChecked(model.UseIp());
    useIp->setEnabled(M::IpBoxEnabled());
    char text[16];
    model.AddressText(text);
    auto* address = new QLineEdit(QString::fromLatin1(text), tcp);
    address->setObjectName(QStringLiteral("c1031"));
    address->setEnabled(model.AddressEnabled());
    char portText[12];
    model.PortText(portText);
    auto* port = new QLineEdit(QString::fromLatin1(portText), tcp);
    port->setObjectName(QStringLiteral("c1032"));
    port->setEnabled(model.AddressEnabled());
    tcpGrid->addWidget(useIp, 0, 0);
    tcpGrid->addWidget(address, 0, 1);
    AddRow(tcpGrid, 1, QT_TR_NOOP("&Port number:"), port);

    auto* serial = new QGroupBox(tr("Serial port"), this);
    auto* serialGrid = new QGridLayout(serial);
    QComboBox* serialLists[] = {
        List(serial, M::kBaudRates, M::kBaudRateSelection, 1033),
        List(serial, M::kDataBits, 0, 1034),
        List(serial, M::kStopBits, 0, 1035),
        List(serial, M::kParities, 0, 1036),
        List(serial, M::kFlowControls, 0, 1037),
    };
    const char* serialLabels[] = {QT_TR_NOOP("&Baud rate:"), QT_TR_NOOP("&Data bits:"),
                                  QT_TR_NOOP("&Stop bits:"), QT_TR_NOOP("Pa&rity:"),
                                  QT_TR_NOOP("&Frow ctrl:")};
    for (int i = 0; i < 5; ++i) {
        serialLists[i]->setEnabled(M::SerialEnabled());
        AddRow(serialGrid, i, serialLabels[i], serialLists[i]);
    }

    auto* grid = new QGridLayout;
    auto* terminator = List(this, M::kTerminators, model.Terminator(), 1038);
    AddRow(grid, 0, QT_TR_NOOP("&Terminater:"), terminator);
    // The time-out edit and its up-down (1022) in one: digits only, at most four.
    auto* timeout = new QSpinBox(this);
    timeout->setObjectName(QStringLiteral("c1039"));
    timeout->setRange(M::kTimeoutMin, M::kTimeoutMax);
    timeout->setValue(model.Timeout());
    AddRow(grid, 1, QT_TR_NOOP("Time &out:"), timeout);
    grid->addWidget(new QLabel(tr("msec"), this), 1, 2);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(tr("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(tr("Cancel"));
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tcp);
    layout->addWidget(serial);
    layout->addLayout(grid);
    layout->addWidget(buttons);

    setTabOrder(useIp, address);
    setTabOrder(address, port);
    setTabOrder(port, serialLists[0]);
    for (int i = 1; i < 5; ++i) {
        setTabOrder(serialLists[i - 1], serialLists[i]);
    }
    setTabOrder(serialLists[4], terminator);
    setTabOrder(terminator, timeout);
    setTabOrder(timeout, buttons->button(QDialogButtonBox::Ok));
    setTabOrder(buttons->button(QDialogButtonBox::Ok), buttons->button(QDialogButtonBox::Cancel));
    terminator->setFocus();
}

void TransportDialog::accept() {
    model_.SelectTerminator(findChild<QComboBox*>(QStringLiteral("c1038"))->currentIndex());
    model_.SetTimeoutText(
        findChild<QSpinBox*>(QStringLiteral("c1039"))->cleanText().toLatin1().constData());
    QDialog::accept();
}

}  // namespace velatrace
