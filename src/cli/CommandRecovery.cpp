// wavomer-cli recovery list | restore ID -o PROJECT.wvmp | discard ID: the unsaved
// edits that the window keeps for crash recovery, seen and settled from a shell.
#include <sys/stat.h>

#include <cstdio>

#include "CliEngineHost.h"
#include "Commands.h"
#include "Json.h"
#include "engine/UserEvent.h"
#include "recovery/Recovery.h"
#include "util/StandardPaths.h"

namespace wavomer::cli {

namespace {

int list() {
    for (const RecoveryEntry& entry : listRecoveryFolders()) {
        if (!entry.info) {
            reportFailure(entry.id, entry.info.failure().why());
            JsonObject damaged;
            damaged.add("id", entry.id);
            damaged.add("damaged", entry.info.failure().why());
            std::printf("%s\n", damaged.str().c_str());
            continue;
        }
        const RecoveryInfo& info = *entry.info;
        if (!info.unsaved) continue;  // its document equals its file: nothing to recover
        JsonObject line;
        line.add("id", info.id);
        line.add("name", info.name);
        if (info.project) line.add("project", *info.project);
        else line.addNull("project");
        line.add("edited", isoTime(info.editedMilliseconds));
        line.add("tracks", info.tracks);
        line.add("live", entry.live);
        std::printf("%s\n", line.str().c_str());
    }
    return 0;
}

// The readable, settled-by-no-one snapshot of id, or 1 after saying why not.
Outcome<RecoveryInfo> findSnapshot(const std::string& id) {
    const std::optional<std::string> folder = recoveryFolderOf(id);
    if (!folder) return Failure::at(id, "no such recovery snapshot");
    Outcome<RecoveryInfo> info = readRecoveryInfo(*folder);
    if (!info) return Failure::at(id, info.failure().why());
    if (processRunsProgram(info->pid, info->program))
        return Failure::at(id, "its program still runs (process " + std::to_string(info->pid) + ")");
    return info;
}

int restore(const std::string& id, const std::string& output) {
    Outcome<RecoveryInfo> info = findSnapshot(id);
    if (!info) {
        reportFailure(info.failure().path, info.failure().reason);
        return 1;
    }
    struct stat existing {};
    if (::lstat(output.c_str(), &existing) == 0) {
        reportFailure(output, "already exists; choose a new project folder");
        return 1;
    }
    int status = 0;
    {
        CliProject project;
        if (Outcome<> opened = project.open(""); !opened) {
            reportFailure(id, opened.error());
            return 1;
        }
        WaveEditViewController& engine = project.engine();
        Outcome<archive::DecodedProject> decoded = readRecoveredProject(*info);
        if (!decoded) {
            reportFailure(id, decoded.failure().message());
            return 1;
        }
        Outcome<Warnings> saved = [&]() -> Outcome<Warnings> {
            UserEvent event(engine);
            Outcome<> restored =
                engine.restoreRecoveredProject(std::move(decoded->tracks), std::move(decoded->markers), std::nullopt);
            if (!restored) return restored.failure();
            return engine.saveProjectItemToPath(output);
        }();
        if (!saved) {
            reportFailure(id, saved.error());
            status = 1;
        } else {
            for (const std::string& warning : *saved) std::fprintf(stderr, "wavomer-cli: %s\n", warning.c_str());
            std::printf("%s\n", output.c_str());
        }
    }
    if (status == 0) discardRecovery(*info);
    FileManagerExtention::removeProcessImportFolder();
    return status;
}

int discard(const std::string& id) {
    const std::optional<std::string> folder = recoveryFolderOf(id);
    if (!folder) {
        reportFailure(id, "no such recovery snapshot");
        return 1;
    }
    Outcome<RecoveryInfo> info = readRecoveryInfo(*folder);
    if (info && processRunsProgram(info->pid, info->program)) {
        reportFailure(id, "its program still runs (process " + std::to_string(info->pid) + ")");
        return 1;
    }
    // A damaged snapshot goes only when asked by name, as here; its audio stays for the sweep to judge.
    if (info) discardRecovery(*info);
    else removeRecoveryFolder(*folder, std::nullopt);
    return 0;
}

}  // namespace

int runRecovery(const Arguments& args) {
    if (args.size() == 1 && args[0] == "list") return list();
    if (args.size() == 4 && args[0] == "restore" && args[2] == "-o") return restore(args[1], args[3]);
    if (args.size() == 2 && args[0] == "discard") return discard(args[1]);
    std::fputs("usage: wavomer-cli recovery list | restore ID -o PROJECT.wvmp | discard ID\n", stderr);
    return 2;
}

}  // namespace wavomer::cli
