// Import: conversion on a background thread, placement on the main thread.
#include <cmath>
#include <thread>

#include "util/StandardPaths.h"
#include "data/AudioChannelsGenerator.h"
#include "data/AudioSampleData.h"
#include "engine/WaveEditViewController.h"
#include "util/Log.h"

namespace wavomer {

namespace {

// Decodes a media file into a new sample data file in folder. Answers its path, or
// empty with the reason in error. Touches nothing of the engine, so it may run on
// a background thread.
std::string convertMedia(MediaEngine* engine, const std::string& mediaPath, const std::string& folder,
                         std::string& error) {
    if (!engine) {
        error = "no media engine to decode " + mediaPath;
        return {};
    }
    GenerateResult result;
    std::string path = getNewPathFromOriginalMusicPath(*engine, mediaPath, folder, &result);
    if (!result.ok) {
        error = mediaPath + ": " + result.error;
        return {};
    }
    if (!result.warning.empty()) warningLine("%s: partly decoded: %s", mediaPath.c_str(), result.warning.c_str());
    return path;
}

}  // namespace

std::string WaveEditViewController::importTargetFolder() const {
    return importFolder.empty() ? FileManagerExtention::processImportFolder() : importFolder;
}

std::string WaveEditViewController::convertForTimeline(const std::string& mediaPath, std::string* error) {
    std::string reason;
    std::string path = convertMedia(mediaEngine, mediaPath, importTargetFolder(), reason);
    if (path.empty() && error) *error = reason;
    return path;
}

void WaveEditViewController::addDragInFileToWave(const std::string& mediaPath, std::function<void(EngineResult)> done) {
    logLine("path=%s", mediaPath.c_str());
    isImporting = true;
    host_.openImportWindow();
    ++importThreads_;
    // The conversion thread touches nothing of the engine: it gets what it needs
    // now and hands the result back to the main thread.
    std::weak_ptr<bool> alive = alive_;
    MediaEngine* engine = mediaEngine;
    std::string folder = importTargetFolder();
    MainThreadScheduler& scheduler = scheduler_;
    std::thread([this, alive, engine, folder, mediaPath, done, &scheduler] {
        std::string error;
        std::string converted = convertMedia(engine, mediaPath, folder, error);
        scheduler.post([this, alive, converted, error, done] {
            if (alive.expired()) return;
            EngineResult result;
            if (converted.empty()) {
                result = EngineResult::failure(error);
            } else {
                dragInPath = converted;
                result = placeConvertedFile(converted);
            }
            host_.closeImportWindow();
            isImporting = false;
            --importThreads_;
            if (done) done(result);
        });
    }).detach();
}

EngineResult WaveEditViewController::placeConvertedFile(const std::string& sampleDataPath) {
    auto data = AudioSampleData::dataForReadingAtPath(sampleDataPath);
    if (!data) return EngineResult::failure("cannot read " + sampleDataPath);
    const size_t channels = static_cast<size_t>(std::max(data->channels(), 0));
    const double duration = data->duration();
    data.reset();
    while (audioTrackArray.size() < channels) addNewTrack();
    // Into a project that had no tracks (an opened empty project): the new tracks
    // are selected, as the default tracks of a new project are.
    if (timelineTrackArray.empty()) timelineTrackArray = audioTrackArray;
    const double at = farestTrackEndTime();
    makeAllTrackEndTheSameTime();
    std::vector<TrackPtr> tracks = audioTrackArray;
    for (size_t i = 0; i < tracks.size(); ++i) {
        SectionPtr section;
        if (i < channels) {
            section = AudioSection::sectionWithPath(sampleDataPath);
            section->channel = static_cast<int32_t>(i);
            section->trackStartTime = at;
            section->trackEndTime = at + duration;
        } else {
            section = AudioSection::blankSectionWithTrackStartTime(at, at + duration);
        }
        SectionArray sections = tracks[i]->sectionArray();
        sections.push_back(section);
        audioTrackSectionArray(tracks[i], sections);
    }
    fixAllTracks();
    reloadWave();
    return {};
}

}  // namespace wavomer
