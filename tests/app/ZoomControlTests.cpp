// The zoom control's presses and drags, as the user makes them.
#include <QAction>
#include <QScrollBar>
#include <QSignalSpy>
#include <cmath>
#include <QTest>

#include "AppTestSupport.h"
#include "actions/WindowActions.h"
#include "base/Preferences.h"
#include "config/UserConfig.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "shell/Application.h"
#include "timeline/TimelineView.h"
#include "window/ZoomControl.h"

namespace wavomer::app::test {

namespace {
using ZoomControlInput = WindowTest;

float lastApplied(const QSignalSpy& spy) { return spy.last().at(0).toFloat(); }
}  // namespace

TEST_F(ZoomControlInput, ThePlusAndMinusButtonsStepByOneAndApplyEvenAtTheEnds) {
    ZoomControl zoom;
    zoom.show();
    QSignalSpy spy(&zoom, &ZoomControl::zoomApplied);
    zoom.setValue(1.0f);
    QTest::mouseClick(&zoom, Qt::LeftButton, {}, QPoint(12, 8));
    ASSERT_EQ(spy.count(), 1);
    EXPECT_FLOAT_EQ(lastApplied(spy), 1.0f);
    QTest::mouseClick(&zoom, Qt::LeftButton, {}, QPoint(126, 8));
    EXPECT_FLOAT_EQ(lastApplied(spy), 2.0f);
    zoom.setValue(70.0f);
    QTest::mouseClick(&zoom, Qt::LeftButton, {}, QPoint(126, 8));
    EXPECT_FLOAT_EQ(lastApplied(spy), 70.0f);
    EXPECT_EQ(spy.count(), 3);
}

TEST_F(ZoomControlInput, TheKeysStepTheValueAndReachBothEnds) {
    ZoomControl zoom;
    zoom.show();
    EXPECT_EQ(zoom.focusPolicy() & Qt::TabFocus, Qt::TabFocus);
    QSignalSpy spy(&zoom, &ZoomControl::zoomApplied);
    zoom.setValue(30.0f);
    QTest::keyClick(&zoom, Qt::Key_Right);
    EXPECT_FLOAT_EQ(lastApplied(spy), 31.0f);
    QTest::keyClick(&zoom, Qt::Key_Down);
    QTest::keyClick(&zoom, Qt::Key_Left);
    EXPECT_FLOAT_EQ(lastApplied(spy), 29.0f);
    QTest::keyClick(&zoom, Qt::Key_PageUp);
    EXPECT_FLOAT_EQ(lastApplied(spy), 39.0f);
    QTest::keyClick(&zoom, Qt::Key_End);
    EXPECT_FLOAT_EQ(lastApplied(spy), 70.0f);
    QTest::keyClick(&zoom, Qt::Key_Up);
    EXPECT_FLOAT_EQ(lastApplied(spy), 70.0f);
    QTest::keyClick(&zoom, Qt::Key_Home);
    EXPECT_FLOAT_EQ(lastApplied(spy), 1.0f);
    QTest::keyClick(&zoom, Qt::Key_PageDown);
    EXPECT_FLOAT_EQ(lastApplied(spy), 1.0f);
    EXPECT_EQ(spy.count(), 8);
}

TEST_F(ZoomControlInput, APressOnTheTrackSetsTheValueFromXAndADragFollows) {
    ZoomControl zoom;
    zoom.show();
    QSignalSpy spy(&zoom, &ZoomControl::zoomApplied);
    QTest::mousePress(&zoom, Qt::LeftButton, {}, QPoint(35, 10));
    EXPECT_FLOAT_EQ(lastApplied(spy), 1.0f);
    QMouseEvent move(QEvent::MouseMove, QPointF(110, 10), zoom.mapToGlobal(QPointF(110, 10)), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&zoom, &move);
    EXPECT_FLOAT_EQ(lastApplied(spy), 70.0f);
    QTest::mouseRelease(&zoom, Qt::LeftButton, {}, QPoint(110, 10));
    // After the release a move applies nothing.
    const int applied = spy.count();
    QMouseEvent after(QEvent::MouseMove, QPointF(60, 10), zoom.mapToGlobal(QPointF(60, 10)), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&zoom, &after);
    EXPECT_EQ(spy.count(), applied);
    EXPECT_FLOAT_EQ(zoom.value(), 70.0f);
}

TEST_F(ZoomControlInput, ApplyingAZoomSetsTheEnginesScale) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    EXPECT_DOUBLE_EQ(engine.currentPixelPerSecond, WaveEditViewController::pixelPerSecondForZoom(30.0));
    window->runCommand("zoomIn");
    EXPECT_FLOAT_EQ(window->zoomControl().value(), 31.0f);
    EXPECT_DOUBLE_EQ(engine.currentPixelPerSecond, WaveEditViewController::pixelPerSecondForZoom(31.0));
    EXPECT_DOUBLE_EQ(engine.zoomViewFloatValue, 31.0);
}

TEST_F(ZoomControlInput, ZoomToFitShowsTheWholeProjectAndZoomToSelectionTheRangeAndTheStepsGoOnFromThere) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    ASSERT_TRUE(importAndWait(*window, makeWav("a.wav", 60.0, 0.0, 0.5)));
    WaveEditViewController& engine = window->document().engine();
    const double width = window->timeline().visibleRegion().width;
    window->runCommand("zoomToFit");
    settle();
    EXPECT_NEAR(engine.longestTrackWidth(), width, 1.0);
    EXPECT_EQ(window->timeline().originX(), 0);
    EXPECT_FALSE(window->timeline().horizontalScrollBar()->isVisible());  // nothing left to scroll
    const float fitted = window->zoomControl().value();
    EXPECT_NE(fitted, std::round(fitted));  // continuous, not a whole step
    window->runCommand("zoomIn");
    EXPECT_FLOAT_EQ(window->zoomControl().value(), fitted + 1.0f);

    EXPECT_FALSE(window->actions().action("zoomToSelection")->isEnabled());
    {
        UserEvent event(engine);
        engine.selectTracks(0, 1);
        engine.setSelection(10.0, 40.0);
    }
    settle();
    window->runCommand("zoomToSelection");
    settle();
    EXPECT_NEAR(engine.timeFromPointX(window->timeline().originX()), 10.0, 0.05);
    EXPECT_NEAR(engine.timeToPointX(40.0) - engine.timeToPointX(10.0), width, 1.0);
}

TEST_F(ZoomControlInput, WithThePreferenceAnOpenedProjectFitsItsWindow) {
    const std::string savedPath = UserConfig::share().savePath();
    UserConfig::share().setSavePath(scratch_.file("config/user.config"));
    const std::string folder = scratch_.file("long.wvmp");
    {
        auto window = openWindow();
        ASSERT_TRUE(importAndWait(*window, makeWav("long.wav", 30.0, 0.0, 0.5)));
        interaction_.file = [&](const FileChoice&) { return QString::fromStdString(folder); };
        ASSERT_TRUE(window->save());
    }
    for (const bool fit : {false, true}) {
        Preferences::shared().setFitProjectOnOpen(fit);
        Application app(interaction_, OutputDevice::Silent);
        MainWindow* window = app.openProject(QString::fromStdString(folder));
        ASSERT_NE(window, nullptr);
        settle();
        const double shown = window->document().engine().longestTrackWidth();
        if (fit) EXPECT_NEAR(shown, window->timeline().visibleRegion().width, 1.0);
        else EXPECT_FLOAT_EQ(window->zoomControl().value(), 30.0f);  // the default zoom
    }
    Preferences::shared().setFitProjectOnOpen(false);
    UserConfig::share().setSavePath(savedPath);
}

}  // namespace wavomer::app::test
