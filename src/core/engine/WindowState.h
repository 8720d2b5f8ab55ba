// What the main window shows enabled, decided without Qt so that the window and the
// command-line tool follow the same rules: the six state flags every toolbar control
// derives its state from, the marker hit rectangle shared by the edit view, the ruler
// and addMarkEnable, and the menu validation table as data (command -> rule).
//
// Threads: main thread (it reads the engine's state).
#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

#include "engine/WaveEditViewController.h"

namespace wavomer {

struct StateFlags {
    bool addMarkEnable = false;       // no marker, or the cursor outside every marker's hit rectangle
    bool isPlaying = false;           // the player is started
    bool hasSelectedSection = false;  // the selection covers at least one section
    bool hasTrack = false;            // at least one track and the project is longer than 0
    bool hasMark = false;             // the marker list is not empty
    bool hasTrackForDelete = false;   // at least one track
};

// A rectangle in the edit view's coordinates; its bounds count as inside.
struct HitRect {
    double x = 0.0;
    double y = 0.0;
    double width = 0.0;
    double height = 0.0;
    bool contains(double px, double py) const {
        return px >= x && px <= x + width && py >= y && py <= y + height;
    }
};

// The hit rectangle of a marker at time: 2.5 pixels either side of its line, the
// height of every track row.
HitRect markRectWithTime(const WaveEditViewController& engine, double time);

StateFlags stateFlagsOf(const WaveEditViewController& engine, bool isPlaying);

// The main window's commands that the validation table rules.
enum class WindowCommand {
    openId3Set,
    record,
    addTrack,
    deleteTrack,
    mute,
    showVolume,
    fadeIn,
    fadeOut,
    showCustomFade,
    insertMute,
    insertNoise,
    convertOnMarks,
    convert,
    markSilences,
    showEffect,
    addMark,
    lastMark,
    nextMark,
    showMarkerList,
    import,
    playOrPause,
    zoom,
};

// The rule a command is enabled by (besides "never while recording").
enum class CommandRule {
    always,
    hasTrack,
    notPlaying,
    notPlayingAndHasTrackForDelete,
    notPlayingAndHasSelectedSection,
    notPlayingAndHasTrack,
    hasMarkAndHasTrack,
    addMarkEnable,
};

struct CommandEntry {
    WindowCommand command;
    std::string_view action;  // the command's action name, as menus and tests call it
    CommandRule rule;
};

// Every command with its rule, in menu order.
const CommandEntry* commandTable(std::size_t* count);
CommandRule ruleFor(WindowCommand command);
// The command's action name (its id in the window's menus).
std::string_view actionName(WindowCommand command);
std::optional<WindowCommand> commandNamed(std::string_view action);

// Whether a rule holds for the flags (recording disables everything).
bool ruleHolds(CommandRule rule, const StateFlags& flags, bool isRecording);
bool validateCommand(WindowCommand command, const StateFlags& flags, bool isRecording);

}  // namespace wavomer
