#pragma once
// The About box: the program's icon, its product name and the version it was built as.
#include <QDialog>

namespace velatrace {

class AboutDialog final : public QDialog {
    Q_OBJECT
  public:
    explicit AboutDialog(QWidget* owner);
};

// The product version this program was built as ("1.00").
QString ProductVersion();

}  // namespace velatrace
