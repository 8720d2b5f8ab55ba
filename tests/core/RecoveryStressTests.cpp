// Killing a program at random moments while it edits: every recovery folder left
// behind opens, holds a state the user saw (the first N edits, for some N), is never
// more than a second of edits behind the last one, and keeps the sample data its
// sections need through the next run's sweep of import folders.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <random>
#include <thread>

#include "archive/ProjectArchive.h"
#include "data/SampleDataFile.h"
#include "engine/EditActions.h"
#include "recovery/Recovery.h"
#include "recovery/RecoverySession.h"
#include "support/EngineFixture.h"
#include "util/StandardPaths.h"

using namespace wavomer;
using namespace wavomer::test;
namespace fs = std::filesystem;

namespace {

using Clock = std::chrono::steady_clock;

// The main loop's scheduler of the editing child: work runs when it is due.
class LoopScheduler : public MainThreadScheduler {
public:
    void post(std::function<void()> work) override { postAfter(0.0, std::move(work)); }
    void postAfter(double seconds, std::function<void()> work) override {
        std::lock_guard<std::mutex> guard(mutex_);
        due_.push_back({Clock::now() + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds)),
                        std::move(work)});
    }
    void runDue() {
        std::vector<std::function<void()>> now;
        {
            std::lock_guard<std::mutex> guard(mutex_);
            for (auto it = due_.begin(); it != due_.end();)
                if (it->first <= Clock::now()) {
                    now.push_back(std::move(it->second));
                    it = due_.erase(it);
                } else {
                    ++it;
                }
        }
        for (auto& work : now) work();
    }

private:
    std::mutex mutex_;
    std::vector<std::pair<Clock::time_point, std::function<void()>>> due_;
};

constexpr double kMarkerStep = 0.001;

// The child: places a recording of its own import folder, then adds a marker every few
// milliseconds, telling the parent through out when each edit (by number) is done.
[[noreturn]] void editUntilKilled(const std::string& sample, int out) {
    RecordingHost host;
    InProcessClipboard clipboard;
    LoopScheduler scheduler;
    UndoManager undo;
    WaveEditViewController engine(host, clipboard, scheduler, undo);
    const std::string own = engine.importTargetFolder() + "/ImportAudio_1.data";
    fs::copy_file(sample, own);
    RecoverySession session(engine, scheduler);
    host.onUserEventEnded = [&](bool changed) { if (changed) session.documentChanged(); };
    {
        UserEvent event(engine);
        (void)engine.placeConvertedFile(own);
    }
    for (int edit = 1;; ++edit) {
        {
            UserEvent event(engine);
            engine.updateCurrentTimelineTime(edit * kMarkerStep);
            EditActions::addMarkAction(engine);
        }
        const auto at = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
        char line[64];
        const int n = std::snprintf(line, sizeof line, "%d %.6f\n", edit, at);
        if (::write(out, line, static_cast<size_t>(n)) != n) ::_exit(1);
        for (int i = 0; i < 4; ++i) {
            scheduler.runDue();
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    }
}

}  // namespace

TEST(RecoveryStress, KillsAtRandomMomentsLeaveASnapshotThatOpensAndIsAtMostASecondBehind) {
    ScratchDir dir;
    HomeEnvironment environment(dir.file("home"), dir.file("tmp"));
    const std::string sample = dir.file("sample.data");
    writeSampleFile(sample, 1, 44100, staircase);
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> lifetime(250, 1600);
    constexpr int kTrials = 30;
    for (int trial = 0; trial < kTrials; ++trial) {
        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        if (child == 0) {
            ::close(pipeFds[0]);
            editUntilKilled(sample, pipeFds[1]);
        }
        ::close(pipeFds[1]);
        std::this_thread::sleep_for(std::chrono::milliseconds(lifetime(random)));
        ::kill(child, SIGKILL);
        const double killedAt = std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
        ::waitpid(child, nullptr, 0);
        // The edits the child finished, with the time each was done.
        std::vector<std::pair<int, double>> edits;
        FILE* told = ::fdopen(pipeFds[0], "r");
        int edit = 0;
        double at = 0.0;
        while (std::fscanf(told, "%d %lf", &edit, &at) == 2) edits.emplace_back(edit, at);
        std::fclose(told);
        ASSERT_FALSE(edits.empty()) << "trial " << trial << ": the child made no edit";

        // The next run: the sweep, then the offer.
        FileManagerExtention::removeAbandonedImportFolders(FileManagerExtention::defaultImportConvertedPath());
        const std::vector<RecoveryEntry> offered = recoverableDocuments();
        ASSERT_EQ(offered.size(), 1u) << "trial " << trial;
        ASSERT_TRUE(offered[0].info.ok()) << "trial " << trial << ": " << offered[0].info.error();
        Outcome<archive::DecodedProject> project = readRecoveredProject(*offered[0].info);
        ASSERT_TRUE(project.ok()) << "trial " << trial << ": " << project.error();
        // The first N edits exactly: markers at 1..N steps.
        const size_t n = project->markers.size();
        for (size_t i = 0; i < n; ++i)
            ASSERT_NEAR(project->markers[i]->markerTime, (i + 1) * kMarkerStep, 1e-9) << "trial " << trial;
        ASSERT_LE(n, edits.size() + 1) << "trial " << trial;  // the last may be written before it was told
        // Every edit done more than a second before the kill is in it.
        for (const auto& [number, doneAt] : edits)
            if (doneAt < killedAt - 1.0) {
                EXPECT_LE(number, static_cast<int>(n)) << "trial " << trial;
            }
        // The recording it places is still there to be heard.
        ASSERT_FALSE(project->tracks.empty());
        for (const auto& section : project->tracks[0]->sectionArray())
            if (!section->isBlankSection) {
                EXPECT_TRUE(isSampleDataFile(*section->audioPath)) << "trial " << trial;
            }
        discardRecovery(*offered[0].info);
    }
}
