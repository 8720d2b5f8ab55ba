// The state flags, the marker hit rectangle and the menu validation table that the
// window and the command-line tool enable their commands by.
#include <set>

#include "engine/WindowState.h"
#include "support/EngineFixture.h"

namespace wavomer {
namespace {

using test::EngineTest;

class WindowStateTest : public EngineTest {};

TEST_F(WindowStateTest, AnEmptyProjectHasTracksToDeleteButNothingToExport) {
    StateFlags flags = stateFlagsOf(*engine, false);
    EXPECT_TRUE(flags.hasTrackForDelete);  // the two default tracks
    EXPECT_FALSE(flags.hasTrack);          // but nothing on them
    EXPECT_FALSE(flags.hasSelectedSection);
    EXPECT_FALSE(flags.hasMark);
    EXPECT_TRUE(flags.addMarkEnable);
    EXPECT_FALSE(validateCommand(WindowCommand::convert, flags, false));
    EXPECT_FALSE(validateCommand(WindowCommand::insertMute, flags, false));
    EXPECT_TRUE(validateCommand(WindowCommand::deleteTrack, flags, false));

    engine->setAudioTrackArray({});
    engine->setTimelineTrackArray({});
    flags = stateFlagsOf(*engine, false);
    EXPECT_FALSE(flags.hasTrackForDelete);
    EXPECT_FALSE(validateCommand(WindowCommand::deleteTrack, flags, false));
}

TEST_F(WindowStateTest, FlagsFollowTheSelectionTheMarkersAndTheCursor) {
    lay(0, {audio(source("a.data", 4.0), 0.0, 4.0, 0.0)});
    engine->setSelection(1.0, 2.0);
    engine->setMarkArray({MarkerItem::createMarkerWithTime(3.0)});
    engine->currentPixelPerSecond = 10.0;

    engine->updateCurrentTimelineTime(1.0);
    StateFlags flags = stateFlagsOf(*engine, true);
    EXPECT_TRUE(flags.hasTrack);
    EXPECT_TRUE(flags.hasSelectedSection);
    EXPECT_TRUE(flags.hasMark);
    EXPECT_TRUE(flags.isPlaying);
    EXPECT_TRUE(flags.addMarkEnable);

    // 2.5 pixels either side of the marker line, bounds inside: at 10 px/s that
    // is 0.25 s either side of 3.0 s.
    for (double t : {2.75, 3.0, 3.25}) {
        engine->updateCurrentTimelineTime(t);
        EXPECT_FALSE(stateFlagsOf(*engine, false).addMarkEnable) << t;
    }
    for (double t : {2.74, 3.26}) {
        engine->updateCurrentTimelineTime(t);
        EXPECT_TRUE(stateFlagsOf(*engine, false).addMarkEnable) << t;
    }
    const HitRect rect = markRectWithTime(*engine, 3.0);
    EXPECT_DOUBLE_EQ(rect.x, 27.5);
    EXPECT_DOUBLE_EQ(rect.width, 5.0);
    EXPECT_DOUBLE_EQ(rect.height, engine->waveTrackCurrentHeight() * 2.0);
    EXPECT_TRUE(rect.contains(32.5, rect.height));
    EXPECT_FALSE(rect.contains(32.6, 0.0));
}

TEST(CommandTable, EveryCommandFollowsItsRuleAndRecordingDisablesAll) {
    std::size_t count = 0;
    const CommandEntry* table = commandTable(&count);
    std::set<std::string_view> names;
    for (std::size_t i = 0; i < count; ++i) {
        EXPECT_TRUE(names.insert(table[i].action).second) << table[i].action;
        EXPECT_EQ(commandNamed(table[i].action), table[i].command);
    }
    // Every combination of the six flags against the table, read as the menu reads it.
    for (int bits = 0; bits < 64; ++bits) {
        StateFlags f{bool(bits & 1), bool(bits & 2), bool(bits & 4), bool(bits & 8), bool(bits & 16), bool(bits & 32)};
        auto on = [&](WindowCommand c) { return validateCommand(c, f, false); };
        EXPECT_EQ(on(WindowCommand::openId3Set), f.hasTrack);
        EXPECT_EQ(on(WindowCommand::record), !f.isPlaying);
        EXPECT_EQ(on(WindowCommand::addTrack), !f.isPlaying);
        EXPECT_EQ(on(WindowCommand::deleteTrack), !f.isPlaying && f.hasTrackForDelete);
        for (WindowCommand c : {WindowCommand::mute, WindowCommand::showVolume, WindowCommand::fadeIn,
                                WindowCommand::fadeOut, WindowCommand::showCustomFade, WindowCommand::showEffect})
            EXPECT_EQ(on(c), !f.isPlaying && f.hasSelectedSection);
        EXPECT_EQ(on(WindowCommand::insertMute), !f.isPlaying && f.hasTrack);
        EXPECT_EQ(on(WindowCommand::insertNoise), !f.isPlaying && f.hasTrack);
        EXPECT_EQ(on(WindowCommand::convertOnMarks), f.hasMark && f.hasTrack);
        EXPECT_EQ(on(WindowCommand::convert), f.hasTrack);
        EXPECT_EQ(on(WindowCommand::markSilences), f.hasTrack);
        EXPECT_EQ(on(WindowCommand::addMark), f.addMarkEnable);
        for (std::size_t i = 0; i < count; ++i) EXPECT_FALSE(validateCommand(table[i].command, f, true));
    }
}

}  // namespace
}  // namespace wavomer
