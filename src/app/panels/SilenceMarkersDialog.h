// Track > Add Markers at Silences...: asks for the threshold (dBFS, default -40), the
// shortest silence (seconds, default 1.0) and where in each silence the marker goes
// (its start, middle or end; default the middle), then scans the selected tracks within
// the selection, or the whole project without one, on a thread of its own behind a
// progress dialog with Cancel, adds one marker per silence as one undo step (none within
// 0.001 s of a marker there already) and tells how many it added.
//
// The scan reads copies of the tracks taken on the main thread when it starts, never
// the live project; the markers are added on the main thread in one user event.
//
// Threads: main thread; the scan runs on a worker that is joined before the markers are added.
#pragma once

#include <QDialog>

#include "export/SilenceFinder.h"

class QComboBox;
class QDoubleSpinBox;

namespace wavomer::app {

struct WindowContext;

class SilenceMarkersDialog : public QDialog {
    Q_OBJECT
public:
    // wholeProject says what is scanned: the whole project, or the selection.
    SilenceMarkersDialog(QWidget* parent, bool wholeProject);

    // The search the controls describe.
    SilenceSearch search() const;
    QDoubleSpinBox& thresholdField() { return *threshold_; }
    QDoubleSpinBox& minimumField() { return *minimum_; }
    QComboBox& placementChooser() { return *placement_; }

private:
    QDoubleSpinBox* threshold_ = nullptr;
    QDoubleSpinBox* minimum_ = nullptr;
    QComboBox* placement_ = nullptr;
};

// The command: the dialog, the scan and the markers; nothing changes when the user
// cancels either the dialog or the scan.
void addMarkersAtSilences(const WindowContext& context);

}  // namespace wavomer::app
