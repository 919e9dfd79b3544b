#include "dde/DdeSettingsDialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>
#include <QValidator>

#include "dde/DdeSettingsModel.h"
#include "dde/DdeTransfer.h"

namespace velatrace {

namespace {
enum Edit { kTopic, kInitialCell, kNextCell, kRowStep, kColStep, kColCount };
constexpr int kFirstEditId = 1041;

// Takes no more text than its field holds in UTF-8 bytes, so a topic in Japanese or any other
// script is never cut when the settings take it.
class Utf8LengthValidator : public QValidator {
  public:
    Utf8LengthValidator(int maxBytes, QObject* parent) : QValidator(parent), maxBytes_(maxBytes) {}
    State validate(QString& input, int&) const override {
        return input.toUtf8().size() <= maxBytes_ ? Acceptable : Invalid;
    }

  private:
    int maxBytes_;
};
}  // namespace

DdeSettingsDialog::DdeSettingsDialog(DdeSettingsModel& model, QWidget* owner)
    : QDialog(owner), model_(model) {
    using M = DdeSettingsModel;
    setWindowTitle(tr("DDE Transger setting"));
    setModal(true);

    app_ = new QComboBox(this);
    app_->setObjectName(QStringLiteral("c1040"));
    for (const char* service : kDdeServices) {
        app_->addItem(QString::fromLatin1(service));
    }
    const int maxChars[6] = {M::kTopicChars,  M::kCellChars,   M::kCellChars,
                             M::kNumberChars, M::kNumberChars, M::kNumberChars};
    for (int i = 0; i < 6; ++i) {
        edits_[i] = new QLineEdit(this);
        edits_[i]->setObjectName(QStringLiteral("c%1").arg(kFirstEditId + i));
        edits_[i]->setMaxLength(maxChars[i]);
        if (i >= kRowStep) {
            edits_[i]->setValidator(new QIntValidator(0, 99999, edits_[i]));
        } else {
            edits_[i]->setValidator(new Utf8LengthValidator(maxChars[i], edits_[i]));
        }
    }
    auto* top = new QFormLayout;
    top->addRow(tr("Trans &name:"), app_);
    top->addRow(tr("&Topics:"), edits_[kTopic]);
    top->addRow(QString(), new QLabel(tr("(Excel worksheet)"), this));
    auto* excel = new QGroupBox(tr("EXCEL Link"), this);
    auto* link = new QFormLayout(excel);
    link->addRow(tr("&Initial cell:"), edits_[kInitialCell]);
    link->addRow(tr("Ne&xt cell:"), edits_[kNextCell]);
    link->addRow(tr("&Rown:"), edits_[kRowStep]);
    link->addRow(tr("&Column:"), edits_[kColStep]);
    link->addRow(tr("Column bo&undary:"), edits_[kColCount]);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(excel);
    layout->addWidget(buttons);

    edits_[kInitialCell]->setText(QString::fromUtf8(model.InitialCell()));
    edits_[kNextCell]->setText(QString::fromUtf8(model.NextCell()));
    edits_[kRowStep]->setText(QString::number(model.RowStep()));
    edits_[kColStep]->setText(QString::number(model.ColStep()));
    edits_[kColCount]->setText(QString::number(model.ColCount()));
    app_->setCurrentIndex(model.App());
    ShowApp();
    connect(app_, &QComboBox::currentIndexChanged, this, [this](int index) {
        model_.SelectApp(index);
        ShowApp();
    });
}

void DdeSettingsDialog::ShowApp() {
    edits_[kTopic]->setText(QString::fromUtf8(model_.Topic()));
    for (QLineEdit* edit : edits_) {
        edit->setEnabled(model_.SpreadsheetControlsEnabled());
    }
}

void DdeSettingsDialog::accept() {
    QByteArray texts[6];
    for (int i = 0; i < 6; ++i) {
        texts[i] = edits_[i]->text().toUtf8();
    }
    model_.Accept(texts[kTopic].constData(), texts[kInitialCell].constData(),
                  texts[kNextCell].constData(), texts[kRowStep].constData(),
                  texts[kColStep].constData(), texts[kColCount].constData());
    QDialog::accept();
}

}  // namespace velatrace
