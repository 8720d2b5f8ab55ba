// Document: one open project and everything that edits and plays it: the undo history,
// the main-thread scheduler, the bridge that hosts the engine, the media engine that
// decodes imports, the editing engine and the playback controller. It opens, saves and
// imports, and answers the edited mark; it shows nothing itself.
//
// Threads: main thread. Destroying it stops playback and cancels and joins any import
// still converting before the engine goes, so no background thread outlives it.
#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "OutputGraphFactory.h"
#include "engine/DocumentState.h"
#include "engine/UndoManager.h"
#include "engine/WaveEditViewController.h"
#include "util/Outcome.h"

namespace wavomer {
class AudioRecorder;
class Clipboard;
class RecoverySession;
struct RecoveryInfo;
class FFmpegMediaEngine;
class PlaybackController;
class WaveEditViewController;
}  // namespace wavomer

namespace wavomer::app {

class EngineBridge;
class QtMainThreadScheduler;

class Document : public QObject {
    Q_OBJECT
public:
    static constexpr int kDefaultTrackCount = 2;

    Document(Clipboard& clipboard, OutputDevice output, QObject* parent = nullptr);
    ~Document() override;

    // Loads a project folder (its path as the system's bytes); an empty folder starts a
    // new project. On failure the document must not be shown: nothing is opened in
    // place of the project.
    Outcome<> load(const std::string& folder);
    Outcome<> load(const QString& folder) { return load(pathBytes(folder)); }
    // The same load read on a thread of its own behind the import progress, for a window
    // already shown; done gets the outcome on the main thread (cancelled when the user
    // stopped it), the document then left as it was.
    void open(const std::string& folder, std::function<void(Outcome<>)> done);
    // Saves into folder and, when that worked, makes it the document's path (the engine
    // clears the edited mark) and answers what the save left out. A failed save keeps
    // the mark.
    Outcome<Warnings> saveTo(const std::string& folder, SaveOptions options = {});
    Outcome<Warnings> saveTo(const QString& folder, SaveOptions options = {}) {
        return saveTo(pathBytes(folder), options);
    }
    // What a save into folder would write over.
    SaveTarget saveTarget(const std::string& folder) const;
    // The document's folder as the system's bytes; empty while untitled.
    std::string pathBytes() const { return state_.readPath().value_or(std::string()); }

    // A path as the system's bytes, and back for showing (file names need not be UTF-8).
    static std::string pathBytes(const QString& path);
    static QString pathText(const std::string& path);
    // Opens the state a crash left in a recovery folder: marked edited, at its own
    // project folder (untitled when it had none); the folder goes once it is open.
    Outcome<> restore(const RecoveryInfo& info);
    // The recovery folder that keeps this document's unsaved edits.
    RecoverySession& recovery() { return *recovery_; }
    // Converts a media file in the background; done runs on the main thread.
    void import(const QString& mediaPath, std::function<void(Outcome<>)> done);

    QString path() const { return pathText(state_.readPath().value_or(std::string())); }
    bool isUntitled() const { return state_.isUntitled(); }
    const DocumentState& state() const { return state_; }
    // The folder's name without ".wvmp", or "Untitled".
    QString displayName() const;
    bool isEdited() const;

    WaveEditViewController& engine() { return *engine_; }
    PlaybackController& playback() { return *playback_; }
    EngineBridge& bridge() { return *bridge_; }
    UndoManager& undo() { return undo_; }
    // The sound output the document plays on; the panels' previews use the same.
    OutputDevice outputDevice() const { return output_; }
    // Whether a recording into the project runs.
    bool isRecording() const;
    // The recorder the recording panel records with: the sound server's, unless a
    // factory was given (the tests' recorders).
    using RecorderFactory = std::function<std::unique_ptr<AudioRecorder>()>;
    void setRecorderFactory(RecorderFactory factory) { recorderFactory_ = std::move(factory); }
    std::unique_ptr<AudioRecorder> makeRecorder() const;

signals:
    void pathChanged();
    // The recovery folder was written: failure is "" when it is up to date, else why the
    // changes are not protected against a crash.
    void recoveryWritten(const QString& failure);

private:
    // Takes folder as the document's path once its project is read from there.
    void readFrom(const std::string& folder);
    UndoManager undo_;
    std::unique_ptr<QtMainThreadScheduler> scheduler_;
    std::unique_ptr<EngineBridge> bridge_;
    std::unique_ptr<FFmpegMediaEngine> media_;
    std::unique_ptr<WaveEditViewController> engine_;
    std::unique_ptr<PlaybackController> playback_;
    std::unique_ptr<RecoverySession> recovery_;
    DocumentState state_;
    OutputDevice output_ = OutputDevice::Automatic;
    RecorderFactory recorderFactory_;
};

// The project folder named by a command-line argument: the folder itself, or the
// folder holding the given "project.plist".
QString projectFolderOfArgument(const QString& argument);

}  // namespace wavomer::app
