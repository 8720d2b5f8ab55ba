// The zoom control's presses and drags, as the user makes them.
#include <QSignalSpy>
#include <QTest>

#include "AppTestSupport.h"
#include "engine/WaveEditViewController.h"
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

}  // namespace wavomer::app::test
