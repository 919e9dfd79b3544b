// The window and timer ports in Qt, against the window they drive.
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QTemporaryDir>
#include <QTimer>
#include <string>

#include "FakeFrame.h"
#include "app/CommandIds.h"
#include "app/QtTimers.h"

namespace velatrace {
namespace {

using QtHostTest = testing::WindowTest;

// Runs `act` on the next modal dialog of type T once it is up.
template <class T>
void WhenModal(std::function<void(T*)> act) {
    QTimer::singleShot(0, [act] {
        const auto dialog = [] { return qobject_cast<T*>(QApplication::activeModalWidget()); };
        if (QTest::qWaitFor([&] { return dialog() != nullptr; })) {
            act(dialog());
        }
    });
}

TEST_F(QtHostTest, MessageBoxesShowTheirKindAndAnswerWithTheButtonPressed) {
    QString title, text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    WhenModal<QMessageBox>([&](QMessageBox* box) {
        std::tie(title, text, icon) = std::tuple(box->windowTitle(), box->text(), box->icon());
        QTest::keyClick(box, Qt::Key_Return);  // the default button
    });
    EXPECT_EQ(host.Tell("Size = 1 x 2\r\nRate = 3/sec", MessageKind::Warning, Buttons::YesNo),
              Answer::Yes);
    EXPECT_EQ(std::tuple(title, text, icon),
              std::tuple(QStringLiteral("Korvex Pravis"),
                         QStringLiteral("Size = 1 x 2\nRate = 3/sec"), QMessageBox::Warning));

    using B = QMessageBox::StandardButton;
    // Closed without a button: Cancel where there is one, No for a plain question, else OK.
    EXPECT_EQ(std::tuple(MessageAnswer(B::NoButton, Buttons::OkCancel),
                         MessageAnswer(B::NoButton, Buttons::YesNo),
                         MessageAnswer(B::NoButton, Buttons::Ok),
                         MessageAnswer(B::Cancel, Buttons::OkCancel),
                         MessageAnswer(B::No, Buttons::YesNo)),
              std::tuple(Answer::Cancel, Answer::No, Answer::Ok, Answer::Cancel, Answer::No));
    // Each kind has its own icon; a plain message none.
    EXPECT_EQ(std::tuple(MessageIcon(MessageKind::Error), MessageIcon(MessageKind::Question),
                         MessageIcon(MessageKind::Information), MessageIcon(MessageKind::Plain)),
              std::tuple(QMessageBox::Critical, QMessageBox::Question, QMessageBox::Information,
                         QMessageBox::NoIcon));
}

TEST_F(QtHostTest, OpenDialogReportsPathAndChosenFilter) {
    QTemporaryDir dir;
    const QString wave = dir.filePath(QStringLiteral("kv_velap_01.csv"));
    ASSERT_TRUE(QFile(wave).open(QIODevice::WriteOnly));
    QStringList filters;
    QString text;
    const auto chooseWave = [&](QFileDialog* dialog) {
        filters = QStringList{dialog->selectedNameFilter()} + dialog->nameFilters();
        dialog->setDirectory(dir.path());
        dialog->selectNameFilter(dialog->nameFilters().value(1));
        dialog->selectFile(wave);
        static_cast<QDialog*>(dialog)->accept();
    };
    WhenModal<QFileDialog>(chooseWave);
    char path[260] = {};
    EXPECT_EQ(host.ChooseOpenFile(path, sizeof path), kOpenWave);
    EXPECT_EQ(QString::fromLocal8Bit(path), wave);
    // Shown by name only, the media filter first.
    EXPECT_EQ(filters.value(0), QStringLiteral("Media files"));
    EXPECT_TRUE(filters.value(1).startsWith(
                    QStringLiteral("Media files (*.avi *.mpg *.mpeg *.mov *.wmv")) &&
                filters.value(2).startsWith(QStringLiteral("Wave files (*.csv)")));

    // Cancelled, and a path that would not fit the caller's buffer: nothing chosen.
    WhenModal<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    EXPECT_EQ(host.ChooseOpenFile(path, sizeof path), 0);
    WhenModal<QFileDialog>([&](QFileDialog* dialog) {
        chooseWave(dialog);
        WhenModal<QMessageBox>([&](QMessageBox* box) {
            text = box->text();
            box->accept();
        });
    });
    char small[8] = "keep";
    EXPECT_EQ(host.ChooseOpenFile(small, sizeof small), 0);
    EXPECT_TRUE(text.startsWith(QStringLiteral("The path is too long to open")))
        << text.toStdString();
}

TEST_F(QtHostTest, RecentFileSubmenuFollowsTheList) {
    RecentFiles list;
    host.SetRecentFiles(&list);
    host.RefreshRecentMenu();
    EXPECT_EQ(std::pair(testing::MenuTexts(window.RecentMenu()),
                        window.RecentMenu()->actions()[0]->isEnabled()),
              std::pair(QStringList{"(empty)"}, false));

    list.Add("/data/one.avi");
    list.Add("/data/two.csv");
    host.RefreshRecentMenu();
    EXPECT_EQ(testing::MenuTexts(window.RecentMenu()),
              (QStringList{"&1 /data/two.csv", "&2 /data/one.avi"}));
    QAction* second = window.RecentMenu()->actions()[1];
    EXPECT_EQ(std::pair(second->isEnabled(), second->statusTip()),
              std::pair(true, QStringLiteral("Open a specified document")));
    second->trigger();
    EXPECT_EQ(frame.commands, std::vector<uint32_t>{cmd::kRecentFirst + 1});
}

TEST_F(QtHostTest, RecordingIndicatorShowsOnlyWhileThereIsSomethingToSay) {
    QLabel* rec = window.RecordingPane();
    ASSERT_TRUE(rec->isHidden());
    host.SetRecordingStatus("REC 0:00:05  run.avi", RecordingLook::Recording);
    EXPECT_EQ(std::pair(rec->isHidden(), rec->text()),
              std::pair(false, QStringLiteral("REC 0:00:05  run.avi")));
    const QString recordingStyle = rec->styleSheet();
    // A failure too long for the status bar is cut, whole in the tip, and looks different.
    const std::string failure = "Recording stopped: " + std::string(300, 'x');
    host.SetRecordingStatus(failure.c_str(), RecordingLook::Alert);
    EXPECT_TRUE(rec->text().startsWith(QStringLiteral("Recording stopped: x")) &&
                rec->text().size() < 300 && rec->styleSheet() != recordingStyle);
    EXPECT_EQ(rec->toolTip().toStdString(), failure);
    host.SetRecordingStatus("REC", RecordingLook::Hidden);
    EXPECT_TRUE(rec->isHidden());
}

TEST_F(QtHostTest, LoggerAnswerArrivesLaterOnTheWindowsThread) {
    host.PostLoggerAnswer(0, 36);
    host.PostLoggerAnswer(258, 0);
    EXPECT_TRUE(frame.answers.empty());  // like a posted message, not a call
    QTRY_VERIFY(frame.answers == (std::vector<std::pair<uint32_t, uint32_t>>{{0, 36}, {258, 0}}));
}

TEST_F(QtHostTest, TimersTickByIdUntilKilled) {
    std::vector<uint32_t> ticks;
    QtTimers timers([&](uint32_t id) {
        ticks.push_back(id);
        if (id == 1) {
            timers.KillTimer(1);  // the core kills one-shot timers in their tick
        }
    });
    timers.StartTimer(1, 10);
    timers.StartTimer(4, 0);  // raised to the shortest period
    QTRY_VERIFY(std::count(ticks.begin(), ticks.end(), 4u) >= 3);
    EXPECT_EQ(std::pair(std::count(ticks.begin(), ticks.end(), 1u), timers.IsRunning(1)),
              std::pair(std::ptrdiff_t{1}, false));
    timers.KillTimer(4), timers.KillTimer(9);  // 9 was never started
    EXPECT_FALSE(timers.IsRunning(4));
}

}  // namespace
}  // namespace velatrace
