#include "logger/ChannelPropertyDialog.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "logger/ChannelPropertyModel.h"

namespace velatrace {

namespace {
constexpr int kListWidth = 260;
}

ChannelPropertyDialog::ChannelPropertyDialog(const ChannelPropertyModel& model, QWidget* owner)
    : QDialog(owner) {
    using M = ChannelPropertyModel;
    setWindowTitle(tr("Channel property"));
    setModal(true);

    auto* list = new QTreeWidget(this);
    list->setObjectName(QStringLiteral("c1047"));
    list->setRootIsDecorated(false);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setHeaderLabels({tr("CH"), tr("Input"), tr("Range")});
    list->setFixedWidth(kListWidth);
    const int usable = kListWidth - list->style()->pixelMetric(QStyle::PM_ScrollBarExtent) -
                       2 * list->frameWidth();
    list->header()->setStretchLastSection(false);
    list->setColumnWidth(0, M::kChannelColumnWidth);
    list->setColumnWidth(1, M::SharedColumnWidth(usable));
    list->setColumnWidth(2, M::SharedColumnWidth(usable));
    const QColor off(QRgb{M::kOffRgb});
    for (int row = 0; row < M::RowCount(); ++row) {
        auto* item = new QTreeWidgetItem(
            list, {QString::fromLatin1(model.ChannelText(row)),
                   QString::fromLatin1(model.Input(row)), QString::fromLatin1(model.Range(row))});
        if (model.IsOff(row)) {
            for (int column = 0; column < 3; ++column) {
                item->setForeground(column, off);
            }
        }
    }

    auto* alarms = new QGroupBox(tr("AlarmOut"), this);
    auto* alarmRow = new QHBoxLayout(alarms);
    for (int i = 0; i < kAlarmOutputs; ++i) {
        auto* box = new QCheckBox(QString::number(i + 1), alarms);
        box->setObjectName(QStringLiteral("c%1").arg(1048 + i));
        const bool used = model.AlarmOutUsed(i);
        box->setChecked(used);
        // The boxes only show the copy: a click is undone at once.
        connect(box, &QCheckBox::clicked, box, [box, used] { box->setChecked(used); });
        alarmRow->addWidget(box);
    }

    auto* samplingRow = new QHBoxLayout;
    samplingRow->addWidget(new QLabel(tr("Sampling:"), this));
    auto* sampling = new QLabel(QStringLiteral("1000ms"), this);
    sampling->setObjectName(QStringLiteral("c1052"));
    sampling->setText(QString::fromLatin1(model.SamplingText()));
    samplingRow->addWidget(sampling, 1);

    auto* query = new QPushButton(tr("Query"), this);
    query->setObjectName(QStringLiteral("c1"));
    query->setEnabled(model.QueryEnabled());
    auto* close = new QPushButton(tr("Close"), this);
    close->setObjectName(QStringLiteral("c2"));
    (model.QueryEnabled() ? query : close)->setDefault(true);
    connect(query, &QPushButton::clicked, this, [this] { done(M::kQuery); });
    connect(close, &QPushButton::clicked, this, [this] { done(M::kClose); });
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(query);
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(list);
    layout->addWidget(alarms);
    layout->addLayout(samplingRow);
    layout->addLayout(buttons);
    list->setFocus();
}

int ChannelPropertyDialog::Ending() const {
    return result() == ChannelPropertyModel::kQuery ? ChannelPropertyModel::kQuery
                                                    : ChannelPropertyModel::kClose;
}

}  // namespace velatrace
