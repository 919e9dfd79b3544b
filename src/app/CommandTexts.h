#pragma once
// The program's own texts for each command: menu text (with '&' mnemonic and '\t' accelerator
// label), accelerator key, status-bar prompt and tool tip. Views build menus, bars and
// shortcuts from this one table.
#include <cstdint>
#include <span>

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
inline constexpr char kTitleAtCreation[] = "Korvex Velatrace";
inline constexpr char kTitle[] = "Korvex Pravis";
inline constexpr char kReadyText[] = "Ready";
inline constexpr char kRecentPrompt[] = "Open a specified document";
inline constexpr char kSeekBarToolTip[] = "Seekbar";
inline constexpr char kStatusPane1Sample[] = "1024x1024";
inline constexpr char kStatusPane2Sample[] = "kv_velap_00.avi";
inline constexpr char kChannelPropertyText[] = "Channel &property...";
inline constexpr char kDdeTransferText[] = "DDE &transfer";
inline constexpr char kDdeTransferSettingText[] = "&DDE transfer setting...";

}  // namespace velatrace
