// WaveEditViewController: the editing engine of one project. It owns the tracks, the
// markers, the selection (a run of adjacent tracks and a time range) and the cursor,
// maps timeline time to pixels, and performs every edit: splits, ripple delete, cut,
// copy and paste, padding and trimming, insert silence or noise, markers, import
// placement, recording placement, and the project folder. Every model change goes
// through the undoable operations (WaveEditUndo.cpp), each recording its inverse
// first, so one user event is one undo step.
//
// The members are defined by concern in WaveEdit*.cpp: timeline, splitting,
// clipboard, tracks, markers, undo, recording, import and project.
//
// Threads: main thread only. An import, and the recording a stop places, convert on
// a background thread and hand the placement back through the host's scheduler.
//
// Invariants after every completed command: each track's sections touch from 0.0;
// every track ends at the project length; the project does not end in blank
// material; no marker lies beyond the end; the selected tracks are adjacent.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "engine/EngineHost.h"
#include "engine/UndoManager.h"
#include "model/AudioTrack.h"
#include "model/MarkerItem.h"
#include "model/ProjectLock.h"
#include "util/FileIdentity.h"
#include "util/Outcome.h"

namespace wavomer {

class MediaEngine;
class ProjectFolderLock;

// What audioTrackSelection restores: the selected tracks and the selection bounds.
struct SelectionRecord {
    std::vector<TrackPtr> timeline;
    double start = 0.0;
    double end = 0.0;
};

// What went through but the user should hear of ("FILE: what happened").
using Warnings = std::vector<std::string>;

// What a save into a folder would write over, seen from the document saving.
enum class SaveTarget {
    Free,           // no project there yet
    Own,            // this document's project, as it last read or wrote it
    ChangedOnDisk,  // this document's project, changed by another program since
    OtherProject,   // another project
};
struct SaveOptions {
    bool overwriteChanged = false;     // write over a ChangedOnDisk project
    bool replaceOtherProject = false;  // replace an OtherProject's archive and audio
};

class WaveEditViewController {
public:
    static constexpr double kTolerance = 0.001;
    static constexpr const char* kClipboardType = "WVMAudioEditDataType";
    static constexpr const char* kClipboardDeclaredType = "WVMAudioEditDataPboardType";

    WaveEditViewController(EngineHost& host, Clipboard& clipboard, MainThreadScheduler& scheduler,
                           UndoManager& undoManager, int defaultTrackCount = 2, double zoomValue = 11.0);
    ~WaveEditViewController();

    // --- state ---------------------------------------------------------------------
    // The project and its selection, read through these; only the engine's operations
    // change them.
    const std::vector<TrackPtr>& audioTrackArray() const { return audioTrackArray_; }
    // The selected run of tracks.
    const std::vector<TrackPtr>& timelineTrackArray() const { return timelineTrackArray_; }
    // The cursor.
    double currentTimelineTime() const { return currentTimelineTime_; }
    double selectedTimelineStartTime() const { return selectedTimelineStartTime_; }
    double selectedTimelineEndTime() const { return selectedTimelineEndTime_; }
    const std::vector<MarkerPtr>& markArray() const { return markArray_; }
    const MarkerPtr& selectedMarkItem() const { return selectedMarkItem_; }

    // Replace the tracks or the markers whole, without an undo step (a project put in
    // place, a test's set-up); the selection keeps only tracks that remain.
    void setAudioTrackArray(std::vector<TrackPtr> tracks);
    void setMarkArray(std::vector<MarkerPtr> markers);
    // The selected tracks (no undo step: a selection is not an edit).
    void setTimelineTrackArray(std::vector<TrackPtr> tracks);
    void setSelectedMarkItem(MarkerPtr marker) { selectedMarkItem_ = std::move(marker); }
    // Puts the markers in time order.
    void sortMarkArray();

    double currentPixelPerSecond = 0.0;
    double currentMiddleCenterTime = 0.0;
    bool isImporting = false;
    std::string dragInPath;

    // Recording state.
    double recordStartTime = 0.0;
    double recordEndTime = 0.0;
    std::optional<std::vector<float>> recordWaveData;
    double recordWaveTime = 0.0;
    SectionArray recordSectionsArray;

    // Where converted imports, noise and recordings go; the media engine that decodes.
    std::string importFolder;
    MediaEngine* mediaEngine = nullptr;

    // Held by the main thread around every user event that changes the model, and
    // try-locked by the readers (playback, export) for each block they render.
    ProjectLock projectLock;

    UndoManager& undoManager() { return undo_; }

    // The project's edited mark: cleared by loading and by a save that succeeded, which
    // make the history's position the saved one; after every user event that changed
    // the project, set exactly when the history stands elsewhere (undo back to the
    // saved state clears it, redo away sets it). Set explicitly (a recovered state
    // that was never saved), no position of the history counts as saved.
    bool isDocumentEdited() const { return documentEdited_; }
    void setDocumentEdited(bool edited) {
        documentEdited_ = edited;
        savedPosition_ = edited ? kNeverSaved : undo_.historyPosition();
        if (!edited) ++editedMarkClears_;
    }
    void projectChangedByEvent() { documentEdited_ = undo_.historyPosition() != savedPosition_; }
    // Whether the calling code runs inside a user event on the main thread.
    bool isInUserEvent() const;
    EngineHost& host() { return host_; }

    // --- timeline geometry and selection -------------------------------------------
    static double pixelPerSecondForZoom(double zoomValue);
    double timeToPointX(double time) const { return time * currentPixelPerSecond; }
    double timeToLength(double duration) const { return duration * currentPixelPerSecond; }
    double timeFromPointX(double x) const;
    TrackPtr trackOfPointY(double y) const;
    double farestTrackEndTime() const;
    double longestTrackWidth() const { return farestTrackEndTime() * currentPixelPerSecond; }
    float waveTrackCurrentHeight() const;
    double contentWidth() const;
    void updateCurrentTimelineTime(double time);
    void resetSelectedTimelineStartEndTime();
    double timeFor50Pixel() const;
    bool isCurrentTimelineTimeVisisbleContentRect() const;
    void updateCurrentMiddleCenterTime();
    void keepCurrentMiddleTimeWhenWaveScrollWheel();
    // Scrolls the rows so the cursor is in the middle, when it is out of view.
    void centreCursorIfHidden();
    void autoChangeScrollviewContentWhenPlayToRightEdge();
    void reloadWave();
    void reloadWaveWithoutChangeWavePoint() { reloadWave(); }
    // Click and drag in the edit view: the selection the view makes.
    void selectTracks(size_t first, size_t last);
    void setSelection(double start, double end);

    // --- splitting and deletion ----------------------------------------------------
    bool hasSelectedSection() const;
    void updateNewSectionsInTrack(const TrackPtr& track, double timeOne, double timeTwo);
    SectionPtr createNewSectionWithOldSection(const SectionPtr& section, double newStartTime);
    void changeOldAudioSection(const SectionPtr& section, double newEndTime);
    void insertAudioSection(const SectionPtr& newSection, const SectionPtr& afterSection, const TrackPtr& track);
    // The run of whole sections between lo and hi in a split track: [first, last]
    // indexes, or nullopt when the track has none.
    std::optional<std::pair<size_t, size_t>> locateRun(const TrackPtr& track, double lo, double hi) const;
    std::optional<std::vector<SectionArray>> getSelectedSectionsArray();
    void deleteSections();
    void deleteSectionsAction();
    void selectAllAction();

    // --- cut, copy, paste ----------------------------------------------------------
    void cutSectionsAction();
    void copySectionsAction();
    void pasteSectionsAction();
    bool canPaste() const;

    // --- tracks, insert silence and noise -------------------------------------------
    void initTrack(int defaultTrackCount);
    TrackPtr addNewTrack();
    TrackPtr insertTrackWithBlankSectionDuration(double duration, size_t index);
    void makeAllTrackEndTheSameTime();
    void removeBlankSectionsAtEnd();
    void fixAllTracks();
    void updateTimelineArrayAndSelectStartStopTimeWhenTrackArrayChanged(bool grew);
    Outcome<> insertMute(bool mute, double duration);

    // --- markers ---------------------------------------------------------------------
    void removeUnnecessaryMarks();
    std::vector<MarkerPtr> getMarkArrayWihtTrackStartEndTime() const;
    void updateSelectedMarker(const MarkerPtr& marker);

    // --- undoable operations ------------------------------------------------------------
    bool currentIsInUndoRedo() const { return undo_.isUndoing() || undo_.isRedoing(); }
    void audioEditControllerUndoTrackArray(const std::vector<TrackPtr>& tracks);
    void waveEditControllerUndoMarkerArray(const std::vector<MarkerPtr>& markers);
    // Moves one marker to time and keeps the list in time order (a dragged marker's
    // move, recorded at the release so undo puts it back).
    void waveEditControllerUndoMarkerTime(const MarkerPtr& marker, double time);
    // Names a marker (an empty name or none removes it); one undoable change.
    void setMarkerName(const MarkerPtr& marker, std::optional<std::string> name);
    void audioTrackSectionArray(const TrackPtr& track, const SectionArray& sections);
    void audioTrackSelection(const std::optional<SelectionRecord>& record);
    SelectionRecord getacurrentAudioTrackSelection() const;
    void audioSectionStartTime(const SectionPtr& section, double value);
    void audioSectionEndTime(const SectionPtr& section, double value);
    void audioSectionTrackStartTime(const SectionPtr& section, double value);
    void audioSectionTrackEndTime(const SectionPtr& section, double value);
    void audioSectionIsMute(const SectionPtr& section, bool value);
    void audioSectionFadeMode(const SectionPtr& section, int32_t value);
    void audioSectionVolumeValue(const SectionPtr& section, double value);
    void audioSectionEffectDic(const SectionPtr& section, const std::optional<EffectDic>& value);
    // The fade fields that the fade commands also record, so undo restores a whole fade.
    void audioSectionFadeShape(const SectionPtr& section, double offset, double duration, double customStart,
                               double customStop);
    void waveViewNeedUpdate();
    void reloadWaveForUndoRedo();
    void audioEditControllerUndoCurrentPixelPerSecond(double zoomValue);
    double zoomViewFloatValue = 11.0;

    // --- recording into the timeline --------------------------------------------------
    void initRecordSectionArray();
    void saveRecordAudioLevelToCurrentTime(float level, double duration);
    float readRecordAudioLevelWithTime(double time) const;
    void doRecordWithRecordDurationChange(double duration);
    // Places the recording from recordStartTime to recordEndTime on every selected
    // track, the recorded file converted once and its sample data shared by the
    // sections; with no track selected, it goes on new tracks, one per channel. This
    // one converts on the calling thread (recovery, tests); the stop of a recording
    // uses placeRecordingInBackground.
    Outcome<> insertRecordSectionsToTrackWhenRecordFinish(const std::string& recordedPath);
    // The same placing behind the import progress: the file is converted on an import
    // thread (cancelImports stops it) while the main thread goes on, then placed on the
    // main thread in one user event, one undo step. done runs on the main thread with
    // the outcome; a failed or cancelled conversion leaves the timeline as it was and
    // the recorded file where it is.
    void placeRecordingInBackground(const std::string& recordedPath, std::function<void(Outcome<>)> done);
    void clearRecordDicArrayWhenFinish();

    // --- import ----------------------------------------------------------------------
    // Converts media on a background thread, then places it through the scheduler;
    // done runs on the main thread when the import has ended, with its outcome.
    void addDragInFileToWave(const std::string& mediaPath, std::function<void(Outcome<>)> done = nullptr);
    // The placement step for an already converted sample data file.
    Outcome<> placeConvertedFile(const std::string& sampleDataPath);
    bool importInProgress() const { return !importJobs_.empty(); }
    // The share of the newest running import decoded so far (0..1), or -1 when
    // unknown (no import runs, or the file does not state its length).
    double importProgress() const;
    // Stops the running imports: each ends as cancelled and leaves nothing behind.
    void cancelImports();

    // --- the project folder --------------------------------------------------------------
    // Saves the project into folder: every source is placed in "Audios" (linked, or
    // copied) before "project.plist" is replaced, so a save that cannot keep the
    // audio fails and leaves the old archive as it was. Only sample data files are
    // placed: anything else an archive names is left out, with a warning, as is a
    // source that is missing everywhere. A folder another process has open for
    // editing is refused, naming that process.
    // A successful save clears the edited mark and answers what it left out.
    //
    // "Audios" must be a real folder inside the project folder: a link there (or
    // anything but a sample data file of ours where a file would be replaced) is
    // named and left alone, and the save fails. A save over a project this document
    // did not last read or write (see saveTargetAt) is refused unless options allow
    // it, and a save that fails removes what it created.
    SaveTarget saveTargetAt(const std::string& folder) const;
    Outcome<Warnings> saveProjectItemToPath(const std::string& folder, SaveOptions options = {});
    // The sources of sections that cannot be heard ("PATH: REASON", one per file):
    // missing, refused or not sample data. Their sections play silence.
    std::vector<std::string> unreadableSources() const;
    // Loads a project folder (or starts a new project when folder is empty), and
    // takes the folder's lock for this process when no other process holds it.
    Outcome<> readDataFromProject(const std::string& folder);
    // The same load behind the import progress while the main thread goes on: the
    // archive is read and decoded, and every section pointed at its source, on a thread
    // of its own that reports its share (importProgress) and stops at cancelImports.
    // done runs on the main thread once the project is in place, or with the failure
    // (cancelled, when the user stopped it), the project then left as it was.
    void readDataFromProjectInBackground(const std::string& folder, std::function<void(Outcome<>)> done);
    // What a project folder holds, read apart from any engine (so on any thread): the
    // archive's lists, with every section pointed at its source. cancel stops it between
    // sections; fraction gets the share of sections pointed so far.
    struct ReadProject;
    static Outcome<std::shared_ptr<ReadProject>> readProjectFolder(const std::string& folder,
                                                                   const std::atomic<bool>* cancel = nullptr,
                                                                   std::atomic<double>* fraction = nullptr);
    // Puts a state recovered after a crash in place of the project: marked edited, its
    // sample data linked (or copied) into this engine's import folder, and at folder
    // when it had one (whose lock it takes; refused when another process holds it).
    Outcome<> restoreRecoveredProject(std::vector<TrackPtr> tracks, std::vector<MarkerPtr> markers,
                                      const std::optional<std::string>& folder);

    // The folder imports are converted into: importFolder, or this process's own.
    std::string importTargetFolder() const;

private:
    Outcome<> placeReadProject(const std::string& folder, ReadProject* read);
    // The recording's sections over an already converted sample data file.
    Outcome<> placeRecordedSections(const std::string& convertedPath);
    Outcome<> placeRecordingOnNewTracks(const std::string& convertedPath);
    // Converts media into the import folder on a thread of this engine (an import job,
    // with its progress and cancel), and hands the outcome to converted on the main thread.
    void convertInBackground(const std::string& mediaPath, std::function<void(Outcome<std::string>)> converted);
    friend class UserEvent;
    // Records the inverse of a change; asserts (in debug builds) that it runs inside a
    // user event on the main thread.
    void recordInverse(UndoManager::Action inverse);
    template <typename Value>
    void setSectionField(const SectionPtr& section, Value AudioSection::*field, Value value,
                         void (WaveEditViewController::*setter)(const SectionPtr&, Value), bool refresh);
    void moveSections(const SectionArray& sections, size_t from, double delta);
    // Splits a track at two times and locates the run of whole sections between them.
    std::optional<std::pair<size_t, size_t>> splitAndLocateRun(const TrackPtr& track, double splitOne, double splitTwo);
    // Takes a run out of its track, moving the later sections left; answers the run.
    SectionArray rippleRemoveRun(const TrackPtr& track, std::pair<size_t, size_t> run);
    TrackPtr makeTrack();
    void growWindowForNewTrack();
    Outcome<std::string> newNoiseSampleFile();
    // Pasted sections whose sample data lives in another program's import subfolder get
    // a link or a copy of it in this project's import folder.
    void adoptForeignImportFiles(std::vector<SectionArray>& payload);
    Outcome<std::string> convertForTimeline(const std::string& mediaPath);

    EngineHost& host_;
    Clipboard& clipboard_;
    MainThreadScheduler& scheduler_;
    UndoManager& undo_;
    // The import conversions running on threads of this engine. Each is joined when its
    // result reaches the main thread; destroying the engine cancels and joins them all.
    struct ImportState {
        std::atomic<bool> cancel{false};   // raised by the user or by the engine going
        std::atomic<double> fraction{-1};  // decoded share of the file; -1 while unknown
    };
    struct ImportJob {
        uint64_t id = 0;
        std::thread thread;
        std::shared_ptr<ImportState> state;
    };
    std::vector<ImportJob> importJobs_;
    uint64_t lastImportJob_ = 0;
    std::atomic<bool> cancelImports_{false};
    void finishImportJob(uint64_t id);
    int userEventDepth_ = 0;
    bool documentEdited_ = false;
    static constexpr uint64_t kNeverSaved = UINT64_MAX;
    uint64_t savedPosition_ = 0;
    uint64_t editedMarkClears_ = 0;  // a load or save inside an event leaves the mark clear
    std::thread::id mainThread_ = std::this_thread::get_id();

    std::vector<TrackPtr> audioTrackArray_;
    std::vector<TrackPtr> timelineTrackArray_;
    double currentTimelineTime_ = 0.0;
    double selectedTimelineStartTime_ = 0.0;
    double selectedTimelineEndTime_ = 0.0;
    std::vector<MarkerPtr> markArray_;
    MarkerPtr selectedMarkItem_;
    std::shared_ptr<bool> alive_;
    // The project folders this engine opened or saved into; released with the engine.
    std::vector<std::shared_ptr<ProjectFolderLock>> folderLocks_;
    // The folder this document last read or wrote, and what its "project.plist" was then.
    std::string projectFolder_;
    FileIdentity projectFileIdentity_;
};

// Set while a deferred rebuild after undo or redo is scheduled (shared by all projects).
extern std::atomic<bool> gWaveViewRefreshScheduled;

}  // namespace wavomer
