#include "app/HelpTopics.h"

#include <filesystem>
#include <system_error>

#include "base/TextCatalog.h"

namespace velatrace {

namespace {
// Where an installation keeps the program's data (the help), relative to the program's folder.
#ifdef VELATRACE_DATA_DIR
constexpr const char* kInstalledData = VELATRACE_DATA_DIR;
#else
constexpr const char* kInstalledData = "../share/velatrace";
#endif
}  // namespace

std::string FindHelpFile(std::string_view programFolder) {
    const std::filesystem::path folder(programFolder);
    for (const std::filesystem::path& place : {folder, folder / kInstalledData}) {
        // The page in the running language first, the English one where it is missing.
        for (const char* name : {kCompiledHelpName, Text(TextId::HelpPage), kHtmlHelpName}) {
            const std::filesystem::path file = (place / name).lexically_normal();
            std::error_code ec;
            if (std::filesystem::is_regular_file(file, ec)) {
                return file.string();
            }
        }
    }
    return {};
}

std::string HelpNotOpenedText(const std::string& help) {
    return FormatString(Text(TextId::HelpNotOpened), help.c_str());
}

void OpenHelpTopics(FrameDialogs& dialogs, UserPrompts& user) {
    char folder[1024] = {};
    dialogs.ProgramFolder(folder, sizeof folder);
    const std::string help = FindHelpFile(folder);
    std::string message;
    if (help.empty()) {
        const std::string missing =
            (std::filesystem::path(folder) / kHtmlHelpName).lexically_normal().string();
        message = FormatString(Text(TextId::HelpMissing), missing.c_str(), kCompiledHelpName,
                               kHtmlHelpName);
    } else if (!dialogs.OpenHelpFile(help.c_str())) {
        message = HelpNotOpenedText(help);
    } else {
        return;
    }
    user.Tell(message.c_str(), MessageKind::Warning, Buttons::Ok);
}

}  // namespace velatrace
