#include "shell/Document.h"

#include <QDir>
#include <QFileInfo>

#include "FFmpegMediaEngine.h"
#include "bridge/EngineBridge.h"
#include "engine/PlaybackController.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "rules/WindowRules.h"
#include "shell/QtMainThreadScheduler.h"
#include "shell/Text.h"

namespace wavomer::app {

namespace {

// The only place the window reads the engine's result type.
DocumentOutcome outcomeOf(const EngineResult& result) { return {result.ok, result.error, result.warnings}; }

}  // namespace

Document::Document(Clipboard& clipboard, OutputDevice output, QObject* parent)
    : QObject(parent),
      scheduler_(std::make_unique<QtMainThreadScheduler>()),
      bridge_(std::make_unique<EngineBridge>()),
      media_(std::make_unique<FFmpegMediaEngine>()) {
    engine_ = std::make_unique<WaveEditViewController>(*bridge_, clipboard, *scheduler_, undo_, kDefaultTrackCount,
                                                       rules::kZoomInitial);
    // The zoom the undo of a zoom change returns to, as the window starts.
    engine_->zoomViewFloatValue = 11.0;
    engine_->mediaEngine = media_.get();
    scheduler_->setEngine(engine_.get());
    playback_ = std::make_unique<PlaybackController>(*engine_, engine_->projectLock, makeOutputAudioGraph(output),
                                                     bridge_.get());
    bridge_->setPlayback(playback_.get());
}

Document::~Document() {
    bridge_->setPlayback(nullptr);
    // Work still queued for the engine must not open a user event on it once it is gone.
    scheduler_->setEngine(nullptr);
    playback_.reset();
    // Cancels and joins the conversions; their queued results die with the scheduler.
    engine_.reset();
}

DocumentOutcome Document::load(const QString& folder) {
    UserEvent event(*engine_);
    DocumentOutcome outcome = outcomeOf(engine_->readDataFromProject(folder.toStdString()));
    if (outcome.ok && !folder.isEmpty()) {
        path_ = QFileInfo(folder).absoluteFilePath();
        emit pathChanged();
    }
    return outcome;
}

DocumentOutcome Document::saveTo(const QString& folder) {
    const QString absolute = QFileInfo(folder).absoluteFilePath();
    DocumentOutcome outcome;
    {
        UserEvent event(*engine_);
        outcome = outcomeOf(engine_->saveProjectItemToPath(absolute.toStdString()));
        if (outcome.ok) engine_->setDocumentEdited(false);
    }
    if (outcome.ok && absolute != path_) {
        path_ = absolute;
        emit pathChanged();
    }
    return outcome;
}

void Document::import(const QString& mediaPath, std::function<void(DocumentOutcome)> done) {
    UserEvent event(*engine_);
    engine_->addDragInFileToWave(mediaPath.toStdString(), [done = std::move(done)](EngineResult result) {
        if (done) done(outcomeOf(result));
    });
}

QString Document::displayName() const {
    if (path_.isEmpty()) return text("Untitled");
    QString name = QFileInfo(path_).fileName();
    if (name.endsWith(QStringLiteral(".wvmp"), Qt::CaseInsensitive)) name.chop(5);
    return name;
}

bool Document::isEdited() const { return engine_->isDocumentEdited(); }

QString projectFolderOfArgument(const QString& argument) {
    QString path = QDir::cleanPath(argument);
    if (QFileInfo(path).fileName() == QStringLiteral("project.plist")) path = QFileInfo(path).path();
    return path;
}

}  // namespace wavomer::app
