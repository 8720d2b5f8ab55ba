#include "engine/WindowState.h"

#include <iterator>

namespace wavomer {

namespace {

constexpr double kMarkHalfWidth = 2.5;

// The rules of the main window's menu. Add marker, previous and next marker are
// bound to their flags in the toolbar; the rest follow the menu validation table.
constexpr CommandEntry kCommands[] = {
    {WindowCommand::openId3Set, "openId3SetAction", CommandRule::hasTrack},
    {WindowCommand::record, "recordButtonAction", CommandRule::notPlaying},
    {WindowCommand::addTrack, "addTrackFunction", CommandRule::notPlaying},
    {WindowCommand::deleteTrack, "deleteTrackFunction", CommandRule::notPlayingAndHasTrackForDelete},
    {WindowCommand::mute, "muteButtonAction", CommandRule::notPlayingAndHasSelectedSection},
    {WindowCommand::showVolume, "showVolumeSettingWindowAction", CommandRule::notPlayingAndHasSelectedSection},
    {WindowCommand::fadeIn, "fadeInButtonAction", CommandRule::notPlayingAndHasSelectedSection},
    {WindowCommand::fadeOut, "fadeOutButtonAction", CommandRule::notPlayingAndHasSelectedSection},
    {WindowCommand::showCustomFade, "showCustomFadeAction", CommandRule::notPlayingAndHasSelectedSection},
    {WindowCommand::insertMute, "insertMuteAction", CommandRule::notPlayingAndHasTrack},
    {WindowCommand::insertNoise, "insertNoiseAction", CommandRule::notPlayingAndHasTrack},
    {WindowCommand::convertOnMarks, "convertOnMarksAction", CommandRule::hasMarkAndHasTrack},
    {WindowCommand::convert, "convertAction", CommandRule::hasTrack},
    // Markers at silences reads a copy of the tracks and adds markers only, as Add Marker
    // may while playing: it needs something to scan, no more.
    {WindowCommand::markSilences, "markSilencesAction", CommandRule::hasTrack},
    // The effect panel edits and previews the selected sections, as the volume and fade
    // panels do: it needs a selection, and no playback reading the same sections.
    {WindowCommand::showEffect, "showEffectSettingWindowAction", CommandRule::notPlayingAndHasSelectedSection},
    {WindowCommand::addMark, "addMarkAction", CommandRule::addMarkEnable},
    {WindowCommand::lastMark, "lastMarkAction", CommandRule::always},
    {WindowCommand::nextMark, "nextMarkAction", CommandRule::always},
    {WindowCommand::showMarkerList, "showMarkerViewController", CommandRule::always},
    {WindowCommand::import, "importAudioAction", CommandRule::always},
    {WindowCommand::playOrPause, "playOrPause", CommandRule::always},
    {WindowCommand::zoom, "changeSlideZoomValue", CommandRule::always},
};

}  // namespace

HitRect markRectWithTime(const WaveEditViewController& engine, double time) {
    const double x = engine.timeToPointX(time);
    return {x - kMarkHalfWidth, 0.0, 2 * kMarkHalfWidth,
            static_cast<double>(engine.waveTrackCurrentHeight()) * static_cast<double>(engine.audioTrackArray().size())};
}

StateFlags stateFlagsOf(const WaveEditViewController& engine, bool isPlaying) {
    StateFlags flags;
    flags.isPlaying = isPlaying;
    flags.hasSelectedSection = engine.hasSelectedSection();
    flags.hasTrackForDelete = !engine.audioTrackArray().empty();
    flags.hasTrack = flags.hasTrackForDelete && engine.farestTrackEndTime() > 0.0;
    flags.hasMark = !engine.markArray().empty();
    flags.addMarkEnable = true;
    const double cursorX = engine.timeToPointX(engine.currentTimelineTime());
    for (const auto& marker : engine.markArray()) {
        const HitRect rect = markRectWithTime(engine, marker->markerTime);
        // Only x matters: the cursor line spans every row.
        if (cursorX >= rect.x && cursorX <= rect.x + rect.width) {
            flags.addMarkEnable = false;
            break;
        }
    }
    return flags;
}

const CommandEntry* commandTable(std::size_t* count) {
    if (count) *count = std::size(kCommands);
    return kCommands;
}

CommandRule ruleFor(WindowCommand command) {
    for (const CommandEntry& entry : kCommands)
        if (entry.command == command) return entry.rule;
    return CommandRule::always;
}

std::string_view actionName(WindowCommand command) {
    for (const CommandEntry& entry : kCommands)
        if (entry.command == command) return entry.action;
    return {};
}

std::optional<WindowCommand> commandNamed(std::string_view action) {
    for (const CommandEntry& entry : kCommands)
        if (entry.action == action) return entry.command;
    return std::nullopt;
}

bool ruleHolds(CommandRule rule, const StateFlags& flags, bool isRecording) {
    if (isRecording) return false;
    switch (rule) {
        case CommandRule::always: return true;
        case CommandRule::hasTrack: return flags.hasTrack;
        case CommandRule::notPlaying: return !flags.isPlaying;
        case CommandRule::notPlayingAndHasTrackForDelete: return !flags.isPlaying && flags.hasTrackForDelete;
        case CommandRule::notPlayingAndHasSelectedSection: return !flags.isPlaying && flags.hasSelectedSection;
        case CommandRule::notPlayingAndHasTrack: return !flags.isPlaying && flags.hasTrack;
        case CommandRule::hasMarkAndHasTrack: return flags.hasMark && flags.hasTrack;
        case CommandRule::addMarkEnable: return flags.addMarkEnable;
    }
    return true;
}

bool validateCommand(WindowCommand command, const StateFlags& flags, bool isRecording) {
    return ruleHolds(ruleFor(command), flags, isRecording);
}

}  // namespace wavomer
