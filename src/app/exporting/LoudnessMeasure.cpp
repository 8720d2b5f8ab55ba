#include "exporting/LoudnessMeasure.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
#include <cmath>
#include <thread>

#include "base/Document.h"
#include "base/Interaction.h"
#include "base/Text.h"
#include "base/WindowContext.h"
#include "engine/WaveEditViewController.h"
#include "export/ExportFolds.h"
#include "export/TrackSnapshot.h"

namespace wavomer::app {

namespace {
QString figureText(const std::optional<double>& value, const char* unit) {
    if (!value) return Text::tr("no sound");
    return QStringLiteral("%1 %2").arg(*value, 0, 'f', 1).arg(QLatin1String(unit));
}
}  // namespace

QString loudnessReport(const Loudness& loudness) {
    return Text::tr("Integrated loudness: %1\nLoudness range: %2\nTrue peak: %3\nSample peak: %4")
        .arg(figureText(loudness.integrated, "LUFS"), figureText(loudness.range, "LU"),
             figureText(loudness.truePeak, "dBTP"), figureText(loudness.samplePeak, "dBFS"));
}

void measureLoudness(const WindowContext& context) {
    WaveEditViewController& engine = context.document.engine();
    double from = std::min(engine.selectedTimelineStartTime(), engine.selectedTimelineEndTime());
    double to = std::max(engine.selectedTimelineStartTime(), engine.selectedTimelineEndTime());
    std::vector<TrackPtr> tracks = engine.timelineTrackArray();
    const bool wholeProject = to - from < 1e-9 || tracks.empty();
    if (wholeProject) {
        from = 0.0;
        to = engine.farestTrackEndTime();
        tracks = engine.audioTrackArray();
    }
    // A copy of the tracks, so the project may be played or edited meanwhile.
    auto snapshot = std::make_shared<TrackSnapshot>(TrackSnapshot::take(tracksToExport(tracks, from, to)));
    const auto first = static_cast<int64_t>(std::trunc(from * 44100.0));
    const auto last = std::max(first, static_cast<int64_t>(std::trunc(to * 44100.0)));

    std::atomic<bool> cancel{false}, done{false};
    std::atomic<double> progress{0.0};
    std::optional<Loudness> measured;
    std::thread worker([&] {
        measured = measureFoldLoudness(*snapshot, first, last, kChannelPerTrack, &cancel, &progress);
        done = true;
    });
    QProgressDialog dialog(Text::tr("Measuring the loudness..."), Text::tr("Cancel"), 0, 1000, context.parent);
    dialog.setWindowTitle(Text::tr("Loudness"));
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setMinimumDuration(300);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        dialog.setValue(static_cast<int>(progress.load() * 1000.0));
        if (done) loop.quit();
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &loop, [&] { cancel = true; });
    poll.start(30);
    loop.exec();
    poll.stop();
    worker.join();
    dialog.hide();
    if (cancel || !measured) return;
    Question report;
    report.title = Text::tr("Loudness");
    report.text = wholeProject ? Text::tr("The loudness of the project") : Text::tr("The loudness of the selection");
    report.details = loudnessReport(*measured);
    report.answers = {Text::tr("OK")};
    context.interaction.confirm(context.parent, report);
}

}  // namespace wavomer::app
