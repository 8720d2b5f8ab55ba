// Track creation, padding and trimming, and inserting silence or noise.
#include <algorithm>
#include <cmath>

#include "data/NoiseSource.h"
#include "engine/WaveEditViewController.h"

namespace wavomer {

TrackPtr WaveEditViewController::makeTrack() { return std::make_shared<AudioTrack>(); }

void WaveEditViewController::initTrack(int defaultTrackCount) {
    audioTrackArray_.clear();
    if (defaultTrackCount > 3) return;
    for (int i = 0; i < defaultTrackCount; ++i) audioTrackArray_.push_back(makeTrack());
}

void WaveEditViewController::growWindowForNewTrack() {
    double rowHeight = waveTrackCurrentHeight();
    double window = host_.windowHeight();
    if (host_.screenHeight() - 50.0 >= window + rowHeight) host_.setWindowHeightKeepingTop(window + rowHeight);
}

TrackPtr WaveEditViewController::addNewTrack() {
    growWindowForNewTrack();
    TrackPtr track = makeTrack();
    double farthest = farestTrackEndTime();
    if (std::fabs(farthest) > kTolerance)
        audioTrackSectionArray(track, {AudioSection::blankSectionWithTrackStartTime(0.0, farthest)});
    std::vector<TrackPtr> tracks = audioTrackArray_;
    tracks.push_back(track);
    audioEditControllerUndoTrackArray(tracks);
    return track;
}

TrackPtr WaveEditViewController::insertTrackWithBlankSectionDuration(double duration, size_t index) {
    growWindowForNewTrack();
    TrackPtr track = makeTrack();
    if (duration != 0.0) audioTrackSectionArray(track, {AudioSection::blankSectionWithTrackStartTime(0.0, duration)});
    std::vector<TrackPtr> tracks = audioTrackArray_;
    tracks.insert(tracks.begin() + static_cast<std::ptrdiff_t>(std::min(index, tracks.size())), track);
    audioEditControllerUndoTrackArray(tracks);
    return track;
}

void WaveEditViewController::makeAllTrackEndTheSameTime() {
    double farthest = farestTrackEndTime();
    std::vector<TrackPtr> tracks = audioTrackArray_;
    for (const auto& track : tracks) {
        SectionArray sections = track->sectionArray();
        double end = track->trackEndTime();
        if (farthest - end > kTolerance) sections.push_back(AudioSection::blankSectionWithTrackStartTime(end, farthest));
        audioTrackSectionArray(track, sections);
    }
}

void WaveEditViewController::removeBlankSectionsAtEnd() {
    double lastMaterial = 0.0;
    for (const auto& track : audioTrackArray_) {
        const SectionArray& sections = track->sectionArray();
        for (auto it = sections.rbegin(); it != sections.rend(); ++it) {
            if (!(*it)->isBlankSection) {
                lastMaterial = std::max(lastMaterial, (*it)->trackEndTime);
                break;
            }
        }
    }
    double savedStart = selectedTimelineStartTime_;
    double savedEnd = selectedTimelineEndTime_;
    std::vector<TrackPtr> savedTracks = timelineTrackArray_;
    selectedTimelineStartTime_ = lastMaterial;
    selectedTimelineEndTime_ = farestTrackEndTime();
    timelineTrackArray_ = audioTrackArray_;
    deleteSections();
    selectedTimelineStartTime_ = savedStart;
    selectedTimelineEndTime_ = savedEnd;
    timelineTrackArray_ = savedTracks;
    updateCurrentTimelineTime(savedStart);
}

void WaveEditViewController::fixAllTracks() {
    if (host_.isRecording()) return;
    removeBlankSectionsAtEnd();
    removeUnnecessaryMarks();
}

void WaveEditViewController::updateTimelineArrayAndSelectStartStopTimeWhenTrackArrayChanged(bool grew) {
    if (!grew) timelineTrackArray_ = audioTrackArray_;
    resetSelectedTimelineStartEndTime();
    host_.redrawEditView();
}

Outcome<> WaveEditViewController::insertMute(bool mute, double duration) {
    const double at = currentTimelineTime_;
    std::vector<TrackPtr> tracks = timelineTrackArray_;
    std::string noisePath;
    if (!mute && !tracks.empty()) {
        Outcome<std::string> noise = newNoiseSampleFile();
        if (!noise) return noise.failure();
        noisePath = *noise;
    }
    for (const auto& track : tracks) {
        updateNewSectionsInTrack(track, at, at);
        SectionArray sections = track->sectionArray();
        size_t insertAt = sections.size();
        for (size_t k = 0; k < sections.size(); ++k)
            if (std::fabs(sections[k]->trackStartTime - at) < kTolerance) {
                insertAt = k;
                break;
            }
        SectionPtr inserted;
        if (mute) {
            inserted = AudioSection::blankSectionWithTrackStartTime(at, at + duration);
            inserted->isMute = true;
            inserted->isBlankSection = false;
        } else {
            inserted = AudioSection::sectionWithPath(noisePath);
            inserted->startTime = 0.0;
            inserted->endTime = duration;
            inserted->trackStartTime = at;
            inserted->trackEndTime = at + duration;
            inserted->isBlankSection = false;
            inserted->isNoiseSection = true;
        }
        moveSections(sections, insertAt, duration);
        sections.insert(sections.begin() + static_cast<std::ptrdiff_t>(insertAt), inserted);
        audioTrackSectionArray(track, sections);
    }
    makeAllTrackEndTheSameTime();
    fixAllTracks();
    reloadWave();
    return {};
}

Outcome<std::string> WaveEditViewController::newNoiseSampleFile() { return writeNoiseSampleFile(importFolder); }

}  // namespace wavomer
