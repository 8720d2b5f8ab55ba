#include "exporting/ExportController.h"

#include <QFileDialog>
#include <QGridLayout>
#include <QTimer>

#include "FFmpegMovieFileOutput.h"
#include "TagLibTagWriter.h"
#include "config/UserConfig.h"
#include "engine/PlaybackController.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "exporting/ExportOptionsView.h"
#include "exporting/ExportWindow.h"
#include "exporting/FileReveal.h"
#include "exporting/ID3WindowController.h"
#include "rules/ExportRules.h"
#include "shell/FailurePresenter.h"
#include "shell/Text.h"
#include "timeline/TimelineView.h"
#include "util/StandardPaths.h"
#include "window/MainWindow.h"

namespace wavomer::app {

ExportController& ExportController::of(MainWindow& window) {
    if (auto* existing = window.findChild<ExportController*>(QString(), Qt::FindDirectChildrenOnly)) return *existing;
    return *new ExportController(window);
}

ExportController::ExportController(MainWindow& window)
    : QObject(&window),
      window_(window),
      writerEngine_(std::make_unique<FFmpegMediaWriterEngine>()),
      tagWriter_(std::make_unique<TagLibTagWriter>()),
      exporter_(std::make_unique<ProjectExporter>(*writerEngine_, tagWriter_.get())) {}

ExportController::~ExportController() {
    exporter_->cancel();
    exporter_->wait();
}

ID3WindowController& ExportController::tagDialog() {
    if (!tagDialog_) tagDialog_ = new ID3WindowController(tags_, &window_);
    return *tagDialog_;
}

void ExportController::openId3SettingWindow() { tagDialog().openId3SettingWindow(); }

void ExportController::convertAction(bool onMarkers) {
    Document& document = window_.document();
    WaveEditViewController& engine = document.engine();
    if (engine.host().isRecording() || isExporting()) return;
    document.playback().pause();
    {
        UserEvent event(engine);
        engine.updateTimelineArrayAndSelectStartStopTimeWhenTrackArrayChanged(true);
    }
    window_.timeline().redrawAll();
    showFolderDialog(onMarkers);
}

void ExportController::showFolderDialog(bool onMarkers) {
    auto* options = new ExportOptionsView(window_.document().engine().audioTrackArray().size(), writerEngine_.get());
    options->setConvertUseMarker(onMarkers);
    options->updateFormatMenu(rules::lastExportedFormat(UserConfig::share().defaultFormat));
    if (exportFolderPrompt) {
        std::unique_ptr<ExportOptionsView> owned(options);
        const QString folder = exportFolderPrompt(*options);
        if (!folder.isEmpty()) doExportAction(folder, *options);
        return;
    }
    auto* dialog = new QFileDialog(&window_, Text::tr("Export"));
    dialog->setObjectName(QStringLiteral("exportFolderDialog"));
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setOption(QFileDialog::DontUseNativeDialog);  // a native dialog takes no accessory view
    dialog->setOption(QFileDialog::ShowDirsOnly);
    dialog->setFileMode(QFileDialog::Directory);
    dialog->setAcceptMode(QFileDialog::AcceptOpen);
    dialog->setLabelText(QFileDialog::Accept, Text::tr("Choose"));
    dialog->setDirectory(QString::fromStdString(FileManagerExtention::defaultOutputPath()));
    options->setParent(dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog->layout()))
        grid->addWidget(options, grid->rowCount(), 0, 1, grid->columnCount());
    else
        dialog->layout()->addWidget(options);
    QPointer<ExportController> self(this);
    connect(dialog, &QFileDialog::accepted, this, [self, dialog, options] {
        const QStringList chosen = dialog->selectedFiles();
        if (!self || chosen.isEmpty()) return;
        self->doExportAction(chosen.front(), *options);
    });
    dialog->open();  // a sheet: modal to the project window only
}

void ExportController::doExportAction(const QString& folder, ExportOptionsView& options) {
    if (isExporting() || exporter_->isRunning()) return;
    WaveEditViewController& engine = window_.document().engine();
    ExportRequest request;
    request.outputFolder = folder.toStdString();
    request.baseName = Text::tr("Audio").toStdString();
    request.format = options.model().encoderSettings();
    request.exportChannelType = options.exportChannelType();
    request.convertUseMarker = options.convertUseMarker();
    request.tags = std::make_shared<ID3TagInfo>(*tags_);
    exportingFormat_ = request.format.formatTitle;
    ExportSnapshot snapshot = ExportSnapshot::take(engine.audioTrackArray(), engine.getMarkArrayWihtTrackStartEndTime(),
                                                   engine.farestTrackEndTime());

    exportWindow_ = new ExportWindow([this] { return exporter_->progressValue(); }, &window_);
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
    window_.timeline().redrawAll();
    window_.refreshState();

    QStringList written;
    for (const std::string& path : report.writtenPaths) written << QString::fromStdString(path);
    switch (rules::afterExport(report)) {
        case rules::AfterExport::showFailure:
            showFailure(&window_, Text::tr("The export could not be finished."), *report.failure);
            break;
        case rules::AfterExport::openInPlayer:
            openFilesOnDesktop(written);
            break;
        case rules::AfterExport::revealFiles:
            revealFiles(written);
            break;
        case rules::AfterExport::nothing:
            break;
    }
    if (report.ok() && !exportingFormat_.empty())
        UserConfig::share().setDefaultFormatDic(FormatCatalogue::builtIn().getFormatDicWithdefaultFormat(exportingFormat_));
    if (!report.warnings.empty()) showWarnings(&window_, Text::tr("The export was finished with warnings."), report.warnings);
    emit exportFinished();
}

}  // namespace wavomer::app
