// EditGesture: what the mouse and the keys do on the timeline, without the window.
// The window hands over each press, pointer move, release, auto-scroll tick, wheel
// turn and key in the rows' content coordinates (x from the start of the project, y
// from the top of the first row); these rules change the engine's cursor, time
// selection, track selection and markers, and answer how the visible area moves.
//
// A press on a marker's line (2.5 pixels either side) selects that marker and a drag
// then moves it; a press anywhere else puts the cursor there and a drag selects the
// time between the press and the pointer on the tracks between the two rows. While
// the pointer is outside the visible area during a drag, the view scrolls every
// 0.1 s towards it by three times the distance, at most 50 pixels a tick.
//
// Threads: main thread, inside the window's user event for each input.
#pragma once

#include <cstdint>

#include "engine/WaveEditViewController.h"

namespace wavomer {

class EditGesture {
public:
    static constexpr double kAutoScrollSeconds = 0.1;
    static constexpr double kMaxAutoScrollStep = 50.0;

    enum class Press {
        ignored,         // recording, or below the last track: nothing changed
        withoutDrag,     // while playing: the cursor moved, no drag follows
        startsDrag,      // a drag follows until the release
    };

    explicit EditGesture(WaveEditViewController& engine) : engine_(engine) {}

    // A press at content (x, y); clickCount 2 is a double press.
    Press press(double x, double y, int clickCount);
    // The pointer moved with the button held; visible is the area shown now.
    void drag(double x, double y, const VisibleRegion& visible);
    // One auto-scroll step: answers the new visible origin x (kept inside the
    // document), or the same origin when the pointer is inside the visible area.
    double autoScrollStep(const VisibleRegion& visible);
    // The button went up: the selection is ordered, a dragged marker re-sorted and its
    // move recorded as one undo step.
    void release();

    bool isDragging() const { return dragging_; }
    // -1 left, 0 none, +1 right; the step in pixels per tick, 0 to 50.
    int32_t direction() const { return direction_; }
    float stepLength() const { return stepLength_; }

private:
    // The first marker whose hit rectangle holds the point becomes the selected one;
    // none hit clears the selected marker.
    void hitTestMarkers(double x, double y);
    void selectTrackOnPress(double y);
    void selectTracksForDrag(double y);
    void doublePress(double x);
    // The selection's moving end, or the dragged marker, goes to time t.
    void follow(double t);

    WaveEditViewController& engine_;
    bool dragging_ = false;
    double pressY_ = 0.0;
    double markerTimeAtPress_ = 0.0;
    int32_t direction_ = 0;
    float stepLength_ = 0.0f;
};

// The horizontal wheel: the new visible origin for deltaX wheel units (positive moves
// towards the start), W × 0.015 pixels per unit, kept inside the document; the same
// origin for |deltaX| ≤ 0.001.
double wheelScrolledOrigin(double originX, double deltaX, double visibleWidth, double documentWidth);
// The vertical wheel: the zoom value one step up (deltaY > 0.01) or down (deltaY <
// −0.01), kept within 1 and 70; the same value otherwise.
float wheelZoomValue(float zoomValue, double deltaY);
// The zoom value (1 to 70, fractional) at which seconds of the project span width pixels:
// the inverse of the engine's pixels per second for a zoom, clamped to the scale.
float zoomValueShowing(double seconds, double width);

// The ruler's press and drag: the ruler's own marker hit test (at half the height of
// the rows), then the cursor under the pointer, kept within the project, and a seek.
void rulerPress(WaveEditViewController& engine, double x, double rowsHeight);
void rulerDrag(WaveEditViewController& engine, double x);

// The keys of the timeline. Each moves the cursor (kept within the project), seeks the
// player and clears the selected marker; with extend the selection runs from its end
// away from the cursor (or from the cursor, when it is collapsed) to the new cursor,
// otherwise it collapses onto the new cursor.
void moveCursorTo(WaveEditViewController& engine, double time, bool extend);
// Left and Right: one pixel column's time at the current zoom.
void moveCursorByColumns(WaveEditViewController& engine, int columns, bool extend);
// Escape: the selection collapses onto the cursor and no marker stays selected.
void collapseSelection(WaveEditViewController& engine);

}  // namespace wavomer
