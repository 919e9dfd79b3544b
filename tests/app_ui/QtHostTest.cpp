// The Host and Timers ports in Qt: message boxes answer with Windows IDs, the open dialog reports
// the chosen filter, the recent-file submenu follows the list, the logger's answer arrives later
// on the window's thread, and timers tick by ID.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>
#include <string>

#include "FakeFrame.h"
#include "QStringPrinter.h"
#include "app/CommandIds.h"
#include "app/MainWindow.h"
#include "app/QtHost.h"
#include "app/QtTimers.h"

namespace velatrace {
namespace {

using testing::FakeFrame;

// Runs `act` on the next modal dialog of type T once it is up.
template <class T>
void WhenModal(std::function<void(T*)> act) {
    QTimer::singleShot(0, [act] {
        T* dialog = nullptr;
        const bool up = QTest::qWaitFor([&dialog] {
            dialog = qobject_cast<T*>(QApplication::activeModalWidget());
            return dialog != nullptr && dialog->isVisible();
        });
        if (up) {
            act(dialog);
        }
    });
}

class QtHostTest : public ::testing::Test {
  protected:
    void SetUp() override { window.SetHandler(&frame); }
    void TearDown() override { window.SetHandler(nullptr); }

    FakeFrame frame;
    MainWindow window;
    QtHost host{window};
};

TEST_F(QtHostTest, MessageBoxesAnswerWithTheWindowsButtonIds) {
    struct Case {
        uint32_t style;
        QMessageBox::StandardButton press;  // NoButton: closed with Escape
        int answer;
        QMessageBox::Icon icon;
    };
    const Case cases[] = {
        {mb::kYesNo | mb::kIconQuestion, QMessageBox::No, mb::kIdNo, QMessageBox::Question},
        {mb::kYesNo | mb::kIconQuestion, QMessageBox::Yes, mb::kIdYes, QMessageBox::Question},
        {mb::kYesNo | mb::kIconExclamation, QMessageBox::NoButton, mb::kIdNo, QMessageBox::Warning},
        {mb::kOkCancel | mb::kIconHand, QMessageBox::NoButton, mb::kIdCancel,
         QMessageBox::Critical},
        {mb::kOk | mb::kIconInformation, QMessageBox::NoButton, mb::kIdOk,
         QMessageBox::Information},
        {mb::kOk, QMessageBox::Ok, mb::kIdOk, QMessageBox::NoIcon},
    };
    for (const Case& c : cases) {
        QString title;
        QString text;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            title = box->windowTitle();
            text = box->text();
            icon = box->icon();
            if (c.press == QMessageBox::NoButton) {
                QTest::keyClick(box, Qt::Key_Escape);
            } else {
                box->button(c.press)->click();
            }
        });
        EXPECT_EQ(host.MessageBox("Size = 1 x 2\r\nRate = 3/sec", c.style), c.answer) << c.style;
        EXPECT_EQ(title, QStringLiteral("Korvex Pravis"));
        EXPECT_EQ(text, QStringLiteral("Size = 1 x 2\nRate = 3/sec"));
        EXPECT_EQ(icon, c.icon);
    }
    // The second button as default (MB_DEFBUTTON2).
    EXPECT_EQ(MessageDefaultButton(mb::kYesNo | 0x100), QMessageBox::No);
    EXPECT_EQ(MessageDefaultButton(mb::kYesNo), QMessageBox::Yes);
    EXPECT_EQ(MessageDefaultButton(mb::kOk | 0x200), QMessageBox::Ok);
}

TEST_F(QtHostTest, OpenDialogReportsPathAndChosenFilter) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString wave = dir.filePath(QStringLiteral("kv_velap_01.csv"));
    QFile file(wave);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    QStringList filters;
    QString selectedAtStart;
    const auto chooseWave = [&](QFileDialog* dialog) {
        filters = dialog->nameFilters();
        selectedAtStart = dialog->selectedNameFilter();
        dialog->setDirectory(dir.path());
        dialog->selectNameFilter(dialog->nameFilters().value(1));
        dialog->selectFile(wave);
        static_cast<QDialog*>(dialog)->accept();
    };
    WhenModal<QFileDialog>(chooseWave);
    char path[260] = {};
    EXPECT_EQ(host.ChooseOpenFile(path, sizeof path), kOpenWave);
    EXPECT_EQ(QString::fromLocal8Bit(path), wave);
    ASSERT_EQ(filters.size(), 2);
    EXPECT_TRUE(filters[0].startsWith(QStringLiteral("Media files (")));
    for (const char* pattern : {"*.avi", "*.mpg", "*.mpeg", "*.mov", "*.wmv"}) {
        EXPECT_TRUE(filters[0].contains(QLatin1String(pattern))) << pattern;
    }
    EXPECT_TRUE(filters[1].startsWith(QStringLiteral("Wave files (*.csv)")));
    // Shown by name only, the media filter first.
    EXPECT_EQ(selectedAtStart, QStringLiteral("Media files"));

    // Cancelled, and a path that would not fit the caller's buffer: nothing chosen.
    WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(host.ChooseOpenFile(path, sizeof path), 0);
    WhenModal<QFileDialog>(chooseWave);
    char small[8] = "keep";
    EXPECT_EQ(host.ChooseOpenFile(small, sizeof small), 0);
}

TEST_F(QtHostTest, RecentFileSubmenuFollowsTheList) {
    RecentFiles list;
    host.RefreshRecentMenu();  // no list yet: the placeholder stays
    ASSERT_EQ(window.RecentMenu()->actions().size(), 1);

    host.SetRecentFiles(&list);
    host.RefreshRecentMenu();
    QList<QAction*> items = window.RecentMenu()->actions();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0]->text(), QStringLiteral("(empty)"));
    EXPECT_FALSE(items[0]->isEnabled());

    list.Add("/data/one.avi");
    list.Add("/data/two.csv");
    host.RefreshRecentMenu();
    items = window.RecentMenu()->actions();
    ASSERT_EQ(items.size(), 2);
    EXPECT_EQ(items[0]->text(), QStringLiteral("&1 /data/two.csv"));
    EXPECT_EQ(items[1]->text(), QStringLiteral("&2 /data/one.avi"));
    EXPECT_TRUE(items[0]->isEnabled());
    EXPECT_EQ(items[0]->statusTip(), QStringLiteral("Open a specified document"));
    items[1]->trigger();
    ASSERT_FALSE(frame.commands.empty());
    EXPECT_EQ(frame.commands.back(), cmd::kRecentFirst + 1);
}

TEST_F(QtHostTest, LoggerAnswerArrivesLaterOnTheWindowsThread) {
    host.PostLoggerAnswer(0, 36);
    host.PostLoggerAnswer(258, 0);
    EXPECT_TRUE(frame.answers.empty());  // like a posted message, not a call
    QTRY_COMPARE(frame.answers.size(), size_t{2});
    EXPECT_EQ(frame.answers[0], std::make_pair(0u, 36u));
    EXPECT_EQ(frame.answers[1], std::make_pair(258u, 0u));
}

TEST_F(QtHostTest, WaitCursorNestsAndNeverRestoresTooOften) {
    QGuiApplication::setOverrideCursor(Qt::CrossCursor);  // someone else's cursor
    host.BeginWaitCursor();
    host.BeginWaitCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    host.EndWaitCursor();
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
    host.EndWaitCursor();
    host.EndWaitCursor();  // unbalanced: leaves the other cursor alone
    ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::CrossCursor);
    QGuiApplication::restoreOverrideCursor();
}

TEST_F(QtHostTest, TimersTickByIdUntilKilled) {
    std::vector<uint32_t> ticks;
    QtTimers* timers = nullptr;
    QtTimers owned([&](uint32_t id) {
        ticks.push_back(id);
        if (id == 1) {
            timers->KillTimer(1);  // the core kills one-shot timers in their tick
        }
    });
    timers = &owned;
    owned.StartTimer(1, 10);
    owned.StartTimer(4, 0);  // raised to the shortest period
    EXPECT_TRUE(owned.IsRunning(1));
    QTRY_VERIFY(std::count(ticks.begin(), ticks.end(), 4u) >= 3);
    EXPECT_EQ(std::count(ticks.begin(), ticks.end(), 1u), 1);
    EXPECT_FALSE(owned.IsRunning(1));
    EXPECT_TRUE(owned.IsRunning(4));
    owned.StartTimer(4, 20);  // restart with another period
    EXPECT_TRUE(owned.IsRunning(4));
    owned.KillTimer(4);
    owned.KillTimer(4);
    owned.KillTimer(9);
    EXPECT_FALSE(owned.IsRunning(4));
    ticks.clear();
    QCoreApplication::processEvents();
    EXPECT_TRUE(ticks.empty());
}

}  // namespace
}  // namespace velatrace
