// Cut, copy and paste of whole sections through the clipboard.
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <system_error>

#include "archive/ProjectArchive.h"
#include "data/SampleDataFile.h"
#include "engine/WaveEditViewController.h"
#include "util/Log.h"
#include "util/StandardPaths.h"

namespace wavomer {

namespace {
double payloadDuration(const SectionArray& firstEntry) {
    double duration = 0.0;
    for (const auto& section : firstEntry) duration += section->sectionDuration();
    return duration;
}
}  // namespace

// Material copied in another running program may live in that program's own import
// subfolder, which it deletes when it quits. Such sample data files are linked (or,
// across file systems, copied) into this project's import folder, so what was pasted
// stays playable and savable whatever the other program does next.
void WaveEditViewController::adoptForeignImportFiles(std::vector<SectionArray>& payload) {
    namespace fs = std::filesystem;
    const fs::path root = fs::path(FileManagerExtention::defaultImportConvertedPath()).lexically_normal();
    const fs::path own = fs::path(importTargetFolder()).lexically_normal();
    for (auto& sections : payload)
        for (auto& section : sections) {
            if (!section->audioPath) continue;
            const fs::path source = fs::path(*section->audioPath).lexically_normal();
            const fs::path folder = source.parent_path();
            if (folder.parent_path() != root || folder == own || !isSampleDataFile(source.string())) continue;
            std::error_code error;
            fs::create_directories(own, error);
            const fs::path target = own / source.filename();
            if (!fs::exists(target, error)) {
                fs::create_hard_link(source, target, error);
                if (error) fs::copy_file(source, target, error);
            }
            if (error) {
                logLine("paste: cannot keep a copy of %s: %s", source.c_str(), error.message().c_str());
                continue;
            }
            section->updateAudioPath(target.string());
        }
}

bool WaveEditViewController::canPaste() const { return clipboard_.hasType(kClipboardType); }

void WaveEditViewController::cutSectionsAction() {
    if (!hasSelectedSection()) return;
    double lo = std::min(selectedTimelineStartTime_, selectedTimelineEndTime_);
    std::vector<SectionArray> payload;
    std::vector<TrackPtr> tracks = timelineTrackArray_;
    for (const auto& track : tracks)
        if (auto run = splitAndLocateRun(track, selectedTimelineStartTime_, selectedTimelineEndTime_))
            payload.push_back(rippleRemoveRun(track, *run));
    if (!payload.empty()) clipboard_.clearAndSet(kClipboardType, archive::encodeClipboardPayload(payload));
    makeAllTrackEndTheSameTime();
    fixAllTracks();
    updateCurrentTimelineTime(lo);
    resetSelectedTimelineStartEndTime();
    reloadWave();
}

void WaveEditViewController::copySectionsAction() {
    if (!hasSelectedSection()) return;
    std::vector<SectionArray> payload;
    std::vector<TrackPtr> tracks = timelineTrackArray_;
    for (const auto& track : tracks) {
        auto run = splitAndLocateRun(track, selectedTimelineStartTime_, selectedTimelineEndTime_);
        if (!run) continue;
        const SectionArray& sections = track->sectionArray();
        SectionArray copies;
        for (size_t i = run->first; i <= run->second; ++i) copies.push_back(sections[i]->copy());
        payload.push_back(std::move(copies));
    }
    if (!payload.empty()) clipboard_.clearAndSet(kClipboardType, archive::encodeClipboardPayload(payload));
}

void WaveEditViewController::pasteSectionsAction() {
    if (!canPaste()) return;
    auto bytes = clipboard_.dataForType(kClipboardType);
    if (!bytes) return;
    Outcome<std::vector<SectionArray>> decoded = archive::decodeClipboardPayload(bytes->data(), bytes->size());
    if (!decoded || decoded->empty()) return;
    std::vector<SectionArray> payload = std::move(*decoded);
    adoptForeignImportFiles(payload);

    if (hasSelectedSection()) {
        if (std::fabs(currentTimelineTime_ - selectedTimelineStartTime_) < kTolerance ||
            std::fabs(currentTimelineTime_ - selectedTimelineEndTime_) < kTolerance) {
            deleteSections();
        } else {
            resetSelectedTimelineStartEndTime();
            host_.redrawEditView();
        }
    }
    const double pastePosition = currentTimelineTime_;
    const double farthest = farestTrackEndTime();
    const double duration = payloadDuration(payload.front());
    const size_t entries = payload.size();

    // With no track selected the material goes into the first tracks.
    if (timelineTrackArray_.empty()) {
        for (size_t i = 0; i < std::min(entries, audioTrackArray_.size()); ++i)
            timelineTrackArray_.push_back(audioTrackArray_[i]);
    }
    size_t selected = timelineTrackArray_.size();
    size_t firstIndex = 0;
    if (!timelineTrackArray_.empty()) {
        auto at = std::find(audioTrackArray_.begin(), audioTrackArray_.end(), timelineTrackArray_.front());
        firstIndex = at == audioTrackArray_.end() ? 0 : static_cast<size_t>(at - audioTrackArray_.begin());
    }
    if (selected < entries) {
        for (size_t j = selected; j < entries; ++j)
            insertTrackWithBlankSectionDuration(pastePosition != 0.0 ? farthest : 0.0, firstIndex + j);
    } else if (selected > entries) {
        for (size_t j = entries; j < selected; ++j)
            payload.push_back({AudioSection::blankSectionWithTrackStartTime(0.0, duration)});
    }
    const size_t count = payload.size();
    timelineTrackArray_.clear();
    for (size_t i = 0; i < count && firstIndex + i < audioTrackArray_.size(); ++i)
        timelineTrackArray_.push_back(audioTrackArray_[firstIndex + i]);

    std::vector<TrackPtr> targets = timelineTrackArray_;
    for (const auto& track : targets) updateNewSectionsInTrack(track, pastePosition, pastePosition);

    for (size_t i = 0; i < targets.size() && i < payload.size(); ++i) {
        const TrackPtr& track = targets[i];
        SectionArray sections = track->sectionArray();
        std::optional<size_t> insertAt;
        if (std::fabs(pastePosition - farthest) < kTolerance) {
            insertAt = sections.size();
        } else if (std::fabs(pastePosition) < kTolerance) {
            insertAt = 0;
        } else {
            for (size_t k = 0; k < sections.size(); ++k)
                if (std::fabs(sections[k]->trackStartTime - pastePosition) < kTolerance) {
                    insertAt = k;
                    break;
                }
        }
        if (!insertAt) continue;
        moveSections(sections, *insertAt, duration);
        double position = pastePosition;
        for (const auto& section : payload[i]) {
            // The duration is taken before the section moves: a blank section's
            // length is its own timeline span.
            double length = section->sectionDuration();
            audioSectionTrackStartTime(section, position);
            audioSectionTrackEndTime(section, position + length);
            position += length;
        }
        sections.insert(sections.begin() + static_cast<std::ptrdiff_t>(*insertAt), payload[i].begin(), payload[i].end());
        audioTrackSectionArray(track, sections);
    }
    selectedTimelineStartTime_ = pastePosition;
    selectedTimelineEndTime_ = pastePosition + duration;
    makeAllTrackEndTheSameTime();
    fixAllTracks();
    reloadWave();
}

}  // namespace wavomer
