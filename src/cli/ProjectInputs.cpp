#include "ProjectInputs.h"

#include "archive/ProjectArchive.h"

namespace wavomer::cli {

std::vector<std::string> projectInputFiles(const std::string& project, const WaveEditViewController& engine) {
    std::vector<std::string> files;
    if (!project.empty()) files.push_back(archive::projectArchivePath(project));
    for (const auto& track : engine.audioTrackArray())
        for (const auto& section : track->sectionArray())
            if (!section->isBlankSection && section->audioPath) files.push_back(*section->audioPath);
    return files;
}

}  // namespace wavomer::cli
