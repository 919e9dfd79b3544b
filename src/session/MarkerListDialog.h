#pragma once
// "Markers": the markers of the recording being replayed, with their kind, time and text. The
// user goes to one (double click or "Go to"), adds one at the cursor, renames or deletes one;
// each change is saved at once by the editor.
#include <QDialog>

#include "session/MarkerEditor.h"

class QPushButton;
class QTableWidget;

namespace velatrace {

class MarkerListDialog final : public QDialog {
    Q_OBJECT
  public:
    MarkerListDialog(MarkerEditor& markers, QWidget* owner);

    // The words the list shows for a kind, and a clip time as "h:mm:ss.mmm".
    static QString KindText(MarkerKind kind);
    static QString TimeText(int64_t clipMs);

  private:
    // The table as the editor has the markers now, `select` chosen.
    void Fill(int select);
    int Selected() const;
    void Add();
    void Rename();
    void Delete();
    void GoTo();

    MarkerEditor& markers_;
    QTableWidget* table_;
    QPushButton* goTo_;
    QPushButton* rename_;
    QPushButton* delete_;
};

}  // namespace velatrace
