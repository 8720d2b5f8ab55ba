// Recording into the timeline: the live level preview and the placement of the
// recorded file at the record start on every selected track.
#include <algorithm>
#include <cmath>

#include "data/AudioChannelsGenerator.h"
#include "data/AudioSampleData.h"
#include "engine/WaveEditViewController.h"

namespace wavomer {

namespace {
int64_t roundHalfAway(double x) { return static_cast<int64_t>(std::llround(x)); }
}  // namespace

void WaveEditViewController::initRecordSectionArray() {
    recordStartTime = currentTimelineTime_;
    recordEndTime = recordStartTime;
    recordWaveData.reset();
    recordWaveTime = 0.0;
    host_.initRecordStatusInTrack();
    host_.redrawRows();
}

void WaveEditViewController::saveRecordAudioLevelToCurrentTime(float level, double duration) {
    if (!recordWaveData) recordWaveData.emplace();
    recordWaveTime = duration;
    int64_t target = std::isfinite(duration) ? roundHalfAway(200.0 * duration) : 0;
    int64_t have = static_cast<int64_t>(recordWaveData->size());
    int64_t add = std::min<int64_t>(target - have, 10);
    for (int64_t i = 0; i < add; ++i) recordWaveData->push_back(level);
}

float WaveEditViewController::readRecordAudioLevelWithTime(double time) const {
    if (!recordWaveData || !std::isfinite(time)) return 0.0f;
    int64_t i = roundHalfAway(200.0 * time);
    if (i > 0 && i < static_cast<int64_t>(recordWaveData->size())) return (*recordWaveData)[static_cast<size_t>(i)];
    return 0.0f;
}

void WaveEditViewController::doRecordWithRecordDurationChange(double duration) {
    recordEndTime = recordStartTime + duration;
    host_.recordingDurationChanged(duration);
    updateCurrentTimelineTime(recordEndTime);
    host_.seekPlayerCurrentTime(currentTimelineTime_);
    autoChangeScrollviewContentWhenPlayToRightEdge();
    host_.flushTimeline();
}

Outcome<> WaveEditViewController::placeRecordingOnNewTracks(const std::string& recordedPath) {
    // As an import into an empty project: the recording decoded once, one new track per
    // channel, each holding its channel from the recording's start; the new tracks are
    // selected.
    host_.openImportWindow();
    Outcome<> result;
    Outcome<std::string> converted = convertForTimeline(recordedPath);
    int channels = 0;
    if (converted) {
        if (auto data = AudioSampleData::dataForReadingAtPath(*converted)) channels = std::max(data->channels(), 0);
        if (channels == 0) result = Failure::at(*converted, "cannot read the converted recording");
    } else {
        result = converted.failure();
    }
    std::vector<TrackPtr> added;
    for (int i = 0; i < channels; ++i) added.push_back(addNewTrack());
    for (int i = 0; i < channels; ++i) {
        SectionPtr recorded = AudioSection::sectionWithPath(*converted);
        recorded->channel = i;
        recorded->startTime = 0.0;
        recorded->endTime = recordEndTime - recordStartTime;
        recorded->trackStartTime = recordStartTime;
        recorded->trackEndTime = recordEndTime;
        SectionArray sections;
        if (recordStartTime > kTolerance)
            sections.push_back(AudioSection::blankSectionWithTrackStartTime(0.0, recordStartTime));
        sections.push_back(recorded);
        audioTrackSectionArray(added[static_cast<size_t>(i)], sections);
        recordSectionsArray.push_back(recorded);
    }
    if (!added.empty()) setTimelineTrackArray(added);
    makeAllTrackEndTheSameTime();
    reloadWave();
    clearRecordDicArrayWhenFinish();
    host_.closeImportWindow();
    return result;
}

Outcome<> WaveEditViewController::insertRecordSectionsToTrackWhenRecordFinish(const std::string& recordedPath) {
    recordSectionsArray.clear();
    if (timelineTrackArray_.empty()) return placeRecordingOnNewTracks(recordedPath);
    const double farthest = farestTrackEndTime();
    std::vector<TrackPtr> tracks = timelineTrackArray_;
    for (const auto& track : tracks) {
        updateNewSectionsInTrack(track, recordStartTime, recordStartTime);
        SectionArray sections = track->sectionArray();
        size_t insertAt = 0;
        if (std::fabs(recordStartTime - farthest) < kTolerance) {
            insertAt = sections.size();
        } else {
            for (size_t k = 0; k < sections.size(); ++k)
                if (std::fabs(sections[k]->trackStartTime - recordStartTime) < kTolerance) {
                    insertAt = k;
                    break;
                }
        }
        SectionPtr recorded = AudioSection::blankSectionWithTrackStartTime(recordStartTime, recordEndTime);
        recorded->isBlankSection = false;
        recorded->startTime = 0.0;
        recorded->endTime = recordEndTime - recordStartTime;
        sections.insert(sections.begin() + static_cast<std::ptrdiff_t>(insertAt), recorded);
        audioTrackSectionArray(track, sections);
        moveSections(sections, insertAt + 1, recorded->endTime);
        recordSectionsArray.push_back(recorded);
    }
    host_.openImportWindow();
    Outcome<> result;
    for (const auto& section : recordSectionsArray) {
        // Each section plays its own decoded copy of the recording.
        Outcome<std::string> path = convertForTimeline(recordedPath);
        if (path) section->updateRecordSectionWithNewPath(*path);
        else if (result) result = path.failure();
    }
    makeAllTrackEndTheSameTime();
    reloadWave();
    clearRecordDicArrayWhenFinish();
    host_.closeImportWindow();
    return result;
}

void WaveEditViewController::clearRecordDicArrayWhenFinish() {
    recordWaveData.reset();
    recordWaveTime = 0.0;
    updateCurrentTimelineTime(recordEndTime);
    host_.seekPlayerCurrentTime(currentTimelineTime_);
}

}  // namespace wavomer
