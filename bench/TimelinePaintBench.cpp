// How fast the window draws its tracks: an 8-track, 3-hour project (each track 90
// sections of a 2-minute stereo sample data file made at start) in a 1920x1080 window on
// Qt's offscreen platform, at zoom 1, 30 and 70. Each benchmark is one user-visible
// redraw, painted into the window's backing store as the program does it:
//   FullRepaint   the whole timeline viewport
//   CursorTick    the play tick's two cursor strips (old and new position)
//   Scroll16      a 16-pixel scroll (the blit, the exposed strip and the ruler)
//   ZoomStep      one zoom step (re-zoom around the middle, reload, full repaint)
//   Polygon       the same rows drawn as one filled polygon each into an image of the
//                 viewport's size; counter "ratio" is its cost over FullRepaint's
//   FirstFrame    from opening the saved project to the first painted timeline
// and, for a big project (50 tracks of 400 sections each: 20,000 sections, audio and blank
// in turn, with fades, volumes and effects here and there, and 100 markers), what the
// document does with it:
//   BigOpen       loading the saved project into a new document (read, decode, wave data)
//   BigSave       saving the open project again over itself
//   BigFirstFrame from opening it to the first painted timeline
#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <QApplication>
#include <QImage>
#include <QPainter>
#include <QPolygonF>
#include <QScrollBar>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/AudioSampleData.h"
#include "data/AudioWaveData.h"
#include "engine/UserEvent.h"
#include "engine/WaveEditViewController.h"
#include "model/AudioSection.h"
#include "model/AudioTrack.h"
#include "model/MarkerItem.h"
#include "rules/WindowRules.h"
#include "base/Document.h"
#include "base/Program.h"
#include "shell/QtInteraction.h"
#include "base/QtClipboard.h"
#include "timeline/TimelineView.h"
#include "window/MainWindow.h"

using namespace wavomer;
using namespace wavomer::app;

namespace {

constexpr int kTracks = 8;
constexpr double kSourceSeconds = 120.0;
constexpr int kSectionsPerTrack = 90;  // 90 x 2 minutes = 3 hours
constexpr int kBigTracks = 50;
constexpr int kBigSectionsPerTrack = 400;  // 50 x 400 = 20,000 sections
constexpr int kBigMarkers = 100;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;

using Clock = std::chrono::steady_clock;

// The scratch folder: a private home (configuration, import folder) and the project.
struct Scratch {
    std::filesystem::path root;
    std::filesystem::path project;
    std::filesystem::path bigProject;
    Scratch() {
        char name[] = "/tmp/wavomer-paintbench-XXXXXX";
        root = mkdtemp(name);
        std::filesystem::create_directories(root / "home");
        setenv("HOME", (root / "home").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (root / "home/.config").c_str(), 1);
        setenv("XDG_CACHE_HOME", (root / "home/.cache").c_str(), 1);
        setenv("XDG_DATA_HOME", (root / "home/.local/share").c_str(), 1);
        setenv("XDG_STATE_HOME", (root / "home/.local/state").c_str(), 1);
        project = root / "Bench.wvmp";
        bigProject = root / "Big.wvmp";
    }
    ~Scratch() {
        std::error_code ignored;
        std::filesystem::remove_all(root, ignored);
    }
};

Scratch& scratch() {
    static Scratch s;
    return s;
}

// Two minutes of stereo that sounds like programme material to the rows: a tone whose
// loudness jumps every 10 ms (a fixed pseudo-random sequence) under a slow swell, so the
// outline is jagged at every zoom, as speech and music are.
std::string writeSource() {
    const std::string path = (scratch().root / "source.data").string();
    if (std::filesystem::exists(path)) return path;
    auto data = AudioSampleData::dataForWritingAtPath(path);
    const auto frames = static_cast<int64_t>(kSourceSeconds * AudioSampleData::kDefaultSampleRate);
    data->setFramePerChannel(frames);
    data->setChannels(2);
    std::vector<float> block(4096);
    for (int c = 0; c < 2; ++c) {
        uint32_t seed = 12345u + static_cast<uint32_t>(c);
        double jump = 0.5;
        for (int64_t p = 0; p < frames; p += 4096) {
            for (int i = 0; i < 4096; ++i) {
                const int64_t frame = p + i;
                if (frame % 441 == 0) {
                    seed = seed * 1664525u + 1013904223u;
                    jump = 0.05 + 0.95 * static_cast<double>(seed >> 8) / static_cast<double>(1u << 24);
                }
                const double t = static_cast<double>(frame) / AudioSampleData::kDefaultSampleRate;
                const double swell = 0.55 + 0.45 * std::sin(t * 0.7 + c);
                block[static_cast<size_t>(i)] = static_cast<float>(0.9 * swell * jump * std::sin(t * 2.0 * M_PI * 220.0));
            }
            data->writeSample(block.data(), c, 4096, p);
        }
    }
    if (!data->closeData()) std::abort();
    return path;
}

// The saved project: made once, through the program's own document.
const std::filesystem::path& project() {
    static const bool made = [] {
        const std::string source = writeSource();
        QtClipboard clipboard;
        Document document(clipboard, OutputDevice::Silent);
        if (!document.load(QString()).ok()) std::abort();
        std::vector<TrackPtr> tracks;
        for (int t = 0; t < kTracks; ++t) {
            SectionArray sections;
            for (int s = 0; s < kSectionsPerTrack; ++s) {
                auto section = AudioSection::sectionWithPath(source);
                section->channel = t % 2;
                section->startTime = 0.0;
                section->endTime = kSourceSeconds;
                section->trackStartTime = s * kSourceSeconds;
                section->trackEndTime = (s + 1) * kSourceSeconds;
                sections.push_back(section);
            }
            auto track = std::make_shared<AudioTrack>();
            track->setSectionArray(std::move(sections));
            tracks.push_back(track);
        }
        {
            UserEvent event(document.engine());
            document.engine().setAudioTrackArray(tracks);
        }
        if (!document.saveTo(QString::fromStdString(scratch().project.string())).ok()) std::abort();
        return true;
    }();
    (void)made;
    return scratch().project;
}

// The big project: made once, through the program's own document, as the archive bench's
// tracks are (lengths between 0.5 and 1.5 s, every other section blank).
const std::filesystem::path& bigProject() {
    static const bool made = [] {
        const std::string source = writeSource();
        QtClipboard clipboard;
        Document document(clipboard, OutputDevice::Silent);
        if (!document.load(QString()).ok()) std::abort();
        std::vector<TrackPtr> tracks;
        for (int t = 0; t < kBigTracks; ++t) {
            SectionArray sections;
            double time = 0.0;
            for (int i = 0; i < kBigSectionsPerTrack; ++i) {
                const double length = 0.5 + 0.001 * ((i * 7919 + t * 104729) % 997);
                SectionPtr section;
                if (i % 2 == 1) {
                    section = AudioSection::blankSectionWithTrackStartTime(time, time + length);
                } else {
                    section = AudioSection::sectionWithPath(source);
                    section->channel = t % 2;
                    section->startTime = 0.01 * (i % 5000);
                    section->endTime = section->startTime + length;
                    section->trackStartTime = time;
                    section->trackEndTime = time + length;
                    if (i % 10 == 0) {
                        section->fadeMode = 1 + i % 3;
                        section->fadeStartTimeOffset = 0.1;
                        section->fadeDuration = 0.3;
                    }
                    if (i % 6 == 0) section->volumeValue = 0.8;
                    if (i % 50 == 0) section->effectDic = EffectDic{{"name", "Reverb"}, {"wetDryMix", 35.0}};
                }
                time += length;
                sections.push_back(section);
            }
            auto track = std::make_shared<AudioTrack>();
            track->setSectionArray(std::move(sections));
            tracks.push_back(track);
        }
        std::vector<MarkerPtr> markers;
        for (int m = 0; m < kBigMarkers; ++m) markers.push_back(MarkerItem::createMarkerWithTime(3.0 * m + 0.5));
        {
            UserEvent event(document.engine());
            document.engine().setAudioTrackArray(tracks);
            document.engine().setMarkArray(std::move(markers));
        }
        if (!document.saveTo(QString::fromStdString(scratch().bigProject.string())).ok()) std::abort();
        return true;
    }();
    (void)made;
    return scratch().bigProject;
}

void settle() {
    for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}

// The windows of the bench ask nothing and run no program command.
QtInteraction& interaction() {
    static QtInteraction shared;
    return shared;
}

struct NoProgram : Program {
    void newProject() override {}
    void openProject() override {}
    void openProjectAt(const std::string&) override {}
    void quit() override {}
    void showPreferences() override {}
    void showHelp() override {}
    void showAbout(QWidget*) override {}
    void hideWindows() override {}
};

Program& program() {
    static NoProgram shared;
    return shared;
}

struct OpenWindow {
    QtClipboard clipboard;
    std::unique_ptr<MainWindow> window;
    explicit OpenWindow(float zoom) {
        auto document = std::make_unique<Document>(clipboard, OutputDevice::Silent);
        if (!document->load(QString::fromStdString(project().string())).ok()) std::abort();
        window = std::make_unique<MainWindow>(std::move(document), interaction(), program());
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->resize(kWidth, kHeight);
        window->show();
        settle();
        window->changeSlideZoomValue(zoom);
        settle();
        // Start a third of the way in, so every row has waveform under the viewport.
        TimelineView& timeline = window->timeline();
        timeline.horizontalScrollBar()->setValue(timeline.horizontalScrollBar()->maximum() / 3);
        settle();
    }
    TimelineView& timeline() { return window->timeline(); }
};

float zoomOf(const benchmark::State& state) { return static_cast<float>(state.range(0)); }

void FullRepaint(benchmark::State& state) {
    OpenWindow open(zoomOf(state));
    QWidget* viewport = open.timeline().viewport();
    for (auto _ : state) viewport->repaint();
    state.counters["width"] = viewport->width();
    state.counters["height"] = viewport->height();
    state.counters["contentWidth"] = open.window->document().engine().contentWidth();
}

void CursorTick(benchmark::State& state) {
    OpenWindow open(zoomOf(state));
    TimelineView& timeline = open.timeline();
    const double x = timeline.originX() + timeline.viewport()->width() / 2.0;
    int step = 0;
    for (auto _ : state) {
        // The tick moves the cursor by about a pixel: the strips at the old and the new x.
        const double from = x + (step % 200);
        timeline.redrawCursorStrip(from);
        timeline.redrawCursorStrip(from + 1.0);
        QCoreApplication::processEvents();
        ++step;
    }
}

void Scroll16(benchmark::State& state) {
    OpenWindow open(zoomOf(state));
    QScrollBar* bar = open.timeline().horizontalScrollBar();
    if (bar->maximum() == 0) {
        state.SkipWithError("the whole project fits the viewport at this zoom: nothing scrolls");
        return;
    }
    const int start = bar->value();
    int direction = 16;
    for (auto _ : state) {
        if (bar->value() + direction > bar->maximum() || bar->value() + direction < 0 ||
            std::abs(bar->value() + direction - start) > 1600)
            direction = -direction;
        bar->setValue(bar->value() + direction);
        QCoreApplication::processEvents();
    }
}

void ZoomStep(benchmark::State& state) {
    const float zoom = zoomOf(state);
    OpenWindow open(zoom);
    const float other = zoom >= 70.0f ? zoom - 1.0f : zoom + 1.0f;
    bool there = false;
    for (auto _ : state) {
        open.window->changeSlideZoomValue(there ? zoom : other);
        there = !there;
        QCoreApplication::processEvents();
    }
}

// The rows as one filled polygon each: the outline over the same column heights, the
// top edge left to right and the bottom edge back.
void Polygon(benchmark::State& state) {
    OpenWindow open(zoomOf(state));
    TimelineView& timeline = open.timeline();
    WaveEditViewController& engine = open.window->document().engine();
    QWidget* viewport = timeline.viewport();
    QImage image(viewport->size(), QImage::Format_ARGB32_Premultiplied);
    const double rowHeight = engine.waveTrackCurrentHeight();
    const double pps = engine.currentPixelPerSecond;
    const int origin = timeline.originX();
    const int width = viewport->width();
    std::vector<double> heights;
    auto paintPolygons = [&] {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.fillRect(image.rect(), QColor(33, 33, 33));
        painter.setPen(Qt::NoPen);
        painter.setBrush(timeline.waveColor());
        const auto& tracks = engine.audioTrackArray();
        for (size_t i = 0; i < tracks.size(); ++i) {
            rules::rowColumnHalfHeights(*tracks[i], pps, rowHeight, origin, width, 1.0, heights);
            const double centre = static_cast<double>(i) * rowHeight + rowHeight / 2.0;
            QPolygonF outline;
            outline.reserve(2 * width);
            for (int c = 0; c < width; ++c) outline << QPointF(c, centre - heights[static_cast<size_t>(c)]);
            for (int c = width - 1; c >= 0; --c) outline << QPointF(c + 1, centre + heights[static_cast<size_t>(c)]);
            painter.drawPolygon(outline);
        }
    };
    for (auto _ : state) {
        paintPolygons();
        benchmark::DoNotOptimize(image.constBits());
    }
    // The spans' full repaint of the same rows, timed here for the ratio.
    const int rounds = 20;
    const auto start = Clock::now();
    for (int i = 0; i < rounds; ++i) viewport->repaint();
    const double spanSeconds = std::chrono::duration<double>(Clock::now() - start).count() / rounds;
    const auto polyStart = Clock::now();
    for (int i = 0; i < 3; ++i) paintPolygons();
    const double polygonSeconds = std::chrono::duration<double>(Clock::now() - polyStart).count() / 3;
    state.counters["span_ms"] = spanSeconds * 1e3;
    state.counters["polygon_ms"] = polygonSeconds * 1e3;
    state.counters["ratio"] = polygonSeconds / spanSeconds;
}

// From opening the project at path to the first painted frame of its window.
void timeFirstFrame(benchmark::State& state, const std::filesystem::path& path) {
    for (auto _ : state) {
        AudioWaveDataCache::share().removeAll();
        const auto start = Clock::now();
        QtClipboard clipboard;
        auto document = std::make_unique<Document>(clipboard, OutputDevice::Silent);
        if (!document->load(QString::fromStdString(path.string())).ok()) std::abort();
        auto window = std::make_unique<MainWindow>(std::move(document), interaction(), program());
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->resize(kWidth, kHeight);
        // The first frame is the first paint of the rows: the filter sees the paint event
        // arrive, and the rows are drawn before that dispatch returns.
        struct PaintSeen : QObject {
            bool seen = false;
            bool eventFilter(QObject*, QEvent* event) override {
                if (event->type() == QEvent::Paint) seen = true;
                return false;
            }
        } paint;
        window->timeline().viewport()->installEventFilter(&paint);
        window->show();
        for (int round = 0; round < 10000 && !paint.seen; ++round) QCoreApplication::processEvents();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        if (!paint.seen) state.SkipWithError("the timeline was never painted");
        window.reset();
        settle();
    }
}

void FirstFrame(benchmark::State& state) { timeFirstFrame(state, project()); }

void BigFirstFrame(benchmark::State& state) { timeFirstFrame(state, bigProject()); }

void BigOpen(benchmark::State& state) {
    const std::string path = bigProject().string();
    size_t sections = 0;
    for (auto _ : state) {
        AudioWaveDataCache::share().removeAll();
        const auto start = Clock::now();
        QtClipboard clipboard;
        auto document = std::make_unique<Document>(clipboard, OutputDevice::Silent);
        if (!document->load(QString::fromStdString(path)).ok()) std::abort();
        state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
        sections = 0;
        for (const auto& track : document->engine().audioTrackArray()) sections += track->sectionArray().size();
        document.reset();
    }
    state.counters["sections"] = static_cast<double>(sections);
}

void BigSave(benchmark::State& state) {
    const QString path = QString::fromStdString(bigProject().string());
    QtClipboard clipboard;
    Document document(clipboard, OutputDevice::Silent);
    if (!document.load(path).ok()) std::abort();
    for (auto _ : state) {
        if (!document.saveTo(path).ok()) state.SkipWithError("the save failed");
    }
    std::error_code ignored;
    state.counters["archiveMiB"] =
        static_cast<double>(std::filesystem::file_size(bigProject() / "project.plist", ignored)) / (1 << 20);
}

void zooms(benchmark::internal::Benchmark* b) { b->Arg(1)->Arg(30)->Arg(70)->Unit(benchmark::kMillisecond); }

BENCHMARK(FullRepaint)->Apply(zooms);
BENCHMARK(CursorTick)->Apply(zooms);
BENCHMARK(Scroll16)->Apply(zooms);
BENCHMARK(ZoomStep)->Apply(zooms);
BENCHMARK(Polygon)->Apply(zooms)->Iterations(3);
BENCHMARK(FirstFrame)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);
BENCHMARK(BigOpen)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BigSave)->Iterations(5)->Unit(benchmark::kMillisecond);
BENCHMARK(BigFirstFrame)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    scratch();  // the private home before Qt or the core read it
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    project();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
