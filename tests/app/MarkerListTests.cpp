// The marker list panel: its rows on their pixels, a click on a row, and the toggle.
#include <QImage>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

#include <QLineEdit>

#include "AppTestSupport.h"
#include "PixelCheck.h"
#include "actions/WindowActions.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "panels/MarkerViewController.h"
#include "timeline/TimelineView.h"

namespace wavomer::app::test {

namespace {

class MarkerList : public WindowTest {
protected:
    // A window with a project of 20 s and markers at 1, 2, 3, 4 and 18 s, its list shown.
    std::unique_ptr<MainWindow> openWithFiveMarkers() {
        auto window = openWindow();
        if (!window) return nullptr;
        if (!importAndWait(*window, makeWav("a.wav", 10.0, 10.0, 0.5))) return nullptr;
        WaveEditViewController& engine = window->document().engine();
        window->changeSlideZoomValue(70.0f);  // markers a second apart are far enough apart
        settle();
        for (double time : {1.0, 2.0, 3.0, 4.0, 18.0}) {
            {
                UserEvent event(engine);
                engine.updateCurrentTimelineTime(time);
            }
            window->refreshState();
            window->runCommand("addMarkAction");
            settle();
        }
        {
            UserEvent event(engine);
            engine.updateSelectedMarker(nullptr);
            engine.updateCurrentTimelineTime(0.0);
        }
        window->runCommand("showMarkerViewController");
        if (!waitFor([&] { return window->markerList().isSettled(); })) return nullptr;
        settle();
        return window;
    }
    static bool isRowColour(const QColor& c) { return c.blue() > c.red() + 40 && c.blue() > c.green(); }
};

}  // namespace

TEST_F(MarkerList, StartsHiddenAndTheToggleSlidesItInAndOut) {
    auto window = openWindow();
    ASSERT_TRUE(window);
    MarkerViewController& list = window->markerList();
    TimelineView& timeline = window->timeline();
    EXPECT_FALSE(list.isVisible());
    EXPECT_FALSE(window->isMarkerListShown());
    const int rowsWidth = timeline.width();
    QAction* toggle = window->actions().action("showMarkerViewController");
    EXPECT_EQ(toggle->text(), QStringLiteral("Show Marker List"));

    window->runCommand("showMarkerViewController");
    ASSERT_TRUE(waitFor([&] { return list.isSettled(); }));
    settle();
    EXPECT_TRUE(window->isMarkerListShown());
    EXPECT_TRUE(list.isVisible());
    EXPECT_EQ(list.width(), MarkerViewController::kWidth);
    EXPECT_EQ(timeline.width(), rowsWidth - MarkerViewController::kWidth);
    // It sits at the right edge of the editing area, beside the rows.
    EXPECT_EQ(list.mapTo(window.get(), QPoint(0, 0)).x(), timeline.mapTo(window.get(), QPoint(timeline.width(), 0)).x());
    EXPECT_EQ(toggle->text(), QStringLiteral("Close Marker List"));

    window->runCommand("showMarkerViewController");
    ASSERT_TRUE(waitFor([&] { return list.isSettled(); }));
    settle();
    EXPECT_FALSE(list.isVisible());
    EXPECT_EQ(timeline.width(), rowsWidth);
    EXPECT_EQ(toggle->text(), QStringLiteral("Show Marker List"));
}

TEST_F(MarkerList, FiveMarkersMakeFiveRows38ApartTheLastAt155) {
    auto window = openWithFiveMarkers();
    ASSERT_TRUE(window);
    MarkerViewController& list = window->markerList();
    MarkerTableView& table = list.tableView();
    ASSERT_EQ(table.rows().size(), 5u);
    for (size_t i = 0; i < 5; ++i) {
        EXPECT_EQ(table.rows()[i]->geometry().y(), static_cast<int>(3 + 38 * i));
        EXPECT_EQ(table.rows()[i]->height(), 35);
        EXPECT_EQ(table.rows()[i]->width(), table.width());
    }
    EXPECT_EQ(table.rows()[4]->y(), 155);
    EXPECT_EQ(table.height(), std::max(193, list.scrollView().viewport()->height()));
    EXPECT_EQ(table.rows()[3]->accessibleName(), QStringLiteral("00:00:04.00"));

    const QImage image = list.grab().toImage();
    const double x = list.width() - 8.0;
    for (int i = 0; i < 5; ++i) {
        EXPECT_TRUE(isRowColour(colourAt(image, x, 3 + 38 * i + 17))) << i;
        EXPECT_FALSE(isRowColour(colourAt(image, x, 3 + 38 * i + 36.5))) << i;  // the gap below
    }
    EXPECT_FALSE(isRowColour(colourAt(image, x, 155 + 40)));  // nothing below the last row
}

TEST_F(MarkerList, TheSelectedMarkersRowIsHighlighted) {
    auto window = openWithFiveMarkers();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    {
        UserEvent event(engine);
        engine.updateSelectedMarker(engine.markArray()[2]);
    }
    settle();
    MarkerViewController& list = window->markerList();
    const QImage image = list.grab().toImage();
    const double x = list.width() - 8.0;
    const QColor selected = colourAt(image, x, 3 + 38 * 2 + 17);
    const QColor other = colourAt(image, x, 3 + 38 * 1 + 17);
    // Opaque with red 10; the others are the same gradient at half opacity.
    EXPECT_NEAR(selected.red(), 10, 3);
    EXPECT_GT(selected.blue(), 140);
    EXPECT_LT(other.blue(), 125);
    EXPECT_TRUE(list.tableView().rows()[2]->isSelectedMarker());
    EXPECT_FALSE(list.tableView().rows()[1]->isSelectedMarker());
}

TEST_F(MarkerList, AClickOnARowSelectsItsMarkerAndMovesTheCursorThere) {
    auto window = openWithFiveMarkers();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    MarkerTableView& table = window->markerList().tableView();
    QTest::mouseClick(table.rows()[3], Qt::LeftButton, {}, QPoint(20, 17));
    settle();
    EXPECT_EQ(engine.selectedMarkItem(), engine.markArray()[3]);
    EXPECT_DOUBLE_EQ(engine.currentTimelineTime(), 4.0);
    EXPECT_TRUE(table.rows()[3]->isSelectedMarker());
    EXPECT_EQ(window->focusWidget(), &window->timeline());
}

TEST_F(MarkerList, ADoubleClickNamesTheMarkerInPlaceAsOneUndoStepAndEscapeKeepsTheName) {
    auto window = openWithFiveMarkers();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    MarkerTableView& table = window->markerList().tableView();
    const size_t steps = window->document().undo().undoStepCount();
    QTest::mouseDClick(table.rows()[1], Qt::LeftButton, {}, QPoint(20, 17));
    QLineEdit* field = table.rows()[1]->nameEditor();
    ASSERT_NE(field, nullptr);
    EXPECT_EQ(field->accessibleName(), QStringLiteral("Marker Name"));
    QTest::keyClicks(field, QStringLiteral("Side B"));
    QTest::keyClick(field, Qt::Key_Return);
    settle();
    EXPECT_EQ(engine.markArray()[1]->markerName, std::optional<std::string>("Side B"));
    EXPECT_EQ(window->document().undo().undoStepCount(), steps + 1);
    EXPECT_EQ(table.rows()[1]->accessibleName(), QStringLiteral("00:00:02.00  Side B"));
    // Return on the row opens the field again; Escape leaves the name as it was.
    table.rows()[1]->setFocus();
    QTest::keyClick(table.rows()[1], Qt::Key_Return);
    ASSERT_NE(table.rows()[1]->nameEditor(), nullptr);
    QTest::keyClicks(table.rows()[1]->nameEditor(), QStringLiteral("Other"));
    QTest::keyClick(table.rows()[1]->nameEditor(), Qt::Key_Escape);
    settle();
    EXPECT_EQ(table.rows()[1]->nameEditor(), nullptr);
    EXPECT_EQ(engine.markArray()[1]->markerName, std::optional<std::string>("Side B"));
    window->runCommand("undo");
    settle();
    EXPECT_FALSE(engine.markArray()[1]->markerName);
    EXPECT_EQ(table.rows()[1]->accessibleName(), QStringLiteral("00:00:02.00"));
}

TEST_F(MarkerList, AClickOnAMarkerOutOfViewCentresTheCursorInTheRows) {
    auto window = openWithFiveMarkers();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    TimelineView& timeline = window->timeline();
    timeline.setVisibleOriginX(0.0);
    settle();
    ASSERT_LT(timeline.viewport()->width(), engine.timeToPointX(18.0));
    QTest::mouseClick(window->markerList().tableView().rows()[4], Qt::LeftButton, {}, QPoint(20, 17));
    settle();
    EXPECT_DOUBLE_EQ(engine.currentTimelineTime(), 18.0);
    EXPECT_TRUE(engine.isCurrentTimelineTimeVisisbleContentRect());
    const double expected = std::min(engine.timeToPointX(18.0) - timeline.viewport()->width() / 2.0,
                                     engine.contentWidth() - timeline.viewport()->width());
    EXPECT_NEAR(timeline.originX(), expected, 1.0);
}

TEST_F(MarkerList, ARowIsReusedForItsMarkerAndGoesWhenTheMarkerIsDeleted) {
    auto window = openWithFiveMarkers();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    MarkerTableView& table = window->markerList().tableView();
    MarkerItemView* second = table.rows()[1];
    MarkerItemView* fourth = table.rows()[3];
    {
        UserEvent event(engine);
        engine.updateSelectedMarker(engine.markArray()[2]);
    }
    settle();  // the selection's refresh enables Delete
    window->runCommand("delete");
    settle();
    ASSERT_EQ(engine.markArray().size(), 4u);
    ASSERT_EQ(table.rows().size(), 4u);
    EXPECT_EQ(table.rows()[1], second);
    EXPECT_EQ(table.rows()[2], fourth);
    EXPECT_EQ(fourth->y(), 3 + 38 * 2);
    QTest::mouseClick(table.rows()[2], Qt::LeftButton, {}, QPoint(20, 17));
    settle();
    EXPECT_DOUBLE_EQ(engine.currentTimelineTime(), 4.0);
}

TEST_F(MarkerList, UndoingADeletionBringsTheMarkersRowBackInItsPlace) {
    auto window = openWithFiveMarkers();
    ASSERT_TRUE(window);
    WaveEditViewController& engine = window->document().engine();
    MarkerTableView& table = window->markerList().tableView();
    const MarkerPtr third = engine.markArray()[2];
    {
        UserEvent event(engine);
        engine.updateSelectedMarker(third);
    }
    settle();
    window->runCommand("delete");
    settle();
    ASSERT_EQ(table.rows().size(), 4u);
    window->runCommand("undo");
    settle();
    ASSERT_EQ(engine.markArray().size(), 5u);
    ASSERT_EQ(table.rows().size(), 5u);
    EXPECT_EQ(table.rows()[2]->marker(), engine.markArray()[2]);
    EXPECT_EQ(table.rows()[2]->y(), 3 + 38 * 2);
    for (size_t i = 0; i < 5; ++i) EXPECT_EQ(table.rows()[i]->marker(), engine.markArray()[i]) << i;
}

}  // namespace wavomer::app::test
