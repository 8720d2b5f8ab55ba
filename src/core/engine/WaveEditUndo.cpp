// The undoable operations: each records its own inverse with the undo manager,
// then applies the change. Replaying an inverse during undo records the redo.
#include "engine/WaveEditViewController.h"

#include <cassert>

namespace wavomer {

std::atomic<bool> gWaveViewRefreshScheduled{false};

bool WaveEditViewController::isInUserEvent() const {
    return userEventDepth_ > 0 && std::this_thread::get_id() == mainThread_;
}

void WaveEditViewController::recordInverse(UndoManager::Action inverse) {
    // Every change to the model is part of a user event on the main thread: the event
    // holds the project lock the readers try, and makes the change one undo step.
    assert(isInUserEvent() && "an undoable change outside a user event");
    undo_.registerUndo(std::move(inverse));
}

void WaveEditViewController::audioEditControllerUndoTrackArray(const std::vector<TrackPtr>& tracks) {
    std::vector<TrackPtr> current = audioTrackArray_;
    recordInverse([this, current] { audioEditControllerUndoTrackArray(current); });
    for (const auto& track : tracks) track->clearTrackCache();
    bool grew = current.size() < tracks.size();
    audioTrackArray_ = tracks;
    updateTimelineArrayAndSelectStartStopTimeWhenTrackArrayChanged(grew);
    if (currentIsInUndoRedo()) waveViewNeedUpdate();
}

void WaveEditViewController::waveEditControllerUndoMarkerArray(const std::vector<MarkerPtr>& markers) {
    std::vector<MarkerPtr> current = markArray_;
    recordInverse([this, current] { waveEditControllerUndoMarkerArray(current); });
    markArray_ = markers;
    host_.updateMarkerWindowShow();
    if (currentIsInUndoRedo()) waveViewNeedUpdate();
}

void WaveEditViewController::setMarkerName(const MarkerPtr& marker, std::optional<std::string> name) {
    if (name && name->empty()) name.reset();
    if (!marker || marker->markerName == name) return;
    std::optional<std::string> current = marker->markerName;
    recordInverse([this, marker, current] { setMarkerName(marker, current); });
    marker->markerName = std::move(name);
    host_.updateMarkerWindowShow();
}

void WaveEditViewController::waveEditControllerUndoMarkerTime(const MarkerPtr& marker, double time) {
    const double current = marker->markerTime;
    recordInverse([this, marker, current] { waveEditControllerUndoMarkerTime(marker, current); });
    marker->markerTime = time;
    sortMarkers(markArray_);
    host_.updateMarkerWindowShow();
    if (currentIsInUndoRedo()) waveViewNeedUpdate();
}

void WaveEditViewController::audioTrackSectionArray(const TrackPtr& track, const SectionArray& sections) {
    SectionArray current = track->sectionArray();
    recordInverse([this, track, current] { audioTrackSectionArray(track, current); });
    track->setSectionArray(sections);
    if (!currentIsInUndoRedo()) {
        SelectionRecord record = getacurrentAudioTrackSelection();
        recordInverse([this, record] { audioTrackSelection(record); });
    } else {
        waveViewNeedUpdate();
    }
}

SelectionRecord WaveEditViewController::getacurrentAudioTrackSelection() const {
    return SelectionRecord{timelineTrackArray_, selectedTimelineStartTime_, selectedTimelineEndTime_};
}

void WaveEditViewController::audioTrackSelection(const std::optional<SelectionRecord>& record) {
    SelectionRecord current = getacurrentAudioTrackSelection();
    recordInverse([this, current] { audioTrackSelection(current); });
    if (!record) return;
    timelineTrackArray_ = record->timeline;
    // The record keeps the bounds as numbers that are read back in single precision.
    selectedTimelineStartTime_ = static_cast<float>(record->start);
    selectedTimelineEndTime_ = static_cast<float>(record->end);
    updateCurrentTimelineTime(selectedTimelineStartTime_);
    host_.redrawRows();
}

template <typename Value>
void WaveEditViewController::setSectionField(const SectionPtr& section, Value AudioSection::*field, Value value,
                                             void (WaveEditViewController::*setter)(const SectionPtr&, Value),
                                             bool refresh) {
    Value current = (*section).*field;
    recordInverse([this, section, current, setter] { (this->*setter)(section, current); });
    (*section).*field = value;
    if (refresh && currentIsInUndoRedo()) waveViewNeedUpdate();
}

void WaveEditViewController::audioSectionStartTime(const SectionPtr& section, double value) {
    setSectionField<double>(section, &AudioSection::startTime, value, &WaveEditViewController::audioSectionStartTime,
                            false);
}

void WaveEditViewController::audioSectionEndTime(const SectionPtr& section, double value) {
    setSectionField<double>(section, &AudioSection::endTime, value, &WaveEditViewController::audioSectionEndTime, false);
}

void WaveEditViewController::audioSectionTrackStartTime(const SectionPtr& section, double value) {
    setSectionField<double>(section, &AudioSection::trackStartTime, value,
                            &WaveEditViewController::audioSectionTrackStartTime, true);
}

void WaveEditViewController::audioSectionTrackEndTime(const SectionPtr& section, double value) {
    setSectionField<double>(section, &AudioSection::trackEndTime, value,
                            &WaveEditViewController::audioSectionTrackEndTime, true);
}

void WaveEditViewController::audioSectionIsMute(const SectionPtr& section, bool value) {
    setSectionField<bool>(section, &AudioSection::isMute, value, &WaveEditViewController::audioSectionIsMute, true);
}

void WaveEditViewController::audioSectionFadeMode(const SectionPtr& section, int32_t value) {
    setSectionField<int32_t>(section, &AudioSection::fadeMode, value, &WaveEditViewController::audioSectionFadeMode,
                             true);
}

void WaveEditViewController::audioSectionVolumeValue(const SectionPtr& section, double value) {
    setSectionField<double>(section, &AudioSection::volumeValue, value,
                            &WaveEditViewController::audioSectionVolumeValue, true);
}

void WaveEditViewController::audioSectionEffectDic(const SectionPtr& section, const std::optional<EffectDic>& value) {
    std::optional<EffectDic> current = section->effectDic;
    recordInverse([this, section, current] { audioSectionEffectDic(section, current); });
    section->setEffectDic(value);
    if (currentIsInUndoRedo()) waveViewNeedUpdate();
}

void WaveEditViewController::audioSectionFadeShape(const SectionPtr& section, double offset, double duration,
                                                   double customStart, double customStop) {
    double oldOffset = section->fadeStartTimeOffset;
    double oldDuration = section->fadeDuration;
    double oldStart = section->customFadeStart;
    double oldStop = section->customFadeStop;
    recordInverse([this, section, oldOffset, oldDuration, oldStart, oldStop] {
        audioSectionFadeShape(section, oldOffset, oldDuration, oldStart, oldStop);
    });
    section->fadeStartTimeOffset = offset;
    section->fadeDuration = duration;
    section->customFadeStart = customStart;
    section->customFadeStop = customStop;
    if (currentIsInUndoRedo()) waveViewNeedUpdate();
}

void WaveEditViewController::waveViewNeedUpdate() {
    if (gWaveViewRefreshScheduled.exchange(true)) return;
    std::weak_ptr<bool> alive = alive_;
    scheduler_.postAfter(0.1, [this, alive] {
        auto flag = alive.lock();
        if (!flag || !*flag) {
            gWaveViewRefreshScheduled = false;
            return;
        }
        reloadWaveForUndoRedo();
    });
}

void WaveEditViewController::reloadWaveForUndoRedo() {
    reloadWave();
    gWaveViewRefreshScheduled = false;
    isImporting = false;
}

void WaveEditViewController::audioEditControllerUndoCurrentPixelPerSecond(double zoomValue) {
    zoomViewFloatValue = zoomValue;
    currentPixelPerSecond = pixelPerSecondForZoom(zoomValue);
    isImporting = false;
    reloadWave();
    keepCurrentMiddleTimeWhenWaveScrollWheel();
    if (host_.isRecording()) doRecordWithRecordDurationChange(recordEndTime - recordStartTime);
}

}  // namespace wavomer
