#include "session/CaptureSettingsDialog.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace velatrace {

namespace {
template <typename W>
W* Named(W* widget, int id) {
    widget->setObjectName(QString::number(id));
    return widget;
}
}  // namespace

CaptureSettingsDialog::CaptureSettingsDialog(CaptureSettingsModel& model, QWidget* owner)
    : QDialog(owner), target_(model), model_(model) {
    setWindowTitle(tr("Capture setting"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    auto* names = new QGridLayout;
    auto* pathLabel = new QLabel(tr("&Path:"), this);
    folder_ = Named(new QLineEdit(QFile::decodeName(model.folder.c_str()), this), 1004);
    // No length limit on folder and name: a text the edit cut would name another folder or
    // file; one that does not fit is refused on OK, saying why.
    pathLabel->setBuddy(folder_);
    browse_ = Named(new QPushButton(QStringLiteral("..."), this), 1003);
    browse_->setAutoDefault(false);
    auto* nameLabel = new QLabel(tr("&Filename:"), this);
    baseName_ = Named(new QLineEdit(QFile::decodeName(model.baseName.c_str()), this), 1005);
    nameLabel->setBuddy(baseName_);
    preview_ = Named(new QLabel(this), 1006);
    autoNumber_ = Named(new QCheckBox(tr("Auto &number:"), this), 1007);
    autoNumber_->setChecked(model.autoNumber);
    names->addWidget(pathLabel, 0, 0);
    names->addWidget(folder_, 0, 1, 1, 2);
    names->addWidget(browse_, 0, 3);
    names->addWidget(nameLabel, 1, 0);
    names->addWidget(baseName_, 1, 1);
    names->addWidget(preview_, 1, 2);
    names->addWidget(autoNumber_, 1, 3);
    layout->addLayout(names);

    auto* group = new QGroupBox(tr("Captuer condition"), this);
    auto* alarms = new QGridLayout(group);
    for (int i = 0; i < 4; ++i) {
        alarm_[i] = Named(new QCheckBox(tr("Alarm%1").arg(i + 1), group), 1010 + i);
        alarm_[i]->setChecked(model.alarmEnable[i]);
        trans_[i] = Named(new QCheckBox(tr("trans"), group), 1014 + i);
        trans_[i]->setChecked(model.Transfer(i));
        alarms->addWidget(alarm_[i], i, 0);
        alarms->addWidget(trans_[i], i, 1);
        connect(trans_[i], &QCheckBox::clicked, this, [this, i](bool on) {
            model_.SetTransfer(i, on);
            Refresh();
        });
    }
    avi_ = Named(new QRadioButton(tr("avi"), group), 1018);
    bmp_ = Named(new QRadioButton(tr("bmp transfer"), group), 1019);
    auto* radios = new QButtonGroup(this);
    radios->addButton(avi_);
    radios->addButton(bmp_);
    alarms->addWidget(avi_, 4, 0);
    alarms->addWidget(bmp_, 4, 1);
    connect(avi_, &QRadioButton::clicked, this, [this] {
        model_.SetBmpTransfer(false);
        Refresh();
    });
    connect(bmp_, &QRadioButton::clicked, this, [this] {
        model_.SetBmpTransfer(true);
        Refresh();
    });
    layout->addWidget(group);

    auto* limit = new QHBoxLayout;
    useTimeLimit_ = Named(new QCheckBox(tr("Use time limit"), this), 1020);
    useTimeLimit_->setChecked(model.useTimeLimit);
    seconds_ = Named(new QSpinBox(this), 1021);
    seconds_->setRange(0, CaptureSettingsModel::kMaxSeconds);
    seconds_->setValue(QString::fromStdString(model.seconds).toInt());
    limit->addWidget(useTimeLimit_);
    limit->addWidget(seconds_);
    limit->addWidget(new QLabel(tr("sec"), this));
    limit->addStretch();
    layout->addLayout(limit);

    // Seconds before the alarm that an alarm capture starts with; the tip says the memory taken.
    auto* pretrigger = new QHBoxLayout;
    auto* pretriggerLabel = new QLabel(tr("Pre-&trigger"), this);
    pretrigger_ = Named(new QSpinBox(this), 1023);
    pretrigger_->setRange(0, kMaxPretriggerSec);
    pretrigger_->setValue(model.pretrigger);
    pretriggerLabel->setBuddy(pretrigger_);
    pretrigger->addWidget(pretriggerLabel);
    pretrigger->addWidget(pretrigger_);
    pretrigger->addWidget(new QLabel(tr("sec"), this));
    pretrigger->addStretch();
    layout->addLayout(pretrigger);
    connect(pretrigger_, &QSpinBox::valueChanged, this, [this, pretriggerLabel](int value) {
        model_.pretrigger = value;
        const QString tip = QString::fromStdString(model_.PretriggerTip());
        pretrigger_->setToolTip(tip);
        pretriggerLabel->setToolTip(tip);
    });
    pretrigger_->setToolTip(QString::fromStdString(model_.PretriggerTip()));
    pretriggerLabel->setToolTip(pretrigger_->toolTip());
    connect(useTimeLimit_, &QCheckBox::toggled, this, [this](bool on) {
        model_.useTimeLimit = on;
        Refresh();
    });
    connect(autoNumber_, &QCheckBox::toggled, this, [this](bool on) {
        model_.autoNumber = on;
        Refresh();
    });
    connect(browse_, &QPushButton::clicked, this, &CaptureSettingsDialog::ChooseFolder);

    layout->addWidget(MakeTriggerRows());

    auto* buttons = new QHBoxLayout;
    auto* ok = Named(new QPushButton(tr("OK"), this), 1);
    auto* cancel = Named(new QPushButton(tr("Cancel"), this), 2);
    ok->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &CaptureSettingsDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &CaptureSettingsDialog::reject);
    Refresh();
}

QGroupBox* CaptureSettingsDialog::MakeTriggerRows() {
    auto* group = new QGroupBox(tr("Level triggers"), this);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(tr("Channel"), group), 0, 1);
    grid->addWidget(new QLabel(tr("Level"), group), 0, 3);
    grid->addWidget(new QLabel(tr("Hysteresis"), group), 0, 4);
    for (int i = 0; i < kLevelTriggers; ++i) {
        const CaptureSettingsModel::TriggerRow& row = model_.triggers[i];
        const int id = kFirstTriggerId + 5 * i;
        TriggerControls& t = triggers_[i];
        t.on = Named(new QCheckBox(tr("Trigger %1").arg(i + 1), group), id);
        t.on->setChecked(row.on);
        t.channel = Named(new QComboBox(group), id + 1);
        for (int c = 1; c <= kTriggerChannels; ++c) {
            t.channel->addItem(tr("CH%1").arg(c));
        }
        t.channel->setCurrentIndex(std::clamp(row.channel, 1, kTriggerChannels) - 1);
        t.direction = Named(new QComboBox(group), id + 2);
        t.direction->addItem(tr("above"));
        t.direction->addItem(tr("below"));
        t.direction->setCurrentIndex(row.direction == kTriggerBelow ? 1 : 0);
        t.level = Named(new QLineEdit(QString::fromStdString(row.level), group), id + 3);
        t.hysteresis = Named(new QLineEdit(QString::fromStdString(row.hysteresis), group), id + 4);
        t.level->setToolTip(
            tr("Level in the channel's unit; the trigger starts when the value "
               "reaches it"));
        t.hysteresis->setToolTip(
            tr("How far the value must come back past the level before "
               "the trigger ends"));
        grid->addWidget(t.on, i + 1, 0);
        grid->addWidget(t.channel, i + 1, 1);
        grid->addWidget(t.direction, i + 1, 2);
        grid->addWidget(t.level, i + 1, 3);
        grid->addWidget(t.hysteresis, i + 1, 4);
    }
    return group;
}

void CaptureSettingsDialog::Refresh() {
    const bool naming = model_.NamingEnabled();
    for (QWidget* w : {static_cast<QWidget*>(folder_), static_cast<QWidget*>(browse_),
                       static_cast<QWidget*>(baseName_), static_cast<QWidget*>(preview_),
                       static_cast<QWidget*>(autoNumber_)}) {
        w->setEnabled(naming);
    }
    preview_->setText(QString::fromStdString(model_.Preview()));
    for (int i = 0; i < 4; ++i) {
        trans_[i]->setChecked(model_.Transfer(i));
    }
    (model_.BmpTransfer() ? bmp_ : avi_)->setChecked(true);
    seconds_->setEnabled(model_.SecondsEnabled());
}

void CaptureSettingsDialog::ChooseFolder() {
    const QString chosen = QFileDialog::getExistingDirectory(this, QString(), folder_->text(),
                                                             QFileDialog::ShowDirsOnly);
    if (!chosen.isEmpty()) {
        folder_->setText(QDir::toNativeSeparators(chosen));
    }
}

void CaptureSettingsDialog::accept() {
    // Folder and base name become path bytes as the system names files.
    model_.folder = QFile::encodeName(folder_->text()).toStdString();
    model_.baseName = QFile::encodeName(baseName_->text()).toStdString();
    model_.autoNumber = autoNumber_->isChecked();
    for (int i = 0; i < 4; ++i) {
        model_.alarmEnable[i] = alarm_[i]->isChecked();
    }
    model_.useTimeLimit = useTimeLimit_->isChecked();
    model_.seconds = seconds_->cleanText().toStdString();
    model_.pretrigger = pretrigger_->value();
    for (int i = 0; i < kLevelTriggers; ++i) {
        CaptureSettingsModel::TriggerRow& row = model_.triggers[i];
        row.on = triggers_[i].on->isChecked();
        row.channel = triggers_[i].channel->currentIndex() + 1;
        row.direction = triggers_[i].direction->currentIndex() == 1 ? kTriggerBelow : kTriggerAbove;
        row.level = triggers_[i].level->text().toStdString();
        row.hysteresis = triggers_[i].hysteresis->text().toStdString();
    }
    target_ = model_;
    QDialog::accept();
}

}  // namespace velatrace
