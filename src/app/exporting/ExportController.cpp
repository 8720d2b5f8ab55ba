#include "exporting/ExportController.h"

#include <QClipboard>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTimer>
#include <QUrl>

#include "EbuR128Meter.h"
#include "FFmpegMovieFileOutput.h"
#include "TagLibTagWriter.h"
#include "config/UserConfig.h"
#include "engine/PlaybackController.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "exporting/ExportOptionsView.h"
#include "exporting/ExportWindow.h"
#include "exporting/ID3WindowController.h"
#include "rules/ExportRules.h"
#include "base/Document.h"
#include "base/Interaction.h"
#include "base/WindowContext.h"
#include "base/Text.h"
#include "util/Log.h"
#include "util/StandardPaths.h"

namespace wavomer::app {

ExportController::ExportController(const WindowContext& context, QObject* parent)
    : QObject(parent),
      context_(context),
      writerEngine_(std::make_unique<FFmpegMediaWriterEngine>()),
      tagWriter_(std::make_unique<TagLibTagWriter>()),
      meters_(std::make_unique<EbuR128Meters>()),
      exporter_(std::make_unique<ProjectExporter>(*writerEngine_, tagWriter_.get(), meters_.get())) {}

ExportController::~ExportController() {
    exporter_->cancel();
    exporter_->wait();
}

ID3WindowController& ExportController::tagDialog() {
    if (!tagDialog_) tagDialog_ = new ID3WindowController(tags_, context_.interaction, context_.parent);
    return *tagDialog_;
}

void ExportController::openId3SettingWindow() { tagDialog().openId3SettingWindow(); }

void ExportController::convertAction(bool onMarkers) {
    Document& document = context_.document;
    WaveEditViewController& engine = document.engine();
    if (document.isRecording() || isExporting()) return;
    {
        UserEvent event(engine);
        document.playback().pause();
        engine.updateTimelineArrayAndSelectStartStopTimeWhenTrackArrayChanged(true);
    }
    showFolderDialog(onMarkers);
}

void ExportController::showFolderDialog(bool onMarkers) {
    const WaveEditViewController& engine = context_.document.engine();
    ExportOptionsView options(tracksToExport(engine.audioTrackArray(), 0.0, engine.farestTrackEndTime()).size(),
                              writerEngine_.get());
    // The last export's choices come first: its folder (while it is there), channels,
    // format and bit depth.
    const UserConfig& config = UserConfig::share();
    options.setConvertUseMarker(onMarkers);
    options.setExportChannelType(config.lastExportChannels);
    options.setBitDepth(config.lastExportBitDepth);
    options.setLoudnessTarget(config.lastExportLoudness, config.lastExportTruePeak, config.lastExportLoudnessPerPiece);
    // The list holds the project's start and end besides the markers.
    options.setHasMarkers(engine.getMarkArrayWihtTrackStartEndTime().size() > 2);
    options.updateFormatMenu(rules::lastExportedFormat(config.defaultFormat));
    QString start = QString::fromStdString(config.lastExportFolder.value_or(std::string()));
    if (start.isEmpty() || !QFileInfo(start).isDir()) start = QString::fromStdString(FileManagerExtention::defaultOutputPath());
    const QString folder = context_.interaction.chooseFolder(context_.parent, Text::tr("Export"), start, &options);
    if (!folder.isEmpty()) doExportAction(folder, options);
}

void ExportController::doExportAction(const QString& folder, ExportOptionsView& options) {
    if (isExporting() || exporter_->isRunning()) return;
    WaveEditViewController& engine = context_.document.engine();
    ExportRequest request;
    request.outputFolder = folder.toStdString();
    request.baseName = exportBaseName(options.baseName(), Text::tr("Audio").toStdString());
    request.format = options.model().encoderSettings();
    request.exportChannelType = options.exportChannelType();
    request.convertUseMarker = options.convertUseMarker();
    request.numberPieceNames = options.numberPieceNames();
    request.bitDepth = options.bitDepth();
    request.loudness = options.loudnessTarget();
    request.chapters = options.chaptersAtMarkers();
    request.chapterTitle = Text::tr("Chapter %1").toStdString();
    request.jobs = 0;  // split pieces on every core
    exportingChoices_ = {request.outputFolder, static_cast<int32_t>(request.exportChannelType), request.bitDepth,
                         request.loudness};
    request.tags = std::make_shared<ID3TagInfo>(*tags_);
    exportingFormat_ = request.format.formatTitle;
    ExportSnapshot snapshot = ExportSnapshot::take(engine.audioTrackArray(), engine.getMarkArrayWihtTrackStartEndTime(),
                                                   engine.farestTrackEndTime());

    exportWindow_ = new ExportWindow([this] { return exporter_->progressValue(); }, context_.parent);
    exportWindow_->setAttribute(Qt::WA_DeleteOnClose, false);
    connect(exportWindow_, &ExportWindow::cancelRequested, this, [this] { exporter_->cancel(); });
    QPointer<ExportController> self(this);
    const bool started = exporter_->start(std::move(request), std::move(snapshot), [self](const ExportReport& report) {
        // On the export thread: only the closing goes to the main thread.
        if (!self) return;
        QMetaObject::invokeMethod(
            self.data(), [self, report] { if (self) self->closeExportWindow(report); }, Qt::QueuedConnection);
    });
    if (!started) {
        delete exportWindow_.data();
        return;
    }
    exportWindow_->show();
}

void ExportController::closeExportWindow(const ExportReport& report) {
    exporter_->wait();
    if (exportWindow_) {
        exportWindow_->finish();
        exportWindow_->deleteLater();
        exportWindow_ = nullptr;
    }
    lastReport_ = report;

    QStringList written;
    for (const std::string& path : report.writtenPaths) written << QString::fromStdString(path);
    switch (rules::afterExport(report)) {
        case rules::AfterExport::showFailure:
            context_.interaction.tell(context_.parent, Text::tr("The export could not be finished."), *report.failure);
            break;
        case rules::AfterExport::openInPlayer:
            context_.interaction.openFiles(written);
            break;
        case rules::AfterExport::revealFiles:
            if (context_.interaction.reveal(written) == Revealed::notAtAll) tellWhereTheFilesAre(written);
            break;
        case rules::AfterExport::nothing:
            break;
    }
    if (report.ok() && !exportingFormat_.empty()) {
        UserConfig& config = UserConfig::share();
        config.setDefaultFormatDic(FormatCatalogue::builtIn().getFormatDicWithdefaultFormat(exportingFormat_));
        config.lastExportFolder = exportingChoices_.folder;
        config.lastExportChannels = exportingChoices_.channels;
        config.lastExportBitDepth = exportingChoices_.bitDepth;
        const std::optional<LoudnessTarget>& loudness = exportingChoices_.loudness;
        config.lastExportLoudness = loudness ? std::optional<double>(loudness->integrated) : std::nullopt;
        if (loudness) {
            config.lastExportTruePeak = loudness->truePeakCeiling;
            config.lastExportLoudnessPerPiece = loudness->perPiece;
        }
        if (Outcome<> saved = config.save(); !saved) logLine("export choices not saved: %s", saved.error().c_str());
    }
    context_.interaction.tellWarnings(context_.parent, Text::tr("The export was finished with warnings."),
                                      report.warnings);
    emit exportFinished();
}

void ExportController::tellWhereTheFilesAre(const QStringList& written) {
    // No file manager took the files: the user still learns where they are.
    Question question;
    question.title = Text::tr("Export Finished");
    question.text = Text::tr("The export is finished, but no file manager could show the files.");
    question.details = written.join(QLatin1Char('\n'));
    question.cancelAnswer = 0;
    question.answers = {Text::tr("OK"), Text::tr("Open Folder"), Text::tr("Copy Path")};
    switch (context_.interaction.confirm(context_.parent, question)) {
        case 1:
            if (!context_.interaction.openUrl(QUrl::fromLocalFile(QFileInfo(written.front()).absolutePath())))
                context_.interaction.tell(context_.parent, Text::tr("The folder could not be opened."),
                                          Failure::at(QFileInfo(written.front()).absolutePath().toStdString(),
                                                      "no program opens folders on this desktop"));
            break;
        case 2: QGuiApplication::clipboard()->setText(written.join(QLatin1Char('\n'))); break;
        default: break;
    }
}

}  // namespace wavomer::app
