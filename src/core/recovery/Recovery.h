// Recovery: what the front ends do with the recovery folders a crash left: list the
// documents to offer, read one back, restore it into an engine and discard it.
//
// Threads: main thread (restore edits the engine); the rest touches only files.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "archive/ProjectArchive.h"
#include "util/RecoveryFolders.h"

namespace wavomer {

class WaveEditViewController;

// The recovery folders whose process is gone and whose document was not saved, and
// those that cannot be read (listed as damaged, never removed silently). Folders of
// ended processes whose documents were saved hold nothing to recover and are removed.
std::vector<RecoveryEntry> recoverableDocuments();

// The archive a recovery folder holds, read as strictly as a project.
Outcome<archive::DecodedProject> readRecoveredProject(const RecoveryInfo& info);

// Opens the recovered state in engine (marked edited; its audio adopted into the
// engine's import folder), at its project folder when it had one. Refused, naming the
// process, when that project is open in another live process.
Outcome<> restoreRecoveredDocument(WaveEditViewController& engine, const RecoveryInfo& info);

// Removes the folder and the audio only it kept.
void discardRecovery(const RecoveryInfo& info);

// "2026-12-09T18:40:00.123Z" for a Unix time in milliseconds.
std::string isoTime(int64_t milliseconds);

}  // namespace wavomer
