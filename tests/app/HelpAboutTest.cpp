// The Help menu's commands as the frame routes them: the About box, and the help file found
// beside the program, or a message naming the file that could not be found or opened.
#include <gtest/gtest.h>

#include "app/CommandIds.h"
#include "app/MainFrame.h"
#include "logger/FakeDriverLibrary.h"
#include "settings/RegistryTree.h"
#include "support/FakeClock.h"
#include "support/FakeHost.h"
#include "support/TempFolder.h"
#include "video/FakeMediaEngine.h"
#include "video/FakeVideoSurface.h"

namespace velatrace {
namespace {

class HelpAbout : public ::testing::Test {
  protected:
    HelpAbout() { host.programFolder = folder.Path().string(); }

    testing::TempFolder folder;
    testing::FakeHost host;
    testing::FakeTimers timers;
    testing::FakeClock clock;
    RegistryTree registry;
    testing::FakeDriverLibrary logger;
    testing::FakeMediaEngine engine;
    testing::FakeVideoSurface pane;
    NoStillTransfer transfer;
    NoPropertyPages pages;
    MainFrame frame{
        FramePorts{host.Ports(), timers, clock, registry, logger, engine, &pane, transfer, pages}};
};

TEST_F(HelpAbout, AboutShowsTheBoxAndHelpOpensTheFileFoundOrSaysWhichIsMissing) {
    frame.OnCommand(cmd::kAbout);
    EXPECT_EQ(host.abouts, 1);

    frame.OnCommand(cmd::kHelpTopics);  // nothing beside the program
    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_NE(host.boxes[0].text.find('"' + folder.File("help/index.html") + '"'),
              std::string::npos)
        << host.boxes[0].text;

    std::filesystem::create_directory(folder.Path() / "help");
    folder.Write("help/index.html", "<html></html>");
    frame.OnCommand(cmd::kHelpTopics);
    folder.Write("pravis.chm", "ITSF");  // the compiled help comes first
    frame.OnCommand(cmd::kHelpTopics);
    EXPECT_EQ(host.helpOpened, (std::vector<std::string>{folder.File("help/index.html"),
                                                         folder.File("pravis.chm")}));
    host.helpOpens = false;
    frame.OnCommand(cmd::kHelpTopics);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_NE(host.boxes[1].text.find('"' + folder.File("pravis.chm") + '"'), std::string::npos)
        << host.boxes[1].text;
}

}  // namespace
}  // namespace velatrace
