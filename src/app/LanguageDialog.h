#pragma once
// "Language": Automatic (the user's locale), English or Japanese. The choice takes effect when
// the program next starts.
#include <QDialog>

#include "settings/SettingsStore.h"

class QRadioButton;

namespace velatrace {

class LanguageDialog final : public QDialog {
    Q_OBJECT
  public:
    LanguageDialog(LanguageChoice choice, QWidget* owner = nullptr);
    LanguageChoice Choice() const;

  private:
    QRadioButton* buttons_[3] = {};
};

}  // namespace velatrace
