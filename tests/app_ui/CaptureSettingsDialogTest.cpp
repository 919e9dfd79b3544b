// The capture settings dialog through the host: it shows the model's values, enables the naming
// controls by the alarm actions, Escape leaves the model as it was and Enter writes it back.
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>
#include <QTimer>
#include <functional>

#include "FakeFrame.h"
#include "base/FixedText.h"
#include "session/CaptureSettingsDialog.h"

namespace velatrace {
namespace {

using CaptureSettingsDialogTest = testing::WindowTest;

template <typename W>
W* Control(QWidget* box, int id) {
    return box->findChild<W*>(QString::number(id));
}

TEST_F(CaptureSettingsDialogTest, ShowsTheModelAndOnlyOkWritesItBack) {
    ShowAndActivate();
    CaptureSettings s;
    CopyText(s.path, "/cap/");
    CopyText(s.filename, "run");
    s.autoNumber = 1;
    s.number = 7;
    s.alarmEnable[1] = 1;
    s.alarmType[2] = kAlarmTransfer;
    s.timeLimitSec = 30;
    s.triggers[3] = {1, 10, kTriggerBelow, -2.5, 0.25};
    CaptureSettingsModel model(s, true, true);
    model.SetVideoFormat(1280, 720, 30);
    const auto answer = [&](const std::function<void(QDialog*)>& user) {
        QTimer::singleShot(0, [&] {
            QDialog* box = nullptr;
            ASSERT_TRUE(QTest::qWaitFor([&] {
                return (
                    box = qobject_cast<CaptureSettingsDialog*>(QApplication::activeModalWidget()));
            }));
            EXPECT_EQ(box->parentWidget(), &window);
            user(box);
        });
        return host.RunCaptureSettingsDialog(model);
    };

    EXPECT_FALSE(answer([](QDialog* box) {
        EXPECT_EQ(box->windowTitle(), QStringLiteral("Capture setting"));
        EXPECT_EQ(Control<QLineEdit>(box, 1004)->text(), QStringLiteral("/cap/"));
        EXPECT_EQ(Control<QLineEdit>(box, 1005)->text(), QStringLiteral("run"));
        EXPECT_EQ(Control<QLabel>(box, 1006)->text(), QStringLiteral("_07.avi"));
        EXPECT_EQ(Control<QCheckBox>(box, 1007)->text(), QStringLiteral("Auto &number:"));
        EXPECT_TRUE(Control<QCheckBox>(box, 1011)->isChecked());
        EXPECT_TRUE(Control<QCheckBox>(box, 1016)->isChecked());
        EXPECT_TRUE(Control<QRadioButton>(box, 1019)->isChecked());
        EXPECT_TRUE(Control<QRadioButton>(box, 1019)->isEnabled());
        EXPECT_FALSE(Control<QSpinBox>(box, 1021)->isEnabled()) << "no time limit";
        // The level triggers' rows, five controls each from 1030 on.
        EXPECT_TRUE(Control<QCheckBox>(box, 1045)->isChecked());
        EXPECT_EQ(Control<QComboBox>(box, 1047)->currentText(), QStringLiteral("below"));
        EXPECT_EQ(Control<QLineEdit>(box, 1048)->text(), QStringLiteral("-2.5"));
        Control<QRadioButton>(box, 1019)->click();  // every alarm transfers: nothing is named
        EXPECT_FALSE(Control<QLineEdit>(box, 1004)->isEnabled());
        EXPECT_FALSE(Control<QCheckBox>(box, 1007)->isEnabled());
        Control<QCheckBox>(box, 1017)->click();
        EXPECT_TRUE(Control<QLineEdit>(box, 1005)->isEnabled());
        Control<QCheckBox>(box, 1007)->click();
        EXPECT_EQ(Control<QLabel>(box, 1006)->text(), QStringLiteral(".avi"));
        Control<QLineEdit>(box, 1005)->setText(QStringLiteral("typed"));
        QTest::keyClick(box, Qt::Key_Escape);
    }));
    EXPECT_EQ(model.baseName, "run");
    EXPECT_TRUE(model.Transfer(2) && !model.Transfer(0)) << "Cancel keeps the alarm actions";

    EXPECT_TRUE(answer([](QDialog* box) {
        Control<QLineEdit>(box, 1005)->setText(QString::fromUtf8("試験_記録"));
        Control<QLineEdit>(box, 1004)->setText(QStringLiteral("/cap/") + QString(300, u'd'));
        Control<QCheckBox>(box, 1020)->click();
        EXPECT_TRUE(Control<QSpinBox>(box, 1021)->isEnabled());
        Control<QSpinBox>(box, 1021)->setValue(5000);
        Control<QSpinBox>(box, 1023)->setValue(10);
        Control<QCheckBox>(box, 1030)->click();
        Control<QComboBox>(box, 1031)->setCurrentIndex(2);
        Control<QLineEdit>(box, 1033)->setText(QStringLiteral("1,5"));
        EXPECT_NE(Control<QSpinBox>(box, 1023)->toolTip().indexOf(QStringLiteral(" MB at ")), -1);
        QTest::keyClick(Control<QLineEdit>(box, 1005), Qt::Key_Return);
    }));
    EXPECT_EQ(model.baseName, "試験_記録") << "the name's characters, not '?'";
    EXPECT_EQ(model.folder.size(), 305u) << "a folder too long is handed on whole, to be refused";
    EXPECT_TRUE(model.useTimeLimit);
    EXPECT_EQ(model.seconds, "1000") << "the up-down's range";
    EXPECT_EQ(model.pretrigger, 10);
    EXPECT_TRUE(model.alarmEnable[1] && model.Transfer(2));
    // The rows as typed: the model's OK checks the numbers.
    EXPECT_TRUE(model.triggers[0].on && model.triggers[0].channel == 3);
    EXPECT_EQ(model.triggers[0].level, "1,5");
}

}  // namespace
}  // namespace velatrace
