#include "app/AboutDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

#include "app/BarIcons.h"
#include "app/CommandActions.h"
#include "app/CommandTexts.h"

#ifndef VELATRACE_VERSION
#error "VELATRACE_VERSION comes from the build (the project's version)"
#endif

namespace velatrace {

QString ProductVersion() {
    return QStringLiteral(VELATRACE_VERSION);
}

AboutDialog::AboutDialog(QWidget* owner) : QDialog(owner) {
    setWindowTitle(tr("About"));
    setModal(true);

    const QIcon icon =
        owner != nullptr && !owner->windowIcon().isNull() ? owner->windowIcon() : ProgramIcon();
    auto* picture = new QLabel(this);
    picture->setPixmap(icon.pixmap(32, 32));
    picture->setAlignment(Qt::AlignTop);

    auto* product = new QLabel(CommandTr(kTitle), this);
    product->setObjectName(QStringLiteral("product"));
    QFont bold = product->font();
    bold.setBold(true);
    product->setFont(bold);
    auto* version = new QLabel(tr("Ver ") + ProductVersion(), this);
    version->setObjectName(QStringLiteral("version"));

    auto* close = new QPushButton(tr("&Close"), this);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(16);
    grid->addWidget(picture, 0, 0, 2, 1);
    grid->addWidget(product, 0, 1);
    grid->addWidget(version, 1, 1);
    grid->addWidget(close, 0, 2, Qt::AlignTop);
    grid->setColumnStretch(1, 1);
    setFixedSize(sizeHint().expandedTo(QSize(300, 0)));
}

}  // namespace velatrace
