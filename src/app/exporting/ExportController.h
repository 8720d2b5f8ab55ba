// ExportController: the export side of one project window. It holds the window's tag
// set (empty when the window opens, kept only in memory) and its tag dialog, runs
// Export and Export on Markers (folder dialog with the export options, the export on
// the core's ProjectExporter in the background, the modal export window with progress
// and Cancel) and afterwards reveals the written files, opens them in the audio player,
// or shows why the export failed. One per window, made by it with the window's context.
//
// Threads: main thread; the exporter's finished callback is posted back to it.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "export/ProjectExporter.h"
#include "exporting/ExportWindow.h"
#include "model/ID3TagInfo.h"

namespace wavomer {
class FFmpegMediaWriterEngine;
class TagLibTagWriter;
class EbuR128Meters;
}  // namespace wavomer

namespace wavomer::app {

class ExportOptionsView;
class ID3WindowController;
struct WindowContext;

class ExportController : public QObject {
    Q_OBJECT
public:
    // Exports the context's document; its questions go through the context's interaction.
    ExportController(const WindowContext& context, QObject* parent);
    ~ExportController() override;  // cancels a running export and waits for it

    // convertAction / convertOnMarksAction: ignored while recording; pauses playback,
    // collapses the selection onto the cursor, then asks for the folder with the export
    // options (the marker split preset as asked) and starts the export on OK.
    void convertAction(bool onMarkers);
    // Starts the export into folder with the options' choices and shows the export window.
    void doExportAction(const QString& folder, ExportOptionsView& options);
    // openId3SettingWindow: the tag dialog, application-modal.
    void openId3SettingWindow();

    ID3TagInfo& id3TagInfo() { return *tags_; }
    ID3WindowController& tagDialog();
    bool isExporting() const { return exportWindow_ != nullptr; }
    ExportWindow* exportWindow() const { return exportWindow_; }
    ProjectExporter& exporter() { return *exporter_; }
    // What the last export that ended wrote and why it stopped.
    const ExportReport& lastReport() const { return lastReport_; }

signals:
    // The export window closed; lastReport() says what was written and what failed.
    void exportFinished();

private:
    // The written files, their folder and a copy of their paths, offered when no file
    // manager could show them.
    void tellWhereTheFilesAre(const QStringList& written);
    void showFolderDialog(bool onMarkers);
    void closeExportWindow(const ExportReport& report);

    const WindowContext& context_;
    std::shared_ptr<ID3TagInfo> tags_ = std::make_shared<ID3TagInfo>();
    std::unique_ptr<FFmpegMediaWriterEngine> writerEngine_;
    std::unique_ptr<TagLibTagWriter> tagWriter_;
    std::unique_ptr<EbuR128Meters> meters_;
    std::unique_ptr<ProjectExporter> exporter_;
    ID3WindowController* tagDialog_ = nullptr;
    QPointer<ExportWindow> exportWindow_;
    std::string exportingFormat_;
    // What the running export was asked for, kept for the next one once it succeeds.
    struct Choices {
        std::string folder;
        int32_t channels = 0;
        int32_t bitDepth = 16;
        std::optional<LoudnessTarget> loudness;
    } exportingChoices_;
    ExportReport lastReport_;
};

}  // namespace wavomer::app
