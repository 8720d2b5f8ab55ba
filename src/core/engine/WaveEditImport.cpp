// Import: conversion on a background thread, placement on the main thread.
#include <algorithm>
#include <cmath>
#include <thread>

#include "util/StandardPaths.h"
#include "data/AudioChannelsGenerator.h"
#include "data/AudioSampleData.h"
#include "engine/WaveEditViewController.h"
#include "util/Log.h"

namespace wavomer {

namespace {

// Decodes a media file into a new sample data file in folder and answers its path.
// Touches nothing of the engine, so it may run on a background thread.
Outcome<std::string> convertMedia(MediaEngine* engine, const std::string& mediaPath, const std::string& folder,
                                  const std::atomic<bool>* cancel = nullptr,
                                  std::function<void(double)> progress = nullptr) {
    if (!engine) return Failure::at(mediaPath, "no media engine to decode it");
    Outcome<GeneratedAudio> converted =
        getNewPathFromOriginalMusicPath(*engine, mediaPath, folder, cancel, std::move(progress));
    if (!converted) return converted.failure();
    if (!converted->warning.empty())
        warningLine("%s: partly decoded: %s", mediaPath.c_str(), converted->warning.c_str());
    return converted->path;
}

}  // namespace

std::string WaveEditViewController::importTargetFolder() const {
    return importFolder.empty() ? FileManagerExtention::processImportFolder() : importFolder;
}

Outcome<std::string> WaveEditViewController::convertForTimeline(const std::string& mediaPath) {
    return convertMedia(mediaEngine, mediaPath, importTargetFolder());
}

void WaveEditViewController::addDragInFileToWave(const std::string& mediaPath, std::function<void(Outcome<>)> done) {
    logLine("path=%s", mediaPath.c_str());
    isImporting = true;
    host_.openImportWindow();
    convertInBackground(mediaPath, [this, done](Outcome<std::string> converted) {
        Outcome<> result;
        if (!converted) {
            result = converted.failure();
        } else {
            dragInPath = *converted;
            result = placeConvertedFile(*converted);
        }
        host_.closeImportWindow();
        isImporting = !importJobs_.empty();
        if (done) done(result);
    });
}

void WaveEditViewController::convertInBackground(const std::string& mediaPath,
                                                 std::function<void(Outcome<std::string>)> converted) {
    // The conversion thread reads only what it is handed here, the media engine and the
    // scheduler (both outlive the engine, which joins the thread before it goes), and the
    // cancel flag; its result reaches the engine on the main thread.
    std::weak_ptr<bool> alive = alive_;
    MediaEngine* engine = mediaEngine;
    std::string folder = importTargetFolder();
    MainThreadScheduler* scheduler = &scheduler_;
    const std::atomic<bool>* going = &cancelImports_;
    auto state = std::make_shared<ImportState>();
    const uint64_t id = ++lastImportJob_;
    importJobs_.push_back({id, std::thread([this, alive, engine, folder, mediaPath, converted, scheduler, going, state, id] {
        Outcome<std::string> result = convertMedia(engine, mediaPath, folder, &state->cancel,
                                                   [state](double fraction) { state->fraction = fraction; });
        if (going->load()) return;  // the engine is going: nothing to hand back
        scheduler->post([this, alive, result, converted, id] {
            if (alive.expired()) return;
            finishImportJob(id);
            converted(result);
        });
    }), state});
}

double WaveEditViewController::importProgress() const {
    return importJobs_.empty() ? -1.0 : importJobs_.back().state->fraction.load();
}

void WaveEditViewController::cancelImports() {
    for (ImportJob& job : importJobs_) job.state->cancel = true;
}

void WaveEditViewController::finishImportJob(uint64_t id) {
    auto job = std::find_if(importJobs_.begin(), importJobs_.end(), [id](const ImportJob& j) { return j.id == id; });
    if (job == importJobs_.end()) return;
    // The thread has posted its result and is returning: the join is immediate.
    if (job->thread.joinable()) job->thread.join();
    importJobs_.erase(job);
}

Outcome<> WaveEditViewController::placeConvertedFile(const std::string& sampleDataPath) {
    auto data = AudioSampleData::dataForReadingAtPath(sampleDataPath);
    if (!data) return Failure::at(sampleDataPath, "cannot read the converted file");
    const size_t channels = static_cast<size_t>(std::max(data->channels(), 0));
    const double duration = data->duration();
    data.reset();
    while (audioTrackArray_.size() < channels) addNewTrack();
    // Into a project that had no tracks (an opened empty project): the new tracks
    // are selected, as the default tracks of a new project are.
    if (timelineTrackArray_.empty()) timelineTrackArray_ = audioTrackArray_;
    const double at = farestTrackEndTime();
    makeAllTrackEndTheSameTime();
    std::vector<TrackPtr> tracks = audioTrackArray_;
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
