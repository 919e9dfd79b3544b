// The logger dialogs as the user sees them through the host: modal over the window, showing their
// model, OK and Enter keep the edits, Escape drops them; "Query" and "Close" end the channel list.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTimer>
#include <QTreeWidget>
#include <memory>

#include "FakeFrame.h"
#include "base/FixedText.h"
#include "logger/ChannelPropertyModel.h"
#include "logger/TransportDialogModel.h"

namespace velatrace {
namespace {

using LoggerDialogsTest = testing::WindowTest;

// Runs `user` on the dialog once it is the active modal window.
void WhenShown(const std::function<void(QDialog*)>& user) {
    QTimer::singleShot(0, [user] {
        QDialog* dialog = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return (dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())); }));
        user(dialog);
    });
}

template <typename W>
W* Control(QDialog* d, int id) {
    W* w = d->findChild<W*>(QStringLiteral("c%1").arg(id));
    EXPECT_NE(w, nullptr) << id;
    return w;
}

TEST_F(LoggerDialogsTest, TransportSettingShowsTheModelAndKeepsEditsOnlyOnOk) {
    ShowAndActivate();
    TransportSettings stored;
    stored.terminator = kTerminatorCr;
    stored.timeout = 300;
    TransportDialogModel model(stored);
    WhenShown([&](QDialog* d) {
        EXPECT_EQ(std::tuple(d->windowTitle(), d->parentWidget(), d->isModal()),
                  std::tuple(QStringLiteral("Transport setting"), &window, true));
        for (int id : {1030, 1031, 1032, 1033, 1034, 1035, 1036, 1037})
            EXPECT_FALSE(Control<QWidget>(d, id)->isEnabled()) << id;
        auto* terminator = Control<QComboBox>(d, 1038);
        auto* timeout = Control<QSpinBox>(d, 1039);
        EXPECT_EQ(std::tuple(Control<QComboBox>(d, 1033)->currentText(), terminator->currentText(),
                             timeout->value()),
                  std::tuple(QStringLiteral("9600"), QStringLiteral("Cr"), 300));
        terminator->setCurrentIndex(kTerminatorLf);
        timeout->setFocus();
        timeout->selectAll();
        QTest::keyClicks(timeout, QStringLiteral("12345"));  // the fifth digit is refused
        QTest::keyClick(timeout, Qt::Key_Return);
    });
    EXPECT_TRUE(host.RunTransportDialog(model));
    EXPECT_EQ(std::pair(model.Terminator(), model.Timeout()), std::pair(kTerminatorLf, 1234));

    WhenShown([&](QDialog* d) {
        Control<QComboBox>(d, 1038)->setCurrentIndex(kTerminatorNone);
        QTest::keyClick(d, Qt::Key_Escape);
    });
    EXPECT_FALSE(host.RunTransportDialog(model));
    EXPECT_EQ(model.Terminator(), kTerminatorLf);
}

TEST_F(LoggerDialogsTest, ChannelPropertyShowsTheCopyReadOnlyAndEndsWithQueryOrClose) {
    ShowAndActivate();
    LoggerSetup setup;
    CopyText(setup.channel[0].input, "DC");
    CopyText(setup.channel[0].range, "10V");
    setup.channel[0].type = kTypeVoltage;
    setup.alarmOutUsed[0] = 1;
    CopyText(setup.samplingText, "100MS");
    const ChannelPropertyModel model(setup, true);
    WhenShown([&](QDialog* d) {
        EXPECT_EQ(std::tuple(d->windowTitle(), d->parentWidget()),
                  std::tuple(QStringLiteral("Channel property"), &window));
        auto* list = Control<QTreeWidget>(d, 1047);
        ASSERT_EQ(list->topLevelItemCount(), 10);
        const QTreeWidgetItem* first = list->topLevelItem(0);
        const QTreeWidgetItem* last = list->topLevelItem(9);
        const QColor grey(128, 128, 128);
        EXPECT_EQ(
            std::tuple(list->headerItem()->text(2), list->columnWidth(0),
                       first->text(0) + first->text(1) + first->text(2), last->text(0),
                       first->foreground(1).color() == grey, last->foreground(0).color() == grey),
            std::tuple(QStringLiteral("Range"), 35, QStringLiteral(" 1DC10V"), QStringLiteral("10"),
                       false, true));
        auto* third = Control<QCheckBox>(d, 1050);  // read-only
        QTest::mouseClick(third, Qt::LeftButton);
        EXPECT_EQ(std::tuple(Control<QCheckBox>(d, 1048)->isChecked(), third->isChecked(),
                             Control<QLabel>(d, 1052)->text()),
                  std::tuple(true, false, QStringLiteral("100MS")));
        QPushButton* query = Control<QPushButton>(d, 1);
        EXPECT_TRUE(query->isEnabled());
        query->click();
    });
    EXPECT_EQ(host.RunChannelPropertyDialog(model), ChannelPropertyModel::kQuery);

    const ChannelPropertyModel polling(setup, false);  // the preview polls the logger
    WhenShown([&](QDialog* d) {
        EXPECT_FALSE(Control<QPushButton>(d, 1)->isEnabled());
        QTest::keyClick(d, Qt::Key_Return);  // Enter presses "Close" then
    });
    EXPECT_EQ(host.RunChannelPropertyDialog(polling), ChannelPropertyModel::kClose);
    WhenShown([&](QDialog* d) { QTest::keyClick(d, Qt::Key_Escape); });
    EXPECT_EQ(host.RunChannelPropertyDialog(model), ChannelPropertyModel::kClose);
}

}  // namespace
}  // namespace velatrace
