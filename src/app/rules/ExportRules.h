// The export side's rules, without Qt: which format the export options select when
// their menu is refilled, the progress bar's position, what follows a finished export
// (reveal the files, open them in the audio player, show why it failed, or nothing),
// and the file name of the help document. The dialogs only show what these answer.
//
// Threads: main thread.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "coding/CodingBase.h"

namespace wavomer {
struct ExportReport;
}

namespace wavomer::app::rules {

// The format last exported, as the user configuration keeps it (its "FormatName"); none
// when nothing is stored or the dictionary names no format.
std::optional<std::string> lastExportedFormat(const std::optional<CoderDictionary>& defaultFormat);

// The item the format popup selects after its menu was chosen: the format last exported
// when the menu offers it, otherwise the first item; none for an empty menu.
std::optional<size_t> formatToSelect(const std::vector<std::string>& menuTitles,
                                     const std::optional<std::string>& lastExported);

// The export window's bar for a progress value (0 to 1) on a bar of 0..maximum: values
// outside, and a value that is not a number, stay within the bar.
int progressBarValue(float progressValue, int maximum);

enum class AfterExport {
    revealFiles,   // show the written files in the file manager
    openInPlayer,  // open them in the desktop's audio player ("iTunes" and "Ringtone")
    showFailure,   // tell why; nothing partial is revealed
    nothing,       // cancelled by the user, or nothing written
};
AfterExport afterExport(const ExportReport& report);

// The help document's file name, which is also its name in the temporary folder.
inline constexpr const char* kHelpDocumentFileName = "Wavomer Help.pdf";

}  // namespace wavomer::app::rules
