#pragma once
// The program's own texts for each command: menu text (with '&' mnemonic and '\t' accelerator
// label), accelerator key, status-bar prompt and tool tip. Views build menus, bars and
// shortcuts from this one table. The texts are English; the views show them in the running
// language through Qt's translation of the context "Command" (accelerators stay as they are).
#include <cstdint>
#include <span>

#include "base/TextCatalog.h"

namespace velatrace {

struct CommandText {
    uint32_t id;
    const char* menuText;     // nullptr: no menu item
    const char* accelerator;  // key sequence in portable form ("Ctrl+O", "."), nullptr: none
    const char* prompt;       // status-bar prompt, nullptr: none
    const char* toolTip;      // nullptr: none
};

std::span<const CommandText> CommandTexts();
// The entry of `id`, or nullptr.
const CommandText* FindCommandText(uint32_t id);

// Fixed texts of the window.
inline constexpr char kTitleAtCreation[] = QT_TRANSLATE_NOOP("Command", "Korvex Velatrace");
inline constexpr char kTitle[] = QT_TRANSLATE_NOOP("Command", "Korvex Pravis");
inline constexpr char kReadyText[] = QT_TRANSLATE_NOOP("Command", "Ready");
inline constexpr char kRecentPrompt[] = QT_TRANSLATE_NOOP("Command", "Open a specified document");
inline constexpr char kSeekBarToolTip[] = QT_TRANSLATE_NOOP("Command", "Seekbar");
inline constexpr char kStatusPane1Sample[] = "1024x1024";
inline constexpr char kStatusPane2Sample[] = "kv_velap_00.avi";
inline constexpr char kChannelPropertyText[] = QT_TRANSLATE_NOOP("Command", "Channel &property...");
inline constexpr char kDdeTransferText[] = QT_TRANSLATE_NOOP("Command", "DDE &transfer");
inline constexpr char kDdeTransferSettingText[] =
    QT_TRANSLATE_NOOP("Command", "&DDE transfer setting...");

}  // namespace velatrace
