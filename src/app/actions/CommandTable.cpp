#include "actions/CommandTable.h"

#include <iterator>

namespace wavomer::app {

namespace {

using WC = WindowCommand;

constexpr CommandRow kRows[] = {
    {"newProject", Menu::file, "New", "Ctrl+N", std::nullopt},
    {"openProject", Menu::file, "Open...", "Ctrl+O", std::nullopt},
    {"save", Menu::file, "Save", "Ctrl+S", std::nullopt},
    {"saveAs", Menu::file, "Save As...", "Shift+Ctrl+S", std::nullopt},
    {"importAudioAction", Menu::file, "Import...", "Ctrl+I", WC::import, EditRule::none, true},
    {"convertAction", Menu::file, "Export...", "Ctrl+E", WC::convert, EditRule::none, true},
    {"convertOnMarksAction", Menu::file, "Export on Markers...", "Shift+Ctrl+E", WC::convertOnMarks},
    {"openId3SetAction", Menu::file, "Tags...", "Ctrl+T", WC::openId3Set},
    {"close", Menu::file, "Close", "Ctrl+W", std::nullopt},
    {"quit", Menu::file, "Quit", "Ctrl+Q", std::nullopt},

    {"undo", Menu::edit, "Undo", "Ctrl+Z", std::nullopt, EditRule::undo},
    {"redo", Menu::edit, "Redo", "Shift+Ctrl+Z", std::nullopt, EditRule::redo},
    {"cut", Menu::edit, "Cut", "Ctrl+X", std::nullopt, EditRule::cutCopy},
    {"copy", Menu::edit, "Copy", "Ctrl+C", std::nullopt, EditRule::cutCopy},
    {"paste", Menu::edit, "Paste", "Ctrl+V", std::nullopt, EditRule::paste},
    {"delete", Menu::edit, "Delete", "Del", std::nullopt, EditRule::deleteKey},
    {"selectAll", Menu::edit, "Select All", "Ctrl+A", std::nullopt, EditRule::selectAll},
    {"preferences", Menu::edit, "Preferences...", "Ctrl+,", std::nullopt},

    {"addTrackFunction", Menu::track, "Add Track", "Shift+Ctrl+N", WC::addTrack, EditRule::none, true},
    {"deleteTrackFunction", Menu::track, "Delete Tracks", "Shift+Ctrl+Del", WC::deleteTrack, EditRule::none, true},
    {"muteButtonAction", Menu::track, "Mute", "Ctrl+M", WC::mute, EditRule::none, true},
    {"fadeInButtonAction", Menu::track, "Fade In", "Ctrl+F", WC::fadeIn, EditRule::none, true},
    {"fadeOutButtonAction", Menu::track, "Fade Out", "Shift+Ctrl+F", WC::fadeOut, EditRule::none, true},
    {"showCustomFadeAction", Menu::track, "Custom Fade...", "Alt+Ctrl+F", WC::showCustomFade},
    {"showVolumeSettingWindowAction", Menu::track, "Volume...", "Ctrl+U", WC::showVolume},
    {"showEffectSettingWindowAction", Menu::track, "Effects...", "Ctrl+K", WC::showEffect},
    {"insertMuteAction", Menu::track, "Insert Silence...", "Shift+Ctrl+I", WC::insertMute},
    {"insertNoiseAction", Menu::track, "Insert Noise...", "Alt+Ctrl+I", WC::insertNoise},
    {"recordButtonAction", Menu::track, "Audio Record", "Ctrl+R", WC::record},

    {"playOrPause", Menu::control, "Play/Pause", "Space", WC::playOrPause, EditRule::none, true},
    {"addMarkAction", Menu::control, "Add Marker", "M", WC::addMark, EditRule::none, true},
    {"lastMarkAction", Menu::control, "Previous Marker", "Alt+Left", WC::lastMark, EditRule::none, true},
    {"nextMarkAction", Menu::control, "Next Marker", "Alt+Right", WC::nextMark, EditRule::none, true},
    {"showMarkerViewController", Menu::view, "Show Marker List", "Ctrl+L", WC::showMarkerList, EditRule::none, true},
    {"zoomIn", Menu::view, "Zoom In", "Ctrl+=", WC::zoom},
    {"zoomOut", Menu::view, "Zoom Out", "Ctrl+-", WC::zoom},
};

bool editRuleHolds(EditRule rule, const StateFlags& flags, const EditState& edit) {
    switch (rule) {
        case EditRule::none: return true;
        case EditRule::deleteKey: return flags.hasSelectedSection || edit.markerSelected;
        case EditRule::cutCopy: return flags.hasSelectedSection;
        case EditRule::paste: return edit.canPaste;
        case EditRule::selectAll: return flags.hasTrack && !flags.isPlaying;
        case EditRule::undo: return edit.canUndo;
        case EditRule::redo: return edit.canRedo;
    }
    return true;
}

}  // namespace

const CommandRow* commandRows(std::size_t* count) {
    if (count) *count = std::size(kRows);
    return kRows;
}

const CommandRow* commandRow(std::string_view id) {
    for (const CommandRow& row : kRows)
        if (row.id == id) return &row;
    return nullptr;
}

bool commandEnabled(const CommandRow& row, const StateFlags& flags, const EditState& edit, bool isRecording) {
    if (isRecording) return false;
    if (row.windowCommand) return validateCommand(*row.windowCommand, flags, isRecording);
    return editRuleHolds(row.editRule, flags, edit);
}

}  // namespace wavomer::app
