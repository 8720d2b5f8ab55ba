// What assistive technology reads from the views the window draws itself: the zoom
// control is a slider whose value is the zoom (and which a screen reader can set), the
// time display is a label whose value is the time it shows, the ruler is a graphic named
// after what it measures, and the timeline is a list of track rows, each named by its
// number with the track's length as its value. Names come from each view's accessible name. The factory is
// installed once, by the first of these views made.
//
// Threads: main thread.
#pragma once

namespace wavomer::app {

void installAccessibleViews();

}  // namespace wavomer::app
