// Editing in the window with synthetic input: presses, drags and releases on the rows,
// double clicks, the wheel, the ruler, the cursor keys and the edit menu, and cut in one
// window pasted into another through the desktop's clipboard.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTest>
#include <QSignalSpy>
#include <QWheelEvent>

#include "AppTestSupport.h"
#include "actions/WindowActions.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "panels/MarkerViewController.h"
#include "timeline/RulerView.h"
#include "timeline/TimelineView.h"
#include "window/SelectionTimeBar.h"
#include "window/ZoomControl.h"

namespace wavomer::app::test {

namespace {

void send(QWidget* target, QEvent::Type type, QPoint at, Qt::MouseButtons held) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, QPointF(at), target->mapToGlobal(QPointF(at)), button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

// A press, moves with the button held, and a release, as a mouse delivers them.
void dragAlong(QWidget* target, const std::vector<QPoint>& points) {
    send(target, QEvent::MouseButtonPress, points.front(), Qt::LeftButton);
    for (size_t i = 1; i < points.size(); ++i) send(target, QEvent::MouseMove, points[i], Qt::LeftButton);
    send(target, QEvent::MouseButtonRelease, points.back(), Qt::NoButton);
}

void doubleClick(QWidget* target, QPoint at) {
    send(target, QEvent::MouseButtonPress, at, Qt::LeftButton);
    send(target, QEvent::MouseButtonRelease, at, Qt::NoButton);
    send(target, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
    send(target, QEvent::MouseButtonRelease, at, Qt::NoButton);
}

void wheel(QWidget* target, QPoint angleDelta, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QWheelEvent event(QPointF(50, 50), target->mapToGlobal(QPointF(50, 50)), QPoint(), angleDelta, Qt::NoButton,
                      modifiers, Qt::NoScrollPhase, false);
    QApplication::sendEvent(target, &event);
}

class EditingInTheWindow : public WindowTest {
protected:
    // A shown, active window 800 pixels wide over the two tracks of one stereo file of
    // 10 s (loud 0-4 s, then silent), at 100 pixels a second: the project is wider than
    // the rows.
    std::unique_ptr<MainWindow> twoTracks() {
        auto window = openWindow();
        if (!importAndWait(*window, makeWav("tone.wav", 4.0, 6.0, 0.5))) return nullptr;
        window->resize(800, 500);
        window->show();
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window.get())) return nullptr;
        settle();
        setPixelsPerSecond(*window, 100.0);
        return window;
    }
    static void setPixelsPerSecond(MainWindow& window, double pixels) {
        window.document().engine().currentPixelPerSecond = pixels;
        window.timeline().reloadView();
        window.timeline().setVisibleOriginX(0.0);
        settle();
    }
    static double rowHeight(MainWindow& window) { return window.timeline().visibleRegion().height / 2.0; }
    static std::vector<size_t> selectedRows(WaveEditViewController& engine) {
        std::vector<size_t> rows;
        for (const auto& track : engine.timelineTrackArray())
            for (size_t i = 0; i < engine.audioTrackArray().size(); ++i)
                if (engine.audioTrackArray()[i] == track) rows.push_back(i);
        return rows;
    }
};

TEST_F(EditingInTheWindow, DraggingAcrossTheSecondRowSelectsItsTimeAndDeleteRemovesIt) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    const int y = static_cast<int>(rowHeight(*window) * 1.8);  // inside the second row, out of the band
    QWidget* rows = window->timeline().viewport();
    dragAlong(rows, {{300, y}, {250, y}, {100, y}});  // right to left
    settle();
    EXPECT_EQ(selectedRows(engine), (std::vector<size_t>{1}));
    EXPECT_NEAR(engine.selectedTimelineStartTime(), 1.0, 1e-9);
    EXPECT_NEAR(engine.selectedTimelineEndTime(), 3.0, 1e-9);
    EXPECT_TRUE(rows->hasFocus() || window->timeline().hasFocus());
    ASSERT_TRUE(window->actions().action("delete")->isEnabled());
    ASSERT_TRUE(window->actions().action("cut")->isEnabled());

    window->runCommand("delete");
    settle();
    // The second track lost two seconds; the first is padded to the same length with
    // silence at its end, so both still end together.
    const auto& second = engine.audioTrackArray()[1]->sectionArray();
    double audio = 0.0;
    for (const auto& section : second)
        if (!section->isBlankSection) audio += section->sectionDuration();
    EXPECT_NEAR(audio, 8.0, 0.001);
    EXPECT_TRUE(window->document().isEdited());
    window->runCommand("undo");
    settle();
    audio = 0.0;
    for (const auto& section : engine.audioTrackArray()[1]->sectionArray())
        if (!section->isBlankSection) audio += section->sectionDuration();
    EXPECT_NEAR(audio, 10.0, 0.001);
}

TEST_F(EditingInTheWindow, TheTimeBarFollowsADragAndTakesTypedTimes) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    SelectionTimeBar& bar = window->timeBar();
    auto shown = [&](rules::TimeField which) { return bar.field(which).text(); };
    const int y = static_cast<int>(rowHeight(*window) * 1.8);
    QWidget* rows = window->timeline().viewport();
    // Mid-drag, before the release, the fields already hold the range.
    send(rows, QEvent::MouseButtonPress, {100, y}, Qt::LeftButton);
    send(rows, QEvent::MouseMove, {250, y}, Qt::LeftButton);
    settle();
    EXPECT_EQ(shown(rules::TimeField::start), QStringLiteral("00:00:01.000"));
    EXPECT_EQ(shown(rules::TimeField::end), QStringLiteral("00:00:02.500"));
    EXPECT_EQ(shown(rules::TimeField::length), QStringLiteral("00:00:01.500"));
    send(rows, QEvent::MouseButtonRelease, {250, y}, Qt::NoButton);
    settle();

    // Each form, applied by Return or by leaving the field; Length moves End.
    auto type = [&](rules::TimeField which, const QString& typed, bool leave) {
        QLineEdit& field = bar.field(which);
        field.setFocus();
        field.selectAll();
        QTest::keyClicks(&field, typed);
        if (leave) rows->setFocus();
        else QTest::keyClick(&field, Qt::Key_Return);
        settle();
    };
    type(rules::TimeField::start, QStringLiteral("0:00.5"), false);
    type(rules::TimeField::end, QStringLiteral("2.75"), true);
    EXPECT_NEAR(engine.selectedTimelineStartTime(), 0.5, 1e-9);
    EXPECT_NEAR(engine.selectedTimelineEndTime(), 2.75, 1e-9);
    type(rules::TimeField::length, QStringLiteral("00:00:01.250"), false);
    EXPECT_NEAR(engine.selectedTimelineEndTime(), 1.75, 1e-9);
    EXPECT_EQ(selectedRows(engine), (std::vector<size_t>{1}));  // the tracks stay
    // The cursor stops at the project's end; a time that does not read is put back.
    type(rules::TimeField::cursor, QStringLiteral("1:00"), false);
    EXPECT_NEAR(engine.currentTimelineTime(), 10.0, 1e-9);
    type(rules::TimeField::start, QStringLiteral("soon"), false);
    EXPECT_EQ(shown(rules::TimeField::start), QStringLiteral("00:00:00.500"));
    EXPECT_NEAR(engine.selectedTimelineStartTime(), 0.5, 1e-9);
}

TEST_F(EditingInTheWindow, APressInTheBandSelectsBothTracksAndBelowTheRowsNothingChanges) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    QWidget* rows = window->timeline().viewport();
    const double h = rowHeight(*window);
    dragAlong(rows, {{200, static_cast<int>(h * 0.6)}});
    EXPECT_EQ(selectedRows(engine), (std::vector<size_t>{0, 1}));
    EXPECT_NEAR(engine.currentTimelineTime(), 2.0, 1e-9);
    dragAlong(rows, {{200, static_cast<int>(h * 0.4)}});
    EXPECT_EQ(selectedRows(engine), (std::vector<size_t>{0}));
    // A press beyond the end of the project (500 pixels long now) puts the cursor at its end.
    setPixelsPerSecond(*window, 50.0);
    dragAlong(rows, {{700, static_cast<int>(h * 0.4)}});
    EXPECT_NEAR(engine.currentTimelineTime(), engine.farestTrackEndTime(), 1e-9);
}

TEST_F(EditingInTheWindow, ADoubleClickSelectsTheSpanBetweenMarkersAndADraggedMarkerIsResorted) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    {
        UserEvent event(engine);
        engine.setMarkArray({MarkerItem::createMarkerWithTime(2.0), MarkerItem::createMarkerWithTime(5.0)});
    }
    window->runCommand("showMarkerViewController");
    settle();
    QWidget* rows = window->timeline().viewport();
    const int y = static_cast<int>(rowHeight(*window) * 0.3);
    doubleClick(rows, {350, y});
    settle();
    EXPECT_NEAR(engine.selectedTimelineStartTime(), 2.0, 1e-9);
    EXPECT_NEAR(engine.selectedTimelineEndTime(), 5.0, 1e-9);
    EXPECT_NEAR(engine.currentTimelineTime(), 2.0, 1e-9);

    // The marker at 2 s dragged to 7 s moves past the other one; undo puts it back.
    const MarkerPtr first = engine.markArray()[0];
    dragAlong(rows, {{201, y}, {400, y}, {700, y}});
    settle();
    ASSERT_EQ(engine.markArray().size(), 2u);
    EXPECT_EQ(engine.markArray()[1], first);
    EXPECT_NEAR(first->markerTime, 7.0, 1e-9);
    EXPECT_EQ(engine.selectedMarkItem(), first);
    EXPECT_EQ(static_cast<int>(window->markerList().tableView().rows().size()), 2);
    window->runCommand("undo");
    settle();
    EXPECT_NEAR(first->markerTime, 2.0, 1e-9);
    EXPECT_EQ(engine.markArray()[0], first);

    // Delete with a marker selected removes the marker, not the range.
    dragAlong(rows, {{200, y}});
    ASSERT_EQ(engine.selectedMarkItem(), first);
    window->runCommand("delete");
    settle();
    ASSERT_EQ(engine.markArray().size(), 1u);
    EXPECT_NEAR(engine.markArray()[0]->markerTime, 5.0, 1e-9);
    EXPECT_EQ(static_cast<int>(window->markerList().tableView().rows().size()), 1);
    EXPECT_NEAR(engine.farestTrackEndTime(), 10.0, 1e-9);
}

TEST_F(EditingInTheWindow, TheWheelZoomsByOneStepAndScrollsSideways) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    QWidget* rows = window->timeline().viewport();
    ZoomControl& zoom = window->zoomControl();
    zoom.applyValue(30.0f);
    settle();
    // One notch is 120 eighths of a degree; a single eighth (1/120 of a notch) is too
    // small to zoom, three notches towards the user zoom out by exactly one step.
    wheel(rows, {0, 1});
    settle();
    EXPECT_FLOAT_EQ(zoom.value(), 30.0f);
    wheel(rows, {0, -360});
    settle();
    EXPECT_FLOAT_EQ(zoom.value(), 29.0f);
    wheel(rows, {0, 120});
    settle();
    EXPECT_FLOAT_EQ(zoom.value(), 30.0f);
    // At the top of the scale a notch in keeps 70 and is still applied.
    zoom.applyValue(70.0f);
    QSignalSpy applied(&zoom, &ZoomControl::zoomApplied);
    wheel(rows, {0, 120});
    ASSERT_EQ(applied.count(), 1);
    EXPECT_FLOAT_EQ(applied.at(0).at(0).toFloat(), 70.0f);
    zoom.applyValue(30.0f);

    // Sideways: W × 0.015 pixels a notch, kept inside the document.
    TimelineView& timeline = window->timeline();
    const double width = timeline.visibleRegion().width;
    setPixelsPerSecond(*window, 100.0);
    timeline.setVisibleOriginX(100.0);
    settle();
    ASSERT_EQ(timeline.originX(), 100);
    wheel(rows, {-120, 0});
    EXPECT_EQ(timeline.originX(), static_cast<int>(std::lround(100.0 + width * 0.015)));
    wheel(rows, {0, 2400}, Qt::ShiftModifier);  // Shift turns the wheel sideways
    EXPECT_EQ(timeline.originX(), 0);
    EXPECT_FLOAT_EQ(zoom.value(), 30.0f);
}

TEST_F(EditingInTheWindow, TheRulerMovesTheCursorAndFollowsTheDrag) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    {
        UserEvent event(engine);
        engine.setMarkArray({MarkerItem::createMarkerWithTime(3.0)});
    }
    RulerView& ruler = window->ruler();
    dragAlong(&ruler, {{301, 10}});
    EXPECT_EQ(engine.selectedMarkItem(), engine.markArray()[0]);
    EXPECT_NEAR(engine.currentTimelineTime(), 3.01, 1e-9);
    dragAlong(&ruler, {{100, 10}, {450, 12}, {ruler.width() + 400, 12}});
    EXPECT_EQ(engine.selectedMarkItem(), nullptr);
    EXPECT_NEAR(engine.currentTimelineTime(), std::min((ruler.width() + 400) / 100.0, 10.0), 1e-9);
    dragAlong(&ruler, {{200, 10}, {-50, 10}});
    EXPECT_NEAR(engine.currentTimelineTime(), 0.0, 1e-9);
}

TEST_F(EditingInTheWindow, TheCursorKeysMoveExtendAndCollapse) {
    auto window = twoTracks();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    TimelineView& timeline = window->timeline();
    dragAlong(timeline.viewport(), {{400, static_cast<int>(rowHeight(*window) * 0.3)}});
    ASSERT_TRUE(timeline.hasFocus());
    QTest::keyClick(&timeline, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(&timeline, Qt::Key_Right, Qt::ShiftModifier);
    EXPECT_NEAR(engine.selectedTimelineStartTime(), 4.0, 1e-9);
    EXPECT_NEAR(engine.selectedTimelineEndTime(), 4.02, 1e-9);
    QTest::keyClick(&timeline, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_NEAR(engine.selectedTimelineEndTime(), 10.0, 1e-9);
    settle();
    EXPECT_TRUE(window->actions().action("cut")->isEnabled());
    // The end of the project is now in view.
    EXPECT_TRUE(engine.isCurrentTimelineTimeVisisbleContentRect());
    QTest::keyClick(&timeline, Qt::Key_Escape);
    EXPECT_NEAR(engine.selectedTimelineStartTime(), 10.0, 1e-9);
    EXPECT_NEAR(engine.selectedTimelineEndTime(), 10.0, 1e-9);
    QTest::keyClick(&timeline, Qt::Key_Left);
    EXPECT_NEAR(engine.currentTimelineTime(), 9.99, 1e-9);
    QTest::keyClick(&timeline, Qt::Key_Home);
    EXPECT_NEAR(engine.currentTimelineTime(), 0.0, 1e-9);
    EXPECT_EQ(timeline.originX(), 0);

    {
        UserEvent event(engine);
        engine.setMarkArray({MarkerItem::createMarkerWithTime(3.0), MarkerItem::createMarkerWithTime(6.0)});
    }
    settle();
    QTest::keyClick(&timeline, Qt::Key_PageDown);
    EXPECT_NEAR(engine.currentTimelineTime(), 3.0, 1e-9);
    QTest::keyClick(&timeline, Qt::Key_PageDown);
    EXPECT_NEAR(engine.currentTimelineTime(), 6.0, 1e-9);
    QTest::keyClick(&timeline, Qt::Key_PageUp);
    EXPECT_NEAR(engine.currentTimelineTime(), 3.0, 1e-9);
}

TEST_F(EditingInTheWindow, ARangeCutInOneWindowPastesIntoAnother) {
    auto source = twoTracks();
    ASSERT_TRUE(source);
    auto target = openWindow();
    target->show();
    settle();
    WaveEditViewController& from = source->document().engine();
    QWidget* rows = source->timeline().viewport();
    const int y = static_cast<int>(rowHeight(*source) * 0.3);
    dragAlong(rows, {{100, y}, {300, y}});
    settle();
    source->runCommand("cut");
    settle();
    EXPECT_NEAR(from.farestTrackEndTime(), 10.0, 1e-3);  // the second track keeps its length
    // The payload is on the desktop's clipboard under its own type.
    const QMimeData* mime = QGuiApplication::clipboard()->mimeData();
    ASSERT_TRUE(mime);
    EXPECT_TRUE(mime->hasFormat(QtClipboard::mimeTypeFor(WaveEditViewController::kClipboardType)));

    ASSERT_TRUE(target->actions().action("paste")->isEnabled());
    target->runCommand("paste");
    settle();
    WaveEditViewController& to = target->document().engine();
    EXPECT_NEAR(to.farestTrackEndTime(), 2.0, 1e-3);
    EXPECT_TRUE(target->document().isEdited());
    // Select All and Copy there, then something else on the clipboard: Paste goes grey.
    target->runCommand("selectAll");
    settle();
    EXPECT_NEAR(to.selectedTimelineEndTime(), 2.0, 1e-3);
    QGuiApplication::clipboard()->setText(QStringLiteral("not audio"));
    settle();
    EXPECT_FALSE(source->actions().action("paste")->isEnabled());
}

}  // namespace

}  // namespace wavomer::app::test

namespace wavomer::app::test {

TEST_F(EditingInTheWindow, AnAddedTrackGrowsTheWindowByARowWhileTheScreenHasRoomAndKeepsItsTop) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    const QRect room = window->screen()->availableGeometry();
    window->resize(600, room.height() / 2);
    settle();
    const int top = window->frameGeometry().top();
    const int before = window->frameGeometry().height();
    const double row = window->document().engine().waveTrackCurrentHeight();
    window->runCommand("addTrackFunction");
    settle();
    EXPECT_NEAR(window->frameGeometry().height(), before + row, 1.0);
    EXPECT_EQ(window->frameGeometry().top(), top);
    // Without room for another row the window keeps its height.
    window->resize(600, room.height() - 60);
    settle();
    const int full = window->frameGeometry().height();
    window->runCommand("addTrackFunction");
    settle();
    EXPECT_EQ(window->frameGeometry().height(), full);
}

}  // namespace wavomer::app::test
