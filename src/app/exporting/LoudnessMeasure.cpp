#include "exporting/LoudnessMeasure.h"

#include <cmath>
#include <thread>

#include "base/BackgroundTask.h"
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
    const auto [from, to, tracks, wholeProject] = readScope(context.document.engine());
    // A copy of the tracks, so the project may be played or edited meanwhile.
    auto snapshot = std::make_shared<TrackSnapshot>(TrackSnapshot::take(tracksToExport(tracks, from, to)));
    const auto first = static_cast<int64_t>(std::trunc(from * 44100.0));
    const auto last = std::max(first, static_cast<int64_t>(std::trunc(to * 44100.0)));

    std::optional<Loudness> measured;
    const int threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    BackgroundTask task;
    task.title = Text::tr("Loudness");
    task.label = Text::tr("Measuring the loudness...");
    task.progressName = Text::tr("Measuring progress");
    task.work = [&](const std::atomic<bool>& cancel, std::atomic<double>& progress) {
        measured = measureFoldLoudness(*snapshot, first, last, kChannelPerTrack, &cancel, &progress, threads);
    };
    if (!runInBackground(context.parent, task) || !measured) return;
    Question report;
    report.kind = Question::Kind::information;
    report.title = Text::tr("Loudness");
    report.text = wholeProject ? Text::tr("The loudness of the project") : Text::tr("The loudness of the selection");
    report.details = loudnessReport(*measured);
    report.answers = {Text::tr("OK")};
    context.interaction.confirm(context.parent, report);
}

}  // namespace wavomer::app
