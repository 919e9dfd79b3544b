// The DDE transfer settings dialog through the host: the spreadsheet's controls follow the chosen
// application, and OK hands the edits to the model.
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

#include "FakeFrame.h"
#include "base/FixedText.h"
#include "dde/DdeSettingsModel.h"

namespace velatrace {
namespace {

using DdeSettingsDialogTest = testing::WindowTest;

TEST_F(DdeSettingsDialogTest, SpreadsheetControlsFollowTheApplicationAndOkKeepsTheEdits) {
    ShowAndActivate();
    DdeSettings s;
    s.app = kDdeAppViewer;
    CopyText(s.topic[kDdeAppViewer], "Kortopic");
    CopyText(s.topic[kDdeAppSpreadsheet], "[Book1]Sheet1");
    CopyText(s.initialCell, "B2");
    DdeSettingsModel model(s);
    QTimer::singleShot(0, [&] {
        QDialog* d = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return (d = qobject_cast<QDialog*>(QApplication::activeModalWidget())); }));
        auto edit = [d](int id) { return d->findChild<QLineEdit*>(QStringLiteral("c%1").arg(id)); };
        auto* list = d->findChild<QComboBox*>(QStringLiteral("c1040"));
        ASSERT_TRUE(list && edit(1041) && edit(1046));
        EXPECT_EQ(edit(1041)->text(), QStringLiteral("Kortopic"));
        for (int id = 1041; id <= 1046; ++id) {
            EXPECT_FALSE(edit(id)->isEnabled()) << id;
        }
        list->setCurrentIndex(kDdeAppSpreadsheet);
        EXPECT_EQ(edit(1041)->text(), QStringLiteral("[Book1]Sheet1"));
        EXPECT_EQ(edit(1042)->text(), QStringLiteral("B2"));
        for (int id = 1041; id <= 1046; ++id) {
            EXPECT_TRUE(edit(id)->isEnabled()) << id;
        }
        edit(1043)->setText(QStringLiteral("d5"));
        // A Japanese topic is typed up to the 31 bytes its field holds, never cut later.
        edit(1041)->clear();
        for (const QChar typed : QString::fromUtf8("[ブック1]シート1記録データ")) {
            edit(1041)->insert(typed);  // typed one by one, as the validator sees keys
        }
        edit(1045)->clear();
        edit(1045)->setFocus();
        QTest::keyClicks(edit(1045), QStringLiteral("x1234567"));  // digits only, five at most
        QTest::keyClick(d, Qt::Key_Return);
    });
    ASSERT_TRUE(host.RunDdeSettingsDialog(model));
    EXPECT_EQ(model.App(), kDdeAppSpreadsheet);
    EXPECT_STREQ(model.NextCell(), "d5");
    EXPECT_STREQ(model.Topic(), "[ブック1]シート1記録デ");
    EXPECT_EQ(model.ColStep(), 12345);
}

}  // namespace
}  // namespace velatrace
