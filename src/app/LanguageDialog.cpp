#include "app/LanguageDialog.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace velatrace {

LanguageDialog::LanguageDialog(LanguageChoice choice, QWidget* owner) : QDialog(owner) {
    setWindowTitle(tr("Language"));
    setModal(true);
    auto* group = new QGroupBox(tr("Language of the program"), this);
    auto* column = new QVBoxLayout(group);
    // Each language is named in its own words, so it can be found whatever is shown now.
    const QString texts[3] = {tr("&Automatic (from the system's language)"),
                              QStringLiteral("&English"), QStringLiteral("日本語 (&Japanese)")};
    for (int i = 0; i < 3; ++i) {
        buttons_[i] = new QRadioButton(texts[i], group);
        buttons_[i]->setObjectName(QStringLiteral("language%1").arg(i));
        column->addWidget(buttons_[i]);
    }
    const int index = static_cast<int>(choice);
    buttons_[index >= 0 && index < 3 ? index : 0]->setChecked(true);

    auto* note =
        new QLabel(tr("The new language is used from the next start of the program."), this);
    note->setWordWrap(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(note);
    layout->addWidget(buttons);
}

LanguageChoice LanguageDialog::Choice() const {
    for (int i = 0; i < 3; ++i) {
        if (buttons_[i]->isChecked()) {
            return static_cast<LanguageChoice>(i);
        }
    }
    return LanguageChoice::Automatic;
}

}  // namespace velatrace
