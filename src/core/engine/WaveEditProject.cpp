// The project folder: "project.plist" plus the sample data files in "Audios".
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <set>

#include "archive/ProjectArchive.h"
#include "engine/WaveEditViewController.h"
#include "util/PathUtil.h"

namespace wavomer {

namespace {

std::atomic<bool> isSaving_{false};

bool exists(const std::string& path) {
    struct stat st{};
    return ::lstat(path.c_str(), &st) == 0;
}

// Copies through a temporary name so that a copy cut short (a full disk) never
// stands in "Audios" as if it were complete.
bool copyWhole(const std::string& from, const std::string& to, std::string* error) {
    std::string temporary = to + ".partial";
    std::error_code ec;
    std::filesystem::copy_file(from, temporary, std::filesystem::copy_options::overwrite_existing, ec);
    if (!ec) std::filesystem::rename(temporary, to, ec);
    if (ec) {
        std::filesystem::remove(temporary);
        if (error) *error = ec.message();
        return false;
    }
    return true;
}

}  // namespace

EngineResult WaveEditViewController::saveProjectItemToPath(const std::string& folder) {
    if (isSaving_.exchange(true)) return {};
    struct Done {
        ~Done() { isSaving_ = false; }
    } done;
    std::error_code ec;
    const std::string audios = folder + "/Audios";
    std::filesystem::create_directories(audios, ec);
    if (!std::filesystem::is_directory(audios)) return EngineResult::failure("cannot create " + audios);

    EngineResult result;
    for (const auto& track : audioTrackArray) {
        for (const auto& section : track->sectionArray()) {
            if (section->isBlankSection || !section->audioPath) continue;
            const std::string& source = *section->audioPath;
            std::string target = audios + "/" + lastPathComponent(source);
            if (exists(target)) continue;
            if (::link(source.c_str(), target.c_str()) == 0) continue;
            std::string error;
            if (!exists(target) && !copyWhole(source, target, &error) && result.ok)
                result = EngineResult::failure("cannot link or copy " + source + " into " + audios + ": " + error);
        }
    }
    std::string error;
    if (!archive::writeProjectFile(archive::projectArchivePath(folder), audioTrackArray, markArray, &error))
        return EngineResult::failure(error);
    return result;
}

EngineResult WaveEditViewController::readDataFromProject(const std::string& folder) {
    EngineResult result;
    if (!folder.empty()) {
        isImporting = true;
        host_.openImportWindow();
        archive::ProjectDecodeResult loaded = archive::readProjectFile(archive::projectArchivePath(folder));
        if (!loaded.ok) {
            // Nothing is opened in place of an unreadable project: a later save
            // would write over the user's file.
            isImporting = false;
            host_.closeImportWindow();
            return EngineResult::failure(loaded.error);
        }
        if (loaded.hasTracks) {
            for (const auto& track : audioTrackArray) track->clearTrackCache();
            audioTrackArray = loaded.tracks;
        }
        if (loaded.hasMarkers) markArray = loaded.markers;
        if (!audioTrackArray.empty()) timelineTrackArray = audioTrackArray;
        for (const auto& track : audioTrackArray)
            for (const auto& section : track->sectionArray()) section->updateAudioPathWithDocumentPath(folder);
    }
    fixAllTracks();
    reloadWave();
    host_.flushButtonStates();
    isImporting = false;
    host_.closeImportWindow();
    undo_.removeAllActions();
    setDocumentEdited(false);
    return result;
}

}  // namespace wavomer
