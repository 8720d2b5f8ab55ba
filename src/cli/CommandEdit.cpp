// wavomer-cli edit [PROJECT.wvmp] SCRIPT: runs an edit script against a new project
// or a project folder. One line is one user event and one undo step.
#include <cerrno>
#include <cmath>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <mutex>
#include <sstream>

#include "CliEngineHost.h"
#include "Commands.h"
#include "EngineJson.h"
#include "util/StandardPaths.h"
#include "engine/EditActions.h"
#include "export/SilenceFinder.h"
#include "export/TrackSnapshot.h"
#include "engine/UserEvent.h"

namespace wavomer::cli {

namespace {

struct ScriptError {
    std::string message;
};

// Splits a line into words: blanks separate, double quotes group, '#' outside
// quotes starts a comment.
std::vector<std::string> splitWords(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (char c : line) {
        if (quoted) {
            if (c == '"') quoted = false;
            else word += c;
            continue;
        }
        if (c == '#') break;
        if (c == '"') {
            quoted = true;
            inWord = true;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            if (inWord) words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (quoted) throw ScriptError{"unterminated quotes"};
    if (inWord) words.push_back(word);
    return words;
}

double number(const std::string& text) {
    double value = 0.0;
    if (!parseFiniteNumber(text, value)) throw ScriptError{"not a number: \"" + text + "\""};
    return value;
}

size_t index(const std::string& text) {
    size_t value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) throw ScriptError{"not an index: \"" + text + "\""};
    return value;
}

class ScriptRunner {
public:
    explicit ScriptRunner(std::string projectPath)
        : projectPath_(std::move(projectPath)), engine_(project_.engine()), undo_(project_.undo()) {}

    Outcome<> open() { return project_.open(projectPath_); }

    void run(const std::vector<std::string>& words) {
        UserEvent event(engine_);
        try {
            dispatch(words);
        } catch (...) {
            drain();
            throw;
        }
        drain();
    }

private:
    void drain() { project_.drain(); }

    void expect(const std::vector<std::string>& words, size_t count) {
        if (words.size() != count)
            throw ScriptError{"\"" + words[0] + "\" takes " + std::to_string(count - 1) + " argument(s)"};
    }

    void dispatch(const std::vector<std::string>& w) {
        const std::string& command = w[0];
        WaveEditViewController& e = engine_;
        if (command == "import") {
            expect(w, 2);
            Outcome<> outcome;
            bool finished = false;
            e.addDragInFileToWave(w[1], [&](Outcome<> r) {
                outcome = r;
                finished = true;
            });
            drain();
            if (!finished) throw ScriptError{"the import of " + w[1] + " did not finish"};
            if (!outcome) throw ScriptError{outcome.error()};
        } else if (command == "select-tracks") {
            expect(w, 3);
            size_t first = index(w[1]), last = index(w[2]);
            if (first > last || last >= e.audioTrackArray().size())
                throw ScriptError{"no tracks " + w[1] + " to " + w[2] + " (the project has " +
                                  std::to_string(e.audioTrackArray().size()) + ")"};
            e.selectTracks(first, last);
        } else if (command == "select") {
            expect(w, 3);
            e.setSelection(number(w[1]), number(w[2]));
        } else if (command == "cursor") {
            expect(w, 2);
            e.updateCurrentTimelineTime(number(w[1]));
            e.host().seekPlayerCurrentTime(e.currentTimelineTime());
        } else if (command == "select-all") {
            expect(w, 1);
            e.selectAllAction();
        } else if (command == "delete") {
            expect(w, 1);
            EditActions::deleteKeyAction(e);
        } else if (command == "cut") {
            expect(w, 1);
            e.cutSectionsAction();
        } else if (command == "copy") {
            expect(w, 1);
            e.copySectionsAction();
        } else if (command == "paste") {
            expect(w, 1);
            e.pasteSectionsAction();
        } else if (command == "insert-silence" || command == "insert-noise") {
            expect(w, 2);
            double seconds = number(w[1]);
            if (seconds < 0) throw ScriptError{"a duration cannot be negative"};
            if (seconds != 0) {
                Outcome<> r = e.insertMute(command == "insert-silence", seconds);
                if (!r) throw ScriptError{r.error()};
            }
        } else if (command == "mute") {
            expect(w, 1);
            EditActions::muteButtonAction(e);
        } else if (command == "fade-in") {
            expect(w, 1);
            EditActions::fadeInButtonAction(e);
        } else if (command == "fade-out") {
            expect(w, 1);
            EditActions::fadeOutButtonAction(e);
        } else if (command == "custom-fade") {
            expect(w, 3);
            EditActions::saveCustomFadeToSections(e, number(w[1]), number(w[2]));
        } else if (command == "volume") {
            expect(w, 2);
            EditActions::applyVolumeFactor(e, number(w[1]));
        } else if (command == "effect") {
            if (w.size() < 2) throw ScriptError{"\"effect\" needs an effect name"};
            if (w[1] == "None") {
                if (w.size() > 2) throw ScriptError{"\"effect None\" takes no settings"};
                EditActions::applyEffect(e, std::nullopt);
                return;
            }
            std::vector<std::pair<std::string, double>> settings;
            for (size_t i = 2; i < w.size(); ++i) {
                size_t eq = w[i].rfind('=');
                if (eq == std::string::npos || eq == 0) throw ScriptError{"expected KEY=VALUE, got \"" + w[i] + "\""};
                settings.emplace_back(w[i].substr(0, eq), number(w[i].substr(eq + 1)));
            }
            Outcome<EffectDic> dic = EditActions::effectDicFromPanel(w[1], settings);
            if (!dic) throw ScriptError{dic.error()};
            EditActions::applyEffect(e, *dic);
        } else if (command == "add-track") {
            expect(w, 1);
            EditActions::addTrackFunction(e);
        } else if (command == "delete-tracks") {
            expect(w, 1);
            EditActions::deleteTrackFunction(e);
        } else if (command == "add-marker") {
            expect(w, 1);
            EditActions::addMarkAction(e);
        } else if (command == "select-marker") {
            expect(w, 2);
            if (w[1] == "none") {
                e.updateSelectedMarker(nullptr);
            } else {
                size_t i = index(w[1]);
                if (i >= e.markArray().size())
                    throw ScriptError{"no marker " + w[1] + " (the project has " + std::to_string(e.markArray().size()) + ")"};
                e.updateSelectedMarker(e.markArray()[i]);
            }
        } else if (command == "next-marker") {
            expect(w, 1);
            EditActions::nextMarkAction(e);
        } else if (command == "previous-marker") {
            expect(w, 1);
            EditActions::lastMarkAction(e);
        } else if (command == "mark-silences") {
            if (w.size() != 3 && w.size() != 4) throw ScriptError{"mark-silences takes THRESHOLD_DB MIN_SECONDS [start|middle|end]"};
            SilenceSearch search;
            double threshold = 0.0, minimum = 0.0;
            if (!parseFiniteNumber(w[1], threshold) || threshold > 0.0 || threshold < -120.0)
                throw ScriptError{"the threshold is a level from -120 to 0 dBFS, not " + w[1]};
            if (!parseFiniteNumber(w[2], minimum) || minimum <= 0.0)
                throw ScriptError{"the minimum silence is a length in seconds above 0, not " + w[2]};
            search.thresholdDb = threshold;
            search.minimumSeconds = minimum;
            if (w.size() == 4) {
                if (w[3] == "start") search.placement = SilencePlacement::start;
                else if (w[3] == "middle") search.placement = SilencePlacement::middle;
                else if (w[3] == "end") search.placement = SilencePlacement::end;
                else throw ScriptError{"place the markers at the start, middle or end, not " + w[3]};
            }
            // The selected tracks within the selected range, or the whole project.
            double from = std::min(e.selectedTimelineStartTime(), e.selectedTimelineEndTime());
            double to = std::max(e.selectedTimelineStartTime(), e.selectedTimelineEndTime());
            if (to - from < 1e-9) {
                from = 0.0;
                to = e.farestTrackEndTime();
            }
            TrackSnapshot scanned = TrackSnapshot::take(e.timelineTrackArray().empty() ? e.audioTrackArray() : e.timelineTrackArray());
            std::vector<double> times = findSilenceTimes(scanned, static_cast<int64_t>(std::llround(from * 44100.0)),
                                                         static_cast<int64_t>(std::llround(to * 44100.0)), search);
            EditActions::addMarkersAtTimes(e, times);
        } else if (command == "name-marker") {
            expect(w, 3);
            const size_t i = index(w[1]);
            if (i >= e.markArray().size())
                throw ScriptError{"no marker " + w[1] + " (the project has " + std::to_string(e.markArray().size()) + ")"};
            e.setMarkerName(e.markArray()[i], w[2]);
        } else if (command == "delete-marker") {
            expect(w, 1);
            if (!EditActions::deleteSelectedMarker(e)) throw ScriptError{"no marker is selected"};
        } else if (command == "undo") {
            expect(w, 1);
            undo_.undo();
        } else if (command == "redo") {
            expect(w, 1);
            undo_.redo();
        } else if (command == "save") {
            if (w.size() > 2) throw ScriptError{"\"save\" takes at most one argument"};
            std::string path = w.size() == 2 ? w[1] : projectPath_;
            if (path.empty()) throw ScriptError{"a new project needs a path to save to"};
            Outcome<Warnings> r = e.saveProjectItemToPath(path);
            if (!r) throw ScriptError{r.error()};
            for (const std::string& warning : *r) std::fprintf(stderr, "wavomer-cli: %s\n", warning.c_str());
            if (projectPath_.empty()) projectPath_ = path;
        } else if (command == "print") {
            expect(w, 1);
            std::string json = engineStateJson(e);
            std::printf("%s\n", json.c_str());
            std::fflush(stdout);
        } else {
            throw ScriptError{"unknown command \"" + command + "\""};
        }
    }

    std::string projectPath_;
    CliProject project_;
    WaveEditViewController& engine_;
    UndoManager& undo_;
};

}  // namespace

int runEdit(const Arguments& args) {
    if (args.empty() || args.size() > 2) {
        std::fputs("usage: wavomer-cli edit [PROJECT.wvmp] SCRIPT|-\n", stderr);
        return 2;
    }
    std::string project = args.size() == 2 ? args[0] : "";
    std::string scriptPath = args.back();
    std::ifstream file;
    std::istream* input = &std::cin;
    if (scriptPath != "-") {
        file.open(scriptPath);
        if (!file) {
            reportFailure(scriptPath, std::strerror(errno));
            return 1;
        }
        input = &file;
    }
    int status = 0;
    {
        ScriptRunner runner(project);
        if (Outcome<> opened = runner.open(); !opened) {
            reportFailure(project, opened.error());
            status = 1;
        } else {
            std::string line;
            for (int number = 1; std::getline(*input, line); ++number) {
                try {
                    std::vector<std::string> words = splitWords(line);
                    if (words.empty()) continue;
                    runner.run(words);
                } catch (const ScriptError& failure) {
                    std::fprintf(stderr, "wavomer-cli: %s:%d: %s\n", scriptPath.c_str(), number, failure.message.c_str());
                    status = 1;
                    break;
                }
            }
        }
    }
    FileManagerExtention::removeProcessImportFolder();
    return status;
}

}  // namespace wavomer::cli
