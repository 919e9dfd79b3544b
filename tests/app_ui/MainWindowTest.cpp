// The main window: actions built from the command table, the bars, the status bar, the seek
// bar's notifications, placement, run-time menu items, engine news and the close path.
#include <QFontMetrics>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QSlider>
#include <QSplitter>
#include <QToolBar>
#include <map>
#include <thread>
#include <tuple>

#include "FakeFrame.h"
#include "app/CommandIds.h"
#include "app/CommandTexts.h"
#include "video/VideoPane.h"

namespace velatrace {
namespace {

using testing::MenuTexts;
using MainWindowTest = testing::WindowTest;

TEST_F(MainWindowTest, MenusCarryTheCommandTableTextsAndPrompts) {
    for (const CommandText& t : CommandTexts()) {
        if (t.menuText != nullptr && t.id != cmd::kRecentFirst) {
            QAction* a = Action(t.id);
            ASSERT_NE(a, nullptr) << t.id;
            EXPECT_EQ(std::pair(a->text().toStdString(), a->statusTip().toStdString()),
                      std::pair(std::string(t.menuText), std::string(t.prompt ? t.prompt : "")));
            const QList<QObject*> users = a->associatedObjects();
            EXPECT_TRUE(std::any_of(users.begin(), users.end(), [](QObject* o) {
                return qobject_cast<QMenu*>(o) != nullptr;
            })) << t.menuText;
        }
    }
    EXPECT_EQ(MenuTexts(window.menuBar()),
              (QStringList{"&File", "&View", "&Capture", "&Transfer", "&Help"}));
    EXPECT_EQ(window.Menu(Submenu::File)->actions().value(5)->menu(), window.RecentMenu());
}

TEST_F(MainWindowTest, BarsHoldTheirButtonsInOneRowWithPicturesAndTips) {
    using namespace cmd;
    const std::map<uint32_t, std::vector<uint32_t>> buttons = {
        {kBandFileBar, {kFileOpen, 0, kClipStop, kClipStart, kClipPause}},
        {kBandCaptureBar, {kDdeTransfer, kCapture, kPreview}},
        {kBandChannelBar,
         {kNextChannel, kPreviousChannel, 0, kLevelZoomOut, kLevelZoomIn, kTimeZoomIn,
          kTimeZoomOut}},
    };
    for (const auto& [band, ids] : buttons) {
        const QList<QAction*> actions = window.Bar(band)->actions();
        ASSERT_EQ(actions.size(), static_cast<qsizetype>(ids.size())) << band;
        for (size_t i = 0; i < ids.size(); ++i) {
            QAction* a = actions[static_cast<qsizetype>(i)];
            EXPECT_EQ(a, ids[i] == 0 ? a : Action(ids[i])) << band << " " << i;
            EXPECT_EQ(a->isSeparator(), ids[i] == 0);
            if (ids[i] != 0) {
                EXPECT_EQ(window.Bar(band)->widgetForAction(a)->toolTip().toStdString(),
                          FindCommandText(ids[i])->toolTip);
                EXPECT_FALSE(a->icon().isNull()) << ids[i];
            }
        }
    }
    EXPECT_EQ(window.Bar(kBandCommandBar), nullptr);

    ShowAndActivate();
    int right = -1;
    for (uint32_t band = kBandFileBar; band <= kBandChannelBar; ++band) {
        EXPECT_EQ(window.Bar(band)->y(), window.Bar(kBandFileBar)->y()) << band;
        EXPECT_GT(window.Bar(band)->x(), right) << band;
        right = window.Bar(band)->x();
    }
    // Hiding a bar closes its gap.
    window.ShowBand(kBandSeekBar, false);
    QTRY_VERIFY(window.Bar(kBandChannelBar)->x() < right);
    EXPECT_FALSE(window.Bar(kBandSeekBar)->isVisible());
}

TEST_F(MainWindowTest, ActionsFollowOnlyTheUiTable) {
    UiUpdateTable& t = frame.table;
    t.GroupEnable(0, false);
    t.CheckBarsAndPanes(true);
    window.SyncActions();
    for (uint32_t id = cmd::kClipStop; id <= cmd::kFormat; ++id) {
        if (QAction* a = Action(id)) {
            EXPECT_EQ(a->isEnabled(), !t.Contains(id)) << id;  // not in the table: always enabled
        }
    }
    for (uint32_t id = cmd::kFileBar; id <= cmd::kWavePane; ++id) {
        EXPECT_TRUE(Action(id)->isChecked()) << id;
    }
    // A disabled command does not reach the core; a later change of the core shows by itself.
    Action(cmd::kPreview)->trigger();
    EXPECT_FALSE(Commanded(cmd::kPreview));
    t.Enable(cmd::kPreview, true);
    QTRY_VERIFY(Action(cmd::kPreview)->isEnabled());

    // A checkable action does not check or uncheck itself: the core's answer decides.
    Action(cmd::kPreview)->trigger();
    Action(cmd::kFileBar)->trigger();
    EXPECT_EQ(std::pair(Action(cmd::kPreview)->isChecked(), Action(cmd::kFileBar)->isChecked()),
              std::pair(false, true));
    frame.onCommand = [&t](uint32_t id) { t.Check(id, true); };
    Action(cmd::kPreview)->trigger();
    EXPECT_TRUE(Action(cmd::kPreview)->isChecked());

    // The clip radio group: the chosen one checked and disabled, the others without an empty
    // check box; Stop also disables Pause. Any command shows a check the table holds.
    t.GroupEnable(cmd::kClipStop, true);
    t.ClipState(cmd::kClipStop);
    t.Check(cmd::kLevelZoomIn, true);
    window.SyncActions();
    const auto look = [this](uint32_t id) {
        return std::tuple(Action(id)->isEnabled(), Action(id)->isCheckable(),
                          Action(id)->isChecked());
    };
    EXPECT_EQ(look(cmd::kClipStop), std::tuple(false, true, true));
    EXPECT_EQ(look(cmd::kClipStart), std::tuple(true, false, false));
    EXPECT_FALSE(Action(cmd::kClipPause)->isEnabled());
    EXPECT_TRUE(Action(cmd::kLevelZoomIn)->isChecked());
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

TEST_F(MainWindowTest, MenusGrowAtRunTime) {
    QMenu* capture = window.Menu(Submenu::Capture);
    const QStringList before = MenuTexts(capture);
    frame.table.Check(cmd::kDeviceFirst, true);
    window.AppendMenuItems(
        MenuExtension::CaptureDevices, Submenu::Capture,
        {QStringLiteral("Cam A"), QStringLiteral("Cam B"), QString(), QStringLiteral("Cam D")});
    // A separator and the names up to the first empty one, checked as the table says.
    EXPECT_EQ(MenuTexts(capture), before + QStringList({"-", "Cam A", "Cam B"}));
    EXPECT_EQ(capture->actions()[before.size() + 1], Action(cmd::kDeviceFirst));
    EXPECT_EQ(std::pair(Action(cmd::kDeviceFirst)->isChecked(),
                        Action(cmd::kDeviceFirst + 1)->isChecked()),
              std::pair(true, false));
    Action(cmd::kDeviceFirst + 1)->trigger();
    EXPECT_TRUE(Commanded(cmd::kDeviceFirst + 1));

    QMenu* transfer = window.Menu(Submenu::Transfer);
    window.AppendMenuItems(MenuExtension::ChannelProperty, Submenu::Transfer, {});
    window.AppendMenuItems(MenuExtension::DdeTransfer, Submenu::Transfer, {});
    EXPECT_EQ(MenuTexts(transfer).mid(1),
              (QStringList{"-", "Channel &property...", "-", "DDE &transfer",
                           "&DDE transfer setting..."}));
    const QList<QAction*> t = transfer->actions();
    EXPECT_EQ(t[4], Action(cmd::kDdeTransfer));  // the same action as the Capture bar's button
    t[2]->trigger();
    EXPECT_TRUE(Commanded(cmd::kChannelProperty));
}

TEST_F(MainWindowTest, StatusBarHasReadyAndTwoMeasuredPanes) {
    ShowAndActivate();
    QLabel* ready = window.StatusPane(0);
    QLabel* p1 = window.StatusPane(1);
    QLabel* p2 = window.StatusPane(2);
    const QFontMetrics metrics(p1->font());
    EXPECT_GE(p1->contentsRect().width(), metrics.horizontalAdvance(QStringLiteral("1024x1024")));
    EXPECT_GE(p2->contentsRect().width(),
              metrics.horizontalAdvance(QStringLiteral("kv_velap_00.avi")));
    EXPECT_LT(ready->x(), p1->x());
    EXPECT_LT(p1->x(), p2->x());
    EXPECT_GT(ready->width(), p2->width());  // pane 0 takes the rest

    window.SetStatusText(1, QStringLiteral("12 pt"));
    window.SetStatusText(0, QStringLiteral("not mine"));
    window.SetStatusText(7, QStringLiteral("nobody's"));
    EXPECT_EQ(std::tuple(ready->text(), p1->text(), p2->text()),
              std::tuple(QStringLiteral("Ready"), QStringLiteral("12 pt"), QString()));
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
    // Arrow keys do not move it (no line size).
    seek->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(seek->value(), 70);

    window.SetSeekTickFrequency(10);
    EXPECT_EQ(seek->tickInterval(), 10);
    window.SetSeekTickFrequency(0);
    EXPECT_EQ(seek->tickInterval(), 100);
}

TEST_F(MainWindowTest, PlacementKeepsTheSplit) {
    window.PlaceWindow(FramePlacement{0, 300, 600, 700, 10, 20});
    ShowAndActivate();
    QTRY_COMPARE(window.Video()->height(), 300);
    FramePlacement now = window.CurrentPlacement();
    EXPECT_EQ(std::tuple(now.max, now.split, now.cx, now.cy, window.size()),
              std::tuple(0, 300, 600, 700, QSize(600, 700)));
    // A taller window gives the wave pane the room; the bar stays.
    const int wave = window.Wave()->height();
    window.resize(600, 800);
    QTRY_COMPARE(window.Wave()->height(), wave + 100);
    EXPECT_EQ(window.Video()->height(), 300);

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

TEST_F(MainWindowTest, PanesHideAndReportTheirSizeChangesAsCommand1002) {
    auto* wave = new VideoPane;  // any pane with a resized() signal
    window.SetWavePane(wave);
    EXPECT_EQ(window.Splitter()->widget(1), wave);
    ShowAndActivate();
    for (const int single : {0, 1}) {  // only the video pane, then only the wave pane changes
        window.ShowPanes(-1);
        EXPECT_TRUE(window.Video()->isVisible() && wave->isVisible());
        QCoreApplication::processEvents();
        frame.commands.clear();
        window.ShowPanes(single);
        EXPECT_EQ(std::pair(window.Video()->isVisible(), wave->isVisible()),
                  std::pair(single == 0, single == 1));
        QTRY_VERIFY(Commanded(cmd::kPaneResized));
    }
}

TEST_F(MainWindowTest, EngineNewsWakesTheCoreOnceForManyWakes) {
    EXPECT_TRUE(Action(cmd::kPreview)->isEnabled());
    frame.onNews = [this] { frame.table.Enable(cmd::kPreview, false); };
    std::thread engine([this] {
        for (int i = 0; i < 1000; ++i) {
            window.NotifyEngineNews();
        }
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
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Korvex Velatrace"));
    window.CreateFrame();
    EXPECT_EQ(frame.creates, 1);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Korvex Pravis"));
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
    other.SetHandler(nullptr);
}

}  // namespace
}  // namespace velatrace
