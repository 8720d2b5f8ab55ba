#include "actions/CommandTable.h"

#include <iterator>

#include "base/Document.h"
#include "base/Program.h"
#include "base/ProjectWindow.h"
#include "base/WindowContext.h"
#include "engine/EditActions.h"
#include "exporting/LoudnessMeasure.h"
#include "engine/PlaybackController.h"
#include "engine/WaveEditViewController.h"
#include "panels/EffectWindowController.h"
#include "panels/FadeSettingWindowController.h"
#include "panels/MuteNoiseWindowController.h"
#include "panels/SilenceMarkersDialog.h"
#include "panels/VolumeWindowController.h"

// Marks a text of the command rows for the translation table "text"; Qt's lupdate
// collects the texts so marked.
#ifndef QT_TRANSLATE_NOOP
#define QT_TRANSLATE_NOOP(context, english) english
#endif

namespace wavomer::app {

namespace {

using WC = WindowCommand;
using K = CommandKind;
using R = EditRule;
using C = WindowContext;

WaveEditViewController& engineOf(C& c) { return c.document.engine(); }

// A panel made for one opening, run modally over the window.
template <typename Panel>
void runPanel(C& c) {
    Panel panel(c);
    panel.open();
    panel.exec();
}

void runInsert(C& c, bool mute) {
    c.document.playback().pause();
    MuteNoiseWindowController dialog(c);
    dialog.updateWindowWithMute(mute);
    dialog.exec();
}

constexpr CommandRow kRows[] = {
    // File
    {{}, "newProject", Menu::file, QT_TRANSLATE_NOOP("text", "New"), "Ctrl+N", R::none, K::dialog,
     [](C& c) { c.program.newProject(); }},
    {{}, "openProject", Menu::file, QT_TRANSLATE_NOOP("text", "Open..."), "Ctrl+O", R::none, K::dialog,
     [](C& c) { c.program.openProject(); }},
    {{}, "save", Menu::file, QT_TRANSLATE_NOOP("text", "Save"), "Ctrl+S", R::none, K::dialog,
     [](C& c) { c.window.save(); }},
    {{}, "saveAs", Menu::file, QT_TRANSLATE_NOOP("text", "Save As..."), "Shift+Ctrl+S", R::none, K::dialog,
     [](C& c) { c.window.saveAs(); }},
    {WC::import, {}, Menu::file, QT_TRANSLATE_NOOP("text", "Import..."), "Ctrl+I", R::none, K::dialog,
     [](C& c) { c.window.importWithDialog(); }, false, Toolbar::tools},
    {WC::convert, {}, Menu::file, QT_TRANSLATE_NOOP("text", "Export..."), "Ctrl+E", R::none, K::dialog,
     [](C& c) { c.window.exportProject(false); }, false, Toolbar::tools},
    {WC::convertOnMarks, {}, Menu::file, QT_TRANSLATE_NOOP("text", "Export on Markers..."), "Shift+Ctrl+E", R::none,
     K::dialog, [](C& c) { c.window.exportProject(true); }},
    {WC::openId3Set, {}, Menu::file, QT_TRANSLATE_NOOP("text", "Tags..."), "Ctrl+T", R::none, K::dialog,
     [](C& c) { c.window.openTags(); }},
    {{}, "close", Menu::file, QT_TRANSLATE_NOOP("text", "Close"), "Ctrl+W", R::none, K::dialog,
     [](C& c) { c.window.closeWindow(); }, true},
    {{}, "hideApplication", Menu::file, QT_TRANSLATE_NOOP("text", "Hide %1"), "Ctrl+H", R::none, K::dialog,
     [](C& c) { c.program.hideWindows(); }, true},
    {{}, "quit", Menu::file, QT_TRANSLATE_NOOP("text", "Quit %1"), "Ctrl+Q", R::none, K::dialog,
     [](C& c) { c.program.quit(); }},

    // Edit
    {{}, "undo", Menu::edit, QT_TRANSLATE_NOOP("text", "Undo"), "Ctrl+Z", R::undo, K::edit,
     [](C& c) { c.document.undo().undo(); }, true},
    {{}, "redo", Menu::edit, QT_TRANSLATE_NOOP("text", "Redo"), "Shift+Ctrl+Z", R::redo, K::edit,
     [](C& c) { c.document.undo().redo(); }},
    {{}, "cut", Menu::edit, QT_TRANSLATE_NOOP("text", "Cut"), "Ctrl+X", R::cutCopy, K::edit,
     [](C& c) { engineOf(c).cutSectionsAction(); }, true},
    {{}, "copy", Menu::edit, QT_TRANSLATE_NOOP("text", "Copy"), "Ctrl+C", R::cutCopy, K::edit,
     [](C& c) { engineOf(c).copySectionsAction(); }},
    {{}, "paste", Menu::edit, QT_TRANSLATE_NOOP("text", "Paste"), "Ctrl+V", R::paste, K::edit,
     [](C& c) { engineOf(c).pasteSectionsAction(); }},
    {{}, "delete", Menu::edit, QT_TRANSLATE_NOOP("text", "Delete"), "Del", R::deleteKey, K::edit,
     [](C& c) { EditActions::deleteKeyAction(engineOf(c)); }},
    {{}, "selectAll", Menu::edit, QT_TRANSLATE_NOOP("text", "Select All"), "Ctrl+A", R::selectAll, K::edit,
     [](C& c) { engineOf(c).selectAllAction(); }},
    {{}, "preferences", Menu::edit, QT_TRANSLATE_NOOP("text", "Preferences..."), "Ctrl+,", R::none, K::dialog,
     [](C& c) { c.program.showPreferences(); }, true},

    // Track
    {WC::addTrack, {}, Menu::track, QT_TRANSLATE_NOOP("text", "Add Track"), "Shift+Ctrl+N", R::none, K::edit,
     [](C& c) { EditActions::addTrackFunction(engineOf(c)); }, false, Toolbar::tools, true},
    {WC::deleteTrack, {}, Menu::track, QT_TRANSLATE_NOOP("text", "Delete Tracks"), "Shift+Ctrl+Del", R::none, K::edit,
     [](C& c) { EditActions::deleteTrackFunction(engineOf(c)); }, false, Toolbar::tools},
    {WC::mute, {}, Menu::track, QT_TRANSLATE_NOOP("text", "Mute"), "Ctrl+M", R::none, K::edit,
     [](C& c) { EditActions::muteButtonAction(engineOf(c)); }, false, Toolbar::tools},
    {WC::fadeIn, {}, Menu::track, QT_TRANSLATE_NOOP("text", "Fade In"), "Ctrl+F", R::none, K::edit,
     [](C& c) { EditActions::fadeInButtonAction(engineOf(c)); }, false, Toolbar::tools},
    {WC::fadeOut, {}, Menu::track, QT_TRANSLATE_NOOP("text", "Fade Out"), "Shift+Ctrl+F", R::none, K::edit,
     [](C& c) { EditActions::fadeOutButtonAction(engineOf(c)); }, false, Toolbar::tools},
    {WC::showCustomFade, {}, Menu::track, QT_TRANSLATE_NOOP("text", "Custom Fade..."), "Alt+Ctrl+F", R::none,
     K::dialog, runPanel<FadeSettingWindowController>},
    {WC::showVolume, {}, Menu::track, QT_TRANSLATE_NOOP("text", "Volume..."), "Ctrl+U", R::none, K::dialog,
     runPanel<VolumeWindowController>},
    {WC::showEffect, {}, Menu::track, QT_TRANSLATE_NOOP("text", "Effects..."), "Ctrl+K", R::none, K::dialog,
     runPanel<EffectWindowController>},
    {WC::insertMute, {}, Menu::track, QT_TRANSLATE_NOOP("text", "Insert Silence..."), "Shift+Ctrl+I", R::none,
     K::dialog, [](C& c) { runInsert(c, true); }},
    {WC::insertNoise, {}, Menu::track, QT_TRANSLATE_NOOP("text", "Insert Noise..."), "Alt+Ctrl+I", R::none,
     K::dialog, [](C& c) { runInsert(c, false); }},
    // Enabled as Export is: a track with something to hear, no recording running.
    {WC::convert, "loudness", Menu::track, QT_TRANSLATE_NOOP("text", "Loudness..."), "Alt+Ctrl+L", R::none, K::dialog,
     [](C& c) { measureLoudness(c); }, true},
    {WC::markSilences, {}, Menu::track, QT_TRANSLATE_NOOP("text", "Add Markers at Silences..."), "Alt+Ctrl+M", R::none,
     K::dialog, [](C& c) { addMarkersAtSilences(c); }},
    {WC::record, {}, Menu::track, QT_TRANSLATE_NOOP("text", "Audio Record"), "Ctrl+R", R::none, K::dialog,
     [](C& c) { c.window.recordButtonAction(); }},

    // Control
    {WC::playOrPause, {}, Menu::control, QT_TRANSLATE_NOOP("text", "Play/Pause"), "Space", R::none, K::edit,
     [](C& c) { c.document.playback().playOrPause(); }, false, Toolbar::transport, true},
    {WC::addMark, {}, Menu::control, QT_TRANSLATE_NOOP("text", "Add Marker"), "M", R::none, K::edit,
     [](C& c) { EditActions::addMarkAction(engineOf(c)); }, true, Toolbar::transport, true},
    {WC::lastMark, {}, Menu::control, QT_TRANSLATE_NOOP("text", "Previous Marker"), "Alt+Left", R::none, K::edit,
     [](C& c) {
         EditActions::lastMarkAction(engineOf(c));
         engineOf(c).centreCursorIfHidden();
     },
     false, Toolbar::transport},
    {WC::nextMark, {}, Menu::control, QT_TRANSLATE_NOOP("text", "Next Marker"), "Alt+Right", R::none, K::edit,
     [](C& c) {
         EditActions::nextMarkAction(engineOf(c));
         engineOf(c).centreCursorIfHidden();
     },
     false, Toolbar::transport},

    // View
    {WC::showMarkerList, {}, Menu::view, QT_TRANSLATE_NOOP("text", "Show Marker List"), "Ctrl+L", R::none, K::dialog,
     [](C& c) { c.window.toggleMarkerList(); }, false, Toolbar::transport},
    {WC::zoom, "zoomIn", Menu::view, QT_TRANSLATE_NOOP("text", "Zoom In"), "Ctrl+=", R::none, K::dialog,
     [](C& c) { c.window.zoomBy(1.0f); }, true},
    {WC::zoom, "zoomOut", Menu::view, QT_TRANSLATE_NOOP("text", "Zoom Out"), "Ctrl+-", R::none, K::dialog,
     [](C& c) { c.window.zoomBy(-1.0f); }},
    {WC::zoom, "zoomToFit", Menu::view, QT_TRANSLATE_NOOP("text", "Zoom to Fit"), "Ctrl+0", R::none, K::dialog,
     [](C& c) { c.window.zoomToFit(); }},
    {{}, "zoomToSelection", Menu::view, QT_TRANSLATE_NOOP("text", "Zoom to Selection"), "Ctrl+Alt+0", R::selection,
     K::dialog, [](C& c) { c.window.zoomToSelection(); }},

    // Help
    {{}, "helpDocument", Menu::help, QT_TRANSLATE_NOOP("text", "%1 Help"), "F1", R::none, K::dialog,
     [](C& c) { c.program.showHelp(); }},
    {{}, "about", Menu::help, QT_TRANSLATE_NOOP("text", "About %1"), "Shift+F1", R::none, K::dialog,
     [](C& c) { c.program.showAbout(c.parent); }},
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
        case EditRule::selection: return flags.hasSelectedSection;
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
        if (row.id() == id) return &row;
    return nullptr;
}

bool commandEnabled(const CommandRow& row, const StateFlags& flags, const EditState& edit, bool isRecording) {
    if (isRecording) return false;
    if (row.windowCommand) return validateCommand(*row.windowCommand, flags, isRecording);
    return editRuleHolds(row.editRule, flags, edit);
}

}  // namespace wavomer::app
