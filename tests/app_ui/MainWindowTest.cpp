// The main window: actions built from the command table, the bars, the status bar, the seek
// bar's notifications, placement, run-time menu items and the close path, against a fake core.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <tuple>

#include "FakeFrame.h"
#include "QStringPrinter.h"
#include "app/CommandActions.h"
#include "app/CommandIds.h"
#include "app/CommandTexts.h"
#include "app/MainWindow.h"
#include "video/VideoPane.h"

namespace velatrace {
namespace {

using testing::FakeFrame;

class MainWindowTest : public ::testing::Test {
  protected:
    void SetUp() override { window.SetHandler(&frame); }
    void TearDown() override { window.SetHandler(nullptr); }

    QAction* Action(uint32_t id) { return window.Actions().Action(id); }
    bool Commanded(uint32_t id) const {
        return std::count(frame.commands.begin(), frame.commands.end(), id) > 0;
    }
    // The IDs of a bar's actions in order, 0 for a separator.
    std::vector<uint32_t> BarIds(QToolBar* bar) {
        std::vector<uint32_t> ids;
        for (QAction* a : bar->actions()) {
            uint32_t id = 0;
            for (const auto& [cid, action] : window.Actions().All()) {
                if (action == a) {
                    id = cid;
                }
            }
            ids.push_back(id);
        }
        return ids;
    }
    void ShowAndActivate() {
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QApplication::setActiveWindow(&window);
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    }

    FakeFrame frame;
    MainWindow window;
};

// Tips show only on the bar buttons and are checked there.
TEST_F(MainWindowTest, MenusCarryTheCommandTableTextsAndPrompts) {
    for (const CommandText& t : CommandTexts()) {
        if (t.menuText == nullptr || t.id == cmd::kRecentFirst) {
            continue;
        }
        QAction* a = Action(t.id);
        ASSERT_NE(a, nullptr) << t.id;
        EXPECT_EQ(a->text().toStdString(), t.menuText);
        if (t.prompt != nullptr) {
            EXPECT_EQ(a->statusTip().toStdString(), t.prompt) << t.id;
        }
        bool inMenu = false;
        for (QObject* o : a->associatedObjects()) {
            inMenu = inMenu || qobject_cast<QMenu*>(o) != nullptr;
        }
        EXPECT_TRUE(inMenu) << t.menuText;
    }

    const QList<QAction*> titles = window.menuBar()->actions();
    ASSERT_EQ(titles.size(), 5);
    const char* expected[5] = {"&File", "&View", "&Capture", "&Transfer", "&Help"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(titles[i]->text().toStdString(), expected[i]);
        EXPECT_EQ(titles[i]->menu(), window.Menu(static_cast<Submenu>(i)));
    }
    const QList<QAction*> file = window.Menu(Submenu::File)->actions();
    ASSERT_GT(file.size(), 5);
    EXPECT_EQ(file[5]->menu(), window.RecentMenu());
    EXPECT_EQ(file[5]->text(), QStringLiteral("Recent &file"));

    // The shortcuts are tested by pressing them (ShortcutsReachTheCoreWhereverTheFocusIs).
}

TEST_F(MainWindowTest, BarsHoldTheirButtonsInOneRowWithPicturesAndTips) {
    using namespace cmd;
    EXPECT_EQ(BarIds(window.Bar(kBandFileBar)),
              (std::vector<uint32_t>{kFileOpen, 0, kClipStop, kClipStart, kClipPause}));
    EXPECT_EQ(BarIds(window.Bar(kBandCaptureBar)),
              (std::vector<uint32_t>{kDdeTransfer, kCapture, kPreview}));
    EXPECT_EQ(BarIds(window.Bar(kBandChannelBar)),
              (std::vector<uint32_t>{kNextChannel, kPreviousChannel, 0, kLevelZoomOut, kLevelZoomIn,
                                     kTimeZoomIn, kTimeZoomOut}));
    EXPECT_EQ(window.Bar(kBandFileBar)->iconSize(), QSize(22, 22));
    EXPECT_EQ(window.Bar(kBandCaptureBar)->iconSize(), QSize(22, 22));
    EXPECT_EQ(window.Bar(kBandChannelBar)->iconSize(), QSize(16, 22));
    EXPECT_EQ(window.Bar(kBandCommandBar), nullptr);

    // Every button shows its command's picture and tip.
    for (uint32_t band = kBandFileBar; band <= kBandChannelBar; ++band) {
        for (uint32_t id : BarIds(window.Bar(band))) {
            if (id != 0) {
                const QWidget* button = window.Bar(band)->widgetForAction(Action(id));
                ASSERT_NE(button, nullptr) << id;
                EXPECT_EQ(button->toolTip().toStdString(), FindCommandText(id)->toolTip);
                EXPECT_FALSE(Action(id)->icon().isNull()) << id;
            }
        }
    }

    QSlider* seek = window.SeekBar();
    EXPECT_EQ(std::tuple(seek->width(), seek->minimum(), seek->maximum(), seek->tickInterval()),
              std::tuple(150, 0, 100, 100));
    EXPECT_NE(seek->tickPosition(), QSlider::NoTicks);
    EXPECT_EQ(seek->toolTip(), QStringLiteral("Seekbar"));

    ShowAndActivate();
    int right = -1;
    const int row = window.Bar(kBandFileBar)->y();
    for (uint32_t band = kBandFileBar; band <= kBandChannelBar; ++band) {
        QToolBar* bar = window.Bar(band);
        EXPECT_EQ(bar->y(), row) << band;
        EXPECT_GT(bar->x(), right) << band;
        right = bar->x();
    }
    EXPECT_GE(row, window.menuBar()->geometry().bottom());
    // Hiding a bar closes its gap.
    const int channelX = window.Bar(kBandChannelBar)->x();
    window.ShowBand(kBandSeekBar, false);
    QTRY_VERIFY(window.Bar(kBandChannelBar)->x() < channelX);
    EXPECT_FALSE(window.Bar(kBandSeekBar)->isVisible());
}

TEST_F(MainWindowTest, ActionsFollowOnlyTheUiTable) {
    UiUpdateTable& t = frame.table;
    t.GroupEnable(0, false);
    t.CheckBarsAndPanes(true);
    window.SyncActions();
    for (uint32_t id = cmd::kClipStop; id <= cmd::kFormat; ++id) {
        if (QAction* a = Action(id); a != nullptr && t.Contains(id)) {
            EXPECT_FALSE(a->isEnabled()) << id;
        }
    }
    for (uint32_t id = cmd::kFileBar; id <= cmd::kWavePane; ++id) {
        EXPECT_TRUE(Action(id)->isChecked()) << id;
    }
    EXPECT_TRUE(Action(cmd::kFileOpen)->isEnabled());
    // Not in the table: always enabled.
    EXPECT_TRUE(Action(cmd::kClipInformation)->isEnabled());

    // A disabled command does not reach the core, neither from its action nor its shortcut.
    Action(cmd::kPreview)->trigger();
    EXPECT_FALSE(Commanded(cmd::kPreview));

    // The window catches up with changes the core makes between calls.
    t.Enable(cmd::kPreview, true);
    QTRY_VERIFY(Action(cmd::kPreview)->isEnabled());

    // A checkable action does not check itself: the core's answer decides.
    Action(cmd::kPreview)->trigger();
    EXPECT_TRUE(Commanded(cmd::kPreview));
    EXPECT_FALSE(Action(cmd::kPreview)->isChecked());
    frame.onCommand = [&t](uint32_t id) {
        if (id == cmd::kPreview) {
            t.Check(cmd::kPreview, true);
        }
    };
    Action(cmd::kPreview)->trigger();
    EXPECT_TRUE(Action(cmd::kPreview)->isChecked());
    Action(cmd::kFileBar)->trigger();  // the core leaves it checked
    EXPECT_TRUE(Action(cmd::kFileBar)->isChecked());

    // The clip radio group: the chosen one checked and disabled; Stop also disables Pause.
    t.GroupEnable(cmd::kClipStop, true);
    t.ClipState(cmd::kClipStop);
    window.SyncActions();
    EXPECT_TRUE(Action(cmd::kClipStop)->isChecked());
    EXPECT_FALSE(Action(cmd::kClipStop)->isEnabled());
    EXPECT_TRUE(Action(cmd::kClipStart)->isEnabled());
    EXPECT_FALSE(Action(cmd::kClipStart)->isChecked());
    EXPECT_FALSE(Action(cmd::kClipStart)->isCheckable());  // no empty check box in the menu
    EXPECT_FALSE(Action(cmd::kClipPause)->isEnabled());
    // A command without a check state shows one while the table holds it.
    t.Check(cmd::kLevelZoomIn, true);
    window.SyncActions();
    EXPECT_TRUE(Action(cmd::kLevelZoomIn)->isChecked());
}

TEST_F(MainWindowTest, ShortcutsReachTheCoreWhereverTheFocusIs) {
    ShowAndActivate();
    QSlider* seek = window.SeekBar();
    seek->setFocus();
    QTRY_VERIFY(seek->hasFocus());
    const int before = seek->value();

    QTest::keyClick(seek, Qt::Key_Tab);
    EXPECT_TRUE(Commanded(cmd::kNextChannel));
    EXPECT_TRUE(seek->hasFocus());  // Tab selected a channel, not the next widget
    QTest::keyClick(seek, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_TRUE(Commanded(cmd::kPreviousChannel));
    frame.commands.clear();
    QTest::keyClick(seek, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(Commanded(cmd::kPreviousChannel));

    // Each key gives its command only: Pause names Space in its text, but Space starts the clip.
    for (const CommandText& t : CommandTexts()) {
        if (t.accelerator != nullptr) {
            const QKeyCombination key = QKeySequence(QString::fromLatin1(t.accelerator))[0];
            frame.commands.clear();
            QTest::keyClick(seek, key.key(), key.keyboardModifiers());
            EXPECT_EQ(frame.commands, std::vector<uint32_t>{t.id}) << t.accelerator;
        }
    }
    EXPECT_EQ(seek->value(), before);
    EXPECT_TRUE(frame.seeks.empty());

    // While the channel commands are disabled Tab does nothing for the core.
    frame.table.Enable(cmd::kNextChannel, false);
    window.SyncActions();
    frame.commands.clear();
    QTest::keyClick(seek, Qt::Key_Tab);
    EXPECT_FALSE(Commanded(cmd::kNextChannel));
}

TEST_F(MainWindowTest, MenusGrowAtRunTime) {
    QMenu* capture = window.Menu(Submenu::Capture);
    const int before = capture->actions().size();
    frame.table.Check(cmd::kDeviceFirst, true);
    window.AppendMenuItems(
        MenuExtension::CaptureDevices, Submenu::Capture,
        {QStringLiteral("Cam A"), QStringLiteral("Cam B"), QString(), QStringLiteral("Cam D")});
    const QList<QAction*> items = capture->actions();
    ASSERT_EQ(items.size(), before + 3);  // separator and the names up to the first empty one
    EXPECT_TRUE(items[before]->isSeparator());
    EXPECT_EQ(items[before + 1], Action(cmd::kDeviceFirst));
    EXPECT_EQ(items[before + 1]->text(), QStringLiteral("Cam A"));
    EXPECT_TRUE(items[before + 1]->isChecked());
    EXPECT_EQ(items[before + 2]->text(), QStringLiteral("Cam B"));
    EXPECT_FALSE(items[before + 2]->isChecked());
    items[before + 2]->trigger();
    EXPECT_TRUE(Commanded(cmd::kDeviceFirst + 1));
    EXPECT_FALSE(items[before + 2]->isChecked());
    EXPECT_EQ(Action(cmd::kDeviceFirst + 2), nullptr);

    QMenu* transfer = window.Menu(Submenu::Transfer);
    window.AppendMenuItems(MenuExtension::ChannelProperty, Submenu::Transfer, {});
    window.AppendMenuItems(MenuExtension::DdeTransfer, Submenu::Transfer, {});
    const QList<QAction*> t = transfer->actions();
    ASSERT_EQ(t.size(), 6);
    EXPECT_TRUE(t[1]->isSeparator());
    EXPECT_EQ(t[2]->text(), QStringLiteral("Channel &property..."));
    EXPECT_EQ(t[2]->statusTip(), QStringLiteral("Channer property"));
    EXPECT_TRUE(t[3]->isSeparator());
    EXPECT_EQ(t[4], Action(cmd::kDdeTransfer));  // the same action as the Capture bar's button
    EXPECT_EQ(t[4]->text(), QStringLiteral("DDE &transfer"));
    EXPECT_EQ(t[5]->text(), QStringLiteral("&DDE transfer setting..."));
    EXPECT_EQ(t[5]->statusTip(), QStringLiteral("DDE transfer Setting"));
    frame.table.Enable(cmd::kDdeTransferSetting, false);
    window.SyncActions();
    EXPECT_FALSE(t[5]->isEnabled());
    t[2]->trigger();
    EXPECT_TRUE(Commanded(cmd::kChannelProperty));
}

TEST_F(MainWindowTest, StatusBarHasReadyAndTwoMeasuredPanes) {
    ShowAndActivate();
    QLabel* ready = window.StatusPane(0);
    QLabel* p1 = window.StatusPane(1);
    QLabel* p2 = window.StatusPane(2);
    EXPECT_EQ(ready->text(), QStringLiteral("Ready"));
    EXPECT_TRUE(p1->text().isEmpty());
    EXPECT_TRUE(p2->text().isEmpty());
    const QFontMetrics metrics(p1->font());
    EXPECT_GE(p1->contentsRect().width(), metrics.horizontalAdvance(QStringLiteral("1024x1024")));
    EXPECT_GE(p2->contentsRect().width(),
              metrics.horizontalAdvance(QStringLiteral("kv_velap_00.avi")));
    EXPECT_LT(p1->width(), p2->width());
    EXPECT_LT(ready->x(), p1->x());
    EXPECT_LT(p1->x(), p2->x());
    EXPECT_GT(ready->width(), p2->width());  // pane 0 takes the rest

    window.SetStatusText(1, QStringLiteral("12 pt"));
    window.SetStatusText(2, QStringLiteral("kv_velap_03.avi"));
    window.SetStatusText(0, QStringLiteral("not mine"));
    window.SetStatusText(7, QStringLiteral("nobody's"));
    EXPECT_EQ(p1->text(), QStringLiteral("12 pt"));
    EXPECT_EQ(p2->text(), QStringLiteral("kv_velap_03.avi"));
    EXPECT_EQ(ready->text(), QStringLiteral("Ready"));
}

TEST_F(MainWindowTest, SeekBarSendsTrackbarNotificationsButNotTheCoresOwnMoves) {
    QSlider* seek = window.SeekBar();
    window.SetSeekPosition(40);
    EXPECT_EQ(seek->value(), 40);
    EXPECT_TRUE(frame.seeks.empty());

    seek->triggerAction(QAbstractSlider::SliderPageStepAdd);
    using Seeks = std::vector<std::pair<SeekEvent, int>>;
    EXPECT_EQ(frame.seeks, (Seeks{{SeekEvent::ThumbPosition, 60}, {SeekEvent::EndScroll, 0}}));
    frame.seeks.clear();

    seek->setSliderDown(true);
    seek->setSliderPosition(70);
    seek->setSliderPosition(75);
    seek->setSliderDown(false);
    EXPECT_EQ(frame.seeks, (Seeks{{SeekEvent::Track, 70},
                                  {SeekEvent::Track, 75},
                                  {SeekEvent::ThumbPosition, 75},
                                  {SeekEvent::EndScroll, 0}}));

    // Arrow keys do not move it (no line size).
    seek->triggerAction(QAbstractSlider::SliderSingleStepAdd);
    EXPECT_EQ(seek->value(), 75);

    window.SetSeekTickFrequency(10);
    EXPECT_EQ(seek->tickInterval(), 10);
    window.SetSeekTickFrequency(0);
    EXPECT_EQ(seek->tickInterval(), 100);
}

TEST_F(MainWindowTest, PlacementKeepsTheSplitAndPanesHideAndShow) {
    window.PlaceWindow(FramePlacement{0, 300, 600, 700, 10, 20});
    ShowAndActivate();
    QTRY_COMPARE(window.Video()->height(), 300);
    EXPECT_EQ(window.size(), QSize(600, 700));
    FramePlacement now = window.CurrentPlacement();
    EXPECT_EQ(now.max, 0);
    EXPECT_EQ(now.split, 300);
    EXPECT_EQ(now.cx, 600);
    EXPECT_EQ(now.cy, 700);

    // A taller window gives the wave pane the room; the bar stays.
    const int wave = window.Wave()->height();
    window.resize(600, 800);
    QTRY_COMPARE(window.Wave()->height(), wave + 100);
    EXPECT_EQ(window.Video()->height(), 300);

    window.ShowPanes(1);
    EXPECT_FALSE(window.Video()->isVisible());
    EXPECT_TRUE(window.Wave()->isVisible());
    window.ShowPanes(0);
    EXPECT_TRUE(window.Video()->isVisible());
    EXPECT_FALSE(window.Wave()->isVisible());
    window.ShowPanes(-1);
    EXPECT_TRUE(window.Video()->isVisible());
    EXPECT_TRUE(window.Wave()->isVisible());

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
    EXPECT_EQ(now.max, 1);
    EXPECT_EQ(now.cx, kMaximisedFrameCx);
    EXPECT_EQ(now.cy, kMaximisedFrameCy);
}

TEST_F(MainWindowTest, PanesReportTheirSizeChangesAsCommand1002) {
    auto* wave = new VideoPane;  // any pane with a resized() signal
    window.SetWavePane(wave);
    EXPECT_EQ(window.Wave(), wave);
    EXPECT_EQ(window.Splitter()->widget(1), wave);
    ShowAndActivate();

    frame.commands.clear();
    window.ShowPanes(0);  // only the video pane changes size
    QTRY_VERIFY(Commanded(cmd::kPaneResized));
    window.ShowPanes(-1);
    window.SyncActions();
    QCoreApplication::processEvents();

    frame.commands.clear();
    window.ShowPanes(1);  // only the wave pane changes size
    QTRY_VERIFY(Commanded(cmd::kPaneResized));
}

TEST_F(MainWindowTest, TitleAndCloseGoThroughTheCore) {
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Korvex Velatrace"));
    window.CreateFrame();
    EXPECT_EQ(frame.creates, 1);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Korvex Pravis"));

    ShowAndActivate();
    // The core has not destroyed the window: it stays.
    EXPECT_FALSE(window.close());
    EXPECT_EQ(frame.closes, 1);
    EXPECT_TRUE(window.isVisible());

    // The core's close sequence ends by destroying the window.
    frame.onClose = [this] { window.DestroyWindow(); };
    EXPECT_TRUE(window.close());
    EXPECT_EQ(frame.closes, 2);
    EXPECT_FALSE(window.isVisible());
}

TEST_F(MainWindowTest, ExitClosesWithoutAskingTheCoreTwice) {
    ShowAndActivate();
    // Exit runs the close sequence inside the command; the window then just closes.
    frame.onCommand = [this](uint32_t id) {
        if (id == cmd::kExit) {
            window.DestroyWindow();
        }
    };
    Action(cmd::kExit)->trigger();
    EXPECT_FALSE(window.isVisible());
    EXPECT_EQ(frame.closes, 0);
}

}  // namespace
}  // namespace velatrace
