#include "recovery/Recovery.h"

#include <algorithm>
#include <ctime>

#include "engine/WaveEditViewController.h"
#include "record/RecordingFile.h"

namespace wavomer {

std::vector<RecoveryEntry> recoverableDocuments() {
    std::vector<RecoveryEntry> offered;
    for (RecoveryEntry& entry : listRecoveryFolders()) {
        if (entry.live) continue;
        if (entry.info && !entry.info->unsaved) {
            discardRecovery(*entry.info);
            continue;
        }
        offered.push_back(std::move(entry));
    }
    return offered;
}

Outcome<archive::DecodedProject> readRecoveredProject(const RecoveryInfo& info) {
    return archive::readProjectFile(info.folder + "/" + info.archive);
}

Outcome<> restoreRecoveredDocument(WaveEditViewController& engine, const RecoveryInfo& info) {
    Outcome<archive::DecodedProject> project = readRecoveredProject(info);
    if (!project) return project.failure();
    Outcome<> restored =
        engine.restoreRecoveredProject(std::move(project->tracks), std::move(project->markers), info.project);
    if (!restored || !info.recording) return restored;
    // The recording that ran when the run died goes where its stop would have put it:
    // at its start, on the tracks it was made for. What cannot be placed stays offered
    // as an unfinished recording.
    Outcome<UnfinishedRecording> repaired = repairUnfinishedRecording(*info.recording);
    if (!repaired || repaired->frames == 0) return {};
    std::vector<TrackPtr> tracks;
    for (int64_t index : info.recordTracks)
        if (index < static_cast<int64_t>(engine.audioTrackArray().size()))
            tracks.push_back(engine.audioTrackArray()[static_cast<size_t>(index)]);
    if (tracks.empty()) return {};
    const std::vector<TrackPtr> selection = engine.timelineTrackArray();
    engine.setTimelineTrackArray(tracks);
    engine.recordStartTime = std::min(info.recordStart, engine.farestTrackEndTime());
    engine.recordEndTime = engine.recordStartTime + repaired->seconds();
    if (engine.insertRecordSectionsToTrackWhenRecordFinish(*info.recording)) forgetUnfinishedRecording(*info.recording);
    else engine.setTimelineTrackArray(selection);
    return {};
}

void discardRecovery(const RecoveryInfo& info) { removeRecoveryFolder(info.folder, info); }

std::string isoTime(int64_t milliseconds) {
    const std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
    std::tm utc {};
    ::gmtime_r(&seconds, &utc);
    char text[64];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(milliseconds % 1000));
    return text;
}

}  // namespace wavomer
