#include "model/AudioTrack.h"

#include <algorithm>

namespace wavomer {

namespace {
constexpr double kFramesPerSecond = 44100.0;

bool covers(const AudioSection& section, double t) {
    return section.trackStartTime <= t && t <= section.trackEndTime;
}
}  // namespace

AudioTrack::AudioTrack() { clearTrackCache(); }

AudioTrack::~AudioTrack() { clearTrackCache(); }

void AudioTrack::setSectionArray(SectionArray sections) {
    if (sections == sectionArray_) {
        // The same sections again (an edit that left this track as it was): the
        // section being read keeps its open file and effect stream, so playback of
        // an untouched track runs on undisturbed. Only the end time, which the
        // sections' times decide, is worked out anew.
        track_end_time = -1.0;
        return;
    }
    clearTrackCache();
    sectionArray_ = std::move(sections);
}

void AudioTrack::clearTrackCache() {
    lastWaveSection_.reset();
    lastPeakIndex_ = 0;
    track_end_time = -1.0;
    if (currentUsedSection_) currentUsedSection_->clearAudioSampleData();
    currentUsedSection_.reset();
}

double AudioTrack::trackEndTime() {
    if (track_end_time >= 0.0) return track_end_time;
    double total = 0.0;
    for (const auto& section : sectionArray_) total += section->sectionDuration();
    track_end_time = total;
    return total;
}

const SectionPtr* AudioTrack::findSection(double t, const SectionPtr& cached) const {
    if (cached && covers(*cached, t)) return &cached;
    for (const auto& section : sectionArray_)
        if (covers(*section, t)) return &section;
    return nullptr;
}

float AudioTrack::readSamplePointAtOffset(int64_t frameOffset) {
    const double t = frameOffset / kFramesPerSecond;
    const SectionPtr* found = findSection(t, currentUsedSection_);
    if (!found) return 0.0f;
    AudioSection* section = found->get();
    if (section != currentUsedSection_.get()) {
        if (currentUsedSection_) currentUsedSection_->clearAudioSampleData();
        currentUsedSection_ = *found;
    }
    section->loadAudioSampleData();
    return section->getAudioSamleWithTimeInTrack(t, false);
}

void AudioTrack::readSamplesAtOffset(float* out, int32_t frames, int64_t frameOffset) {
    int32_t i = 0;
    while (i < frames) {
        // One frame the per-frame way picks (and opens) the covering section; the
        // rest of the run through that section is filled in one go.
        out[i] = readSamplePointAtOffset(frameOffset + i);
        ++i;
        if (currentUsedSection_ && i < frames)
            i += currentUsedSection_->fillTrackSamples(out + i, frameOffset + i, frames - i);
    }
}

float AudioTrack::readWavePointAtOffset(int64_t frameOffset) {
    const double t = frameOffset / kFramesPerSecond;
    const SectionPtr* found = findSection(t, lastWaveSection_);
    if (!found) return 0.0f;
    AudioSection* section = found->get();
    if (section != lastWaveSection_.get()) lastWaveSection_ = *found;
    return section->getAudioSamleWithTimeInTrack(t, true);
}

float AudioTrack::readWavePeak(double from, double to) {
    const size_t count = sectionArray_.size();
    // The first section that covers from: where the last span ended or the one after
    // it, else found by halves (the sections are in time order).
    size_t i = lastPeakIndex_;
    if (!(i < count && covers(*sectionArray_[i], from))) {
        if (i + 1 < count && covers(*sectionArray_[i + 1], from)) {
            ++i;
        } else {
            auto after = std::upper_bound(sectionArray_.begin(), sectionArray_.end(), from,
                                          [](double t, const SectionPtr& s) { return t < s->trackStartTime; });
            if (after == sectionArray_.begin()) return 0.0f;
            i = static_cast<size_t>(after - sectionArray_.begin()) - 1;
            // Sections that end exactly where the next starts: the earlier one covers it.
            while (i > 0 && covers(*sectionArray_[i - 1], from)) --i;
            if (!covers(*sectionArray_[i], from)) return 0.0f;
        }
    }
    lastPeakIndex_ = i;
    float peak = sectionArray_[i]->wavePeakInTrack(from, std::min(to, sectionArray_[i]->trackEndTime));
    for (size_t j = i + 1; j < count && sectionArray_[j]->trackStartTime < to; ++j) {
        AudioSection& section = *sectionArray_[j];
        peak = std::max(peak, section.wavePeakInTrack(section.trackStartTime, std::min(to, section.trackEndTime)));
    }
    return peak;
}

void readTrackChannel(const std::vector<TrackPtr>& tracks, float* buffer, int32_t channel, int32_t frames,
                      int64_t offset) {
    if (frames <= 0) return;
    if (tracks.empty()) {
        std::fill(buffer, buffer + frames, 0.0f);
        return;
    }
    const int64_t last = static_cast<int64_t>(tracks.size()) - 1;
    tracks[static_cast<size_t>(std::clamp<int64_t>(channel, 0, last))]->readSamplesAtOffset(buffer, frames, offset);
}

CoderValue AudioTrack::valueForKey(const std::string& key) const {
    if (key != "sectionArray") return {};
    CoderList list;
    list.reserve(sectionArray_.size());
    for (const auto& section : sectionArray_) list.emplace_back(CoderObject(section));
    return CoderValue(std::move(list));
}

void AudioTrack::setValueForKey(const std::string& key, const CoderValue& value) {
    if (key != "sectionArray") return;
    const CoderList* list = value.asList();
    if (!list) return;
    SectionArray sections;
    sections.reserve(list->size());
    for (const auto& item : *list) {
        const CoderObject* object = item.asObject();
        if (!object) continue;
        if (auto section = std::dynamic_pointer_cast<AudioSection>(*object)) sections.push_back(section);
    }
    setSectionArray(std::move(sections));
}

}  // namespace wavomer
