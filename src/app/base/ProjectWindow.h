// ProjectWindow: what the commands of a project window ask of the window itself: its
// file commands, the import chooser, the zoom, the marker list, the record button and
// the export side. MainWindow implements it; the command table's handlers call it
// through their context.
//
// Threads: main thread.
#pragma once

namespace wavomer::app {

class ProjectWindow {
public:
    // Saves to the document's path, or asks for one; false when nothing was saved.
    virtual bool save() = 0;
    virtual bool saveAs() = 0;
    virtual void closeWindow() = 0;
    // Asks for a media file and imports it.
    virtual void importWithDialog() = 0;
    // Steps the zoom value by step (the wheel's and the menu's steps).
    virtual void zoomBy(float step) = 0;
    // The zoom at which the whole project, or the selected range, fills the visible width.
    virtual void zoomToFit() = 0;
    virtual void zoomToSelection() = 0;
    virtual void toggleMarkerList() = 0;
    // Stops a running recording, or opens the recording panel.
    virtual void recordButtonAction() = 0;
    // Export (on the markers when asked) and the tag dialog.
    virtual void exportProject(bool onMarkers) = 0;
    virtual void openTags() = 0;

protected:
    ~ProjectWindow() = default;
};

}  // namespace wavomer::app
