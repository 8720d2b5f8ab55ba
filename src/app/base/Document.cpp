#include "base/Document.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "FFmpegMediaEngine.h"
#include "RecorderFactory.h"
#include "bridge/EngineBridge.h"
#include "engine/PlaybackController.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "recovery/Recovery.h"
#include "recovery/RecoverySession.h"
#include "rules/WindowRules.h"
#include "base/QtMainThreadScheduler.h"
#include "base/Text.h"

namespace wavomer::app {

Document::Document(Clipboard& clipboard, OutputDevice output, QObject* parent)
    : QObject(parent),
      scheduler_(std::make_unique<QtMainThreadScheduler>()),
      bridge_(std::make_unique<EngineBridge>()),
      media_(std::make_unique<FFmpegMediaEngine>()),
      output_(output) {
    engine_ = std::make_unique<WaveEditViewController>(*bridge_, clipboard, *scheduler_, undo_, kDefaultTrackCount,
                                                       rules::kZoomInitial);
    // The zoom the undo of a zoom change returns to, as the window starts.
    engine_->zoomViewFloatValue = 11.0;
    engine_->mediaEngine = media_.get();
    scheduler_->setEngine(engine_.get());
    playback_ = std::make_unique<PlaybackController>(*engine_, engine_->projectLock, makeOutputAudioGraph(output),
                                                     bridge_.get());
    bridge_->setPlayback(playback_.get());
    recovery_ = std::make_unique<RecoverySession>(*engine_, *scheduler_);
    recovery_->setDocument(std::nullopt, displayName().toStdString());
    connect(bridge_.get(), &EngineBridge::userEventFinished, this, [this](bool changed) {
        if (changed) recovery_->documentChanged();
    });
    recovery_->writeResult = [this](const std::string& failure) {
        emit recoveryWritten(QString::fromStdString(failure));
    };
}

Document::~Document() {
    // Closed (saved or not): nothing of it is left to recover.
    bridge_->disconnect(this);
    recovery_->close();
    bridge_->setPlayback(nullptr);
    // Work still queued for the engine must not open a user event on it once it is gone.
    scheduler_->setEngine(nullptr);
    playback_.reset();
    // Cancels and joins the conversions; their queued results die with the scheduler.
    engine_.reset();
}

Outcome<> Document::load(const std::string& folder) {
    UserEvent event(*engine_);
    Outcome<> outcome = engine_->readDataFromProject(folder);
    if (outcome && !folder.empty()) readFrom(folder);
    return outcome;
}

void Document::open(const std::string& folder, std::function<void(Outcome<>)> done) {
    UserEvent event(*engine_);
    engine_->readDataFromProjectInBackground(folder, [this, folder, done](Outcome<> outcome) {
        if (outcome) readFrom(folder);
        if (done) done(outcome);
    });
}

void Document::readFrom(const std::string& folder) {
    state_.readFromURL(folder);
    recovery_->setDocument(state_.readPath(), displayName().toStdString());
    emit pathChanged();
}

Outcome<> Document::restore(const RecoveryInfo& info) {
    Outcome<> outcome = [&] {
        UserEvent event(*engine_);
        return restoreRecoveredDocument(*engine_, info);
    }();
    if (!outcome) return outcome;
    if (info.project) {
        state_.readFromURL(*info.project);
        emit pathChanged();
    }
    recovery_->setDocument(state_.readPath(), displayName().toStdString());
    recovery_->documentChanged();
    // The crashed run's audio goes with its folder only when every section now plays
    // this run's own copy.
    bool stillUsed = false;
    for (const auto& track : engine_->audioTrackArray())
        for (const auto& section : track->sectionArray())
            if (section->audioPath && section->audioPath->rfind(info.importFolder + "/", 0) == 0) stillUsed = true;
    removeRecoveryFolder(info.folder, stillUsed ? std::nullopt : std::optional<RecoveryInfo>(info));
    return {};
}

Outcome<Warnings> Document::saveTo(const std::string& folder, SaveOptions options) {
    const std::string absolute = DocumentState::projectFolderOf(folder);
    Outcome<Warnings> outcome = [&] {
        UserEvent event(*engine_);
        return engine_->saveProjectItemToPath(absolute, options);
    }();
    if (outcome && !state_.isAt(absolute)) {
        state_.savedTo(absolute);
        emit pathChanged();
    }
    if (outcome) recovery_->documentSaved(state_.readPath(), displayName().toStdString());
    return outcome;
}

SaveTarget Document::saveTarget(const std::string& folder) const {
    return engine_->saveTargetAt(DocumentState::projectFolderOf(folder));
}

std::string Document::pathBytes(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString Document::pathText(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

void Document::import(const QString& mediaPath, std::function<void(Outcome<>)> done) {
    UserEvent event(*engine_);
    engine_->addDragInFileToWave(pathBytes(mediaPath), std::move(done));
}

QString Document::displayName() const {
    return state_.isUntitled() ? Text::tr("Untitled") : pathText(state_.displayName());
}

bool Document::isEdited() const { return engine_->isDocumentEdited(); }

QString projectFolderOfArgument(const QString& argument) {
    return Document::pathText(DocumentState::projectFolderOf(Document::pathBytes(argument)));
}

}  // namespace wavomer::app

namespace wavomer::app {

bool Document::isRecording() const { return bridge_->isRecording(); }

std::unique_ptr<AudioRecorder> Document::makeRecorder() const {
    return recorderFactory_ ? recorderFactory_() : makeAudioRecorder();
}

}  // namespace wavomer::app
