// The main window: actions built from the command table, the bars, the status bar, the seek
// bar's notifications, placement, run-time menu items, engine news, the close path, and work
// held back until the window is on the screen.
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QSlider>
#include <QSplitter>
#include <QToolBar>
#include <thread>
#include <tuple>

#include "FakeFrame.h"
#include "app/CommandIds.h"
#include "app/CommandTexts.h"
#include "app/FirstExposure.h"
#include "video/VideoPane.h"

namespace velatrace {
namespace {

using testing::MenuTexts;
using MainWindowTest = testing::WindowTest;

TEST_F(MainWindowTest, BarsAndStatusBar) {
    const auto tips = [this](uint32_t band) {
        QStringList all;
        for (QAction* a : window.Bar(band)->actions()) {
            EXPECT_TRUE(a->isSeparator() || !a->icon().isNull()) << a->text().toStdString();
            all << (a->isSeparator() ? QStringLiteral("-")
                                     : window.Bar(band)->widgetForAction(a)->toolTip());
        }
        return all;
    };
    EXPECT_EQ(tips(cmd::kBandFileBar),
              (QStringList{"Open(Ctrl+O)", "-", "Stop", "Start", "Pause"}));
    // The program's marker button comes after the design's buttons.
    EXPECT_EQ(tips(cmd::kBandCaptureBar),
              (QStringList{"DDE trans", "Capture", "Preview", "Marker"}));
    EXPECT_EQ(tips(cmd::kBandChannelBar),
              (QStringList{"Next cahnnel", "Prev cahnnel", "-", "v-Zoomout", "v-Zoomin", "t-Zoomin",
                           "t-Zoomout"}));

    window.ShowBand(cmd::kBandSeekBar, false);
    EXPECT_TRUE(window.Bar(cmd::kBandSeekBar)->isHidden());

    // The status bar: "Ready", then the core's two panes.
    window.SetStatusText(1, QStringLiteral("12 pt"));
    window.SetStatusText(0, QStringLiteral("not mine"));
    window.SetStatusText(7, QStringLiteral("nobody's"));
    EXPECT_EQ(std::tuple(window.StatusPane(0)->text(), window.StatusPane(1)->text(),
                         window.StatusPane(2)->text()),
              std::tuple(QStringLiteral("Ready"), QStringLiteral("12 pt"), QString()));
}

TEST_F(MainWindowTest, ActionsFollowOnlyTheUiTable) {
    frame.Derive();  // before the start-up
    window.SyncActions();
    // As the table says; a command not in it is always enabled.
    EXPECT_EQ(
        std::tuple(Action(cmd::kCapture)->isEnabled(), Action(cmd::kClipInformation)->isEnabled(),
                   Action(cmd::kWavePane)->isChecked()),
        std::tuple(false, true, true));
    // A disabled command does not reach the core; a later change of the core shows by itself.
    Action(cmd::kPreview)->trigger();
    EXPECT_FALSE(Commanded(cmd::kPreview));
    frame.in.startedUp = frame.in.sourceFound = true;
    frame.Derive();
    QTRY_VERIFY(Action(cmd::kPreview)->isEnabled());

    // A checkable action does not check or uncheck itself: the core's answer decides.
    Action(cmd::kPreview)->trigger();
    Action(cmd::kFileBar)->trigger();
    EXPECT_EQ(std::tuple(Commanded(cmd::kPreview), Action(cmd::kPreview)->isChecked(),
                         Action(cmd::kFileBar)->isChecked()),
              std::tuple(true, false, true));

    // The clip radio group: the chosen one checked and disabled, the others without an empty
    // check box; Stop also disables Pause.
    frame.in.replay = ReplayState::Stopped;
    frame.Derive();
    window.SyncActions();
    QAction* stop = Action(cmd::kClipStop);
    QAction* start = Action(cmd::kClipStart);
    EXPECT_EQ(std::tuple(stop->isChecked(), stop->isEnabled(), start->isEnabled(),
                         start->isCheckable(), Action(cmd::kClipPause)->isEnabled()),
              std::tuple(true, false, true, false, false));
}

TEST_F(MainWindowTest, ShortcutsReachTheCoreWhereverTheFocusIs) {
    ShowAndActivate();
    QSlider* seek = window.SeekBar();
    seek->setFocus();
    QTRY_VERIFY(seek->hasFocus());
    // Each key gives its command only: Pause names Space in its text, but Space starts the clip.
    for (const CommandText& t : CommandTexts()) {
        if (t.accelerator != nullptr) {
            const QKeyCombination key = QKeySequence(QString::fromLatin1(t.accelerator))[0];
            frame.commands.clear();
            QTest::keyClick(seek, key.key(), key.keyboardModifiers());
            EXPECT_EQ(frame.commands, std::vector<uint32_t>{t.id}) << t.accelerator;
        }
    }
    // Shift+Tab as keyboards deliver it.
    frame.commands.clear();
    QTest::keyClick(seek, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(frame.commands, std::vector<uint32_t>{cmd::kPreviousChannel});
    // Tab selected a channel, not the next widget; no key moved the seek bar.
    EXPECT_TRUE(seek->hasFocus());
    EXPECT_EQ(seek->value(), 0);
    EXPECT_TRUE(frame.seeks.empty());
}

TEST_F(MainWindowTest, MenusCarryTheCommandTableAndGrowAtRunTime) {
    for (const CommandText& t : CommandTexts()) {
        if (t.menuText != nullptr && t.id != cmd::kRecentFirst) {
            QAction* a = Action(t.id);
            ASSERT_NE(a, nullptr) << t.id;
            EXPECT_EQ(std::pair(a->text().toStdString(), a->statusTip().toStdString()),
                      std::pair(std::string(t.menuText), std::string(t.prompt ? t.prompt : "")));
        }
    }
    EXPECT_EQ(MenuTexts(window.menuBar()),
              (QStringList{"&File", "&View", "&Capture", "&Transfer", "&Help"}));
    EXPECT_EQ(window.Menu(Submenu::File)->actions().value(5)->menu(), window.RecentMenu());

    QMenu* capture = window.Menu(Submenu::Capture);
    const QStringList before = MenuTexts(capture);
    frame.in.cameraInUse = 0;
    frame.Derive();
    window.AppendMenuItems(
        MenuExtension::CaptureDevices, Submenu::Capture,
        {QStringLiteral("Cam A"), QStringLiteral("Cam B"), QString(), QStringLiteral("Cam D")});
    // A separator and the names up to the first empty one, checked as the table says.
    EXPECT_EQ(MenuTexts(capture), before + QStringList({"-", "Cam A", "Cam B"}));
    EXPECT_TRUE(Action(cmd::kDeviceFirst)->isChecked());
    Action(cmd::kDeviceFirst + 1)->trigger();
    EXPECT_TRUE(Commanded(cmd::kDeviceFirst + 1));

    QMenu* transfer = window.Menu(Submenu::Transfer);
    window.AppendMenuItems(MenuExtension::ChannelProperty, Submenu::Transfer, {});
    window.AppendMenuItems(MenuExtension::DdeTransfer, Submenu::Transfer, {});
    EXPECT_EQ(MenuTexts(transfer).mid(1),
              (QStringList{"-", "Channel &property...", "-", "DDE &transfer",
                           "&DDE transfer setting..."}));
    EXPECT_EQ(transfer->actions()[4], Action(cmd::kDdeTransfer));  // the Capture bar's button
}

TEST_F(MainWindowTest, SeekBarSendsTrackbarNotificationsButNotTheCoresOwnMoves) {
    QSlider* seek = window.SeekBar();
    window.SetSeekPosition(40);
    EXPECT_EQ(std::tuple(seek->value(), seek->minimum(), seek->maximum()), std::tuple(40, 0, 100));
    EXPECT_TRUE(frame.seeks.empty());

    using Seeks = std::vector<std::pair<SeekEvent, int>>;
    seek->triggerAction(QAbstractSlider::SliderPageStepAdd);
    seek->setSliderDown(true);
    seek->setSliderPosition(70);
    seek->setSliderDown(false);
    EXPECT_EQ(frame.seeks, (Seeks{{SeekEvent::ThumbPosition, 60},
                                  {SeekEvent::EndScroll, 0},
                                  {SeekEvent::Track, 70},
                                  {SeekEvent::ThumbPosition, 70},
                                  {SeekEvent::EndScroll, 0}}));
}

TEST_F(MainWindowTest, PlacementKeepsTheSplitAndPanesReportTheirSizeChanges) {
    auto* wave = new VideoPane;  // any pane with a resized() signal
    window.SetWavePane(wave);
    window.PlaceWindow(FramePlacement{0, 300, 600, 700, 10, 20});
    ShowAndActivate();
    QTRY_COMPARE(window.Video()->height(), 300);
    FramePlacement now = window.CurrentPlacement();
    EXPECT_EQ(std::tuple(now.max, now.split, now.cx, now.cy, window.size()),
              std::tuple(0, 300, 600, 700, QSize(600, 700)));

    // One pane alone: the other hides, and the size change reaches the core as command 1002.
    for (const int single : {0, 1}) {
        QCoreApplication::processEvents();
        frame.commands.clear();
        window.ShowPanes(single);
        EXPECT_EQ(std::pair(window.Video()->isVisible(), wave->isVisible()),
                  std::pair(single == 0, single == 1));
        QTRY_VERIFY(Commanded(cmd::kPaneResized));
        window.ShowPanes(-1);
    }

    // A saved bar below the window's bottom stops at the bottom.
    window.PlaceWindow(FramePlacement{0, 5000, 600, 700, 10, 20});
    QTRY_VERIFY(window.Video()->height() > 300);
    EXPECT_LE(window.Video()->geometry().bottom(), window.Splitter()->height());
    // A place on a screen that is gone: the window comes up where it can be reached.
    window.PlaceWindow(FramePlacement{0, 300, 600, 700, 50000, -40000});
    EXPECT_NE(QGuiApplication::screenAt(window.pos() + QPoint(24, 24)), nullptr);

    window.PlaceWindow(FramePlacement{1, 300, 645, 642, 0, 0});
    QTRY_VERIFY(window.isMaximized());
    now = window.CurrentPlacement();
    EXPECT_EQ(std::tuple(now.max, now.cx, now.cy),
              std::tuple(1, kMaximisedFrameCx, kMaximisedFrameCy));
}

TEST_F(MainWindowTest, EngineNewsWakesTheCoreOnceForManyWakes) {
    EXPECT_TRUE(Action(cmd::kPreview)->isEnabled());
    frame.onNews = [this] { frame.Derive(); };  // before the start-up: Preview disabled
    std::thread engine([this] {
        for (int i = 0; i < 1000; ++i)
            window.NotifyEngineNews();
    });
    engine.join();
    EXPECT_EQ(frame.news, 0);  // queued to the window's thread, not called on the engine's
    QCoreApplication::processEvents();
    EXPECT_EQ(frame.news, 1);
    EXPECT_FALSE(Action(cmd::kPreview)->isEnabled());  // what the news changed shows at once
    window.NotifyEngineNews();
    QCoreApplication::processEvents();
    EXPECT_EQ(frame.news, 2);
}

TEST_F(MainWindowTest, TitleCloseAndExitGoThroughTheCore) {
    window.CreateFrame();
    EXPECT_EQ(std::pair(frame.creates, window.windowTitle()),
              std::pair(1, QStringLiteral("Korvex Pravis")));
    ShowAndActivate();
    // The core has not destroyed the window: it stays.
    EXPECT_FALSE(window.close());
    EXPECT_TRUE(window.isVisible());
    // The core's close sequence ends by destroying the window.
    frame.onClose = [this] { window.DestroyWindow(); };
    EXPECT_TRUE(window.close());
    EXPECT_EQ(frame.closes, 2);
    EXPECT_FALSE(window.isVisible());

    // Exit runs the close sequence inside the command; the window then closes without asking
    // the core again.
    MainWindow other;
    other.SetHandler(&frame);
    other.show();
    frame.onCommand = [&other](uint32_t) { other.DestroyWindow(); };
    other.Actions().Action(cmd::kExit)->trigger();
    EXPECT_FALSE(other.isVisible());
    EXPECT_EQ(frame.closes, 2);
}

// The media engine's loading waits until the window has appeared, and runs once.
TEST_F(MainWindowTest, WorkAfterTheFirstExposureRunsOnceTheWindowIsOnTheScreen) {
    int runs = 0;
    window.show();
    RunAfterFirstExposure(&window, [&runs] { ++runs; });
    EXPECT_EQ(runs, 0);  // from the event loop, never inside the call
    ASSERT_TRUE(QTest::qWaitFor([&runs] { return runs > 0; }));
    window.hide();
    window.show();
    QTest::qWait(50);
    EXPECT_EQ(runs, 1);
    // Asked when the window is already on the screen, it runs at the next turn of the loop.
    RunAfterFirstExposure(&window, [&runs] { ++runs; });
    ASSERT_TRUE(QTest::qWaitFor([&runs] { return runs == 2; }));
}

}  // namespace
}  // namespace velatrace
