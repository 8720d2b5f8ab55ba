// The mouse, wheel and keys on the timeline: presses, drags with auto-scroll, double
// presses, marker dragging, the ruler and the cursor keys, on rows whose height and
// zoom the test fixes.
#include <cmath>

#include "engine/EditGesture.h"
#include "support/EngineFixture.h"

namespace wavomer {
namespace {

using test::EngineTest;

// tracks rows of 100 pixels, each holding a 10-second section, at 100 pixels a second
// (the project is 1000 pixels wide); the visible area is 400 pixels wide.
class Gesture : public EngineTest {
protected:
    void SetUp() override {
        EngineTest::SetUp();
        gesture = std::make_unique<EditGesture>(*engine);
    }
    void TearDown() override {
        gesture.reset();
        EngineTest::TearDown();
    }
    void rows(size_t tracks) {
        for (size_t t = 0; t < tracks; ++t)
            lay(t, {audio(source("t" + std::to_string(t) + ".data", 10.0), 0.0, 10.0, 0.0)});
        resizeTracks(tracks);
        engine->setTimelineTrackArray({});
        host.region = {0.0, 400.0, 100.0 * static_cast<double>(tracks)};
        engine->currentPixelPerSecond = 100.0;
    }
    MarkerPtr marker(double time) {
        MarkerPtr m = MarkerItem::createMarkerWithTime(time);
        std::vector<MarkerPtr> markers = engine->markArray();
        markers.push_back(m);
        engine->setMarkArray(markers);
        engine->sortMarkArray();
        return m;
    }
    std::vector<size_t> selectedRows() const {
        std::vector<size_t> out;
        for (const auto& track : engine->timelineTrackArray())
            for (size_t i = 0; i < engine->audioTrackArray().size(); ++i)
                if (engine->audioTrackArray()[i] == track) out.push_back(i);
        return out;
    }
    EditGesture::Press press(double x, double y, int clicks = 1) {
        EditGesture::Press result{};
        event([&] { result = gesture->press(x, y, clicks); });
        return result;
    }
    void drag(double x, double y) {
        event([&] { gesture->drag(x, y, host.region); });
    }
    void tick() {
        event([&] { host.region.originX = gesture->autoScrollStep(host.region); });
    }
    void release() {
        event([&] { gesture->release(); });
    }
    std::pair<double, double> selection() const {
        return {engine->selectedTimelineStartTime(), engine->selectedTimelineEndTime()};
    }

    std::unique_ptr<EditGesture> gesture;
};

using Selection = std::pair<double, double>;

TEST_F(Gesture, TwoRowsShareTheBandAroundTheirBorder) {
    rows(2);
    press(100, 60);
    release();
    EXPECT_EQ(selectedRows(), (std::vector<size_t>{0, 1}));
    press(100, 40);
    release();
    EXPECT_EQ(selectedRows(), (std::vector<size_t>{0}));
    press(100, 160);
    EXPECT_EQ(selectedRows(), (std::vector<size_t>{1}));
    // Dragging into the band takes both; back out of it, the run from the press row.
    drag(200, 120);
    EXPECT_EQ(selectedRows(), (std::vector<size_t>{0, 1}));
    drag(200, 190);
    EXPECT_EQ(selectedRows(), (std::vector<size_t>{1}));
    release();
}

TEST_F(Gesture, ADragSelectsTheRowsBetweenPressAndPointerAndKeepsThemOutsideTheRows) {
    rows(4);
    press(100, 250);  // row 3 of 4
    drag(300, 50);    // row 1
    EXPECT_EQ(selectedRows(), (std::vector<size_t>{0, 1, 2}));
    drag(300, 150);
    EXPECT_EQ(selectedRows(), (std::vector<size_t>{1, 2}));
    // Above the first row (even less than a row above it) and below the last the run
    // stays as it was.
    drag(300, -10);
    EXPECT_EQ(selectedRows(), (std::vector<size_t>{1, 2}));
    drag(300, 450);
    EXPECT_EQ(selectedRows(), (std::vector<size_t>{1, 2}));
    drag(300, 350);
    EXPECT_EQ(selectedRows(), (std::vector<size_t>{2, 3}));
    release();
    EXPECT_EQ(selection(), Selection(1.0, 3.0));
}

TEST_F(Gesture, ARightToLeftDragIsOrderedAtTheRelease) {
    rows(1);
    press(600, 50);
    drag(200, 50);
    EXPECT_EQ(selection(), Selection(6.0, 2.0));  // the end follows the pointer
    release();
    EXPECT_EQ(selection(), Selection(2.0, 6.0));
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 6.0);
    EXPECT_TRUE(engine->hasSelectedSection());
}

TEST_F(Gesture, APressPutsTheCursorWithinTheProjectAndIgnoresWhatLiesOutsideTheRows) {
    rows(2);
    EXPECT_EQ(press(1500, 50), EditGesture::Press::startsDrag);
    release();
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 10.0);
    EXPECT_DOUBLE_EQ(host.lastSeek, 10.0);

    engine->setSelection(1.0, 2.0);
    EXPECT_EQ(press(300, 200), EditGesture::Press::ignored);  // the first pixel below the last row
    EXPECT_EQ(selection(), Selection(1.0, 2.0));
    host.recording = true;
    EXPECT_EQ(press(300, 50), EditGesture::Press::ignored);
    EXPECT_EQ(selection(), Selection(1.0, 2.0));
}

TEST_F(Gesture, WhilePlayingAPressSeeksButNeitherSelectsTracksNorDrags) {
    rows(2);
    engine->selectTracks(1, 1);
    host.playing = true;
    EXPECT_EQ(press(300, 50), EditGesture::Press::withoutDrag);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 3.0);
    EXPECT_DOUBLE_EQ(host.lastSeek, 3.0);
    EXPECT_EQ(selectedRows(), (std::vector<size_t>{1}));
    drag(700, 50);
    release();
    EXPECT_EQ(selection(), Selection(3.0, 3.0));
}

TEST_F(Gesture, AMarkerIsHitWithinTwoAndAHalfPixelsOfItsLine) {
    rows(1);
    MarkerPtr m = marker(5.0);
    press(502, 50);
    release();
    EXPECT_EQ(engine->selectedMarkItem(), m);
    press(503, 50);
    release();
    EXPECT_EQ(engine->selectedMarkItem(), nullptr);
    press(497.5, 50);  // the rectangle's bound counts as inside
    release();
    EXPECT_EQ(engine->selectedMarkItem(), m);
}

TEST_F(Gesture, ADraggedMarkerScrollsAtMostFiftyPixelsATickAndIsSortedAndUndoableAtRelease) {
    rows(1);
    MarkerPtr dragged = marker(3.0);
    MarkerPtr other = marker(4.0);
    press(300, 50);
    ASSERT_EQ(engine->selectedMarkItem(), dragged);
    drag(410, 50);  // 10 pixels past the right edge: 30 pixels a tick
    EXPECT_EQ(gesture->direction(), 1);
    EXPECT_FLOAT_EQ(gesture->stepLength(), 30.0f);
    EXPECT_DOUBLE_EQ(dragged->markerTime, 4.1);  // the time under the pointer
    drag(480, 50);
    EXPECT_FLOAT_EQ(gesture->stepLength(), 50.0f);
    tick();
    EXPECT_DOUBLE_EQ(host.region.originX, 50.0);
    EXPECT_DOUBLE_EQ(dragged->markerTime, 4.5);  // the right edge's time
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 4.5);
    EXPECT_DOUBLE_EQ(host.lastSeek, 4.5);
    EXPECT_EQ(selection(), Selection(3.0, 3.0));  // a marker drag selects no time
    // The document is 1000 pixels wide: the view stops at 600.
    for (int i = 0; i < 20; ++i) tick();
    EXPECT_DOUBLE_EQ(host.region.originX, 600.0);
    EXPECT_DOUBLE_EQ(dragged->markerTime, 10.0);
    release();
    ASSERT_EQ(engine->markArray().size(), 2u);
    EXPECT_EQ(engine->markArray()[0], other);
    EXPECT_EQ(engine->markArray()[1], dragged);
    EXPECT_EQ(gesture->direction(), 0);

    // The move is one undo step, back to where the press found the marker.
    event([&] { undo.undo(); });
    EXPECT_DOUBLE_EQ(dragged->markerTime, 3.0);
    EXPECT_EQ(engine->markArray()[0], dragged);
    event([&] { undo.redo(); });
    EXPECT_DOUBLE_EQ(dragged->markerTime, 10.0);
    EXPECT_EQ(engine->markArray()[1], dragged);
}

TEST_F(Gesture, AMarkerPressedAndReleasedInPlaceLeavesNoUndoStep) {
    rows(1);
    marker(3.0);
    press(300, 50);
    drag(300, 50);
    release();
    EXPECT_FALSE(undo.canUndo());
}

TEST_F(Gesture, ATimeDragPastTheLeftEdgeScrollsLeftAndStopsAtTheStart) {
    rows(1);
    host.region.originX = 500.0;
    press(700, 50);
    drag(490, 50);  // 10 pixels left of the visible area
    EXPECT_EQ(gesture->direction(), -1);
    EXPECT_FLOAT_EQ(gesture->stepLength(), 30.0f);
    tick();
    EXPECT_DOUBLE_EQ(host.region.originX, 470.0);
    EXPECT_EQ(selection(), Selection(7.0, 4.7));
    drag(600, 50);  // back inside: no more scrolling
    EXPECT_EQ(gesture->direction(), 0);
    tick();
    EXPECT_DOUBLE_EQ(host.region.originX, 470.0);
    drag(100, 50);
    for (int i = 0; i < 20; ++i) tick();
    EXPECT_DOUBLE_EQ(host.region.originX, 0.0);
    release();
    EXPECT_EQ(selection(), Selection(0.0, 7.0));
}

TEST_F(Gesture, ADoublePressSelectsTheWholeProjectOrTheSpanBetweenMarkers) {
    rows(1);
    press(500, 50, 2);
    release();
    EXPECT_EQ(selection(), Selection(0.0, 10.0));
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 0.0);

    marker(3.0);
    marker(7.0);
    press(500, 50, 2);
    release();
    EXPECT_EQ(selection(), Selection(3.0, 7.0));
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 3.0);
    EXPECT_DOUBLE_EQ(host.lastSeek, 3.0);
    press(100, 50, 2);
    release();
    EXPECT_EQ(selection(), Selection(0.0, 3.0));
    press(1200, 50, 2);  // beyond the end: the last span
    release();
    EXPECT_EQ(selection(), Selection(7.0, 10.0));
    // At 0 no pair encloses the time: the press's collapsed selection stays.
    press(0, 50, 2);
    release();
    EXPECT_EQ(selection(), Selection(0.0, 0.0));
}

TEST_F(Gesture, ADoublePressOnAnEmptyProjectSelectsNothing) {
    host.region = {0.0, 400.0, 200.0};
    engine->currentPixelPerSecond = 100.0;
    press(100, 50, 2);
    release();
    EXPECT_EQ(selection(), Selection(0.0, 0.0));
}

TEST(ZoomToShow, GivesTheFractionalZoomWhoseScaleSpansTheWidthClampedToTheScale) {
    for (const double seconds : {30.0, 95.5, 600.0}) {
        const float zoom = zoomValueShowing(seconds, 1200.0);
        EXPECT_GT(zoom, 1.0f);
        EXPECT_LT(zoom, 70.0f);
        EXPECT_NEAR(WaveEditViewController::pixelPerSecondForZoom(zoom) * seconds, 1200.0, 0.5) << seconds;
    }
    EXPECT_NE(zoomValueShowing(95.5, 1200.0), std::round(zoomValueShowing(95.5, 1200.0)));
    EXPECT_FLOAT_EQ(zoomValueShowing(0.0001, 1200.0), 70.0f);      // closer than the scale reaches
    EXPECT_FLOAT_EQ(zoomValueShowing(3 * 3600.0, 1200.0), 1.0f);   // wider than the scale reaches
    EXPECT_FLOAT_EQ(zoomValueShowing(0.0, 1200.0), 70.0f);
}

TEST(Wheel, SmallTurnsDoNothingAndEachZoomStepIsOne) {
    EXPECT_FLOAT_EQ(wheelZoomValue(11.0f, 0.005), 11.0f);
    EXPECT_FLOAT_EQ(wheelZoomValue(11.0f, -3.0), 10.0f);
    EXPECT_FLOAT_EQ(wheelZoomValue(11.0f, 0.02), 12.0f);
    EXPECT_FLOAT_EQ(wheelZoomValue(1.0f, -1.0), 1.0f);
    EXPECT_FLOAT_EQ(wheelZoomValue(70.0f, 5.0), 70.0f);

    EXPECT_DOUBLE_EQ(wheelScrolledOrigin(100.0, 0.0005, 400.0, 1000.0), 100.0);
    EXPECT_DOUBLE_EQ(wheelScrolledOrigin(100.0, 1.0, 400.0, 1000.0), 94.0);   // W × 0.015 a unit
    EXPECT_DOUBLE_EQ(wheelScrolledOrigin(100.0, -2.0, 400.0, 1000.0), 112.0);
    EXPECT_DOUBLE_EQ(wheelScrolledOrigin(10.0, 5.0, 400.0, 1000.0), 0.0);
    EXPECT_DOUBLE_EQ(wheelScrolledOrigin(590.0, -5.0, 400.0, 1000.0), 600.0);
    EXPECT_DOUBLE_EQ(wheelScrolledOrigin(0.0, -5.0, 400.0, 300.0), 0.0);  // shorter than the view
}

TEST_F(Gesture, TheRulerTestsMarkersAtHalfTheRowsAndKeepsTheCursorInTheProject) {
    rows(2);
    MarkerPtr m = marker(5.0);
    event([&] { rulerPress(*engine, 501, 200); });
    EXPECT_EQ(engine->selectedMarkItem(), m);
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 5.01);
    event([&] { rulerDrag(*engine, 1400); });
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 10.0);
    EXPECT_DOUBLE_EQ(host.lastSeek, 10.0);
    event([&] { rulerPress(*engine, 200, 200); });
    EXPECT_EQ(engine->selectedMarkItem(), nullptr);
    event([&] { rulerDrag(*engine, -40); });
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 0.0);
}

TEST_F(Gesture, CursorKeysMoveExtendAndCollapse) {
    rows(1);
    engine->selectTracks(0, 0);
    event([&] { moveCursorTo(*engine, 4.0, false); });
    EXPECT_DOUBLE_EQ(engine->currentTimelineTime(), 4.0);
    EXPECT_EQ(selection(), Selection(4.0, 4.0));
    // Shift+Right twice, then Shift+Left three times: the selection crosses its anchor.
    event([&] { moveCursorByColumns(*engine, 1, true); });
    event([&] { moveCursorByColumns(*engine, 1, true); });
    EXPECT_NEAR(engine->selectedTimelineStartTime(), 4.0, 1e-12);
    EXPECT_NEAR(engine->selectedTimelineEndTime(), 4.02, 1e-12);
    for (int i = 0; i < 3; ++i) event([&] { moveCursorByColumns(*engine, -1, true); });
    EXPECT_NEAR(engine->selectedTimelineStartTime(), 3.99, 1e-12);
    EXPECT_NEAR(engine->selectedTimelineEndTime(), 4.0, 1e-12);
    EXPECT_NEAR(engine->currentTimelineTime(), 3.99, 1e-12);
    EXPECT_DOUBLE_EQ(host.lastSeek, engine->currentTimelineTime());
    // End, with Shift, selects to the end of the project; Home alone collapses at 0.
    event([&] { moveCursorTo(*engine, engine->farestTrackEndTime(), true); });
    EXPECT_EQ(selection(), Selection(4.0, 10.0));
    EXPECT_TRUE(engine->hasSelectedSection());
    event([&] { moveCursorTo(*engine, -5.0, false); });
    EXPECT_EQ(selection(), Selection(0.0, 0.0));

    engine->setSelection(2.0, 6.0);
    MarkerPtr m = marker(1.0);
    engine->setSelectedMarkItem(m);
    event([&] { collapseSelection(*engine); });
    EXPECT_EQ(selection(), Selection(0.0, 0.0));
    EXPECT_EQ(engine->selectedMarkItem(), nullptr);
}

}  // namespace
}  // namespace wavomer
