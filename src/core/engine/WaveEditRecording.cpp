// Recording into the timeline: the live level preview and the placement of the
// recorded file at the record start on every selected track.
#include <algorithm>
#include <cmath>

#include "data/AudioChannelsGenerator.h"
#include "data/AudioSampleData.h"
#include "engine/EditTransaction.h"
#include "engine/UserEvent.h"
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

Outcome<> WaveEditViewController::placeRecordingOnNewTracks(const std::string& convertedPath) {
    // As an import into an empty project: one new track per channel of the converted
    // recording, each holding its channel from the recording's start; the new tracks
    // are selected.
    Outcome<> result;
    int channels = 0;
    if (auto data = AudioSampleData::dataForReadingAtPath(convertedPath)) channels = std::max(data->channels(), 0);
    if (channels == 0) result = Failure::at(convertedPath, "cannot read the converted recording");
    std::vector<TrackPtr> added;
    for (int i = 0; i < channels; ++i) added.push_back(addNewTrack());
    for (int i = 0; i < channels; ++i) {
        SectionPtr recorded = AudioSection::sectionWithPath(convertedPath);
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
    return result;
}

Outcome<> WaveEditViewController::placeRecordedSections(const std::string& convertedPath) {
    recordSectionsArray.clear();
    if (timelineTrackArray_.empty()) return placeRecordingOnNewTracks(convertedPath);
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
        // Every track's section plays the same converted file (each opens its own reader).
        recorded->updateRecordSectionWithNewPath(convertedPath);
        sections.insert(sections.begin() + static_cast<std::ptrdiff_t>(insertAt), recorded);
        audioTrackSectionArray(track, sections);
        moveSections(sections, insertAt + 1, recorded->endTime);
        recordSectionsArray.push_back(recorded);
    }
    makeAllTrackEndTheSameTime();
    reloadWave();
    clearRecordDicArrayWhenFinish();
    return {};
}

Outcome<> WaveEditViewController::insertRecordSectionsToTrackWhenRecordFinish(const std::string& recordedPath) {
    host_.openImportWindow();
    Outcome<std::string> converted = convertForTimeline(recordedPath);
    Outcome<> result;
    if (converted) {
        result = placeRecordedSections(*converted);
    } else {
        recordSectionsArray.clear();
        clearRecordDicArrayWhenFinish();
        result = converted.failure();
    }
    host_.closeImportWindow();
    return result;
}

void WaveEditViewController::placeRecordingInBackground(const std::string& recordedPath,
                                                        std::function<void(Outcome<>)> done) {
    isImporting = true;
    host_.openImportWindow();
    convertInBackground(recordedPath, [this, done](Outcome<std::string> converted) {
        Outcome<> result;
        {
            EditTransaction placing(*this);
            {
                UserEvent event(*this);
                recordSectionsArray.clear();
                if (converted) {
                    result = placeRecordedSections(*converted);
                } else {
                    // Nothing goes on the timeline; the live preview of the take ends.
                    result = converted.failure();
                    clearRecordDicArrayWhenFinish();
                    reloadWave();
                }
            }
            if (!result) placing.rollBack();
        }
        host_.closeImportWindow();
        isImporting = !importJobs_.empty();
        if (done) done(result);
    });
}

void WaveEditViewController::clearRecordDicArrayWhenFinish() {
    recordWaveData.reset();
    recordWaveTime = 0.0;
    updateCurrentTimelineTime(recordEndTime);
    host_.seekPlayerCurrentTime(currentTimelineTime_);
}

}  // namespace wavomer
