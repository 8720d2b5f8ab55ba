// MainWindow: one project's window. It owns the document and the views, builds the
// menus and the toolbar from the command table, wires the bridge's signals to the
// views, runs the commands (each inside one user event), shows the import progress
// as a window-modal dialog, drives the 0.08 s play tick and guards closing with
// Save / Don't Save / Cancel. Drawing and numeric rules live in the views and helpers.
//
// Threads: main thread.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QTimer>
#include <functional>
#include <memory>

#include "shell/Document.h"

class QDialog;
class QMessageBox;
class QToolButton;

namespace wavomer::app {

class MarkerViewController;
class RecordMaskView;
class RecordPanel;
class QuickLookWaveView;
class RulerView;
class TimeDisplay;
class TimelineView;
class WindowActions;
class ZoomControl;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    explicit MainWindow(std::unique_ptr<Document> document, QWidget* parent = nullptr);
    ~MainWindow() override;

    Document& document() { return *document_; }
    WindowActions& actions() { return *actions_; }
    TimelineView& timeline() { return *timeline_; }
    RulerView& ruler() { return *ruler_; }
    ZoomControl& zoomControl() { return *zoom_; }
    TimeDisplay& timeDisplay() { return *time_; }
    QuickLookWaveView& overview() { return *overview_; }
    MarkerViewController& markerList() { return *markerList_; }
    bool isMarkerListShown() const { return markerListShown_; }
    bool isImportDialogShown() const;
    // The notice that the latest changes could not be written to the recovery folder.
    bool isRecoveryNoticeShown() const;
    RecordPanel& recordPanel() { return *record_; }
    RecordMaskView& recordMask() { return *recordMask_; }
    QToolButton& recordButton() { return *recordButton_; }

    // The record button: stops a running recording, or opens the recording panel below
    // the button (pausing playback first).
    void recordButtonAction();

    // Runs a command of the command table by id, as the menu would.
    void runCommand(const QString& id);
    // Imports one media file (File > Import and drops).
    void importFile(const QString& path);
    // Saves to the document's path, or asks for one; false when nothing was saved.
    bool save();
    bool saveAs();
    // Applies a zoom value: the engine re-zooms around the middle of the visible area.
    void changeSlideZoomValue(float value);
    // Re-reads the state flags into the actions and the edited mark into the title.
    void refreshState();

    // Answers Save, Discard or Cancel for closing with unsaved changes (a box by default).
    std::function<int()> unsavedChangesPrompt;
    // Answers the folder to save a new project into (a dialog by default); empty cancels.
    std::function<QString()> saveFolderPrompt;
    // Answers whether Save As may replace what exists at the chosen name (a box by default).
    std::function<bool(const QString& message)> replacePrompt;
    // Answers what Save does when another program changed the project since (a box by default).
    enum class ChangedOnDiskAnswer { Overwrite, SaveAs, Cancel };
    std::function<ChangedOnDiskAnswer(const QString& message)> changedOnDiskPrompt;
    // Answers OK (true) or Cancel for deleting the selected tracks, shown the message (a
    // box by default).
    std::function<bool(const QString& message)> deleteTracksPrompt;
    // Tells that the window stays open because a recording runs (a box by default).
    std::function<void(const QString& message)> closeRefusedNotice;

signals:
    void newProjectRequested();
    void openProjectRequested();
    void quitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenusAndToolbar();
    // Saves into folder and tells the user what failed or was left out.
    bool saveInto(const std::string& folder, SaveOptions options = {});
    void wireBridge();
    void updateTitle();
    void showImportDialog();
    void hideImportDialog();
    void updateImportProgress();
    void showRecoveryState(const QString& failure);
    void playPauseChanged();
    void showMarkerViewController();
    void doSomethingWhenStartRecordAction();
    void doSomethingWhenStopRecordAction();
    void setRecordButtonLook(bool recording);
    bool canImportNow() const;

    std::unique_ptr<Document> document_;
    WindowActions* actions_ = nullptr;
    TimelineView* timeline_ = nullptr;
    RulerView* ruler_ = nullptr;
    QuickLookWaveView* overview_ = nullptr;
    MarkerViewController* markerList_ = nullptr;
    ZoomControl* zoom_ = nullptr;
    TimeDisplay* time_ = nullptr;
    RecordPanel* record_ = nullptr;
    RecordMaskView* recordMask_ = nullptr;
    QToolButton* recordButton_ = nullptr;
    QPointer<QDialog> importDialog_;
    QPointer<QMessageBox> recoveryNotice_;
    QString importName_;  // the file the running import reads
    QTimer playTimer_;
    bool markerListShown_ = false;
};

}  // namespace wavomer::app
