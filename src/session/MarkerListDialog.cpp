#include "session/MarkerListDialog.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace velatrace {

namespace {
enum Column { kTimeColumn, kRecordColumn, kKindColumn, kTextColumn, kColumns };
}  // namespace

MarkerListDialog::MarkerListDialog(MarkerEditor& markers, QWidget* owner)
    : QDialog(owner), markers_(markers) {
    setWindowTitle(tr("Markers"));
    table_ = new QTableWidget(0, kColumns, this);
    table_->setHorizontalHeaderLabels({tr("Time"), tr("Record"), tr("Kind"), tr("Text")});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->setMinimumSize(520, 260);

    auto* add = new QPushButton(tr("&Add at cursor"), this);
    goTo_ = new QPushButton(tr("&Go to"), this);
    rename_ = new QPushButton(tr("&Rename..."), this);
    delete_ = new QPushButton(tr("&Delete"), this);
    auto* close = new QDialogButtonBox(QDialogButtonBox::Close, this);
    auto* buttons = new QVBoxLayout;
    for (QPushButton* b : {goTo_, add, rename_, delete_}) {
        b->setAutoDefault(false);
        buttons->addWidget(b);
    }
    buttons->addStretch(1);
    auto* top = new QHBoxLayout;
    top->addWidget(table_, 1);
    top->addLayout(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(close);

    connect(close, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(add, &QPushButton::clicked, this, &MarkerListDialog::Add);
    connect(goTo_, &QPushButton::clicked, this, &MarkerListDialog::GoTo);
    connect(rename_, &QPushButton::clicked, this, &MarkerListDialog::Rename);
    connect(delete_, &QPushButton::clicked, this, &MarkerListDialog::Delete);
    connect(table_, &QTableWidget::cellDoubleClicked, this, &MarkerListDialog::GoTo);
    connect(table_, &QTableWidget::itemSelectionChanged, this, [this] {
        const bool chosen = Selected() >= 0;
        goTo_->setEnabled(chosen);
        rename_->setEnabled(chosen);
        delete_->setEnabled(chosen);
    });
    Fill(markers_.Markers().empty() ? -1 : 0);
}

QString MarkerListDialog::KindText(MarkerKind kind) {
    switch (kind) {
        case MarkerKind::User:
            return tr("User");
        case MarkerKind::AlarmStart:
            return tr("Alarm start");
        case MarkerKind::AlarmEnd:
            return tr("Alarm end");
        case MarkerKind::Trigger:
            return tr("Trigger");
        case MarkerKind::StreamError:
            return tr("Stream error");
        case MarkerKind::FileSwitch:
            return tr("File switch");
    }
    return QString();
}

QString MarkerListDialog::TimeText(int64_t clipMs) {
    const int64_t ms = clipMs < 0 ? 0 : clipMs;
    return QStringLiteral("%1:%2:%3.%4")
        .arg(ms / 3600000)
        .arg(ms / 60000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms / 1000 % 60, 2, 10, QLatin1Char('0'))
        .arg(ms % 1000, 3, 10, QLatin1Char('0'));
}

void MarkerListDialog::Fill(int select) {
    const std::vector<Marker>& list = markers_.Markers();
    table_->setRowCount(static_cast<int>(list.size()));
    for (int row = 0; row < static_cast<int>(list.size()); ++row) {
        const Marker& m = list[static_cast<size_t>(row)];
        const QString cells[kColumns] = {TimeText(m.clipMs),
                                         m.record >= 0 ? QString::number(m.record + 1) : QString(),
                                         KindText(m.kind), QString::fromUtf8(m.text)};
        for (int c = 0; c < kColumns; ++c) {
            table_->setItem(row, c, new QTableWidgetItem(cells[c]));
        }
    }
    table_->resizeColumnsToContents();
    table_->clearSelection();
    if (select >= 0 && select < table_->rowCount()) {
        table_->selectRow(select);
    }
    const bool chosen = Selected() >= 0;
    goTo_->setEnabled(chosen);
    rename_->setEnabled(chosen);
    delete_->setEnabled(chosen);
}

int MarkerListDialog::Selected() const {
    const QList<QTableWidgetSelectionRange> ranges = table_->selectedRanges();
    return ranges.isEmpty() ? -1 : ranges.first().topRow();
}

void MarkerListDialog::Add() {
    bool ok = false;
    const QString text =
        QInputDialog::getText(this, tr("Add marker"), tr("Text:"), QLineEdit::Normal, {}, &ok);
    if (ok) {
        const int32_t index = markers_.AddMarker(text.toUtf8().constData());
        Fill(index >= 0 ? index : Selected());
    }
}

void MarkerListDialog::Rename() {
    const int row = Selected();
    if (row < 0) {
        return;
    }
    bool ok = false;
    const QString text = QInputDialog::getText(
        this, tr("Rename marker"), tr("Text:"), QLineEdit::Normal,
        QString::fromUtf8(markers_.Markers()[static_cast<size_t>(row)].text), &ok);
    if (ok) {
        markers_.RenameMarker(static_cast<size_t>(row), text.toUtf8().constData());
        Fill(row);
    }
}

void MarkerListDialog::Delete() {
    const int row = Selected();
    if (row >= 0) {
        markers_.DeleteMarker(static_cast<size_t>(row));
        Fill(std::min(row, static_cast<int>(markers_.Markers().size()) - 1));
    }
}

void MarkerListDialog::GoTo() {
    const int row = Selected();
    if (row >= 0) {
        markers_.GoToMarker(static_cast<size_t>(row));
    }
}

}  // namespace velatrace
