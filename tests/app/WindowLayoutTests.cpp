// The first window on the screen it opens on: it fits and is centred, and on a laptop's
// width every toolbar control and the time display are shown (none behind the toolbar's
// overflow button). Run at 1366x768 and 1280x720 by the test command (offscreen screens
// of those sizes), and at the offscreen default size with the toolbar part skipped.
#include <QAction>
#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QToolBar>

#include "AppTestSupport.h"
#include "rules/WindowRules.h"
#include "window/TimeDisplay.h"

namespace wavomer::app::test {

TEST(FirstWindowSize, IsThePartsSizeWhereItFitsAndTheFreeAreaLessItsMarginElse) {
    EXPECT_EQ(rules::firstWindowSize(1920, 1040).width, 1440);
    EXPECT_EQ(rules::firstWindowSize(1920, 1040).height, 760);
    EXPECT_EQ(rules::firstWindowSize(1366, 740).width, 1318);
    EXPECT_EQ(rules::firstWindowSize(1366, 740).height, 692);
    EXPECT_EQ(rules::firstWindowSize(1280, 720).width, 1232);
}

using WindowOnScreen = WindowTest;

TEST_F(WindowOnScreen, TheFirstWindowFitsTheScreenAndShowsEveryToolbarControlAndTheTime) {
    auto document = std::make_unique<Document>(clipboard_, OutputDevice::Silent);
    ASSERT_TRUE(document->load(QString()).ok());
    MainWindow window(std::move(document), interaction_, program_);
    window.setAttribute(Qt::WA_DeleteOnClose, false);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    settle();
    const QRect room = window.screen()->availableGeometry();
    EXPECT_TRUE(room.contains(window.frameGeometry())) << room.width() << "x" << room.height();
    EXPECT_NEAR(window.frameGeometry().center().x(), room.center().x(), 2);
    if (room.width() < 1280) GTEST_SKIP() << "the toolbars are laid out for 1280 pixels and wider";
    int shown = 0;
    for (QToolBar* bar : window.findChildren<QToolBar*>())
        for (QAction* action : bar->actions()) {
            if (action->isSeparator()) continue;
            QWidget* control = bar->widgetForAction(action);
            ASSERT_NE(control, nullptr) << action->text().toStdString();
            EXPECT_TRUE(control->isVisible()) << action->text().toStdString() << " is behind the overflow button";
            ++shown;
        }
    EXPECT_GE(shown, 15);
    const TimeDisplay& time = window.timeDisplay();
    EXPECT_TRUE(time.isVisible());
    EXPECT_TRUE(window.rect().contains(QRect(time.mapTo(&window, QPoint(0, 0)), time.size())));
}

}  // namespace wavomer::app::test
