#include "actions/CommandTable.h"

#include <iterator>

// Marks a text of the command rows for the translation table "text" without pulling Qt
// into this file; Qt's lupdate collects the texts so marked.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, english) english
#endif

namespace wavomer::app {

namespace {

using WC = WindowCommand;

constexpr CommandRow kRows[] = {
    {"newProject", Menu::file, QT_TRANSLATE_NOOP("text", "New"), "Ctrl+N", std::nullopt},
    {"openProject", Menu::file, QT_TRANSLATE_NOOP("text", "Open..."), "Ctrl+O", std::nullopt},
    {"save", Menu::file, QT_TRANSLATE_NOOP("text", "Save"), "Ctrl+S", std::nullopt},
    {"saveAs", Menu::file, QT_TRANSLATE_NOOP("text", "Save As..."), "Shift+Ctrl+S", std::nullopt},
    {"importAudioAction", Menu::file, QT_TRANSLATE_NOOP("text", "Import..."), "Ctrl+I", WC::import, EditRule::none, true},
    {"convertAction", Menu::file, QT_TRANSLATE_NOOP("text", "Export..."), "Ctrl+E", WC::convert, EditRule::none, true},
    {"convertOnMarksAction", Menu::file, QT_TRANSLATE_NOOP("text", "Export on Markers..."), "Shift+Ctrl+E", WC::convertOnMarks},
    {"openId3SetAction", Menu::file, QT_TRANSLATE_NOOP("text", "Tags..."), "Ctrl+T", WC::openId3Set},
    {"close", Menu::file, QT_TRANSLATE_NOOP("text", "Close"), "Ctrl+W", std::nullopt},
    {"hideApplication", Menu::file, QT_TRANSLATE_NOOP("text", "Hide %1"), "Ctrl+H", std::nullopt},
    {"quit", Menu::file, QT_TRANSLATE_NOOP("text", "Quit %1"), "Ctrl+Q", std::nullopt},

    {"undo", Menu::edit, QT_TRANSLATE_NOOP("text", "Undo"), "Ctrl+Z", std::nullopt, EditRule::undo},
    {"redo", Menu::edit, QT_TRANSLATE_NOOP("text", "Redo"), "Shift+Ctrl+Z", std::nullopt, EditRule::redo},
    {"cut", Menu::edit, QT_TRANSLATE_NOOP("text", "Cut"), "Ctrl+X", std::nullopt, EditRule::cutCopy},
    {"copy", Menu::edit, QT_TRANSLATE_NOOP("text", "Copy"), "Ctrl+C", std::nullopt, EditRule::cutCopy},
    {"paste", Menu::edit, QT_TRANSLATE_NOOP("text", "Paste"), "Ctrl+V", std::nullopt, EditRule::paste},
    {"delete", Menu::edit, QT_TRANSLATE_NOOP("text", "Delete"), "Del", std::nullopt, EditRule::deleteKey},
    {"selectAll", Menu::edit, QT_TRANSLATE_NOOP("text", "Select All"), "Ctrl+A", std::nullopt, EditRule::selectAll},
    {"preferences", Menu::edit, QT_TRANSLATE_NOOP("text", "Preferences..."), "Ctrl+,", std::nullopt},

    {"addTrackFunction", Menu::track, QT_TRANSLATE_NOOP("text", "Add Track"), "Shift+Ctrl+N", WC::addTrack, EditRule::none, true},
    {"deleteTrackFunction", Menu::track, QT_TRANSLATE_NOOP("text", "Delete Tracks"), "Shift+Ctrl+Del", WC::deleteTrack, EditRule::none, true},
    {"muteButtonAction", Menu::track, QT_TRANSLATE_NOOP("text", "Mute"), "Ctrl+M", WC::mute, EditRule::none, true},
    {"fadeInButtonAction", Menu::track, QT_TRANSLATE_NOOP("text", "Fade In"), "Ctrl+F", WC::fadeIn, EditRule::none, true},
    {"fadeOutButtonAction", Menu::track, QT_TRANSLATE_NOOP("text", "Fade Out"), "Shift+Ctrl+F", WC::fadeOut, EditRule::none, true},
    {"showCustomFadeAction", Menu::track, QT_TRANSLATE_NOOP("text", "Custom Fade..."), "Alt+Ctrl+F", WC::showCustomFade},
    {"showVolumeSettingWindowAction", Menu::track, QT_TRANSLATE_NOOP("text", "Volume..."), "Ctrl+U", WC::showVolume},
    {"showEffectSettingWindowAction", Menu::track, QT_TRANSLATE_NOOP("text", "Effects..."), "Ctrl+K", WC::showEffect},
    {"insertMuteAction", Menu::track, QT_TRANSLATE_NOOP("text", "Insert Silence..."), "Shift+Ctrl+I", WC::insertMute},
    {"insertNoiseAction", Menu::track, QT_TRANSLATE_NOOP("text", "Insert Noise..."), "Alt+Ctrl+I", WC::insertNoise},
    {"recordButtonAction", Menu::track, QT_TRANSLATE_NOOP("text", "Audio Record"), "Ctrl+R", WC::record},

    {"playOrPause", Menu::control, QT_TRANSLATE_NOOP("text", "Play/Pause"), "Space", WC::playOrPause, EditRule::none, true},
    {"addMarkAction", Menu::control, QT_TRANSLATE_NOOP("text", "Add Marker"), "M", WC::addMark, EditRule::none, true},
    {"lastMarkAction", Menu::control, QT_TRANSLATE_NOOP("text", "Previous Marker"), "Alt+Left", WC::lastMark, EditRule::none, true},
    {"nextMarkAction", Menu::control, QT_TRANSLATE_NOOP("text", "Next Marker"), "Alt+Right", WC::nextMark, EditRule::none, true},
    {"showMarkerViewController", Menu::view, QT_TRANSLATE_NOOP("text", "Show Marker List"), "Ctrl+L", WC::showMarkerList, EditRule::none, true},
    {"zoomIn", Menu::view, QT_TRANSLATE_NOOP("text", "Zoom In"), "Ctrl+=", WC::zoom},
    {"zoomOut", Menu::view, QT_TRANSLATE_NOOP("text", "Zoom Out"), "Ctrl+-", WC::zoom},

    {"helpDocument", Menu::help, QT_TRANSLATE_NOOP("text", "%1 Help"), "F1", std::nullopt},
    {"about", Menu::help, QT_TRANSLATE_NOOP("text", "About %1"), "Shift+F1", std::nullopt},
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
