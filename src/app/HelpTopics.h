#pragma once
// The Help menu's "&Help topics": the compiled help "pravis.chm" where it sits beside the program
// (the Windows build ships it), else the HTML help beside the program in help/ (the build tree),
// or in the installation's data folder (share/velatrace/help/).
#include <string>
#include <string_view>

#include "app/FrameDialogs.h"
#include "base/UserPrompts.h"

namespace velatrace {

inline constexpr const char* kCompiledHelpName = "pravis.chm";
inline constexpr const char* kHtmlHelpName = "help/index.html";

// The help file in the program's folder, else in the installation's data folder: the compiled
// help when it is there, else the HTML help in the running language, else the English one;
// empty when none is there.
std::string FindHelpFile(std::string_view programFolder);

// The message for a help file that no program could show.
std::string HelpNotOpenedText(const std::string& help);

// Opens the help file through the window's desktop handler. A help file that is missing or that
// no handler opens is reported in a message box naming the file.
void OpenHelpTopics(FrameDialogs& dialogs, UserPrompts& user);

}  // namespace velatrace
