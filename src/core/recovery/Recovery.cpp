#include "recovery/Recovery.h"

#include <ctime>

#include "engine/WaveEditViewController.h"

namespace wavomer {

std::vector<RecoveryEntry> recoverableDocuments() {
    std::vector<RecoveryEntry> offered;
    for (RecoveryEntry& entry : listRecoveryFolders()) {
        if (entry.live) continue;
        if (entry.info && !entry.info->unsaved) {
            discardRecovery(*entry.info);
            continue;
        }
        offered.push_back(std::move(entry));
    }
    return offered;
}

Outcome<archive::DecodedProject> readRecoveredProject(const RecoveryInfo& info) {
    return archive::readProjectFile(info.folder + "/" + info.archive);
}

Outcome<> restoreRecoveredDocument(WaveEditViewController& engine, const RecoveryInfo& info) {
    Outcome<archive::DecodedProject> project = readRecoveredProject(info);
    if (!project) return project.failure();
    return engine.restoreRecoveredProject(std::move(project->tracks), std::move(project->markers), info.project);
}

void discardRecovery(const RecoveryInfo& info) { removeRecoveryFolder(info.folder, info); }

std::string isoTime(int64_t milliseconds) {
    const std::time_t seconds = static_cast<std::time_t>(milliseconds / 1000);
    std::tm utc {};
    ::gmtime_r(&seconds, &utc);
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", utc.tm_year + 1900, utc.tm_mon + 1,
                  utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec, static_cast<int>(milliseconds % 1000));
    return text;
}

}  // namespace wavomer
