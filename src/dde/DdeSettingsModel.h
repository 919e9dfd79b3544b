#pragma once
// The rules of the "DDE transfer setting" dialog: what it shows from the transfer settings, which
// controls follow the chosen application, and what OK writes back. The dialog works on its own
// copy; the spreadsheet's topic, cells and steps are read only while the spreadsheet is chosen.
#include <cstdint>

#include "dde/DdeSettings.h"

namespace velatrace {

class DdeSettingsModel {
  public:
    static constexpr int kTopicChars = 31;
    static constexpr int kCellChars = 7;
    static constexpr int kNumberChars = 5;

    explicit DdeSettingsModel(const DdeSettings& settings) : copy_(settings) {}

    // The list shows the three services in table order; the selection is the application.
    int32_t App() const { return copy_.app; }
    // A new selection: the topic edit then shows that application's topic (text typed for the
    // previous one is dropped). An index outside the list changes nothing.
    void SelectApp(int32_t app);
    // The topic, cell and number edits are enabled only for the spreadsheet.
    bool SpreadsheetControlsEnabled() const { return copy_.app == kDdeAppSpreadsheet; }

    // What the edits show.
    const char* Topic() const;
    const char* InitialCell() const { return copy_.initialCell; }
    const char* NextCell() const { return copy_.nextCell; }
    int32_t RowStep() const { return copy_.rowStep; }
    int32_t ColStep() const { return copy_.colStep; }
    int32_t ColCount() const { return copy_.colCount; }

    // OK: the edits' texts, cut to their fields. The topic goes to the chosen application; the
    // cells and numbers are taken only for the spreadsheet. A number edit is read as its first
    // five characters' leading digits; empty gives 0.
    void Accept(const char* topic, const char* initialCell, const char* nextCell,
                const char* rowStep, const char* colStep, const char* colCount);

    // Copies the result into `target`: the application always, the spreadsheet's topic, cells
    // and steps only when the spreadsheet is chosen.
    void Apply(DdeSettings& target) const;

  private:
    DdeSettings copy_;
};

}  // namespace velatrace
