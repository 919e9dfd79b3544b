// The About box as the user sees it through the host: over the window, with the program's icon,
// name and build version, closed by Escape.
#include <QLabel>
#include <QTimer>

#include "FakeFrame.h"
#include "app/AboutDialog.h"

namespace velatrace {
namespace {

using AboutDialogTest = testing::WindowTest;

TEST_F(AboutDialogTest, ShowsNameAndVersionOverTheWindowAndClosesOnEscape) {
    ShowAndActivate();
    QStringList seen;
    bool closed = false;
    QTimer::singleShot(0, [&] {
        QDialog* box = nullptr;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return (box = qobject_cast<AboutDialog*>(QApplication::activeModalWidget())); }));
        seen << box->windowTitle() << box->findChild<QLabel*>(QStringLiteral("product"))->text()
             << box->findChild<QLabel*>(QStringLiteral("version"))->text();
        EXPECT_EQ(box->parentWidget(), &window);
        EXPECT_TRUE(box->isModal());
        QTest::keyClick(box, Qt::Key_Escape);
        closed = !box->isVisible();
    });
    host.ShowAbout();  // returns only when the box has closed
    EXPECT_TRUE(closed);
    EXPECT_EQ(seen, (QStringList{QStringLiteral("About"), QStringLiteral("Korvex Pravis"),
                                 QStringLiteral("Ver 1.00")}));
}

}  // namespace
}  // namespace velatrace
