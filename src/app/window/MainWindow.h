// MainWindow: one project's window. It owns the document and the views, builds the
// menus and the toolbars from the command table, runs the commands by looking up their
// rows (an edit inside one user event), listens for the bridge's one change notice per
// user event, shows the import progress as a window-modal dialog, drives the 0.08 s
// play tick and guards closing with Save / Don't Save / Cancel. Every question goes
// through the interaction service it is given; program commands go to the program.
//
// Threads: main thread.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <memory>
#include <string_view>

#include "base/Document.h"
#include "base/ProjectWindow.h"
#include "base/WindowContext.h"
#include "bridge/EngineBridge.h"

class QDialog;
class QMenu;
class QMessageBox;
class QToolButton;

namespace wavomer::app {

class ExportController;
class Interaction;
class MarkerViewController;
class Program;
class QuickLookWaveView;
class RecordMaskView;
class RecordPanel;
class RulerView;
class TimeDisplay;
class SelectionTimeBar;
class RecordingStrip;
class TimelineView;
class WindowActions;
class ZoomControl;

class MainWindow : public QMainWindow, public ProjectWindow, public BridgeWindow {
    Q_OBJECT
public:
    MainWindow(std::unique_ptr<Document> document, Interaction& interaction, Program& program,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    Document& document() { return *document_; }
    // What the commands and panels of this window work with.
    WindowContext& context() { return context_; }
    WindowActions& actions() { return *actions_; }
    TimelineView& timeline() { return *timeline_; }
    RulerView& ruler() { return *ruler_; }
    ZoomControl& zoomControl() { return *zoom_; }
    TimeDisplay& timeDisplay() { return *time_; }
    SelectionTimeBar& timeBar() { return *timeBar_; }
    RecordingStrip& recordingStrip() { return *recordingStrip_; }
    QuickLookWaveView& overview() { return *overview_; }
    MarkerViewController& markerList() { return *markerList_; }
    ExportController& exports() { return *exports_; }
    bool isMarkerListShown() const { return markerListShown_; }
    bool isImportDialogShown() const;
    // The notice that the latest changes could not be written to the recovery folder.
    bool isRecoveryNoticeShown() const;
    RecordPanel& recordPanel() { return *record_; }
    RecordMaskView& recordMask() { return *recordMask_; }
    QToolButton& recordButton() { return *recordButton_; }

    // Runs a command of the command table by id, as the menu would.
    void runCommand(std::string_view id);
    // Imports one media file (File > Import and drops).
    void importFile(const QString& path);
    // Reads the project folder into this window's document behind the progress dialog
    // ("Opening ..."), the window shown and painting meanwhile; done gets the outcome.
    void openFolder(const std::string& folder, std::function<void(Outcome<>)> done);
    // The folder openFolder is reading, empty once it has ended.
    const std::string& folderBeingOpened() const { return openingFolder_; }
    // Applies a zoom value: the engine re-zooms around the middle of the visible area.
    void changeSlideZoomValue(float value);
    // Re-reads the state flags into the actions and the edited mark into the title.
    void refreshState();

    // ProjectWindow
    bool save() override;
    bool saveAs() override;
    void closeWindow() override { close(); }
    void importWithDialog() override;
    void zoomBy(float step) override;
    void zoomToFit() override;
    void zoomToSelection() override;
    void toggleMarkerList() override;
    // The record button: stops a running recording, or opens the recording panel below
    // the button (pausing playback first).
    void recordButtonAction() override;
    void exportProject(bool onMarkers) override;
    void openTags() override;

    // BridgeWindow
    VisibleRegion visibleRegion() const override;
    void setVisibleOriginX(double x) override;
    // The window grows by a row per added track while the screen has room, its top kept.
    double screenHeight() const override;
    double windowHeight() const override;
    void setWindowHeightKeepingTop(double height) override;
    double lastDrawTimelineTime() const override;
    bool confirmDeleteTracks(int64_t first, int64_t last) override;
    bool isRecordingPopoverShown() const override;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenusAndToolbar();
    // File > Open Recent: the recent projects that still exist, then Clear Menu.
    void fillRecentMenu(QMenu& menu);
    // Saves into folder and tells the user what failed or was left out.
    bool saveInto(const std::string& folder, SaveOptions options = {});
    void wireBridge();
    void projectChanged();
    void updateTitle();
    void showImportDialog();
    void hideImportDialog();
    void updateImportProgress();
    void showRecoveryState(const QString& failure);
    void playPauseChanged();
    void doSomethingWhenStartRecordAction();
    void doSomethingWhenStopRecordAction();
    void setRecordButtonLook(bool recording);
    bool canImportNow() const;

    std::unique_ptr<Document> document_;
    Interaction& interaction_;
    TimelineView* timeline_ = nullptr;
    WindowContext context_;
    WindowActions* actions_ = nullptr;
    RulerView* ruler_ = nullptr;
    QuickLookWaveView* overview_ = nullptr;
    MarkerViewController* markerList_ = nullptr;
    ZoomControl* zoom_ = nullptr;
    TimeDisplay* time_ = nullptr;
    SelectionTimeBar* timeBar_ = nullptr;
    RecordingStrip* recordingStrip_ = nullptr;
    RecordPanel* record_ = nullptr;
    RecordMaskView* recordMask_ = nullptr;
    QToolButton* recordButton_ = nullptr;
    ExportController* exports_ = nullptr;
    QPointer<QDialog> importDialog_;
    QPointer<QMessageBox> recoveryNotice_;
    QString importName_;  // the file the running import reads
    std::string openingFolder_;
    QTimer playTimer_;
    bool markerListShown_ = false;
};

}  // namespace wavomer::app
